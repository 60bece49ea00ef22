#pragma once

#include "app/views/search_list_dialog.h"
#include "catalog/ingredient_search.h"
#include "catalog/picks.h"
#include "store/record_set.h"

#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace store {
class Database;
}

namespace catalog {

// The ingredient list: searched by code range, name, unit, cost range and one nutrient's value
// range. Opened to maintain the catalogue it edits it; opened to pick, the opener reads the row
// picked from pick() once it has closed (none: cancelled).
class frmproductos : public widgets::SearchListDialog {
    Q_OBJECT

public:
    frmproductos(store::Database& db, keys::ListMode mode, QWidget* parent = nullptr);
    ~frmproductos() override;

    // The row "&Aceptar" took in pick mode; none while nothing was picked.
    const std::optional<IngredientPick>& pick() const { return pick_; }
    // Picking, lets several rows be selected (Ctrl+click, Shift+click) and taken at once.
    void allowManyPicks();
    // Every row "&Aceptar" took, in the grid's order; pick() is the first of them.
    const std::vector<IngredientPick>& picks() const { return picks_; }

    // The rows the grid shows, in its order.
    const store::RecordSet& rows() const { return rs_; }

private:
    void buildSearchPanel();
    void search();
    void clearSearch();
    void chooseNutrient();
    void addRow() override;
    void editRow() override;
    void deleteRow() override;
    void showNutrientValues();
    void printRows() override;
    void acceptPick() override;
    void forgetPick() override;

    IngredientFilter filter() const;
    // Runs the record source again; false (after the error view) when it failed.
    bool requery();
    void showRows();
    // The current data row when there is one and the grid is laid out as expected.
    int checkedRow(bool needCost);

    store::Database& db_;
    std::optional<IngredientPick> pick_;
    std::vector<IngredientPick> picks_;
    store::RecordSet rs_;
    QString source_;
    int rowToReselect_ = 1; // grid row, the header being row 0
    int nutrientFilter_ = 0;
    bool loading_ = false;

    QLineEdit* codeFrom = nullptr;
    QLineEdit* codeTo = nullptr;
    QLineEdit* nameText = nullptr;
    QComboBox* unitBox = nullptr;
    QLineEdit* costFrom = nullptr;
    QLineEdit* costTo = nullptr;
    QLineEdit* nutrientName = nullptr;
    QLineEdit* valueFrom = nullptr;
    QLineEdit* valueTo = nullptr;
    QPushButton* searchButton = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* nutrientButton = nullptr;
    QPushButton* nutrientValuesButton = nullptr;
};

} // namespace catalog
