#pragma once

#include "app/grid_style.h"
#include "app/views/list_mode.h"
#include "store/record_set.h"

#include <QDialog>
#include <optional>

class GridBinding;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace store {
class Database;
}

namespace formulas {

// The stored formulas with their search panel. Nuevo and Editar open the workspace on a new or
// the chosen formula; Eliminar deletes a formula with its rows. Opened to pick, the opener reads
// the id of the formula picked from pick() once it has closed (none: cancelled).
class frmformulas : public QDialog {
    Q_OBJECT

public:
    frmformulas(store::Database& db, keys::ListMode mode, QWidget* parent = nullptr);
    ~frmformulas() override;

    keys::ListMode mode() const { return mode_; }
    // The formula "&Aceptar" took in pick mode; none while nothing was picked.
    std::optional<int> pick() const { return pick_; }

    // The rows listed, in the grid's order.
    const store::RecordSet& rows() const { return rows_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void connectControls();

    void Command1_Click(); // Buscar
    void Command2_Click(); // Limpiar
    void Command9_Click(); // nutrient filter
    void Command5_Click(); // ingredient filter
    void cmdAdd_Click();
    void cmdEditar_Click();
    void cmdDelete_Click();
    void cmdPrint_Click();
    void Command3_Click(); // Cancelar
    void Command4_Click(); // Aceptar (pick mode)

    void runStatement(const QString& sql);
    void requery();
    void actu_flexgrid1();
    std::vector<grid::Column> fittedColumns() const;
    int currentRow() const;
    void openWorkspace(int formulaId);
    void showDataError(const QString& description);

    store::Database& db_;
    const keys::ListMode mode_;
    std::optional<int> pick_;
    store::RecordSet rows_;
    QString statement_;
    int nutrientId_ = 0;
    int ingredientId_ = 0;
    bool loading_ = false;

    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text5 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLineEdit* Text7 = nullptr;
    QLineEdit* Text8 = nullptr;
    QLineEdit* Text11 = nullptr;
    QLineEdit* Text12 = nullptr;
    QLineEdit* Text13 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command9 = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdEditar = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;
    QTableWidget* FlexGrid1 = nullptr;
    GridBinding* binding_ = nullptr;
};

} // namespace formulas
