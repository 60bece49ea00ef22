#pragma once

#include <QString>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

namespace workspace {

struct Workspace;

// What a save of the workspace would write: the batch, both bases, and each row's prices,
// limits and mix. Two equal states need no save; figures derived from these are left out.
struct SavedState {
    using Value = std::optional<double>;
    using Ingredient = std::tuple<int, double, Value, Value, Value, Value, Value, Value>;
    using Nutrient = std::tuple<int, Value, Value, Value, Value>; // id, limits, value, probability
    using Limit = std::tuple<int, int, Value, Value>;

    double cantidad = 0;
    bool secaIng = true;
    bool secaNut = true;
    std::vector<Ingredient> ingredients;
    std::vector<Nutrient> nutrients;
    std::vector<Limit> ratios;
    std::vector<Limit> groups;
    // The weighing conditions: each ingredient's minimum if used, the count, rounding.
    std::vector<std::pair<int, Value>> minimosSiSeUsa = {};
    std::optional<int> maxIngredientes = {};
    bool redondear = false;

    bool operator==(const SavedState&) const = default;
};

SavedState savedState(const Workspace& ws);

// The question asked before the window closes on changes not saved: the formula by its code,
// or as a new one when it has none yet.
QString unsavedChangesQuestion(const QString& codigo);

} // namespace workspace
