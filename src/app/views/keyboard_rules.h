#pragma once

#include "app/views/list_mode.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <initializer_list>

class QAbstractButton;
class QLineEdit;
class QTableWidget;
class QWidget;

// The keyboard rules every view shares, as event filters a view installs on its controls.
// Each filter is owned by the control (or view) it watches.
namespace keys {

// Enter or the keypad's Enter.
bool isEnterKey(int key);

// Search fields of a list view: Enter is swallowed and runs the view's search.
void searchOnEnter(std::initializer_list<QWidget*> fields, std::function<void()> search);

// Plain entry fields of an editor: Enter is swallowed and focus moves on exactly as with Tab,
// so leaving the field runs its validation.
void enterMovesOn(std::initializer_list<QWidget*> fields);

// A text box laid over a grid cell to edit it in place. Showing it over a cell resets the last
// key to 0; Enter (13) or Esc (27) is remembered, swallowed, and ends the edit. Losing the focus
// (a click elsewhere) also ends it, with no key remembered: the unconfirmed decision turns that
// into Enter (by default) or Esc. With Enter the commit check runs: it stores the value, or
// refuses it and the edit goes on with the focus kept in the box. With Esc nothing is stored.
// When the edit ends the box is hidden and the focus goes back to the grid.
class InGridEditor : public QObject {
public:
    enum Key { None = 0, Enter = 13, Escape = 27 };

    InGridEditor(QLineEdit* editor, QTableWidget* grid);

    // Lays the box over the cell (row and column of the grid's items), puts `text` in it, selects
    // it all and gives it the focus.
    void begin(int row, int column, const QString& text);

    // Decides what leaving the box without Enter or Esc means: return Enter or Escape.
    void setUnconfirmed(std::function<int(const QString& text)> decide) {
        unconfirmed_ = std::move(decide);
    }
    // Checks and stores the text; false keeps the edit going (the check has told the user why).
    void setCommit(std::function<bool(const QString& text)> commit) { commit_ = std::move(commit); }
    // Runs after every end of an edit with the key that ended it (Enter or Escape).
    void setFinished(std::function<void(int key)> finished) { finished_ = std::move(finished); }

    int lastKey() const { return lastKey_; }
    bool isEditing() const { return editing_; }
    int row() const { return row_; }
    int column() const { return column_; }
    QLineEdit* editor() const { return editor_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finish(int key);

    QPointer<QLineEdit> editor_;
    QPointer<QTableWidget> grid_;
    std::function<int(const QString&)> unconfirmed_;
    std::function<bool(const QString&)> commit_;
    std::function<void(int)> finished_;
    int lastKey_ = None;
    int row_ = -1;
    int column_ = -1;
    bool editing_ = false;
    bool finishing_ = false;
};

// A read-only box shown over a cell (a value at full precision): a click on it, or the focus
// leaving it, hides it.
void hideOnClickOrLeave(QWidget* box);

// Date fields of a search panel: on leaving, an empty text passes, a valid date is rewritten as
// "dd/mm/yyyy", and anything else shows "La fecha no es Válida" (style 16) and brings the focus
// back to the field.
void dateFieldRule(QLineEdit* field);

// List views: Esc anywhere in the view runs its cancel button, before any control sees the key.
void escapeRunsCancel(QWidget* view, QAbstractButton* cancel);

// A grid whose rows are activated by a double click on a data cell or by Enter.
void onGridActivation(QTableWidget* grid, std::function<void()> activate);

// The list mode a mode text names ("BUSCAR": picking; anything else: maintaining).
ListMode listModeFromText(const QString& gModo);

// Grids of list views: activating a row runs the edit button when maintaining and the pick
// button when picking. The mode is asked at each activation.
void listGridActivation(QTableWidget* grid, std::function<ListMode()> mode, QAbstractButton* edit,
                        QAbstractButton* pick);

} // namespace keys
