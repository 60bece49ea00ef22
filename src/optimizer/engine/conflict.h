#pragma once

#include "optimizer/engine/blend.h"

#include <optional>
#include <string>
#include <vector>

namespace lp {

// A limit of a minimal conflicting set. The relaxation is the nearest value of this limit alone
// at which the engine finds a mix with every other limit of the blend kept, and the cost is the
// least cost per unit as fed of that mix; both are empty when moving this limit alone is not
// enough.
struct ConflictLimit {
    LimitRef limit;
    std::string nombre;
    double valor = 0;
    std::optional<double> relajacion;
    std::optional<double> costo;
};

// What one run of the engine says about a blend.
struct Probe {
    bool feasible = false;
    std::optional<double> costo; // per unit as fed, when the run ended at an optimum
};

Probe probe(const Blend& blend);

// The user limits of the blend, nutrients first (blend order, minimum before maximum), then
// ratios, groups and ingredients in the same way.
std::vector<LimitRef> userLimits(const Blend& blend);

std::optional<double> limitValue(const Blend& blend, const LimitRef& limit);

// The blend with one limit set to a value, or taken away when the value is empty.
Blend withLimit(Blend blend, const LimitRef& limit, std::optional<double> value);

// On a blend the engine finds infeasible: a minimal set of user limits that cannot hold together
// (deletion filtering: each limit is dropped in turn and stays out while the rest remain
// infeasible), each with its relaxation and cost. Empty when the blend is feasible, or when the
// quantity rows alone cannot be met.
std::vector<ConflictLimit> diagnoseConflict(const Blend& blend);

} // namespace lp
