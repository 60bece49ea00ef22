#pragma once

#include "store/record_set.h"

#include <QDialog>

class GridBinding;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace store {
class Database;
}

namespace catalog {

// The nutrient list, searched by name. With gModo "ABM" it maintains the catalogue; with
// "BUSCAR" it returns the row picked through gIdPropiedad and gNombrePropiedad (gIdPropiedad 0:
// cancelled).
class frmpropiedades : public QDialog {
    Q_OBJECT

public:
    explicit frmpropiedades(store::Database& db, QWidget* parent = nullptr);
    ~frmpropiedades() override;

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
