#pragma once

#include "book/formula_snapshot.h"
#include "book/worklist.h"
#include "workspace/formula_loader.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace store {
class Database;
}
namespace workspace {
struct Workspace;
}

// Every use the book makes of the workspace and the optimiser, in one place: loading a formula,
// taking over today's prices and dry matter, formulating.
namespace book {

struct Reformulated {
    WorklistRow row;
    std::optional<FormulaSnapshot> before, after;
    std::shared_ptr<workspace::Workspace> ws; // the re-formulated mix, kept only when savable
    workspace::FormulaHeader header;          // as loaded, with the re-formulated mix's figures
};

// Loads the formula, takes over today's catalogue prices and dry matter, formulates it as the
// workspace's button does and sums up the result. The messages the workspace would show are in
// the row's mensaje. Writes nothing.
Reformulated reformulate(store::Database& db, const ChosenFormula& formula,
                         const SearchLimits& limits = {});

// The same for each of `formulas`, loaded together: each result is handed to `each` as it is
// done, in order; returning false stops there.
void reformulate(store::Database& db, const std::vector<ChosenFormula>& formulas,
                 const SearchLimits& limits, const std::function<bool(Reformulated)>& each);

// A stored version as it was saved (its limits, its mix, the nutrient values stored with it).
// None, with the load's message in *message, when it cannot be loaded.
std::optional<FormulaSnapshot> storedSnapshot(store::Database& db, int idFormula,
                                              QString* message = nullptr);

} // namespace book
