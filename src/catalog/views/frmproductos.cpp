#include "catalog/views/frmproductos.h"

#include "app/busy_pointer.h"
#include "app/data_error.h"
#include "app/message_styles.h"
#include "app/messages.h"
#include "app/number_text.h"
#include "app/views/grid_binding.h"
#include "app/views/keyboard_rules.h"
#include "app/views/modal.h"
#include "app/views/named_widgets.h"
#include "catalog/catalog_texts.h"
#include "catalog/ingredients.h"
#include "catalog/views/frmproducto.h"
#include "catalog/views/frmproducto_propiedades.h"
#include "catalog/views/frmpropiedades.h"
#include "catalog/views/view_support.h"
#include "printing/views/report_preview.h"
#include "store/database.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

namespace catalog {

using widgets::button;
using widgets::named;

frmproductos::frmproductos(store::Database& db, keys::ListMode mode, QWidget* parent)
    : SearchListDialog(ingredientList(), mode, parent), db_(db) {
    buildSearchPanel();
    buildList();
    nutrientValuesButton = extraButton(QStringLiteral("CmdPropiedades"));
    connect(nutrientValuesButton, &QPushButton::clicked, this, &frmproductos::showNutrientValues);

    keys::searchOnEnter({codeFrom, codeTo, nameText, costFrom, costTo, valueFrom, valueTo, unitBox},
                        [this] { searchButton->click(); });

    rowToReselect_ = 1;
    nutrientFilter_ = 0;
    source_ = description().openingStatement;
    loading_ = true;
    requery();
    showRows();
    loading_ = false;
}

frmproductos::~frmproductos() = default;

void frmproductos::buildSearchPanel() {
    QGroupBox* panelBox = searchPanel;
    codeFrom = named<QLineEdit>(panelBox, "Text1");
    codeTo = named<QLineEdit>(panelBox, "Text2");
    codeFrom->setMaxLength(20);
    codeTo->setMaxLength(20);
    nameText = named<QLineEdit>(panelBox, "Text3");
    unitBox = named<QComboBox>(panelBox, "Combo1");
    unitBox->addItems(kFilterUnits);
    unitBox->setCurrentIndex(-1);
    costFrom = named<QLineEdit>(panelBox, "Text4");
    costTo = named<QLineEdit>(panelBox, "Text5");
    nutrientName = named<QLineEdit>(panelBox, "Text6");
    nutrientName->setReadOnly(true);
    valueFrom = named<QLineEdit>(panelBox, "Text7");
    valueTo = named<QLineEdit>(panelBox, "Text8");
    searchButton = button(panelBox, "Command1", QStringLiteral("&Buscar"));
    clearButton = button(panelBox, "Command2", QStringLiteral("&Limpiar"));
    nutrientButton = button(panelBox, "Command9", QStringLiteral("..."));
    nutrientButton->setFixedWidth(32);

    auto* panel = new QGridLayout(panelBox);
    auto label = [panelBox](const QString& text) { return new QLabel(text, panelBox); };
    // The boxes in pairs are ranges: the heads over them say which end each box is.
    auto rangeEnd = [panelBox](const char* name, const QString& text, QLineEdit* box) {
        auto* head = named<QLabel>(panelBox, name);
        head->setText(text);
        head->setBuddy(box);
        return head;
    };
    panel->addWidget(rangeEnd("lblCodigoDesde", QStringLiteral("Desde"), codeFrom), 0, 1);
    panel->addWidget(rangeEnd("lblCodigoHasta", QStringLiteral("Hasta"), codeTo), 0, 2);
    panel->addWidget(rangeEnd("lblCostoDesde", QStringLiteral("Desde"), costFrom), 0, 5);
    panel->addWidget(rangeEnd("lblCostoHasta", QStringLiteral("Hasta"), costTo), 0, 6);
    panel->addWidget(label(QStringLiteral("Código")), 1, 0);
    panel->addWidget(codeFrom, 1, 1);
    panel->addWidget(codeTo, 1, 2);
    panel->addWidget(label(QStringLiteral("Descripción")), 2, 0);
    panel->addWidget(nameText, 2, 1, 1, 2);
    panel->addWidget(label(QStringLiteral("Unidad")), 3, 0);
    panel->addWidget(unitBox, 3, 1);
    panel->addWidget(label(QStringLiteral("Costo")), 1, 4);
    panel->addWidget(costFrom, 1, 5);
    panel->addWidget(costTo, 1, 6);
    panel->addWidget(label(QStringLiteral("Nutriente")), 2, 4);
    auto* nutrient = new QHBoxLayout;
    nutrient->addWidget(nutrientName, 1);
    nutrient->addWidget(nutrientButton);
    panel->addLayout(nutrient, 2, 5, 1, 2);
    panel->addWidget(label(QStringLiteral("Valor")), 3, 4);
    panel->addWidget(valueFrom, 3, 5);
    panel->addWidget(valueTo, 3, 6);
    panel->setColumnMinimumWidth(3, 16);
    panel->addWidget(searchButton, 1, 7);
    panel->addWidget(clearButton, 2, 7);

    connect(searchButton, &QPushButton::clicked, this, &frmproductos::search);
    connect(clearButton, &QPushButton::clicked, this, &frmproductos::clearSearch);
    connect(nutrientButton, &QPushButton::clicked, this, &frmproductos::chooseNutrient);
}

IngredientFilter frmproductos::filter() const {
    IngredientFilter f;
    f.codeFrom = codeFrom->text();
    f.codeTo = codeTo->text();
    f.name = nameText->text();
    f.unit = unitBox->currentText();
    f.costFrom = costFrom->text();
    f.costTo = costTo->text();
    f.nutrientId = nutrientFilter_;
    f.valueFrom = valueFrom->text();
    f.valueTo = valueTo->text();
    return f;
}

bool frmproductos::requery() {
    try {
        rs_ = db_.query(source_);
        return true;
    } catch (const store::StoreError& e) {
        rs_ = store::RecordSet();
        views::showErrorView(app::dataErrorText(0), e);
        return false;
    }
}

void frmproductos::search() {
    const IngredientFilter f = filter();
    if (const auto refusal = checkIngredientFilter(f)) {
        msg::msgBox(refusal->message, msg::Critical);
        views::focusControl(this, refusal->control);
        return;
    }
    app::BusyPointer busy;
    source_ = ingredientSearchSql(f);
    requery();
    showRows();
}

void frmproductos::clearSearch() {
    unitBox->setCurrentIndex(-1);
    for (QLineEdit* t :
         {codeFrom, codeTo, nameText, costFrom, costTo, nutrientName, valueFrom, valueTo})
        t->clear();
    nutrientFilter_ = 0;
    rs_.clear();
    binding->clear();
}

void frmproductos::chooseNutrient() {
    std::optional<NutrientPick> picked;
    {
        frmpropiedades list(db_, keys::ListMode::Pick);
        views::placeBelowRight(&list, this);
        widgets::openModal(list);
        picked = list.pick();
    }
    if (!picked || picked->id < 1) {
        nutrientFilter_ = 0;
        nutrientName->clear();
    } else {
        nutrientFilter_ = picked->id;
        nutrientName->setText(picked->name);
    }
}

void frmproductos::showRows() {
    binding->show(ingredientGrid(rs_));
    reselectRow(rowToReselect_, !loading_);
}

int frmproductos::checkedRow(bool needCost) {
    const int row = listGrid->currentRow();
    if (row < 0 || row >= binding->dataRowCount())
        return -1;
    const std::pair<int, const char*> expected[] = {{0, "id_producto"}, {2, "nombre"}};
    const QString* messages[] = {&texts::kCampoIdProducto, &texts::kCampoNombre};
    for (int i = 0; i < 2; ++i) {
        if (binding->boundField(expected[i].first) != QLatin1String(expected[i].second)) {
            msg::msgBox(*messages[i], msg::Critical);
            return -1;
        }
    }
    if (needCost && binding->boundField(4) != QLatin1String("costo")) {
        msg::msgBox(texts::kCampoCosto, msg::Critical);
        return -1;
    }
    return row;
}

void frmproductos::addRow() {
    {
        app::BusyPointer busy;
        frmproducto editor(db_, 0);
        busy.release();
        widgets::openModal(editor);
    }
    requery();
    showRows();
}

void frmproductos::editRow() {
    const int row = checkedRow(false);
    if (row < 0)
        return;
    {
        app::BusyPointer busy;
        frmproducto editor(db_, cellText(row, 0).toInt());
        busy.release();
        widgets::openModal(editor);
    }
    rowToReselect_ = row + 1;
    searchButton->click();
}

void frmproductos::deleteRow() {
    const int row = checkedRow(false);
    if (row < 0)
        return;
    rowToReselect_ = row + 1;
    const int id = cellText(row, 0).toInt();
    const QString name = cellText(row, 2).trimmed();
    try {
        const int formulas = formulasUsingIngredient(db_, id);
        if (msg::msgBox(texts::askDeleteIngredient(name, formulas), msg::QuestionDefaultNo) !=
            msg::Yes)
            return;
        if (ingredientHasNutrients(db_, id) &&
            msg::msgBox(texts::askDeleteIngredientWithNutrients(name), msg::QuestionDefaultNo) !=
                msg::Yes)
            return;
        deleteIngredient(db_, id);
    } catch (const store::StoreError& e) {
        views::showErrorView(texts::kNoEliminar, e);
    }
    requery();
    showRows();
}

void frmproductos::showNutrientValues() {
    if (!nutrientValuesButton->isEnabled())
        return;
    const int row = checkedRow(false);
    if (row < 0)
        return;
    frmproducto_propiedades values(db_, cellText(row, 0).toInt());
    values.setWindowTitle(cellText(row, 2).trimmed());
    widgets::openModal(values);
}

void frmproductos::printRows() {
    if (!printButton->isEnabled() || rs_.count() < 1)
        return;
    printing::previewIngredientReport(rs_, this);
}

void frmproductos::allowManyPicks() {
    listGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void frmproductos::acceptPick() {
    const int current = checkedRow(true);
    if (current < 0)
        return;
    std::vector<int> rows;
    if (listGrid->selectionMode() == QAbstractItemView::ExtendedSelection)
        for (const QModelIndex& index : listGrid->selectionModel()->selectedRows())
            if (index.row() < binding->dataRowCount())
                rows.push_back(index.row());
    if (rows.empty())
        rows.push_back(current);
    std::sort(rows.begin(), rows.end());
    const int costColumn = rs_.fieldIndex(QStringLiteral("costo"));
    picks_.clear();
    // The cost as stored, not as the grid rounds it.
    for (const int row : rows)
        picks_.push_back(IngredientPick{cellText(row, 0).toInt(), cellText(row, 2),
                                        rs_.valueAt(row, costColumn).toDouble()});
    pick_ = picks_.front();
    accept();
}

void frmproductos::forgetPick() {
    pick_.reset();
    picks_.clear();
}

} // namespace catalog
