#pragma once

#include "workspace/notice.h"

#include "formulas/formula_limits.h"
#include "workspace/results.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace store {
class Database;
}

// The edits a user makes in the workspace grids and boxes: each checks the typed text, refuses
// it with the defined message as a critical notice (and then leaves the records as they were),
// rounds and stores the value, and says what must be redrawn. None shows anything itself.
namespace workspace {

struct Workspace;

// The in-place editor a grid column opens, by the field the column shows.
enum class CellEditor { None, Quantity, Price, IngredientLimit, NutrientLimit, Probability };
CellEditor ingredientEditorFor(const QString& field);
CellEditor nutrientEditorFor(const QString& field);
// Whether a column of the nutrient, ratio or group grid holds a limit (Mínimo or Máximo), the
// cells an in-place editor opens on.
bool isLimitField(const QString& field);

// The text an editor starts with: the cell as shown, without any "$" for the price.
QString editorStartText(CellEditor editor, const QString& cellText);

// The read-only boxes that show a figure at full precision: an ingredient share (a fraction,
// shown × 100) and a nutrient value.
QString shareDetailText(const QVariant& share);
QString valueDetailText(const QVariant& valor);

// What a workspace change leaves to redraw.
struct EditResult {
    bool stored = false;                  // the records changed
    std::optional<ResultFigures> figures; // the figures were recomputed: both grids and the boxes
    bool ingredientGrid = false;          // only the ingredient grid
    bool nutrientGrid = false;            // only the nutrient grid
    bool limitGrids = false;              // the ratio and group grids
    QString editorText;                   // the price box shows the rounded value
    int removedId = 0;                    // the row a removal was asked for, its id
    QString removedName;                  // and its name as the grid showed it, trimmed
    Notices notices;                      // what the user is told first, in order
};

// The grid row an action came from, as the checks need it: the fields shown in columns 0 and 1,
// and the row's id and name as the grid shows them.
struct GridRow {
    QString column0;
    QString column1;
    int id = 0;
    QString name;
};

// Ingredient quantity (field cantidad_seca or cantidad_humeda): 2 decimals, the other basis
// follows, every share is recomputed, then the figures.
EditResult editQuantity(Workspace& ws, store::Database& db, const GridRow& row,
                        const QString& field, const QString& text);
// Wet price: 2 decimals; the dry price follows; then the figures. An empty text does nothing.
EditResult editPrice(Workspace& ws, store::Database& db, const GridRow& row, const QString& text);
// Ingredient limit (minimo, maximo or minimo_si_se_usa, the minimum if used): 0 to 1000, 1
// decimal; empty means no limit.
EditResult editIngredientLimit(Workspace& ws, const GridRow& row, const QString& field,
                               const QString& text);
// Nutrient limit (minimo or maximo): any number, 2 decimals; empty means no limit.
EditResult editNutrientLimit(Workspace& ws, const GridRow& row, const QString& field,
                             const QString& text);

// The probability with which a nutrient's limits must hold, typed as a percentage: 50 to 99.99,
// 2 decimals, stored as a fraction; empty means none (the plain limits).
EditResult editNutrientProbability(Workspace& ws, const GridRow& row, const QString& text);

// Ratio limit (minimo or maximo) of ratio row `row`: any number, 2 decimals; empty means no
// limit.
EditResult editRatioLimit(Workspace& ws, size_t row, const QString& field, const QString& text);
// Group limit (minimo or maximo) of group row `row`: 0 to 1000, 1 decimal, as an ingredient's.
EditResult editGroupLimit(Workspace& ws, size_t row, const QString& field, const QString& text);

// A ratio of two different nutrients, not already in the formula, added without limits; a
// nutrient of it that the formula lacks joins the nutrient rows without limits, with its unit.
EditResult addRatio(Workspace& ws, int numerador, const QString& nombreNumerador, int divisor,
                    const QString& nombreDivisor, const QString& unidadNumerador = {},
                    const QString& unidadDivisor = {});
// A group not already in the formula, added without limits.
EditResult addGroup(Workspace& ws, const formulas::FormulaGroup& group);
// Takes away ratio or group row `row` (nothing when there is no such row).
EditResult removeRatio(Workspace& ws, size_t row);
EditResult removeGroup(Workspace& ws, size_t row);

// The most ingredients the mix may hold ("Máx. ingredientes"): a whole number from 1; empty
// means no such limit.
EditResult editMaxIngredientes(Workspace& ws, const QString& text);
// Whether every ingredient with a weighing step is weighed in whole steps.
EditResult setRounding(Workspace& ws, bool redondear);

// Each share from the quantities: a row's quantity over the total on its basis, 0 when the
// total is 0.
void recomputeShares(Workspace& ws);

// The batch quantity box on leaving it: empty means 0; a text that is not a number is refused,
// and the refusal comes back to be shown (the focus then stays in the box).
std::optional<Notice> leaveCantidad(Workspace& ws, const QString& text);

} // namespace workspace
