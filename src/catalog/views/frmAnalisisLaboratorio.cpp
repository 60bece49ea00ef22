#include "catalog/views/frmAnalisisLaboratorio.h"

#include "app/busy_pointer.h"
#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "app/views/named_widgets.h"
#include "store/database.h"
#include "store/revisions.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace catalog {

namespace {

GridBinding* bindGrid(QWidget* parent, const char* name, int fillColumn) {
    auto* grid = widgets::named<QTableWidget>(parent, name);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* binding = new GridBinding(grid);
    binding->setFitCaptions(true);
    binding->setFillColumn(fillColumn);
    return binding;
}

QTableWidget* tableOf(QWidget* parent, const char* name) {
    return parent->findChild<QTableWidget*>(QString::fromLatin1(name));
}

QDateEdit* dateEdit(QWidget* parent, const char* name, const QDate& date) {
    auto* edit = widgets::named<QDateEdit>(parent, name);
    edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    edit->setCalendarPopup(true);
    edit->setDate(date);
    return edit;
}

} // namespace

frmAnalisisLaboratorio::frmAnalisisLaboratorio(store::Database& db, QChar decimalMark,
                                               const QDate& today, QWidget* parent)
    : QDialog(parent), db_(db), decimalMark_(decimalMark) {
    using widgets::button;
    using widgets::named;
    setObjectName(QStringLiteral("frmAnalisisLaboratorio"));
    setWindowTitle(QStringLiteral("Análisis de Laboratorio"));
    tabs_ = named<QTabWidget>(this, "tabAnalisis");

    // Importar
    auto* importar = named<QWidget>(tabs_, "tabImportar");
    QPushButton* cmdImportar = button(importar, "cmdImportar", QStringLiteral("&Importar..."));
    connect(cmdImportar, &QPushButton::clicked, this, &frmAnalisisLaboratorio::cmdImportar_Click);
    lblResumen = named<QLabel>(importar, "lblResumen");
    lblResumen->setWordWrap(true);
    analisis_ = bindGrid(importar, "flexAnalisis", 2);
    auto* lblConflictos = named<QLabel>(importar, "lblConflictos");
    lblConflictos->setText(QStringLiteral("Conflictos (no se guardan):"));
    conflictos_ = bindGrid(importar, "flexConflictos", 2);
    cmdGuardar = button(importar, "cmdGuardar", QStringLiteral("&Guardar"));
    connect(cmdGuardar, &QPushButton::clicked, this, &frmAnalisisLaboratorio::cmdGuardar_Click);
    auto* importTop = new QHBoxLayout;
    importTop->addWidget(cmdImportar);
    importTop->addWidget(lblResumen, 1);
    importTop->addWidget(cmdGuardar);
    auto* importLayout = new QVBoxLayout(importar);
    importLayout->addLayout(importTop);
    importLayout->addWidget(tableOf(importar, "flexAnalisis"), 3);
    importLayout->addWidget(lblConflictos);
    importLayout->addWidget(tableOf(importar, "flexConflictos"), 1);
    tabs_->addTab(importar, QStringLiteral("Importar"));

    // Análisis guardados
    auto* guardados = named<QWidget>(tabs_, "tabGuardados");
    auto* lblIngrediente = named<QLabel>(guardados, "lblIngrediente");
    lblIngrediente->setText(QStringLiteral("I&ngrediente:"));
    cboIngrediente = named<QComboBox>(guardados, "cboIngrediente");
    lblIngrediente->setBuddy(cboIngrediente);
    connect(cboIngrediente, &QComboBox::currentIndexChanged, this,
            &frmAnalisisLaboratorio::showStored);
    guardados_ = bindGrid(guardados, "flexGuardados", 2);
    auto* filter = new QHBoxLayout;
    filter->addWidget(lblIngrediente);
    filter->addWidget(cboIngrediente, 1);
    auto* storedLayout = new QVBoxLayout(guardados);
    storedLayout->addLayout(filter);
    storedLayout->addWidget(tableOf(guardados, "flexGuardados"), 1);
    tabs_->addTab(guardados, QStringLiteral("Análisis guardados"));

    // Actualizar composición
    auto* composicion = named<QWidget>(tabs_, "tabComposicion");
    auto* lblDesde = named<QLabel>(composicion, "lblDesde");
    lblDesde->setText(QStringLiteral("&Desde:"));
    dtpDesde = dateEdit(composicion, "dtpDesde", today.addYears(-1));
    lblDesde->setBuddy(dtpDesde);
    auto* lblHasta = named<QLabel>(composicion, "lblHasta");
    lblHasta->setText(QStringLiteral("&Hasta:"));
    dtpHasta = dateEdit(composicion, "dtpHasta", today);
    lblHasta->setBuddy(dtpHasta);
    QPushButton* cmdCalcular = button(composicion, "cmdCalcular", QStringLiteral("&Calcular"));
    connect(cmdCalcular, &QPushButton::clicked, this, &frmAnalisisLaboratorio::cmdCalcular_Click);
    lblComposicion = named<QLabel>(composicion, "lblComposicion");
    lblComposicion->setWordWrap(true);
    composicion_ = bindGrid(composicion, "flexComposicion", 1);
    cmdQuitar = button(composicion, "cmdQuitar", QStringLiteral("&Quitar fila"));
    connect(cmdQuitar, &QPushButton::clicked, this, &frmAnalisisLaboratorio::cmdQuitar_Click);
    cmdActualizar = button(composicion, "cmdActualizar", QStringLiteral("&Actualizar composición"));
    connect(cmdActualizar, &QPushButton::clicked, this,
            &frmAnalisisLaboratorio::cmdActualizar_Click);
    auto* period = new QHBoxLayout;
    period->addWidget(lblDesde);
    period->addWidget(dtpDesde);
    period->addWidget(lblHasta);
    period->addWidget(dtpHasta);
    period->addWidget(cmdCalcular);
    period->addStretch(1);
    auto* summaryButtons = new QHBoxLayout;
    summaryButtons->addWidget(lblComposicion, 1);
    summaryButtons->addWidget(cmdQuitar);
    summaryButtons->addWidget(cmdActualizar);
    auto* summaryLayout = new QVBoxLayout(composicion);
    summaryLayout->addLayout(period);
    summaryLayout->addWidget(tableOf(composicion, "flexComposicion"), 1);
    summaryLayout->addLayout(summaryButtons);
    tabs_->addTab(composicion, QStringLiteral("Actualizar composición"));

    QPushButton* cmdSalir = button(this, "cmdSalir", QStringLiteral("Salir"));
    connect(cmdSalir, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSalir);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);
    resize(900, 560);

    showPreview();
    fillIngredients();
    showSummary();
}

void frmAnalisisLaboratorio::cmdImportar_Click() {
    const QString chosen =
        widgets::chooseOpenFile(this, QStringLiteral("Seleccione el archivo de análisis"),
                                QStringLiteral("Análisis (*.csv *.txt);;Todos los archivos (*)"));
    if (chosen.isEmpty())
        return;
    preview_.reset();
    try {
        app::BusyPointer busy;
        preview_ = previewAnalysesFile(db_, chosen, decimalMark_);
    } catch (const LabAnalysisError& e) {
        msg::msgBox(e.message(), msg::Critical);
    } catch (const store::StoreError& e) {
        msg::msgBox(e.message(), msg::Critical);
    }
    showPreview();
}

void frmAnalisisLaboratorio::showPreview() {
    if (!preview_) {
        analisis_->clear();
        conflictos_->clear();
        lblResumen->setText(QStringLiteral("Elija Importar para leer un archivo CSV de análisis "
                                           "(codigo;propiedad;fecha;lote;valor); nada se guarda "
                                           "hasta Guardar."));
        cmdGuardar->setEnabled(false);
        return;
    }
    analisis_->show(analysisPreviewGrid(*preview_));
    analisis_->setNoMatchVisible(false);
    conflictos_->show(analysisConflictGrid(*preview_));
    conflictos_->setNoMatchVisible(false);
    lblResumen->setText(analysesSummary(*preview_));
    cmdGuardar->setEnabled(!preview_->rows.empty());
}

void frmAnalisisLaboratorio::cmdGuardar_Click() {
    if (!preview_ || preview_->rows.empty())
        return;
    if (msg::msgBox(askInsertAnalyses(*preview_), msg::Question) != msg::Yes)
        return;
    try {
        int stored = 0;
        {
            app::BusyPointer busy;
            stored = insertAnalyses(db_, *preview_);
        }
        msg::msgBox(insertedAnalysesMessage(stored), msg::Plain);
        preview_.reset();
    } catch (const store::StaleRowError& e) {
        msg::msgBox(e.message(), msg::Critical);
    } catch (const store::StoreError& e) {
        msg::msgBox(QStringLiteral("No se guardó ningún análisis: ") + e.message(), msg::Critical);
        return;
    }
    showPreview();
    fillIngredients();
}

void frmAnalisisLaboratorio::fillIngredients() {
    const QVariant chosen = cboIngrediente->currentData();
    {
        const QSignalBlocker quiet(cboIngrediente);
        cboIngrediente->clear();
        cboIngrediente->addItem(QStringLiteral("(todos)"));
        try {
            for (const auto& [id, text] : analysedIngredients(db_))
                cboIngrediente->addItem(text, id);
        } catch (const store::StoreError& e) {
            msg::msgBox(e.message(), msg::Critical);
        }
        const int again = chosen.isValid() ? cboIngrediente->findData(chosen) : 0;
        cboIngrediente->setCurrentIndex(again < 0 ? 0 : again);
    }
    showStored();
}

void frmAnalisisLaboratorio::showStored() {
    const QVariant id = cboIngrediente->currentData();
    try {
        guardados_->show(storedAnalysisGrid(
            storedAnalyses(db_, id.isValid() ? std::optional<int>(id.toInt()) : std::nullopt)));
    } catch (const store::StoreError& e) {
        guardados_->clear();
        msg::msgBox(e.message(), msg::Critical);
    }
}

void frmAnalisisLaboratorio::cmdCalcular_Click() {
    if (dtpDesde->date() > dtpHasta->date()) {
        msg::msgBox(QStringLiteral("La fecha Desde no puede ser posterior a la fecha Hasta."),
                    msg::Exclamation);
        dtpDesde->setFocus();
        return;
    }
    try {
        app::BusyPointer busy;
        summary_ = summarizeAnalyses(db_, dtpDesde->date(), dtpHasta->date());
    } catch (const store::StoreError& e) {
        summary_.clear();
        msg::msgBox(e.message(), msg::Critical);
    }
    lblComposicion->setText(
        summaryPeriodText(dtpDesde->date(), dtpHasta->date(), int(summary_.size())));
    showSummary();
}

void frmAnalisisLaboratorio::showSummary() {
    if (summary_.empty()) {
        composicion_->clear();
        if (lblComposicion->text().isEmpty())
            lblComposicion->setText(QStringLiteral(
                "Elija el período y Calcular: cada ingrediente y nutriente con 3 análisis o más."));
    } else {
        composicion_->show(analysisSummaryGrid(summary_));
        composicion_->setNoMatchVisible(false);
    }
    cmdQuitar->setEnabled(!summary_.empty());
    cmdActualizar->setEnabled(!summary_.empty());
}

// The selected row is left out of the update.
void frmAnalisisLaboratorio::cmdQuitar_Click() {
    const int row = tableOf(this, "flexComposicion")->currentRow();
    if (row < 0 || row >= int(summary_.size()))
        return;
    summary_.erase(summary_.begin() + row);
    showSummary();
}

void frmAnalisisLaboratorio::cmdActualizar_Click() {
    int changes = 0;
    for (const AnalysisSummaryRow& r : summary_)
        changes += r.changes() ? 1 : 0;
    if (changes == 0) {
        msg::msgBox(kNothingToUpdate, msg::Plain);
        return;
    }
    if (msg::msgBox(askApplySummary(changes), msg::Question) != msg::Yes)
        return;
    try {
        int changed = 0;
        {
            app::BusyPointer busy;
            changed = applyAnalysisSummary(db_, summary_);
        }
        msg::msgBox(appliedSummaryMessage(changed), msg::Plain);
    } catch (const store::StaleRowError& e) {
        msg::msgBox(e.message(), msg::Critical);
    } catch (const store::StoreError& e) {
        msg::msgBox(QStringLiteral("No se actualizó ninguna composición: ") + e.message(),
                    msg::Critical);
        return;
    }
    cmdCalcular_Click(); // the summary against the catalogue as it is now
}

} // namespace catalog
