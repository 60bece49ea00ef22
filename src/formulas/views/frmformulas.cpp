#include "formulas/views/frmformulas.h"

#include "app/busy_pointer.h"
#include "app/data_error.h"
#include "app/message_styles.h"
#include "app/messages.h"
#include "app/views/errores.h"
#include "app/views/grid_binding.h"
#include "app/views/keyboard_rules.h"
#include "app/views/modal.h"
#include "book/views/frmComparar.h"
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
#include <algorithm>

namespace formulas {

namespace {

QLineEdit* lineEdit(QWidget* parent, const char* name, int maxLength = 100) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaxLength(maxLength);
    return box;
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
    : SearchListDialog(formulaList(), mode, parent), db_(db) {
    buildSearchPanel();
    buildList();
    listGrid->setSelectionMode(QAbstractItemView::ExtendedSelection); // two rows to compare
    connectControls();

    nutrientId_ = 0;
    ingredientId_ = 0;
    loading_ = true;
    try {
        withMark_ = keepsBrokenLimits(db_);
    } catch (const store::StoreError&) {
        withMark_ = false; // the list's own statement then says what is wrong
    }
    runStatement(searchStatement(FormulaFilter{}, withMark_));
    loading_ = false;
}

frmformulas::~frmformulas() = default;

void frmformulas::buildSearchPanel() {
    QWidget* box = searchPanel;
    codeFrom = lineEdit(box, "Text1", 20);
    codeTo = lineEdit(box, "Text2", 20);
    productText = lineEdit(box, "Text3");
    createdFrom = lineEdit(box, "Text4", 10);
    createdTo = lineEdit(box, "Text5", 10);
    modifiedFrom = lineEdit(box, "Text12", 10);
    modifiedTo = lineEdit(box, "Text13", 10);
    nutrientName = lineEdit(box, "Text6");
    valueFrom = lineEdit(box, "Text7", 30);
    valueTo = lineEdit(box, "Text8", 30);
    ingredientName = lineEdit(box, "Text11");
    // The chosen nutrient and ingredient are set by their "..." buttons only.
    for (QLineEdit* chosen : {nutrientName, ingredientName}) {
        chosen->setReadOnly(true);
        chosen->setFocusPolicy(Qt::ClickFocus);
    }
    nutrientButton = makeButton(box, "Command9", QStringLiteral("..."));
    ingredientButton = makeButton(box, "Command5", QStringLiteral("..."));
    for (QPushButton* pick : {nutrientButton, ingredientButton}) {
        pick->setToolTip(texts::kPickToolTip);
        pick->setFixedWidth(pick->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    }
    searchButton = makeButton(box, "Command1", QStringLiteral("&Buscar"));
    clearButton = makeButton(box, "Command2", QStringLiteral("&Limpiar"));

    auto* panel = new QGridLayout(box);
    panel->addWidget(label(box, QStringLiteral("Código")), 0, 0);
    panel->addWidget(codeFrom, 0, 1);
    panel->addWidget(codeTo, 0, 2, 1, 2);
    panel->addWidget(label(box, QStringLiteral("Creación")), 0, 4);
    panel->addWidget(createdFrom, 0, 5);
    panel->addWidget(createdTo, 0, 6);
    panel->addWidget(label(box, QStringLiteral("Producto")), 1, 0);
    panel->addWidget(productText, 1, 1, 1, 3);
    panel->addWidget(label(box, QStringLiteral("Modificación")), 1, 4);
    panel->addWidget(modifiedFrom, 1, 5);
    panel->addWidget(modifiedTo, 1, 6);
    panel->addWidget(label(box, QStringLiteral("Nutriente")), 2, 0);
    panel->addWidget(nutrientName, 2, 1, 1, 2);
    panel->addWidget(nutrientButton, 2, 3);
    panel->addWidget(label(box, QStringLiteral("Valor")), 2, 4);
    panel->addWidget(valueFrom, 2, 5);
    panel->addWidget(valueTo, 2, 6);
    panel->addWidget(label(box, QStringLiteral("Ingrediente")), 3, 0);
    panel->addWidget(ingredientName, 3, 1, 1, 2);
    panel->addWidget(ingredientButton, 3, 3);
    auto* searchButtons = new QHBoxLayout;
    searchButtons->addStretch();
    searchButtons->addWidget(searchButton);
    searchButtons->addWidget(clearButton);
    panel->addLayout(searchButtons, 3, 4, 1, 3);
    panel->setColumnStretch(1, 2);
    panel->setColumnStretch(2, 2);
    panel->setColumnStretch(5, 1);
    panel->setColumnStretch(6, 1);
}

void frmformulas::connectControls() {
    connect(searchButton, &QPushButton::clicked, this, &frmformulas::search);
    connect(clearButton, &QPushButton::clicked, this, &frmformulas::clearSearch);
    connect(nutrientButton, &QPushButton::clicked, this, &frmformulas::chooseNutrient);
    connect(ingredientButton, &QPushButton::clicked, this, &frmformulas::chooseIngredient);
    connect(extraButton(QStringLiteral("cmdComparar")), &QPushButton::clicked, this,
            &frmformulas::compareRows);

    keys::searchOnEnter({codeFrom, codeTo, productText, createdFrom, createdTo, nutrientName,
                         valueFrom, valueTo, ingredientName, modifiedFrom, modifiedTo},
                        [this] { search(); });
    for (QLineEdit* date : {createdFrom, createdTo, modifiedFrom, modifiedTo})
        keys::dateFieldRule(date);
}

void frmformulas::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    productText->setFocus(Qt::OtherFocusReason);
}

void frmformulas::search() {
    FormulaFilter filter;
    filter.codeFrom = codeFrom->text();
    filter.codeTo = codeTo->text();
    filter.product = productText->text();
    filter.createdFrom = createdFrom->text();
    filter.createdTo = createdTo->text();
    filter.modifiedFrom = modifiedFrom->text();
    filter.modifiedTo = modifiedTo->text();
    filter.nutrientId = nutrientId_;
    filter.valueFrom = valueFrom->text();
    filter.valueTo = valueTo->text();
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
    runStatement(searchStatement(filter, withMark_));
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
    showRows();
}

void frmformulas::requery() {
    if (!statement_.isEmpty())
        runStatement(statement_);
}

// The widths of the list are minimums: a code, a version or a date wider than its column in
// this font widens the column, so no figure is cut.
std::vector<grid::Column> frmformulas::fittedColumns() const {
    std::vector<grid::Column> columns = formulaColumns();
    const QFontMetrics body(listGrid->font());
    const QFontMetrics header(listGrid->horizontalHeader()->font());
    const double dpi = listGrid->logicalDpiX();
    for (int c = 0; c < int(columns.size()); ++c) {
        grid::Column& column = columns[size_t(c)];
        if (column.widthTwips <= 0 || c == kProductColumn || c == kMarkColumn)
            continue;
        int pixels = header.horizontalAdvance(column.caption) + 16;
        for (int r = 0; r < rows_.count() && c < rows_.fieldCount(); ++r)
            pixels = std::max(
                pixels, body.horizontalAdvance(grid::cellText(rows_.valueAt(r, c), column)) + 12);
        column.widthTwips = std::max(column.widthTwips, grid::pixelsToTwips(pixels, dpi));
    }
    return columns;
}

void frmformulas::showRows() {
    binding->show(formulaGrid(rows_, fittedColumns()));
    if (QTableWidgetItem* caption = listGrid->horizontalHeaderItem(kMarkColumn))
        caption->setToolTip(kMarkLegend);
    for (int r = 0; r < listGrid->rowCount() && r < rows_.count(); ++r)
        if (QTableWidgetItem* mark = listGrid->item(r, kMarkColumn))
            mark->setToolTip(markToolTip(rows_.valueAt(r, kMarkColumn).toString()));
    if (rows_.count() == 0)
        return;
    if (!loading_)
        listGrid->setFocus(Qt::OtherFocusReason);
    listGrid->setCurrentCell(0, 1);
    listGrid->selectRow(0);
}

int frmformulas::currentRow() const {
    const int row = listGrid->currentRow();
    return row >= 0 && row < rows_.count() && row < listGrid->rowCount() ? row : -1;
}

void frmformulas::clearSearch() {
    for (QLineEdit* box : {codeFrom, codeTo, productText, createdFrom, createdTo, nutrientName,
                           valueFrom, valueTo, ingredientName, modifiedFrom, modifiedTo})
        box->clear();
    nutrientId_ = 0;
    ingredientId_ = 0;
    // Nothing is listed any more, so nothing is left to print either.
    rows_ = store::RecordSet();
    binding->clear();
}

void frmformulas::chooseNutrient() {
    std::optional<catalog::NutrientPick> picked;
    {
        catalog::frmpropiedades pick(db_, keys::ListMode::Pick, this);
        pick.move(pickPosition(this));
        widgets::openModal(pick);
        picked = pick.pick();
    }
    if (!picked || picked->id < 1) {
        nutrientId_ = 0;
        nutrientName->clear();
    } else {
        nutrientId_ = picked->id;
        nutrientName->setText(picked->name);
    }
}

void frmformulas::chooseIngredient() {
    std::optional<catalog::IngredientPick> picked;
    {
        catalog::frmproductos pick(db_, keys::ListMode::Pick, this);
        pick.move(pickPosition(this));
        widgets::openModal(pick);
        picked = pick.pick();
    }
    if (!picked || picked->id < 1) {
        ingredientId_ = 0;
        ingredientName->clear();
    } else {
        ingredientId_ = picked->id;
        ingredientName->setText(picked->name);
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

// Two versions of one code, or two formulas, as they were saved; the older one on the left.
void frmformulas::compareRows() {
    std::vector<int> ids;
    for (const QModelIndex& index : listGrid->selectionModel()->selectedRows())
        if (index.row() < rows_.count())
            ids.push_back(rows_.valueAt(index.row(), 0).toInt());
    if (ids.size() != 2) {
        msg::msgBox(QStringLiteral("Seleccione dos fórmulas de la lista para compararlas "
                                   "(Ctrl + clic en la segunda)."),
                    msg::Exclamation);
        return;
    }
    std::sort(ids.begin(), ids.end());
    book::compareStored(db_, ids[0], ids[1], this);
}

void frmformulas::addRow() {
    openWorkspace(0);
}

void frmformulas::editRow() {
    const int row = currentRow();
    if (row < 0)
        return;
    openWorkspace(rows_.valueAt(row, 0).toInt());
}

void frmformulas::deleteRow() {
    const int row = currentRow();
    if (row < 0)
        return;
    const int id = rows_.valueAt(row, 0).toInt();
    const QString code = rows_.valueAt(row, 1).toString().trimmed();
    if (msg::msgBox(texts::deleteQuestion(code), msg::QuestionDefaultNo) != msg::Yes)
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

void frmformulas::printRows() {
    if (!printButton->isEnabled() || rows_.count() == 0)
        return;
    printing::previewFormulaReport(rows_, this);
}

void frmformulas::acceptPick() {
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
