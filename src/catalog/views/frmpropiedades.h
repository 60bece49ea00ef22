#pragma once

#include "app/views/list_mode.h"
#include "catalog/picks.h"
#include "store/record_set.h"

#include <QDialog>
#include <optional>

class GridBinding;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace store {
class Database;
}

namespace catalog {

// The nutrient list, searched by name. Opened to maintain the catalogue it edits it; opened to
// pick, the opener reads the row picked from pick() once it has closed (none: cancelled).
class frmpropiedades : public QDialog {
    Q_OBJECT

public:
    frmpropiedades(store::Database& db, keys::ListMode mode, QWidget* parent = nullptr);
    ~frmpropiedades() override;

    keys::ListMode mode() const { return mode_; }
    // The row "&Aceptar" took in pick mode; none while nothing was picked.
    const std::optional<NutrientPick>& pick() const { return pick_; }

    // The rows the grid shows, in its order.
    const store::RecordSet& rows() const { return rs_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void Command1_Click();
    void cmdAdd_Click();
    void cmdEditar_Click();
    void cmdDelete_Click();
    void cmdPrint_Click();
    void Command4_Click();
    void Command3_Click();

    void requery();
    void actu_flexgrid1();
    int checkedRow(bool needName);
    QString cell(int row, int column) const;

    store::Database& db_;
    const keys::ListMode mode_;
    std::optional<NutrientPick> pick_;
    store::RecordSet rs_;
    QString source_;
    int rowToReselect_ = 1;
    bool loading_ = false;

    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QTableWidget* FlexGrid1 = nullptr;
    GridBinding* binding_ = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdEditar = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command3 = nullptr;
};

} // namespace catalog
