#pragma once

#include "app/grid_style.h"

namespace workspace {

struct Workspace;
struct SavedState;

// What the ingredient grid shows for the current records: formats, separators, the mix in bold
// and the rest dimmed, quantities out of their limits in red, catalogue changes signalled.
grid::GridContent ingredientGrid(Workspace& ws);

// What the nutrient grid shows. justLoaded: the grid is drawn as part of loading a formula, when
// nutrients whose value changed since the formula was saved are signalled in green. `saved`:
// what the database holds of the formula; a limit or probability edited since is signalled in
// green too, until it is saved.
grid::GridContent nutrientGrid(Workspace& ws, bool justLoaded, const SavedState* saved = nullptr);

// The ratio limits: numerator, divisor, Mínimo, Máximo and the value of the mix, in red when
// outside its limits, as the nutrient grid shows them.
grid::GridContent ratioGrid(const Workspace& ws);

// The group limits: name, Mínimo, Máximo, the group's quantity in the batch (in red when outside
// its limits) and its share of the batch.
grid::GridContent groupGrid(const Workspace& ws);

} // namespace workspace
