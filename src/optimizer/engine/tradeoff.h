#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/conflict.h"
#include "optimizer/engine/limit_checks.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace lp {

// A second goal the cost is traded against: a content over the blend's ingredients (per unit of
// dry matter, like Blend::valor; any nutrient of the catalogue, or a footprint brought in as one),
// taken on the blend's nutrient basis as its limits are. To lower it the curve bounds it from
// above (g <= v); to raise it, from below (g >= v).
struct TradeoffGoal {
    std::string nombre;
    std::vector<double> valor; // one per ingredient of the blend, in the blend's order
    bool aumentar = false;
};

// The goal of nutrient n of the blend.
TradeoffGoal nutrientGoal(const Blend& blend, std::size_t n, bool aumentar);

// The goal's value in the mix of these shares (on the blend's ingredient basis), as a nutrient
// limit of the blend would read it.
double goalValue(const Blend& blend, const TradeoffGoal& goal, const std::vector<double>& shares);

// Whether a bound on the goal is a right-hand side of its row, so that the least cost is convex
// and piecewise linear in it; with as-fed shares and dry-basis limits the bound sits inside the
// row's coefficients and the cost is not straight between vertices.
bool goalIsLinear(const Blend& blend);

// A point of the curve where the optimal mix changes direction.
struct TradeoffVertex {
    double valor = 0; // the goal in the mix
    double costo = 0; // per unit of mix on the blend's ingredient basis (what it minimises)
    std::vector<double> mezcla; // shares on the blend's ingredient basis
    // Indices into Blend::ingredients that join the mix after this vertex, or leave it, compared
    // with the stretch before it (the first vertex compares with its own mix).
    std::vector<std::size_t> entran, salen;
};

enum class TradeoffStatus {
    Ok,       // vertices found; one when the least-cost mix already has the best goal any mix has
    Constant, // every mix that meets the limits has the same goal: one vertex
    Invalid,  // the goal's values do not match the blend's ingredients, or are not numbers
    LimitIssues, // ratio or group limits no mix can meet (problemas)
    Infeasible,  // no mix meets the limits (conflicto)
    StepLimit,   // the walk took as many steps as a walk in exact arithmetic never needs
    Failed,      // the engine stopped short of an optimum
};

struct TradeoffCurve {
    TradeoffStatus status = TradeoffStatus::Failed;
    // From the least-cost mix (the one with the best goal among the cheapest) towards the least
    // goal any mix reaches (the most, when raising it). Between two vertices the optimal mix is
    // the blend of theirs that reaches the value.
    std::vector<TradeoffVertex> vertices;
    bool lineal = true; // goalIsLinear: the cost is convex and straight between vertices
    std::vector<LimitIssue> problemas;
    std::vector<ConflictLimit> conflicto;
    std::string mensaje; // in Spanish, for every status but Ok
    long pivots = 0;
};

// The exact curve of least cost against the goal: the blend is solved, the goal bounded at the
// optimum's value, and the bound moved by parametric pivots on the final tableau to the far end
// of what the limits allow.
TradeoffCurve tradeoffCurve(const Blend& blend, const TradeoffGoal& goal);

struct TradeoffPoint {
    double valor = 0, costo = 0;
    std::vector<double> mezcla;
};

// The curve at a value v of the goal: the blend of the two vertices around it that reaches v, and
// its cost. Empty outside the curve's range.
std::optional<TradeoffPoint> tradeoffAt(const Blend& blend, const TradeoffGoal& goal,
                                        const TradeoffCurve& curve, double v);

} // namespace lp
