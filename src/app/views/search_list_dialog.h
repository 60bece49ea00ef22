#pragma once

#include "app/list_description.h"
#include "app/views/list_mode.h"

#include <QDialog>

class GridBinding;
class QGroupBox;
class QHBoxLayout;
class QPushButton;
class QTableWidget;

namespace widgets {

// The search list every catalogue shares: a search panel the list fills, the grid under it and
// the row of buttons. Maintaining, the buttons add, edit, delete, print and close; picking, only
// "Aceptar" and "Cancelar" show. Esc runs "Cancelar"; activating a grid row edits it
// (maintaining) or picks it (picking). The names, texts and columns come from the list's
// description.
class SearchListDialog : public QDialog {
    Q_OBJECT

public:
    keys::ListMode mode() const { return mode_; }

protected:
    // Names the window and makes the (empty) search panel; the list fills it and then calls
    // buildList(), so the focus moves through panel, grid and buttons in that order.
    SearchListDialog(lists::ListDescription description, keys::ListMode mode, QWidget* parent);

    // The grid, its binding and the buttons under the filled search panel.
    void buildList();

    // A push button that takes the focus on a click only when the description says so.
    QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) const;
    // The button of the maintain row the description names `objectName`.
    QPushButton* extraButton(const QString& objectName) const;

    // The text a cell of the grid shows; empty outside the grid.
    QString cellText(int row, int column) const;
    // Once rows are shown: data row `row` (counted from 1) becomes current at the top of the
    // grid, in the column that takes the rest, and the grid takes the focus when asked to.
    void reselectRow(int row, bool takeFocus);

    virtual void addRow() = 0;
    virtual void editRow() = 0;
    virtual void deleteRow() = 0;
    virtual void printRows() = 0;
    virtual void acceptPick() = 0;
    // "Cancelar": the list forgets any row picked before it closes.
    virtual void forgetPick() = 0;

    const lists::ListDescription& description() const { return description_; }

    QGroupBox* searchPanel = nullptr;
    QTableWidget* listGrid = nullptr;
    GridBinding* binding = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* editButton = nullptr;
    QPushButton* deleteButton = nullptr;
    QPushButton* printButton = nullptr;
    QPushButton* closeButton = nullptr;
    QPushButton* acceptButton = nullptr;
    QPushButton* cancelButton = nullptr;

private:
    void cancelPick();

    const lists::ListDescription description_;
    const keys::ListMode mode_;
    std::vector<QPushButton*> extraButtons_;
};

} // namespace widgets
