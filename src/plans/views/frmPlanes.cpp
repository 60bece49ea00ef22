#include "plans/views/frmPlanes.h"

#include "app/format.h"
#include "app/message_styles.h"
#include "app/messages.h"
#include "app/views/modal.h"
#include "app/views/search_progress.h"
#include "catalog/views/frmproductos.h"
#include "formulas/views/frmformulas.h"
#include "plans/plan_printout.h"
#include "plans/plan_texts.h"
#include "printing/views/print_services.h"
#include "store/database.h"
#include "workspace/views/frmoptimizacion.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace plans {

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QTableWidget* grid(QWidget* parent, const char* name, const QStringList& headers) {
    auto* g = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    g->setObjectName(QString::fromLatin1(name));
    g->setHorizontalHeaderLabels(headers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->verticalHeader()->hide();
    g->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < g->columnCount(); ++c) // numbers: as wide as their header
        g->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    return g;
}

// A cell the user may type in, or one only shown; numbers right-aligned.
void setCell(QTableWidget* g, int row, int column, const QString& text, bool editable,
             bool number) {
    auto* item = new QTableWidgetItem(text);
    if (!editable)
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    g->setItem(row, column, item);
}

} // namespace

frmPlanes::frmPlanes(store::Database& db, QWidget* parent) : QDialog(parent), db_(db) {
    setObjectName(QStringLiteral("frmPlanes"));
    setWindowTitle(QStringLiteral("Planes de Producción"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildPlanRow());
    layout->addWidget(buildInputs(), 1);
    layout->addWidget(buildResults(), 1);
    auto* bottom = new QHBoxLayout;
    auto* formulate = button(this, "cmdFormular", QStringLiteral("&Formular Plan"));
    save_ = button(this, "cmdGrabar", QStringLiteral("&Grabar"));
    save_->setToolTip(QStringLiteral("Graba la mezcla planeada de cada fórmula como una versión "
                                     "nueva"));
    print_ = button(this, "cmdImprimir", QStringLiteral("&Imprimir"));
    print_->setToolTip(QStringLiteral("Guarda el resultado del plan como PDF"));
    open_ = button(this, "cmdAbrir", QStringLiteral("&Abrir en Optimización"));
    open_->setToolTip(QStringLiteral("Abre la fórmula elegida con su mezcla del plan, sin grabar"));
    auto* close = button(this, "cmdCerrar", QStringLiteral("&Cerrar"));
    total_ = new QLabel(this);
    total_->setObjectName(QStringLiteral("lblCostoTotal"));
    bottom->addWidget(formulate);
    bottom->addWidget(save_);
    bottom->addWidget(print_);
    bottom->addWidget(open_);
    bottom->addWidget(total_, 1);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    connect(formulate, &QPushButton::clicked, this, &frmPlanes::formulate);
    connect(save_, &QPushButton::clicked, this, &frmPlanes::save);
    connect(print_, &QPushButton::clicked, this, &frmPlanes::print);
    connect(open_, &QPushButton::clicked, this, &frmPlanes::openInWorkspace);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    resize(980, 720);
    loadPlans(0);
}

QWidget* frmPlanes::buildPlanRow() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    plans_ = new QComboBox(box);
    plans_->setObjectName(QStringLiteral("cboPlan"));
    plans_->setMinimumWidth(240);
    newName_ = new QLineEdit(box);
    newName_->setObjectName(QStringLiteral("txtNombre"));
    newName_->setPlaceholderText(QStringLiteral("Nombre del plan nuevo"));
    newName_->setMaxLength(100);
    auto* create = button(box, "cmdNuevo", QStringLiteral("&Nuevo"));
    auto* remove = button(box, "cmdEliminar", QStringLiteral("&Eliminar"));
    row->addWidget(new QLabel(QStringLiteral("Plan:"), box));
    row->addWidget(plans_);
    row->addWidget(remove);
    row->addSpacing(24);
    row->addWidget(newName_, 1);
    row->addWidget(create);
    connect(plans_, &QComboBox::currentIndexChanged, this, &frmPlanes::showPlan);
    connect(create, &QPushButton::clicked, this, &frmPlanes::createPlan);
    connect(remove, &QPushButton::clicked, this, &frmPlanes::deletePlan);
    return box;
}

QWidget* frmPlanes::buildInputs() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* left = new QGroupBox(QStringLiteral("Fórmulas a producir"), box);
    auto* l = new QGridLayout(left);
    formulas_ = grid(
        left, "grdFormulas",
        {QStringLiteral("Fórmula"), QStringLiteral("Versión"), QStringLiteral("Cantidad (kg)")});
    l->addWidget(formulas_, 0, 0, 1, 2);
    auto* addF = button(left, "cmdAgregarFormula", QStringLiteral("Agregar..."));
    auto* delF = button(left, "cmdQuitarFormula", QStringLiteral("Quitar"));
    l->addWidget(addF, 1, 0);
    l->addWidget(delF, 1, 1);
    auto* right = new QGroupBox(QStringLiteral("Existencias de ingredientes"), box);
    auto* r = new QGridLayout(right);
    stock_ = grid(right, "grdIngredientes",
                  {QStringLiteral("Ingrediente"), QStringLiteral("Disponible (kg)"),
                   QStringLiteral("Uso mínimo (kg)"), QStringLiteral("Usado (kg)"),
                   QStringLiteral("Valor marginal")});
    r->addWidget(stock_, 0, 0, 1, 2);
    auto* addI = button(right, "cmdAgregarIngrediente", QStringLiteral("Agregar..."));
    auto* delI = button(right, "cmdQuitarIngrediente", QStringLiteral("Quitar"));
    r->addWidget(addI, 1, 0);
    r->addWidget(delI, 1, 1);
    row->addWidget(left, 2);
    row->addWidget(right, 3);
    connect(addF, &QPushButton::clicked, this, &frmPlanes::addFormula);
    connect(delF, &QPushButton::clicked, this, &frmPlanes::removeFormula);
    connect(addI, &QPushButton::clicked, this, &frmPlanes::addIngredient);
    connect(delI, &QPushButton::clicked, this, &frmPlanes::removeIngredient);
    connect(formulas_, &QTableWidget::cellChanged, this, &frmPlanes::formulaEdited);
    connect(stock_, &QTableWidget::cellChanged, this, &frmPlanes::stockEdited);
    return box;
}

QWidget* frmPlanes::buildResults() {
    auto* box = new QGroupBox(QStringLiteral("Resultado del plan"), this);
    auto* column = new QVBoxLayout(box);
    auto* choice = new QHBoxLayout;
    currentPrices_ = new QRadioButton(QStringLiteral("&Versión más alta, precios actuales"), box);
    currentPrices_->setObjectName(QStringLiteral("optPreciosActuales"));
    currentPrices_->setToolTip(pricesChoiceText(PlanPrices::Current));
    storedPrices_ = new QRadioButton(QStringLiteral("Versión del &plan, precios guardados"), box);
    storedPrices_->setObjectName(QStringLiteral("optPreciosGuardados"));
    storedPrices_->setToolTip(pricesChoiceText(PlanPrices::Stored));
    auto* group = new QButtonGroup(box);
    group->addButton(currentPrices_);
    group->addButton(storedPrices_);
    currentPrices_->setChecked(true);
    choice->addWidget(new QLabel(QStringLiteral("Formular:"), box));
    choice->addWidget(currentPrices_);
    choice->addWidget(storedPrices_);
    choice->addStretch(1);
    column->addLayout(choice);
    outcome_ = new QLabel(box);
    outcome_->setObjectName(QStringLiteral("lblResultado"));
    outcome_->setWordWrap(true);
    outcome_->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
    outcome_->hide();
    column->addWidget(outcome_);
    auto* row = new QHBoxLayout;
    column->addLayout(row, 1);
    results_ = grid(box, "grdResultados",
                    {QStringLiteral("Fórmula"), QStringLiteral("Cantidad (kg)"),
                     QStringLiteral("Costo en el plan"), QStringLiteral("Costo sola"),
                     QStringLiteral("Cambio"), QStringLiteral("Precios")});
    mix_ = grid(box, "grdMezcla",
                {QStringLiteral("Ingrediente"), QStringLiteral("% tal cual"),
                 QStringLiteral("Cantidad tal cual (kg)")});
    row->addWidget(results_, 1);
    row->addWidget(mix_, 1);
    connect(currentPrices_, &QRadioButton::toggled, this, &frmPlanes::pricesChosen);
    connect(results_, &QTableWidget::currentCellChanged, this, &frmPlanes::showMix);
    connect(results_, &QTableWidget::cellDoubleClicked, this, &frmPlanes::openInWorkspace);
    return box;
}

void frmPlanes::loadPlans(int select) {
    filling_ = true;
    plans_->clear();
    for (const PlanHeader& p : listPlans(db_))
        plans_->addItem(p.nombre, p.id);
    const int index = plans_->findData(select);
    plans_->setCurrentIndex(index >= 0 ? index : 0);
    filling_ = false;
    showPlan();
}

int frmPlanes::planId() const {
    return plans_->currentIndex() >= 0 ? plans_->currentData().toInt() : 0;
}

void frmPlanes::showPlan() {
    if (filling_)
        return;
    plan_ = planId() ? loadPlan(db_, planId()) : std::nullopt;
    run_ = PlanRun{};
    filling_ = true;
    formulas_->setRowCount(0);
    stock_->setRowCount(0);
    if (plan_) {
        formulas_->setRowCount(static_cast<int>(plan_->formulas.size()));
        for (int i = 0; i < formulas_->rowCount(); ++i) {
            const PlanFormulaRow& f = plan_->formulas[std::size_t(i)];
            setCell(formulas_, i, 0, f.codigo + QStringLiteral(" - ") + f.producto, false, false);
            setCell(formulas_, i, 1, f.version, false, true);
            setCell(formulas_, i, 2, amountText(f.cantidad), true, true);
        }
        stock_->setRowCount(static_cast<int>(plan_->stock.size()));
        for (int i = 0; i < stock_->rowCount(); ++i) {
            const PlanStockRow& s = plan_->stock[std::size_t(i)];
            setCell(stock_, i, 0, s.nombre, false, false);
            setCell(stock_, i, 1, amountText(s.disponible), true, true);
            setCell(stock_, i, 2, amountText(s.minimoUso), true, true);
            setCell(stock_, i, 3, QString(), false, true);
            setCell(stock_, i, 4, QString(), false, true);
        }
    }
    filling_ = false;
    showResults();
}

void frmPlanes::createPlan() {
    const QString name = newName_->text().trimmed();
    if (name.isEmpty()) {
        msg::msgBox(QStringLiteral("Escriba el nombre del plan nuevo"), msg::Exclamation);
        return;
    }
    const std::optional<int> id = plans::createPlan(db_, name);
    if (!id) {
        msg::msgBox(QStringLiteral("Ya existe un plan con ese nombre"), msg::Exclamation);
        return;
    }
    newName_->clear();
    loadPlans(*id);
}

void frmPlanes::deletePlan() {
    if (!plan_ || msg::msgBox(QStringLiteral("¿Elimina el plan %1?").arg(plan_->header.nombre),
                              msg::QuestionDefaultNo) != msg::Yes)
        return;
    plans::deletePlan(db_, plan_->header.id);
    loadPlans(0);
}

void frmPlanes::addFormula() {
    if (!plan_)
        return;
    formulas::frmformulas pick(db_, keys::ListMode::Pick, this);
    widgets::openModal(pick);
    if (!pick.pick())
        return;
    setPlanFormula(db_, plan_->header.id, *pick.pick(), 1000);
    showPlan();
}

void frmPlanes::removeFormula() {
    const int row = formulas_->currentRow();
    if (!plan_ || row < 0)
        return;
    removePlanFormula(db_, plan_->header.id, plan_->formulas[std::size_t(row)].idFormula);
    showPlan();
}

void frmPlanes::addIngredient() {
    if (!plan_)
        return;
    catalog::frmproductos pick(db_, keys::ListMode::Pick, this);
    widgets::openModal(pick);
    if (!pick.pick() || pick.pick()->id <= 0)
        return;
    // A least use of 0 binds nothing: the row is there for its bounds to be typed.
    PlanStockRow row{pick.pick()->id, pick.pick()->name, std::nullopt, 0.0};
    for (const PlanStockRow& s : plan_->stock)
        if (s.idProducto == row.idProducto)
            return; // already bounded: its cells are there to edit
    setPlanStock(db_, plan_->header.id, row);
    showPlan();
}

void frmPlanes::removeIngredient() {
    const int row = stock_->currentRow();
    if (!plan_ || row < 0)
        return;
    PlanStockRow s = plan_->stock[std::size_t(row)];
    s.disponible.reset();
    s.minimoUso.reset();
    setPlanStock(db_, plan_->header.id, s);
    showPlan();
}

void frmPlanes::formulaEdited(int row, int column) {
    if (filling_ || !plan_ || column != 2)
        return;
    const TypedAmount amount = parseAmount(formulas_->item(row, column)->text());
    const QString problem =
        amount.ok && amount.value ? checkQuantity(*amount.value) : checkQuantity(0);
    if (!problem.isEmpty()) {
        msg::msgBox(problem, msg::Exclamation);
        showPlan();
        return;
    }
    setPlanFormula(db_, plan_->header.id, plan_->formulas[std::size_t(row)].idFormula,
                   *amount.value);
    showPlan();
}

void frmPlanes::stockEdited(int row, int column) {
    if (filling_ || !plan_ || (column != 1 && column != 2))
        return;
    PlanStockRow s = plan_->stock[std::size_t(row)];
    const TypedAmount amount = parseAmount(stock_->item(row, column)->text());
    (column == 1 ? s.disponible : s.minimoUso) = amount.value;
    const QString problem =
        amount.ok ? checkStock(s) : QStringLiteral("Escriba una cantidad no negativa");
    if (!problem.isEmpty()) {
        msg::msgBox(problem, msg::Exclamation);
        showPlan();
        return;
    }
    setPlanStock(db_, plan_->header.id, s);
    showPlan();
}

PlanPrices frmPlanes::chosenPrices() const {
    return storedPrices_->isChecked() ? PlanPrices::Stored : PlanPrices::Current;
}

// A result formulated the other way no longer answers the choice shown.
void frmPlanes::pricesChosen() {
    if (run_.outcome == PlanRunOutcome::Invalid && run_.formulas.empty())
        return;
    run_ = PlanRun{};
    showResults();
}

void frmPlanes::formulate() {
    if (!plan_)
        return;
    widgets::SearchProgress search(this,
                                   QStringLiteral("Buscando el plan que la planta puede pesar…"));
    lp::IntegerLimits limits;
    limits.maxSegundos = kWindowPlanSearchSeconds;
    limits.seguir = [&](long nodos) { return search(nodos); };
    run_ = formulatePlan(db_, *plan_, chosenPrices(), limits);
    search.close();
    showResults();
    if (run_.outcome != PlanRunOutcome::Optimum)
        msg::msgBox(outcomeMessage(run_), msg::Exclamation,
                    QStringLiteral("Se ha detenido la Formulación"));
}

void frmPlanes::showResults() {
    const bool solved = run_.outcome == PlanRunOutcome::Optimum;
    results_->setRowCount(solved ? static_cast<int>(run_.formulas.size()) : 0);
    for (int i = 0; i < results_->rowCount(); ++i) {
        const PlannedFormula& f = run_.formulas[std::size_t(i)];
        setCell(results_, i, 0, f.row.codigo + QStringLiteral(" v") + f.row.version, false, false);
        setCell(results_, i, 1, amountText(f.row.cantidad), false, true);
        setCell(results_, i, 2, costText(f.costoUnitarioHumeda), false, true);
        setCell(results_, i, 3, costText(f.costoSolo), false, true);
        setCell(results_, i, 4, changeText(f), false, true);
        setCell(results_, i, 5, pricesText(f, run_.precios), false, false);
    }
    filling_ = true;
    for (int i = 0; i < stock_->rowCount() && solved; ++i) {
        const PlannedStock& s = run_.stock[std::size_t(i)];
        setCell(stock_, i, 3, amountText(s.usado), false, true);
        setCell(stock_, i, 4, costText(s.valorMarginal), false, true);
    }
    filling_ = false;
    total_->setText(totalText(run_));
    // The outcome stays in sight after its message is closed, the whole message in the tooltip.
    outcome_->setText(outcomeSummary(run_));
    outcome_->setToolTip(outcomeMessage(run_));
    outcome_->setVisible(!outcome_->text().isEmpty());
    save_->setEnabled(solved);
    print_->setEnabled(solved);
    open_->setEnabled(solved);
    if (solved && results_->rowCount() > 0)
        results_->setCurrentCell(0, 0);
    showMix();
}

void frmPlanes::showMix() {
    const int row = results_->currentRow();
    const bool shown = run_.outcome == PlanRunOutcome::Optimum && row >= 0 &&
                       row < static_cast<int>(run_.formulas.size());
    const std::vector<PlannedIngredient> none;
    const std::vector<PlannedIngredient>& mix =
        shown ? run_.formulas[std::size_t(row)].ingredientes : none;
    mix_->setRowCount(static_cast<int>(mix.size()));
    for (int i = 0; i < mix_->rowCount(); ++i) {
        const PlannedIngredient& p = mix[std::size_t(i)];
        setCell(mix_, i, 0, p.nombre, false, false);
        setCell(mix_, i, 1, fmt::format(p.porcentajeHumeda, QStringLiteral("##0.00%")), false,
                true);
        setCell(mix_, i, 2, amountText(p.cantidadHumeda), false, true);
    }
}

void frmPlanes::print() {
    if (!plan_ || run_.outcome != PlanRunOutcome::Optimum)
        return;
    const PlanHeader header = plan_->header;
    printing::savePdfAndOpen(this, QStringLiteral("plan.pdf"), printoutTitle(header),
                             [&](printing::PageCanvas& canvas) { drawPlan(canvas, header, run_); });
}

void frmPlanes::save() {
    if (run_.outcome != PlanRunOutcome::Optimum)
        return;
    try {
        const std::vector<int> ids = savePlan(db_, run_);
        msg::msgBox(savedPlanMessage(ids.size()), msg::Plain);
        save_->setEnabled(false);
    } catch (const store::StoreError& e) {
        msg::msgBox(QStringLiteral("No se pudo grabar el plan: %1").arg(e.message()),
                    msg::Critical);
    }
}

// The workspace opens on the formula as the plan loaded it, with its planned mix in place and
// not saved: its figures, the nutrients the plan moved in green, and its own buttons to adjust
// or save it.
void frmPlanes::openInWorkspace() {
    const int row = results_->currentRow();
    if (run_.outcome != PlanRunOutcome::Optimum || row < 0 ||
        row >= static_cast<int>(run_.formulas.size()))
        return;
    const PlannedFormula& f = run_.formulas[std::size_t(row)];
    workspace::frmoptimizacion window(db_, *f.ws, f.header, this);
    widgets::openModal(window);
}

} // namespace plans
