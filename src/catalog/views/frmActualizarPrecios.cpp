#include "catalog/views/frmActualizarPrecios.h"

#include "app/busy_pointer.h"
#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "app/views/named_widgets.h"
#include "catalog/views/list_file_row.h"
#include "store/database.h"
#include "store/revisions.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace catalog {

namespace {

const QString kDebeArchivo = QStringLiteral("Debe indicar el archivo de la lista de precios");

} // namespace

frmActualizarPrecios::frmActualizarPrecios(store::Database& db, QChar decimalMark, QWidget* parent)
    : QDialog(parent), db_(db), decimalMark_(decimalMark) {
    using widgets::button;
    using widgets::named;
    setObjectName(QStringLiteral("frmActualizarPrecios"));
    setWindowTitle(QStringLiteral("Actualizar Precios"));

    const ListFileRow fileRow = listFileRow(
        this, QStringLiteral("Lista de precios (CSV):"),
        QStringLiteral("columnas codigo;costo[;materia_seca], separadas por ; o por ,"));
    txtArchivo = fileRow.txtArchivo;
    connect(txtArchivo, &QLineEdit::textEdited, this, &frmActualizarPrecios::forgetPreview);
    connect(txtArchivo, &QLineEdit::returnPressed, this, &frmActualizarPrecios::cmdLeer_Click);
    connect(fileRow.cmdExaminar, &QPushButton::clicked, this,
            &frmActualizarPrecios::cmdExaminar_Click);
    connect(fileRow.cmdLeer, &QPushButton::clicked, this, &frmActualizarPrecios::cmdLeer_Click);

    lblResumen = named<QLabel>(this, "lblResumen");
    lblResumen->setWordWrap(true);
    auto* flexPrecios = named<QTableWidget>(this, "flexPrecios");
    precios_ = new GridBinding(flexPrecios);
    precios_->setFitCaptions(true);
    precios_->setFillColumn(2);
    auto* Label2 = named<QLabel>(this, "Label2");
    Label2->setText(QStringLiteral("Conflictos (no se aplican):"));
    auto* flexConflictos = named<QTableWidget>(this, "flexConflictos");
    conflictos_ = new GridBinding(flexConflictos);
    conflictos_->setFitCaptions(true);
    conflictos_->setFillColumn(2);

    cmdAplicar = button(this, "cmdAplicar", QStringLiteral("&Aplicar"));
    cmdAplicar->setEnabled(false);
    connect(cmdAplicar, &QPushButton::clicked, this, &frmActualizarPrecios::cmdAplicar_Click);
    QPushButton* cmdSalir = button(this, "cmdSalir", QStringLiteral("Salir"));
    connect(cmdSalir, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAplicar);
    buttons->addWidget(cmdSalir);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow.layout);
    layout->addWidget(lblResumen);
    layout->addWidget(flexPrecios, 3);
    layout->addWidget(Label2);
    layout->addWidget(flexConflictos, 1);
    layout->addLayout(buttons);
    resize(880, 520);
    forgetPreview();
}

void frmActualizarPrecios::cmdExaminar_Click() {
    if (chooseListFile(this, txtArchivo, QStringLiteral("Seleccione la lista de precios"),
                       QStringLiteral("Listas de precios (*.csv *.txt);;Todos los archivos (*)")))
        readList();
}

void frmActualizarPrecios::cmdLeer_Click() {
    if (listFileNamed(txtArchivo, kDebeArchivo))
        readList();
}

bool frmActualizarPrecios::readList() {
    forgetPreview();
    if (!readShowingFailure([&] {
            preview_ = previewPriceListFile(db_, txtArchivo->text().trimmed(), decimalMark_);
        }))
        return false;
    showPreview();
    return true;
}

void frmActualizarPrecios::showPreview() {
    precios_->show(priceListGrid(*preview_));
    precios_->setNoMatchVisible(false);
    conflictos_->show(conflictGrid(*preview_));
    conflictos_->setNoMatchVisible(false);
    lblResumen->setText(previewSummary(*preview_));
    cmdAplicar->setEnabled(preview_->changeCount() > 0);
}

// A preview belongs to the file it was read from: once the name changes, nothing is applied
// until the list is read again.
void frmActualizarPrecios::forgetPreview() {
    preview_.reset();
    precios_->clear();
    conflictos_->clear();
    lblResumen->setText(QStringLiteral("Indique la lista de precios y elija Leer para ver qué "
                                       "cambia; nada se graba hasta Aplicar."));
    cmdAplicar->setEnabled(false);
}

void frmActualizarPrecios::cmdAplicar_Click() {
    if (!preview_ || preview_->changeCount() == 0)
        return;
    if (msg::msgBox(askApply(*preview_), msg::Question) != msg::Yes)
        return;
    try {
        int changed = 0;
        {
            app::BusyPointer busy;
            changed = applyPriceList(db_, *preview_);
        }
        msg::msgBox(appliedMessage(changed), msg::Plain);
    } catch (const store::StaleRowError& e) {
        msg::msgBox(e.message(), msg::Critical);
    } catch (const store::StoreError& e) {
        msg::msgBox(QStringLiteral("No se aplicó ningún precio: ") + e.message(), msg::Critical);
        return;
    }
    readList(); // the list against the catalogue as it is now
}

} // namespace catalog
