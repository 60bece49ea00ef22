#pragma once

#include "app/grid_style.h"

namespace workspace {

struct Workspace;

// The number of fixed columns at the left of the composition grid (ingredient and quantities).
inline constexpr int kResultadoFixedColumns = 7;

// What the composition grid shows for ws.composition (one row per ingredient, then the totals
// row; the nutrient fields named by the nutrient id): widths, headers (each nutrient column
// headed by the nutrient's name, or its field name when the workspace no longer lists it),
// formats, the grey separator, and the totals row dimmed and bold.
grid::GridContent compositionGrid(const Workspace& ws);

} // namespace workspace
