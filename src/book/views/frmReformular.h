#pragma once

#include "book/worklist.h"

#include <QDialog>
#include <vector>

class GridBinding;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace store {
class Database;
}

namespace book {

// "Fórmulas → Reformular": chooses formulas, re-formulates them at today's prices (progress shown,
// Esc cancels), lists the worklist sortable by any column, opens a formula in the workspace,
// compares a stored version with its new mix, saves the chosen rows as new versions (all or
// none) and prints the list or saves it as PDF.
class frmReformular : public QDialog {
    Q_OBJECT

public:
    explicit frmReformular(store::Database& db, QWidget* parent = nullptr);

    const Reformulation& reformulation() const { return run_; }
    // The worklist rows in the grid's order (indices into reformulation().rows()).
    const std::vector<int>& order() const { return order_; }

    void reject() override; // asks before re-formulated mixes not saved are lost

private:
    QWidget* buildSelection();
    QWidget* buildButtons();

    void reformulate();
    void chooseIngredient();
    void sortBy(int column);
    void showRows();
    int currentRow() const; // index into the rows, -1 when none
    std::vector<int> selectedRows() const;
    void openInWorkspace();
    void compare();
    void saveVersions();
    void print();
    void savePdf();

    store::Database& db_;
    Reformulation run_;
    std::vector<int> order_;
    int sortColumn_ = 0;
    bool ascending_ = true;
    bool searched_ = false; // a run was asked for: an empty list then means nothing matched
    int ingredientId_ = 0;

    QLineEdit* codeFrom_ = nullptr;
    QLineEdit* codeTo_ = nullptr;
    QLineEdit* product_ = nullptr;
    QLineEdit* ingredient_ = nullptr;
    QCheckBox* highestOnly_ = nullptr;
    QLabel* summary_ = nullptr;
    QTableWidget* grid_ = nullptr;
    GridBinding* binding_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* compareButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* pdfButton_ = nullptr;
};

} // namespace book
