#pragma once

#include "optimizer/engine/blend.h"

#include <functional>
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

// One limit as a conflict shows it: its name and value, its relaxation and the cost there.
ConflictLimit conflictEntry(const Blend& blend, const LimitRef& limit);

// On a blend the engine finds infeasible: a minimal set of user limits that cannot hold together,
// each with its relaxation and cost. Empty when the blend is feasible, or when the quantity rows
// alone cannot be met. The set is found by deletion filtering over the limits the engine's proof
// of infeasibility rests on (the rows with a weight in the row of the inverse basis that shows no
// mix exists): the others are dropped at once, checked by a run; then each limit left is dropped
// in turn and stays out while the rest remain infeasible, every such run narrowing the rest to its
// own proof in the same way.
std::vector<ConflictLimit> diagnoseConflict(const Blend& blend);

// The diagnosis with a caller told of its progress after every run of the engine: the steps done
// and the steps there are (the limits to filter, then one per limit of the set for its
// relaxation); returning false stops it.
using DiagnosisProgress = std::function<bool(int done, int total)>;
struct Diagnosis {
    std::vector<ConflictLimit> conflicto;
    bool cancelled = false; // stopped by the caller: conflicto is empty
};
Diagnosis diagnoseConflict(const Blend& blend, const DiagnosisProgress& progress);

} // namespace lp
