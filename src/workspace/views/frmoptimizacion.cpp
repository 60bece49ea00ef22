#include "workspace/views/frmoptimizacion.h"

#include "app/busy_pointer.h"
#include "app/grid_style.h"
#include "app/views/grid_binding.h"
#include "workspace/basis_rule.h"
#include "workspace/formula_loader.h"
#include "workspace/unsaved_changes.h"
#include "workspace/views/limits_tab.h"
#include "workspace/views/show_notices.h"
#include "workspace/views/workspace_cell_editors.h"
#include "workspace/views/workspace_grid_painter.h"
#include "workspace/workspace.h"
#include "workspace/workspace_edits.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace workspace {

namespace {

const QString kCaption = QStringLiteral("Optimización de Fórmulas");

QLabel* label(const QString& text, QWidget* parent, const char* name = nullptr) {
    auto* l = new QLabel(text, parent);
    if (name)
        l->setObjectName(QString::fromLatin1(name));
    return l;
}

QRadioButton* option(const char* name, const QString& caption, QWidget* parent) {
    auto* o = new QRadioButton(caption, parent);
    o->setObjectName(QString::fromLatin1(name));
    return o;
}

void paintAlarm(QLineEdit* box, bool alarm) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base, alarm ? grid::colorFromLong(grid::kRed) : QColor(Qt::white));
    p.setColor(QPalette::Text, alarm ? QColor(Qt::white) : QColor(Qt::black));
    box->setPalette(p);
}

} // namespace

frmoptimizacion::frmoptimizacion(store::Database& db, int formulaId, QWidget* parent)
    : QDialog(parent), db_(db), ws_(std::make_unique<Workspace>()) {
    build();
    load(formulaId);
    tabs_->setCurrentIndex(0);
    ingredientGrid_->setFocus(Qt::OtherFocusReason);
}

frmoptimizacion::frmoptimizacion(store::Database& db, const Workspace& opened,
                                 const FormulaHeader& header, QWidget* parent)
    : QDialog(parent), db_(db), ws_(std::make_unique<Workspace>(opened)) {
    build();
    showHeader(header);
    tabs_->setCurrentIndex(0);
    ingredientGrid_->setFocus(Qt::OtherFocusReason);
}

void frmoptimizacion::build() {
    setObjectName(QStringLiteral("frmoptimizacion"));
    setWindowTitle(kCaption);

    auto* main = new QVBoxLayout(this);
    main->addWidget(buildHeader());
    lblAnalisisEntero_ = label(optimizer::kIntegerAnalysisNote, this, "lblAnalisisEntero");
    lblAnalisisEntero_->setWordWrap(true);
    lblAnalisisEntero_->hide();
    main->addWidget(lblAnalisisEntero_);
    auto* middle = new QHBoxLayout;
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("SSTab1"));
    tabs_->addTab(buildIngredientTab(), QStringLiteral("Ingredientes"));
    tabs_->addTab(buildNutrientTab(), QStringLiteral("Base Seca"));
    limitsTab_ = new LimitsTab(
        *ws_, db_, [this](const EditResult& r) { redraw(r); }, this);
    tabs_->addTab(limitsTab_, QStringLiteral("Relaciones y Grupos"));
    middle->addWidget(tabs_, 1);
    middle->addWidget(buildButtons());
    main->addLayout(middle, 1);

    painter_ = new WorkspaceGridPainter(ingredientGrid_, nutrientGrid_, this);
    painter_->addTotal(7, findChild<QLabel*>(QStringLiteral("lblMatSeca")), txtMatSeca_);
    painter_->addTotal(9, findChild<QLabel*>(QStringLiteral("lblCanS")), txtCanS_);
    painter_->addTotal(10, findChild<QLabel*>(QStringLiteral("lblPorS")), txtPorS_);
    painter_->addTotal(12, findChild<QLabel*>(QStringLiteral("lblCanH")), txtCanH_);
    painter_->addTotal(13, findChild<QLabel*>(QStringLiteral("lblPorH")), txtPorH_);
    painter_->addTotal(14, findChild<QLabel*>(QStringLiteral("lblCosTot")), txtCosTot_);
    editors_ = new WorkspaceCellEditors(
        *ws_, db_, *painter_, ingredientGrid_, nutrientGrid_,
        [this](const EditResult& r) { redraw(r); }, this);
    editors_->watchCantidad(txt_cantidad_);

    resize(1180, 720);
}

frmoptimizacion::~frmoptimizacion() = default;

int frmoptimizacion::formulaId() const {
    return ws_->formulaId;
}

QPushButton* frmoptimizacion::button(const char* name, const QString& caption,
                                     const QString& toolTip) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    if (!toolTip.isEmpty())
        b->setToolTip(toolTip);
    return b;
}

QLineEdit* frmoptimizacion::box(const char* name, bool readOnly) {
    auto* b = new QLineEdit(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setReadOnly(readOnly);
    return b;
}

QWidget* frmoptimizacion::buildHeader() {
    auto* header = new QWidget(this);
    auto* grid = new QGridLayout(header);
    grid->setContentsMargins(0, 0, 0, 0);
    txt_Formula_ = box("txt_Formula");
    txt_CodFormula_ = box("txt_CodFormula");
    txt_VerFormula_ = box("txt_VerFormula");
    txt_FecCFormula_ = box("txt_FecCFormula");
    txt_FecMFormula_ = box("txt_FecMFormula");
    txt_cantidad_ = box("txt_cantidad", false);
    for (QLineEdit* b : {txt_VerFormula_, txt_FecCFormula_, txt_FecMFormula_, txt_cantidad_})
        b->setMaximumWidth(110);
    txt_cantidad_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* cmdBuscaFormula = button("cmdBuscaFormula", QStringLiteral("Fórm&ulas"));

    grid->addWidget(label(QStringLiteral("Producto"), header), 0, 0);
    grid->addWidget(txt_Formula_, 0, 1, 1, 5);
    grid->addWidget(cmdBuscaFormula, 0, 6);
    grid->addWidget(label(QStringLiteral("Código"), header), 1, 0);
    grid->addWidget(txt_CodFormula_, 1, 1);
    grid->addWidget(label(QStringLiteral("Versión"), header), 1, 2);
    grid->addWidget(txt_VerFormula_, 1, 3);
    grid->addWidget(label(QStringLiteral("Cantidad a elaborar (kg)"), header), 1, 4);
    grid->addWidget(txt_cantidad_, 1, 5);
    txtMaxIngredientes_ = box("txtMaxIngredientes", false);
    txtMaxIngredientes_->setMaximumWidth(110);
    txtMaxIngredientes_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtMaxIngredientes_->setToolTip(QStringLiteral(
        "Cuántos ingredientes puede tener la mezcla como máximo; vacío: sin límite"));
    chkRedondear_ = new QCheckBox(QStringLiteral("Redondear a la pesada"), header);
    chkRedondear_->setObjectName(QStringLiteral("chkRedondear"));
    chkRedondear_->setToolTip(
        QStringLiteral("Pesar cada ingrediente con paso de pesada en pasos enteros de su balanza"));
    grid->addWidget(label(QStringLiteral("Máx. ingredientes"), header), 2, 4);
    grid->addWidget(txtMaxIngredientes_, 2, 5);
    grid->addWidget(chkRedondear_, 2, 6);
    connect(txtMaxIngredientes_, &QLineEdit::editingFinished, this,
            &frmoptimizacion::maxIngredientesLeft);
    connect(chkRedondear_, &QCheckBox::toggled, this, &frmoptimizacion::roundingChosen);
    grid->addWidget(label(QStringLiteral("Creada"), header), 2, 0);
    grid->addWidget(txt_FecCFormula_, 2, 1);
    grid->addWidget(label(QStringLiteral("Modificada"), header), 2, 2);
    grid->addWidget(txt_FecMFormula_, 2, 3);
    grid->setColumnStretch(1, 1);
    return header;
}

QWidget* frmoptimizacion::buildIngredientTab() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);

    auto* top = new QHBoxLayout;
    auto* basis = new QGroupBox(QStringLiteral("Cantidades de Ingredientes"), page);
    basis->setObjectName(QStringLiteral("Option1"));
    auto* basisLayout = new QHBoxLayout(basis);
    auto* group = new QButtonGroup(basis);
    ingredientBasis_[0] = option("Option1(0)", QStringLiteral("Mat. Seca"), basis);
    ingredientBasis_[1] = option("Option1(1)", QStringLiteral("Mat. Húmeda"), basis);
    for (QRadioButton* o : ingredientBasis_) {
        group->addButton(o);
        basisLayout->addWidget(o);
        connect(o, &QRadioButton::clicked, this, &frmoptimizacion::ingredientBasisChosen);
    }
    top->addWidget(basis);
    top->addStretch(1);
    auto* add = button("Command3", QStringLiteral("+"),
                       QStringLiteral("Ingresar un nuevo Ingrediente a la Fórmula"));
    auto* remove = button("Command2", QStringLiteral("-"),
                          QStringLiteral("Eliminar el Ingrediente de la Fórmula"));
    auto* nutrientes = button("cmdNutrientes", QStringLiteral("&Ver Nutrientes"),
                              QStringLiteral("Visualizar los Nutrientes del Ingrediente"));
    auto* precios = button("cmdActuPrecios", QStringLiteral("Actualizar &Precios"),
                           QStringLiteral("Actualizar los Precios con los valores actuales"));
    auto* mseca = button("cmdActuMSeca", QStringLiteral("Actualizar &M.Seca"),
                         QStringLiteral("Actualizar la Materia Seca con los valores actuales"));
    for (QPushButton* b : {add, remove, nutrientes, precios, mseca})
        top->addWidget(b);
    connect(add, &QPushButton::clicked, this, &frmoptimizacion::pickIngredient);
    connect(remove, &QPushButton::clicked, this, &frmoptimizacion::dropIngredient);
    connect(nutrientes, &QPushButton::clicked, this, &frmoptimizacion::cmdNutrientes_Click);
    connect(precios, &QPushButton::clicked, this, &frmoptimizacion::cmdActuPrecios_Click);
    connect(mseca, &QPushButton::clicked, this, &frmoptimizacion::cmdActuMSeca_Click);
    layout->addLayout(top);

    ingredientGrid_ = new QTableWidget(page);
    ingredientGrid_->setObjectName(QStringLiteral("flexprod"));
    layout->addWidget(ingredientGrid_, 1);

    // The totals lie under the columns they add up; the painter places them.
    auto* totals = new QWidget(page);
    totals->setObjectName(QStringLiteral("totales"));
    totals->setFont(compactFont(totals->font()));
    txtMatSeca_ = box("txtMatSeca");
    txtCanS_ = box("txtCanS");
    txtPorS_ = box("txtPorS");
    txtCanH_ = box("txtCanH");
    txtPorH_ = box("txtPorH");
    txtCosTot_ = box("txtCosTot");
    const std::pair<const char*, QString> labels[] = {{"lblMatSeca", QStringLiteral("% Mat.Seca")},
                                                      {"lblCanS", QStringLiteral("Mat.Seca kg")},
                                                      {"lblPorS", QStringLiteral("%")},
                                                      {"lblCanH", QStringLiteral("Mat.Húmeda kg")},
                                                      {"lblPorH", QStringLiteral("%")},
                                                      {"lblCosTot", QStringLiteral("Costo Total")}};
    for (const auto& [name, text] : labels) {
        QLabel* l = label(text, totals, name);
        l->setAlignment(Qt::AlignRight | Qt::AlignBottom);
        QFont small = l->font();
        small.setPointSizeF(7.5); // each caption fits the width of its column
        l->setFont(small);
    }
    for (QLineEdit* b : {txtMatSeca_, txtCanS_, txtPorS_, txtCanH_, txtPorH_, txtCosTot_}) {
        b->setParent(totals);
        b->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    totals->setFixedHeight(txtCanS_->sizeHint().height() + totals->fontMetrics().height() + 6);
    layout->addWidget(totals);

    auto* costs = new QHBoxLayout;
    txtCosH_ = box("txtCosH");
    txtCosS_ = box("txtCosS");
    costs->addStretch(1);
    costs->addWidget(label(QStringLiteral("Costo U.Húmeda"), page));
    costs->addWidget(txtCosH_);
    costs->addWidget(label(QStringLiteral("Costo U. Seca"), page));
    costs->addWidget(txtCosS_);
    for (QLineEdit* b : {txtCosH_, txtCosS_}) {
        b->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        b->setMaximumWidth(130);
    }
    layout->addLayout(costs);

    // A formula with weighing conditions: what they cost, and how far the search went.
    integerCosts_ = new QWidget(page);
    integerCosts_->setObjectName(QStringLiteral("costosEnteros"));
    auto* integer = new QHBoxLayout(integerCosts_);
    integer->setContentsMargins(0, 0, 0, 0);
    txtCostoSinRedondeo_ = box("txtCostoSinRedondeo");
    txtCostoRedondeo_ = box("txtCostoRedondeo");
    txtBrecha_ = box("txtBrecha");
    integer->addStretch(1);
    integer->addWidget(label(QStringLiteral("Costo sin redondeo"), integerCosts_));
    integer->addWidget(txtCostoSinRedondeo_);
    integer->addWidget(label(QStringLiteral("Costo del redondeo"), integerCosts_));
    integer->addWidget(txtCostoRedondeo_);
    integer->addWidget(label(QStringLiteral("Brecha"), integerCosts_, "lblBrecha"));
    integer->addWidget(txtBrecha_);
    for (QLineEdit* b : {txtCostoSinRedondeo_, txtCostoRedondeo_, txtBrecha_}) {
        b->setParent(integerCosts_);
        b->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        b->setMaximumWidth(130);
    }
    integerCosts_->hide();
    layout->addWidget(integerCosts_);
    return page;
}

QWidget* frmoptimizacion::buildNutrientTab() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    auto* explanation =
        label(QStringLiteral("Indique el Tipo de Base utilizada para expresar los nutrientes de la "
                             "fórmula"),
              page);
    explanation->setWordWrap(true);
    top->addWidget(explanation, 1);
    auto* basis = new QGroupBox(page);
    basis->setObjectName(QStringLiteral("Option2"));
    auto* basisLayout = new QHBoxLayout(basis);
    auto* group = new QButtonGroup(basis);
    nutrientBasis_[0] = option("Option2(0)", QStringLiteral("Base Seca"), basis);
    nutrientBasis_[1] = option("Option2(1)", QStringLiteral("Base Húmeda"), basis);
    for (QRadioButton* o : nutrientBasis_) {
        group->addButton(o);
        basisLayout->addWidget(o);
        connect(o, &QRadioButton::clicked, this, &frmoptimizacion::nutrientBasisChosen);
    }
    top->addWidget(basis);
    auto* add = button("Command4", QStringLiteral("+"),
                       QStringLiteral("Ingresar un nuevo Nutriente a la Fórmula"));
    auto* remove = button("Command5", QStringLiteral("-"),
                          QStringLiteral("Eliminar el Nutriente de la Fórmula"));
    top->addWidget(add);
    top->addWidget(remove);
    connect(add, &QPushButton::clicked, this, &frmoptimizacion::pickNutrientRow);
    connect(remove, &QPushButton::clicked, this, &frmoptimizacion::dropNutrient);
    layout->addLayout(top);

    nutrientGrid_ = new QTableWidget(page);
    nutrientGrid_->setObjectName(QStringLiteral("flexprop"));
    layout->addWidget(nutrientGrid_, 1);
    return page;
}

QWidget* frmoptimizacion::buildButtons() {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    struct ButtonDef {
        const char* name;
        QString caption;
        QString toolTip;
        void (frmoptimizacion::*slot)();
    };
    const ButtonDef buttons[] = {
        {"cmdFormular", QStringLiteral("&Formular Mínimo Costo"),
         QStringLiteral("Efectuar Formulación de Mínimo Costo"),
         &frmoptimizacion::cmdFormular_Click},
        {"Command1", QStringLiteral("&Análisis de Resultados"), {}, &frmoptimizacion::showAnalysis},
        {"cmdComposicion", QStringLiteral("&Composición"),
         QStringLiteral("Detalle de composición de la Fórmula"),
         &frmoptimizacion::cmdComposicion_Click},
        {"cmdRangos", QStringLiteral("Ra&ngos"),
         QStringLiteral("Costo y mezcla al mover un precio o un límite"),
         &frmoptimizacion::cmdRangos_Click},
        {"cmdCurva", QStringLiteral("Curva &de Compromiso"),
         QStringLiteral("Menor costo frente a un segundo objetivo: fósforo, nitrógeno, huella"),
         &frmoptimizacion::showTradeoffCurve},
        {"cmdGraficos", QStringLiteral("Gráfic&os"),
         QStringLiteral("Nutrientes frente a sus límites y costo por ingrediente"),
         &frmoptimizacion::cmdGraficos_Click},
        {"cmdRecalcular",
         QStringLiteral("&Recalcular Valores"),
         {},
         &frmoptimizacion::cmdRecalcular_Click},
        {"Command6",
         QStringLiteral("Guardar como Ingredi&ente"),
         {},
         &frmoptimizacion::saveAsIngredient},
        {"cmdImprimir", QStringLiteral("&Imprimir"), {}, &frmoptimizacion::cmdImprimir_Click},
        {"cmdUpdate", QStringLiteral("&Grabar"), {}, &frmoptimizacion::cmdUpdate_Click},
        {"cmdCancel", QStringLiteral("Cance&lar"), {}, &frmoptimizacion::cmdCancel_Click},
        {"cmdClose", QStringLiteral("&Salir"), {}, &frmoptimizacion::cmdClose_Click},
    };
    for (const ButtonDef& s : buttons) {
        if (QLatin1String(s.name) == QLatin1String("cmdUpdate"))
            layout->addSpacing(24);
        QPushButton* b = button(s.name, s.caption, s.toolTip);
        b->setParent(panel);
        layout->addWidget(b);
        connect(b, &QPushButton::clicked, this, s.slot);
    }
    layout->addStretch(1);
    return panel;
}

void frmoptimizacion::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // The busy pointer is given back by the guard of whatever showed it, on every way out.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        setWindowTitle(kCaption);
}

// An Esc that no in-grid editor took (for instance right after a refused value hid the editor)
// would close the window and drop every edit unasked: here it does nothing. "&Salir" and the
// window's close button leave.
void frmoptimizacion::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmoptimizacion::load(int formulaId) {
    LoadedFormula loaded = loadFormula(db_, formulaId);
    if (loaded.refusal)
        showNotices({*loaded.refusal});
    showNotices(loaded.notices);
    adoptLoaded(*ws_, std::move(loaded.ws), loaded.refusal ? 0 : formulaId);
    chance_.forget(); // of the formula shown before, if any
    markSaved();      // before the grids are painted: nothing is edited yet
    showHeader(loaded.header);
}

void frmoptimizacion::markSaved() {
    saved_ = std::make_unique<SavedState>(savedState(*ws_));
}

void frmoptimizacion::showHeader(const FormulaHeader& header) {
    txt_Formula_->setText(header.producto);
    txt_CodFormula_->setText(header.codigo);
    txt_VerFormula_->setText(header.version);
    txt_FecCFormula_->setText(header.fechaCreacion);
    txt_FecMFormula_->setText(header.fechaModificacion);
    if (header.figures)
        showFigures(*header.figures);
    else
        clearFigures();
    txt_cantidad_->setText(header.figures ? header.figures->cantidadText : header.cantidad);
    showWeighingOptions();
    showIntegerResult(std::nullopt);
    syncOptions();
    actuBaseNut();
    paintAll(true);
}

void frmoptimizacion::showFigures(const ResultFigures& f) {
    txtMatSeca_->setText(f.txtMatSeca);
    txtCanS_->setText(f.txtCanS);
    txtPorS_->setText(f.txtPorS);
    txtCanH_->setText(f.txtCanH);
    txtPorH_->setText(f.txtPorH);
    txtCosTot_->setText(f.txtCosTot);
    txtCosH_->setText(f.txtCosH);
    txtCosS_->setText(f.txtCosS);
    paintAlarm(txtPorH_, f.porHAlarm);
    paintAlarm(txtPorS_, f.porSAlarm);
    txt_cantidad_->setText(f.cantidadText);
}

void frmoptimizacion::clearFigures() {
    for (QLineEdit* b :
         {txtMatSeca_, txtCanS_, txtPorS_, txtCanH_, txtPorH_, txtCosTot_, txtCosH_, txtCosS_})
        b->clear();
    paintAlarm(txtPorH_, false);
    paintAlarm(txtPorS_, false);
}

void frmoptimizacion::showWeighingOptions() {
    txtMaxIngredientes_->setText(ws_->maxIngredientes ? QString::number(*ws_->maxIngredientes)
                                                      : QString());
    const QSignalBlocker quiet(chkRedondear_);
    chkRedondear_->setChecked(ws_->redondear);
}

void frmoptimizacion::maxIngredientesLeft() {
    const EditResult r = editMaxIngredientes(*ws_, txtMaxIngredientes_->text());
    showNotices(r.notices);
    if (!r.stored)
        showWeighingOptions(); // the refused text gives way to the count in force
}

void frmoptimizacion::roundingChosen(bool redondear) {
    setRounding(*ws_, redondear);
}

void frmoptimizacion::showIntegerResult(const std::optional<optimizer::IntegerFigures>& entero) {
    integerCosts_->setVisible(entero.has_value());
    lblAnalisisEntero_->setVisible(entero.has_value());
    if (!entero)
        return;
    const optimizer::IntegerResultTexts t = optimizer::integerResultTexts(*entero);
    txtCostoSinRedondeo_->setText(t.costoSinRedondeo);
    txtCostoRedondeo_->setText(t.costoRedondeo);
    txtBrecha_->setText(t.brecha);
    txtBrecha_->setVisible(!t.brecha.isEmpty());
    findChild<QLabel*>(QStringLiteral("lblBrecha"))->setVisible(!t.brecha.isEmpty());
}

void frmoptimizacion::actuBaseNut() {
    tabs_->setTabText(1, nutrientTabCaption(*ws_));
}

void frmoptimizacion::syncOptions() {
    ingredientBasis_[ws_->ingredientsDry ? 0 : 1]->setChecked(true);
    nutrientBasis_[ws_->nutrientsDry ? 0 : 1]->setChecked(true);
}

void frmoptimizacion::redraw(const EditResult& r) {
    showNotices(r.notices);
    if (r.figures) {
        showFigures(*r.figures);
        paintAll(false);
        return;
    }
    if (r.ingredientGrid)
        painter_->paintIngredients(*ws_);
    if (r.nutrientGrid)
        painter_->paintNutrients(*ws_, false, saved_.get());
    if (r.limitGrids)
        limitsTab_->paint();
}

void frmoptimizacion::paintAll(bool justLoaded) {
    painter_->paintIngredients(*ws_);
    painter_->paintNutrients(*ws_, justLoaded, saved_.get());
    limitsTab_->paint();
}

} // namespace workspace
