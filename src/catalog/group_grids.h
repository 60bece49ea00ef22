#pragma once

#include "app/grid_style.h"
#include "catalog/groups.h"

#include <vector>

// What the group view's two grids show.
namespace catalog {

// The groups: id_grupo hidden, "Grupo" (takes the rest).
grid::GridContent groupGrid(const std::vector<IngredientGroup>& groups);
inline constexpr int kGroupNameColumn = 1;

// The members of one group: id_producto hidden, "Código", "Descripción" (takes the rest).
grid::GridContent memberGrid(const std::vector<GroupMember>& members);
inline constexpr int kMemberNameColumn = 2;

} // namespace catalog
