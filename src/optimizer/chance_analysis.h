#pragma once

#include "optimizer/engine/chance.h"
#include "optimizer/engine/sensitivity.h"

#include <optional>
#include <vector>

namespace optimizer {

// The sensitivity rows of a mix that chance limits moved away from the linear optimum, from
// the linear programme in which each chance limit the mix touches is replaced by its tangent at
// the mix. The tangents are the limits' own linearisation there: the mix meets the same
// optimality conditions in both programmes, so a price or a limit keeps it optimal in the one
// exactly as long as in the other, and the programme's duals are the formula's prices.
struct LinearisedAnalysis {
    std::vector<lp::AnalysisRow> rows;
    // The programme's optimal vertex is the mix: every row is about it. Otherwise the mix lies
    // inside a face of optima and only the dual figures hold for it, so `rows` keeps the limits
    // with a price (a limit with one binds in every optimum) and the ingredients out of the mix
    // (what their price must fall by to enter), and leaves out the price ranges of those in it.
    bool complete = false;
};
// None when that programme cannot be solved.
std::optional<LinearisedAnalysis> linearisedAnalysis(const lp::Blend& blend,
                                                     const lp::ChanceLimits& chance,
                                                     const std::vector<double>& mix);

// The same programme: the blend with each touched chance limit as a nutrient row of its own
// (same id and name) whose values are the tangent's, the plain row losing that limit. For tests
// that compare it with the chance-limited formula.
lp::Blend linearisedBlend(const lp::Blend& blend, const lp::ChanceLimits& chance,
                          const std::vector<double>& mix);

} // namespace optimizer
