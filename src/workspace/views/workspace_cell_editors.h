#pragma once

#include "workspace/workspace_edits.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>

class QLineEdit;
class QTableWidget;

namespace keys {
class InGridEditor;
}
namespace store {
class Database;
}

namespace workspace {

class WorkspaceGridPainter;

// The boxes laid over the workspace grids: the editors `Text1` (quantities), `txtPrecio` (wet
// price), `txtProd` (ingredient limits) and `txtProp` (nutrient limits), opened by a double click
// or Enter on their column; and the read-only boxes `Text8` (a share) and `Text2` (a nutrient
// value) shown by a single click. Edits go to core; `redraw` paints what the edit changed.
class WorkspaceCellEditors : public QObject {
public:
    WorkspaceCellEditors(Workspace& ws, store::Database& db, WorkspaceGridPainter& painter,
                         QTableWidget* flexprod, QTableWidget* flexprop,
                         std::function<void(const EditResult&)> redraw, QObject* parent);

    // The grid row under the grid's current cell, as core checks it; nothing off the data rows.
    std::optional<GridRow> currentIngredient() const;
    std::optional<GridRow> currentNutrient() const;

    // The batch quantity box: Enter moves on, leaving it checks the number.
    void watchCantidad(QLineEdit* txt_cantidad);

private:
    keys::InGridEditor* makeEditor(const char* name, QTableWidget* grid, CellEditor kind);
    void beginIngredientEdit();
    void beginNutrientEdit();
    bool commit(CellEditor kind, const keys::InGridEditor& editor, const QString& text);
    void showShare(int row, int column);
    void showValue(int row, int column);

    Workspace& ws_;
    store::Database& db_;
    WorkspaceGridPainter& painter_;
    QPointer<QTableWidget> ingredientGrid_, nutrientGrid_;
    std::function<void(const EditResult&)> redraw_;
    keys::InGridEditor* text1_;
    keys::InGridEditor* txtPrecio_;
    keys::InGridEditor* txtProd_;
    keys::InGridEditor* txtProp_;
    QLineEdit* text8_;
    QLineEdit* text2_;
    // The row each open editor began on, by id: the grid may be redrawn (and sorted again)
    // before the edit ends, and the value belongs to the row the user typed it over.
    std::map<const keys::InGridEditor*, GridRow> editedRows_;
};

} // namespace workspace
