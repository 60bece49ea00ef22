#pragma once

#include "app/views/list_mode.h"
#include "catalog/ingredient_search.h"
#include "catalog/picks.h"
#include "store/record_set.h"

#include <QDialog>
#include <optional>

class GridBinding;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace store {
class Database;
}

namespace catalog {

// The ingredient list: searched by code range, name, unit, cost range and one nutrient's value
// range. Opened to maintain the catalogue it edits it; opened to pick, the opener reads the row
// picked from pick() once it has closed (none: cancelled).
class frmproductos : public QDialog {
    Q_OBJECT

public:
    frmproductos(store::Database& db, keys::ListMode mode, QWidget* parent = nullptr);
    ~frmproductos() override;

    keys::ListMode mode() const { return mode_; }
    // The row "&Aceptar" took in pick mode; none while nothing was picked.
    const std::optional<IngredientPick>& pick() const { return pick_; }

    // The rows the grid shows, in its order.
    const store::RecordSet& rows() const { return rs_; }

private:
    void buildControls();
    void Command1_Click();
    void Command2_Click();
    void Command9_Click();
    void cmdAdd_Click();
    void cmdEditar_Click();
    void cmdDelete_Click();
    void CmdPropiedades_Click();
    void cmdPrint_Click();
    void Command4_Click();
    void Command3_Click();

    IngredientFilter filter() const;
    // Runs the record source again; false (after the error view) when it failed.
    bool requery();
    void actu_flexgrid1();
    // The current data row when there is one and the grid is laid out as expected.
    int checkedRow(bool needCost);
    QString cell(int row, int column) const;

    store::Database& db_;
    const keys::ListMode mode_;
    std::optional<IngredientPick> pick_;
    store::RecordSet rs_;
    QString source_;
    int rowToReselect_ = 1; // grid row, the header being row 0
    int nutrientFilter_ = 0;
    bool loading_ = false;

    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QComboBox* Combo1 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text5 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLineEdit* Text7 = nullptr;
    QLineEdit* Text8 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command9 = nullptr;
    QTableWidget* FlexGrid1 = nullptr;
    GridBinding* binding_ = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdEditar = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* CmdPropiedades = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command3 = nullptr;
};

} // namespace catalog
