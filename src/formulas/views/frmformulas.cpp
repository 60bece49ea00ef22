#include "formulas/views/frmformulas.h"

#include "app/busy_pointer.h"
#include "app/data_error.h"
#include "app/messages.h"
#include "app/views/errores.h"
#include "app/views/grid_binding.h"
#include "app/views/keyboard_rules.h"
#include "app/views/modal.h"
#include "app/views/named_widgets.h"
#include "catalog/views/frmproductos.h"
#include "catalog/views/frmpropiedades.h"
#include "formulas/formula_messages.h"
#include "formulas/formula_search.h"
#include "printing/views/report_preview.h"
#include "store/database.h"
#include "workspace/views/frmoptimizacion.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace formulas {

namespace {

QLineEdit* lineEdit(QWidget* parent, const char* name, int maxLength = 100) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaxLength(maxLength);
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = widgets::button(parent, name, caption);
    // A click leaves the focus where it was, so a date box being left is checked once, by the
    // action itself, and not again by a second message over the first.
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QLabel* label(QWidget* parent, const QString& text) {
    return new QLabel(text, parent);
}

// A pick list opens 250 twips to the right of and below its opener.
QPoint pickPosition(const QWidget* opener) {
    const int offset = grid::twipsToPixels(250, opener->logicalDpiX());
    return opener->pos() + QPoint(offset, offset);
}

} // namespace

frmformulas::frmformulas(store::Database& db, keys::ListMode mode, QWidget* parent)
    : QDialog(parent), db_(db), mode_(mode) {
    setObjectName(QStringLiteral("frmformulas"));
    setWindowTitle(texts::kListCaption);
    buildControls();
    connectControls();

    const bool picking = mode_ == keys::ListMode::Pick;
    for (QPushButton* b : {cmdAdd, cmdEditar, cmdDelete, cmdPrint, cmdClose})
        b->setVisible(!picking);
    Command3->setVisible(picking);
    Command4->setVisible(picking);

    nutrientId_ = 0;
    ingredientId_ = 0;
    loading_ = true;
    Command1_Click();
    loading_ = false;
    resize(780, 560);
}

frmformulas::~frmformulas() = default;

void frmformulas::buildControls() {
    auto* Frame1 = new QGroupBox(QStringLiteral("Búsqueda"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Text1 = lineEdit(Frame1, "Text1", 20);
    Text2 = lineEdit(Frame1, "Text2", 20);
    Text3 = lineEdit(Frame1, "Text3");
    Text4 = lineEdit(Frame1, "Text4", 10);
    Text5 = lineEdit(Frame1, "Text5", 10);
    Text12 = lineEdit(Frame1, "Text12", 10);
    Text13 = lineEdit(Frame1, "Text13", 10);
    Text6 = lineEdit(Frame1, "Text6");
    Text7 = lineEdit(Frame1, "Text7", 30);
    Text8 = lineEdit(Frame1, "Text8", 30);
    Text11 = lineEdit(Frame1, "Text11");
    // The chosen nutrient and ingredient are set by their "..." buttons only.
    for (QLineEdit* chosen : {Text6, Text11}) {
        chosen->setReadOnly(true);
        chosen->setFocusPolicy(Qt::ClickFocus);
    }
    Command9 = button(Frame1, "Command9", QStringLiteral("..."));
    Command5 = button(Frame1, "Command5", QStringLiteral("..."));
    for (QPushButton* pick : {Command9, Command5}) {
        pick->setToolTip(texts::kPickToolTip);
        pick->setFixedWidth(pick->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    }
    Command1 = button(Frame1, "Command1", QStringLiteral("&Buscar"));
    Command2 = button(Frame1, "Command2", QStringLiteral("&Limpiar"));

    auto* panel = new QGridLayout(Frame1);
    panel->addWidget(label(Frame1, QStringLiteral("Código")), 0, 0);
    panel->addWidget(Text1, 0, 1);
    panel->addWidget(Text2, 0, 2, 1, 2);
    panel->addWidget(label(Frame1, QStringLiteral("Creación")), 0, 4);
    panel->addWidget(Text4, 0, 5);
    panel->addWidget(Text5, 0, 6);
    panel->addWidget(label(Frame1, QStringLiteral("Producto")), 1, 0);
    panel->addWidget(Text3, 1, 1, 1, 3);
    panel->addWidget(label(Frame1, QStringLiteral("Modificación")), 1, 4);
    panel->addWidget(Text12, 1, 5);
    panel->addWidget(Text13, 1, 6);
    panel->addWidget(label(Frame1, QStringLiteral("Nutriente")), 2, 0);
    panel->addWidget(Text6, 2, 1, 1, 2);
    panel->addWidget(Command9, 2, 3);
    panel->addWidget(label(Frame1, QStringLiteral("Valor")), 2, 4);
    panel->addWidget(Text7, 2, 5);
    panel->addWidget(Text8, 2, 6);
    panel->addWidget(label(Frame1, QStringLiteral("Ingrediente")), 3, 0);
    panel->addWidget(Text11, 3, 1, 1, 2);
    panel->addWidget(Command5, 3, 3);
    auto* searchButtons = new QHBoxLayout;
    searchButtons->addStretch();
    searchButtons->addWidget(Command1);
    searchButtons->addWidget(Command2);
    panel->addLayout(searchButtons, 3, 4, 1, 3);
    panel->setColumnStretch(1, 2);
    panel->setColumnStretch(2, 2);
    panel->setColumnStretch(5, 1);
    panel->setColumnStretch(6, 1);

    FlexGrid1 = widgets::named<QTableWidget>(this, "FlexGrid1");
    FlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    binding_ = new GridBinding(FlexGrid1);
    binding_->setColumns(formulaColumns());
    binding_->setFillColumn(kProductColumn);

    cmdAdd = button(this, "cmdAdd", QStringLiteral("&Nuevo"));
    cmdEditar = button(this, "cmdEditar", QStringLiteral("E&ditar"));
    cmdDelete = button(this, "cmdDelete", QStringLiteral("&Eliminar"));
    cmdPrint = button(this, "cmdPrint", QStringLiteral("&Imprimir"));
    cmdClose = button(this, "cmdClose", QStringLiteral("&Salir"));
    Command4 = button(this, "Command4", QStringLiteral("Aceptar"));
    Command3 = button(this, "Command3", QStringLiteral("Cancelar"));

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdAdd, cmdEditar, cmdDelete, cmdPrint})
        buttons->addWidget(b);
    buttons->addStretch();
    for (QPushButton* b : {Command4, Command3, cmdClose})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(FlexGrid1, 1);
    layout->addLayout(buttons);
}

void frmformulas::connectControls() {
    connect(Command1, &QPushButton::clicked, this, &frmformulas::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmformulas::Command2_Click);
    connect(Command9, &QPushButton::clicked, this, &frmformulas::Command9_Click);
    connect(Command5, &QPushButton::clicked, this, &frmformulas::Command5_Click);
    connect(cmdAdd, &QPushButton::clicked, this, &frmformulas::cmdAdd_Click);
    connect(cmdEditar, &QPushButton::clicked, this, &frmformulas::cmdEditar_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmformulas::cmdDelete_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmformulas::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(Command3, &QPushButton::clicked, this, &frmformulas::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmformulas::Command4_Click);

    keys::searchOnEnter(
        {Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8, Text11, Text12, Text13},
        [this] { Command1_Click(); });
    for (QLineEdit* date : {Text4, Text5, Text12, Text13})
        keys::dateFieldRule(date);
    keys::escapeRunsCancel(this, Command3);
    keys::listGridActivation(
        FlexGrid1, [this] { return mode_; }, cmdEditar, Command4);
}

void frmformulas::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Text3->setFocus(Qt::OtherFocusReason);
}

void frmformulas::Command1_Click() {
    FormulaFilter filter;
    filter.codeFrom = Text1->text();
    filter.codeTo = Text2->text();
    filter.product = Text3->text();
    filter.createdFrom = Text4->text();
    filter.createdTo = Text5->text();
    filter.modifiedFrom = Text12->text();
    filter.modifiedTo = Text13->text();
    filter.nutrientId = nutrientId_;
    filter.valueFrom = Text7->text();
    filter.valueTo = Text8->text();
    filter.ingredientId = ingredientId_;
    if (const auto problem = checkFilter(filter)) {
        msg::msgBox(problem->message, msg::Critical);
        if (auto* box = findChild<QLineEdit*>(problem->field)) {
            box->activateWindow();
            box->setFocus(Qt::OtherFocusReason);
            box->selectAll();
        }
        return;
    }
    runStatement(searchStatement(filter));
}

void frmformulas::runStatement(const QString& sql) {
    app::BusyPointer busy;
    statement_ = sql;
    try {
        rows_ = db_.query(sql);
    } catch (const store::StoreError& e) {
        busy.release();
        showDataError(e.message());
        return;
    }
    actu_flexgrid1();
}

void frmformulas::requery() {
    if (!statement_.isEmpty())
        runStatement(statement_);
}

// The widths of the list are minimums: a code, a version or a date wider than its column in
// this font widens the column, so no figure is cut.
std::vector<grid::Column> frmformulas::fittedColumns() const {
    std::vector<grid::Column> columns = formulaColumns();
    const QFontMetrics body(FlexGrid1->font());
    const QFontMetrics header(FlexGrid1->horizontalHeader()->font());
    const double dpi = FlexGrid1->logicalDpiX();
    for (int c = 0; c < int(columns.size()); ++c) {
        grid::Column& column = columns[size_t(c)];
        if (column.widthTwips <= 0 || c == kProductColumn)
            continue;
        int pixels = header.horizontalAdvance(column.caption) + 16;
        for (int r = 0; r < rows_.count() && c < rows_.fieldCount(); ++r)
            pixels = std::max(
                pixels, body.horizontalAdvance(grid::cellText(rows_.valueAt(r, c), column)) + 12);
        column.widthTwips = std::max(column.widthTwips, grid::pixelsToTwips(pixels, dpi));
    }
    return columns;
}

void frmformulas::actu_flexgrid1() {
    binding_->setColumns(fittedColumns());
    binding_->bind(rows_);
    if (rows_.count() == 0)
        return;
    if (!loading_)
        FlexGrid1->setFocus(Qt::OtherFocusReason);
    FlexGrid1->setCurrentCell(0, 1);
    FlexGrid1->selectRow(0);
}

int frmformulas::currentRow() const {
    const int row = FlexGrid1->currentRow();
    return row >= 0 && row < rows_.count() && row < FlexGrid1->rowCount() ? row : -1;
}

void frmformulas::Command2_Click() {
    for (QLineEdit* box :
         {Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8, Text11, Text12, Text13})
        box->clear();
    nutrientId_ = 0;
    ingredientId_ = 0;
    // Nothing is listed any more, so nothing is left to print either.
    rows_ = store::RecordSet();
    binding_->clear();
}

void frmformulas::Command9_Click() {
    std::optional<catalog::NutrientPick> picked;
    {
        catalog::frmpropiedades pick(db_, keys::ListMode::Pick, this);
        pick.move(pickPosition(this));
        widgets::openModal(pick);
        picked = pick.pick();
    }
    if (!picked || picked->id < 1) {
        nutrientId_ = 0;
        Text6->clear();
    } else {
        nutrientId_ = picked->id;
        Text6->setText(picked->name);
    }
}

void frmformulas::Command5_Click() {
    std::optional<catalog::IngredientPick> picked;
    {
        catalog::frmproductos pick(db_, keys::ListMode::Pick, this);
        pick.move(pickPosition(this));
        widgets::openModal(pick);
        picked = pick.pick();
    }
    if (!picked || picked->id < 1) {
        ingredientId_ = 0;
        Text11->clear();
    } else {
        ingredientId_ = picked->id;
        Text11->setText(picked->name);
    }
}

void frmformulas::openWorkspace(int formulaId) {
    {
        app::BusyPointer busy; // while the workspace loads the formula
        workspace::frmoptimizacion window(db_, formulaId, this);
        busy.release();
        widgets::openModal(window);
    }
    requery();
}

void frmformulas::cmdAdd_Click() {
    openWorkspace(0);
}

void frmformulas::cmdEditar_Click() {
    const int row = currentRow();
    if (row < 0)
        return;
    openWorkspace(rows_.valueAt(row, 0).toInt());
}

void frmformulas::cmdDelete_Click() {
    const int row = currentRow();
    if (row < 0)
        return;
    const int id = rows_.valueAt(row, 0).toInt();
    const QString code = rows_.valueAt(row, 1).toString().trimmed();
    if (msg::msgBox(texts::deleteQuestion(code), msg::Question) != msg::Yes)
        return;
    try {
        app::BusyPointer busy;
        deleteFormula(db_, id);
    } catch (const store::DamagedFileError& e) {
        msg::msgBox(e.message(), msg::Critical); // says how to recover the file
    } catch (const store::StoreError&) {
        msg::msgBox(texts::kDeleteFailed, msg::Critical);
    }
    requery();
}

void frmformulas::cmdPrint_Click() {
    if (!cmdPrint->isEnabled() || rows_.count() == 0)
        return;
    printing::previewFormulaReport(rows_, this);
}

void frmformulas::Command3_Click() {
    pick_.reset();
    reject();
}

void frmformulas::Command4_Click() {
    const int row = currentRow();
    if (row < 0)
        return;
    pick_ = rows_.valueAt(row, 0).toInt();
    accept();
}

void frmformulas::showDataError(const QString& description) {
    app::errores box(app::reportDataError(0, description), this);
    widgets::openModal(box);
}

} // namespace formulas
