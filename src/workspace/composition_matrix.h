#pragma once

namespace store {
class Database;
}

namespace workspace {

struct Workspace;

// Rebuilds the workspace's composition matrix: one row per ingredient in the workspace's order with
// its quantities and shares and, per nutrient of the workspace, what it brings to the mix on the
// nutrient basis; then a totals row. Nutrients an ingredient has no composition for stay empty in
// its row.
void buildComposition(Workspace& ws, store::Database& db);

} // namespace workspace
