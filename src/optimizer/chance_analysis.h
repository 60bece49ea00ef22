#pragma once

#include "optimizer/engine/chance.h"
#include "optimizer/engine/sensitivity.h"

#include <optional>
#include <vector>

namespace optimizer {

// The sensitivity rows of a mix that chance limits moved away from the linear optimum, from
// the linear programme in which each chance limit the mix touches is replaced by its tangent at
// the mix. The tangents are the limits' own linearisation there: the mix meets the same
// optimality conditions in both programmes, so while the mix is that programme's optimal vertex
// a price or a limit keeps it optimal in the one exactly as long as in the other, and the
// programme's duals are the formula's prices. None when the programme's optimum is another
// vertex (the mix lies inside a face of its optima, where a vertex's duals need not be the
// mix's) or the programme cannot be solved.
std::optional<std::vector<lp::AnalysisRow>> linearisedAnalysis(const lp::Blend& blend,
                                                               const lp::ChanceLimits& chance,
                                                               const std::vector<double>& mix);

// The same programme: the blend with each touched chance limit as a nutrient row of its own
// (same id and name) whose values are the tangent's, the plain row losing that limit. For tests
// that compare it with the chance-limited formula.
lp::Blend linearisedBlend(const lp::Blend& blend, const lp::ChanceLimits& chance,
                          const std::vector<double>& mix);

} // namespace optimizer
