#pragma once

#include "workspace/workspace_edits.h"

namespace workspace {

// Adding and removing ingredient and nutrient rows, taking over the catalogue's current dry
// matter and prices, and recounting the quantities for a new batch size. Each shows nothing: a
// refusal comes back as a critical notice with its defined message, the records as they were.

// Adds the catalogue ingredient with no quantity, minimum 0 and no maximum. Refused when it is
// already in the formula or has no dry matter.
EditResult addIngredient(Workspace& ws, store::Database& db, int idProducto);
// Adds the nutrient (with its catalogue unit) with minimum 0 and no maximum; refused when it is
// already in the formula.
EditResult addNutrient(Workspace& ws, int idPropiedad, const QString& nombre,
                       const QString& unidad = {});

// Removes the ingredient of a grid row (column 0 the id, column 1 the name) and shares the batch
// out again among the rest.
EditResult removeIngredient(Workspace& ws, store::Database& db, const GridRow& row);
EditResult removeNutrient(Workspace& ws, const GridRow& row);

// Checks the grid's columns before its row's ingredient is shown elsewhere: the refusal to show
// when they are not the ingredient's id and name, nothing when they are.
std::optional<Notice> ingredientColumnsRefusal(const GridRow& row);

// Every ingredient takes today's catalogue price; the dry price follows.
EditResult takeOverPrices(Workspace& ws);
// Every ingredient takes today's catalogue dry matter (a window asks takeOverDryMatterQuestion
// first); the quantity on the ingredient basis stays and the other follows. An ingredient whose
// catalogue dry matter is 0 or missing keeps its own and is named in one notice.
EditResult takeOverDryMatter(Workspace& ws, store::Database& db);
QString takeOverDryMatterQuestion();

// The quantities for a new batch size, keeping the shares. Unless the nutrients are kept, the
// nutrient list is replaced by every nutrient the ingredients contain (minimum 0, no maximum).
EditResult recalculate(Workspace& ws, store::Database& db, double cantidad,
                       bool mantenerNutrientes);

} // namespace workspace
