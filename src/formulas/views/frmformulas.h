#pragma once

#include "app/grid_style.h"
#include "app/views/search_list_dialog.h"
#include "store/record_set.h"

#include <optional>

class QLineEdit;
class QPushButton;

namespace store {
class Database;
}

namespace formulas {

// The stored formulas with their search panel. Nuevo and Editar open the workspace on a new or
// the chosen formula; Eliminar deletes a formula with its rows. Opened to pick, the opener reads
// the id of the formula picked from pick() once it has closed (none: cancelled).
class frmformulas : public widgets::SearchListDialog {
    Q_OBJECT

public:
    frmformulas(store::Database& db, keys::ListMode mode, QWidget* parent = nullptr);
    ~frmformulas() override;

    // The formula "&Aceptar" took in pick mode; none while nothing was picked.
    std::optional<int> pick() const { return pick_; }

    // The rows listed, in the grid's order.
    const store::RecordSet& rows() const { return rows_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildSearchPanel();
    void connectControls();

    void search();
    void clearSearch();
    void chooseNutrient();
    void chooseIngredient();
    void addRow() override;
    void editRow() override;
    void deleteRow() override;
    void printRows() override;
    void acceptPick() override;
    void forgetPick() override { pick_.reset(); }

    void runStatement(const QString& sql);
    void requery();
    void showRows();
    std::vector<grid::Column> fittedColumns() const;
    int currentRow() const;
    void openWorkspace(int formulaId);
    void compareRows();
    void showDataError(const QString& description);

    store::Database& db_;
    std::optional<int> pick_;
    store::RecordSet rows_;
    QString statement_;
    int nutrientId_ = 0;
    int ingredientId_ = 0;
    bool loading_ = false;
    bool withMark_ = true; // the database keeps the limits a version was saved breaking

    QLineEdit* codeFrom = nullptr;
    QLineEdit* codeTo = nullptr;
    QLineEdit* productText = nullptr;
    QLineEdit* createdFrom = nullptr;
    QLineEdit* createdTo = nullptr;
    QLineEdit* modifiedFrom = nullptr;
    QLineEdit* modifiedTo = nullptr;
    QLineEdit* nutrientName = nullptr;
    QLineEdit* valueFrom = nullptr;
    QLineEdit* valueTo = nullptr;
    QLineEdit* ingredientName = nullptr;
    QPushButton* searchButton = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* nutrientButton = nullptr;
    QPushButton* ingredientButton = nullptr;
};

} // namespace formulas
