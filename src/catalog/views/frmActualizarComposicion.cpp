#include "catalog/views/frmActualizarComposicion.h"

#include "app/busy_pointer.h"
#include "app/message_styles.h"
#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "app/views/named_widgets.h"
#include "catalog/views/list_file_row.h"
#include "store/database.h"
#include "store/revisions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace catalog {

namespace {

const QString kDebeArchivo = QStringLiteral("Debe indicar el archivo de la lista de composición");

GridBinding* bindGrid(QTableWidget* grid, int fillColumn) {
    auto* binding = new GridBinding(grid);
    binding->setFitCaptions(true);
    binding->setFillColumn(fillColumn);
    return binding;
}

} // namespace

frmActualizarComposicion::frmActualizarComposicion(store::Database& db, QChar decimalMark,
                                                   QWidget* parent)
    : QDialog(parent), db_(db), decimalMark_(decimalMark) {
    using widgets::button;
    using widgets::named;
    setObjectName(QStringLiteral("frmActualizarComposicion"));
    setWindowTitle(QStringLiteral("Actualizar Composición"));

    const ListFileRow fileRow =
        listFileRow(this, QStringLiteral("Lista de composición (CSV):"),
                    QStringLiteral("columnas codigo;propiedad;valor[;base][;fuente][;unidad]"));
    txtArchivo = fileRow.txtArchivo;
    connect(txtArchivo, &QLineEdit::textEdited, this, &frmActualizarComposicion::forgetPreview);
    connect(txtArchivo, &QLineEdit::returnPressed, this, &frmActualizarComposicion::cmdLeer_Click);
    connect(fileRow.cmdExaminar, &QPushButton::clicked, this,
            &frmActualizarComposicion::cmdExaminar_Click);
    connect(fileRow.cmdLeer, &QPushButton::clicked, this, &frmActualizarComposicion::cmdLeer_Click);

    lblResumen = named<QLabel>(this, "lblResumen");
    lblResumen->setWordWrap(true);
    auto* flexValores = named<QTableWidget>(this, "flexValores");
    valores_ = bindGrid(flexValores, 6);
    auto* Label2 = named<QLabel>(this, "Label2");
    Label2->setText(QStringLiteral("Nutrientes nuevos (se crean solo si lo confirma):"));
    auto* flexNuevos = named<QTableWidget>(this, "flexNuevos");
    nuevos_ = bindGrid(flexNuevos, 1);
    auto* Label3 = named<QLabel>(this, "Label3");
    Label3->setText(QStringLiteral("Conflictos (no se aplican):"));
    auto* flexConflictos = named<QTableWidget>(this, "flexConflictos");
    conflictos_ = bindGrid(flexConflictos, 3);

    cmdAplicar = button(this, "cmdAplicar", QStringLiteral("&Aplicar"));
    cmdAplicar->setEnabled(false);
    connect(cmdAplicar, &QPushButton::clicked, this, &frmActualizarComposicion::cmdAplicar_Click);
    QPushButton* cmdSalir = button(this, "cmdSalir", QStringLiteral("Salir"));
    connect(cmdSalir, &QPushButton::clicked, this, &QDialog::reject);

    auto* lower = new QHBoxLayout;
    auto* newColumn = new QVBoxLayout;
    newColumn->addWidget(Label2);
    newColumn->addWidget(flexNuevos, 1);
    auto* conflictColumn = new QVBoxLayout;
    conflictColumn->addWidget(Label3);
    conflictColumn->addWidget(flexConflictos, 1);
    lower->addLayout(newColumn, 1);
    lower->addLayout(conflictColumn, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAplicar);
    buttons->addWidget(cmdSalir);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow.layout);
    layout->addWidget(lblResumen);
    layout->addWidget(flexValores, 3);
    layout->addLayout(lower, 1);
    layout->addLayout(buttons);
    resize(960, 560);
    forgetPreview();
}

void frmActualizarComposicion::cmdExaminar_Click() {
    if (chooseListFile(
            this, txtArchivo, QStringLiteral("Seleccione la lista de composición"),
            QStringLiteral("Listas de composición (*.csv *.txt);;Todos los archivos (*)")))
        readList();
}

void frmActualizarComposicion::cmdLeer_Click() {
    if (listFileNamed(txtArchivo, kDebeArchivo))
        readList();
}

bool frmActualizarComposicion::readList(bool createNutrients) {
    forgetPreview();
    if (!readShowingFailure([&] {
            preview_ = previewCompositionListFile(db_, txtArchivo->text().trimmed(), decimalMark_,
                                                  createNutrients);
        }))
        return false;
    showPreview();
    return true;
}

void frmActualizarComposicion::showPreview() {
    valores_->show(compositionListGrid(*preview_));
    valores_->setNoMatchVisible(false);
    nuevos_->show(newNutrientGrid(*preview_));
    nuevos_->setNoMatchVisible(false);
    conflictos_->show(compositionConflictGrid(*preview_));
    conflictos_->setNoMatchVisible(false);
    lblResumen->setText(compositionSummary(*preview_));
    cmdAplicar->setEnabled(preview_->changeCount() > 0);
}

// A preview belongs to the file it was read from: once the name changes, nothing is applied
// until the list is read again.
void frmActualizarComposicion::forgetPreview() {
    preview_.reset();
    valores_->clear();
    nuevos_->clear();
    conflictos_->clear();
    lblResumen->setText(QStringLiteral("Indique la lista de composición y elija Leer para ver qué "
                                       "cambia; nada se graba hasta Aplicar."));
    cmdAplicar->setEnabled(false);
}

void frmActualizarComposicion::cmdAplicar_Click() {
    if (!preview_ || preview_->changeCount() == 0)
        return;
    // Without the new nutrients, their lines become conflicts and the rest is asked for.
    if (!preview_->newNutrients.empty() &&
        msg::msgBox(askCreateNutrients(*preview_), msg::QuestionDefaultNo) != msg::Yes) {
        if (!readList(false))
            return;
        if (preview_->changeCount() == 0) {
            msg::msgBox(kNoCompositionToApply, msg::Plain);
            return;
        }
    }
    if (msg::msgBox(askApplyComposition(*preview_), msg::Question) != msg::Yes)
        return;
    try {
        CompositionListApplied applied;
        {
            app::BusyPointer busy;
            applied = applyCompositionList(db_, *preview_);
        }
        msg::msgBox(compositionAppliedMessage(applied), msg::Plain);
    } catch (const store::StaleRowError& e) {
        msg::msgBox(e.message(), msg::Critical);
    } catch (const store::StoreError& e) {
        msg::msgBox(QStringLiteral("No se aplicó ningún valor: ") + e.message(), msg::Critical);
        return;
    }
    readList(); // the list against the catalogue as it is now
}

} // namespace catalog
