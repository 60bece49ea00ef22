#pragma once

#include "app/grid_style.h"

namespace workspace {

struct Workspace;

// What the ingredient grid shows for the current records: formats, separators, the mix in bold
// and the rest dimmed, quantities out of their limits in red, catalogue changes signalled.
grid::GridContent ingredientGrid(Workspace& ws);

// What the nutrient grid shows. justLoaded: the grid is drawn as part of loading a formula, when
// nutrients whose value changed since the formula was saved are signalled in green.
grid::GridContent nutrientGrid(Workspace& ws, bool justLoaded);

} // namespace workspace
