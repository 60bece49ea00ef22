#pragma once

#include "optimizer/engine/blend.h"

#include <string>
#include <vector>

namespace lp {

// A ratio or group limit that no mix can meet, or that cannot be computed, found before
// assembly. `valor` is the limit as set and `referencia` what it is compared with (the batch,
// the sum of the members' minimums or maximums, the most or least a ratio reaches), for a
// caller that words it its own way.
struct LimitIssue {
    enum Problem {
        RatioNutrientMissing,      // a nutrient of the ratio is not among the blend's
        RatioDivisorZero,          // the divisor is 0 in every ingredient of the blend
        RatioMinimumUnreachable,   // above the most the ratio reaches within ingredient limits
        RatioMaximumUnreachable,   // below the least it reaches
        LimitsCrossed,             // the minimum is above the maximum
        GroupMinimumAboveBatch,    // the group's minimum is above the batch quantity
        GroupMinimumUnreachable,   // above what its members' maximums allow together
        GroupMaximumBelowMinimums, // below the sum of its members' minimums
    };
    Problem problem = LimitsCrossed;
    LimitRef limit; // kind Ratio or Group, the side at fault
    std::string nombre;
    double valor = 0, referencia = 0;
    std::string mensaje; // in Spanish, naming the limit
};

// Every problem of the blend's ratio and group limits, ratios first, in the blend's order.
// Empty when they may go to the engine; a blend with problems must not (a ratio with nothing
// to divide by means nothing, and the others leave no mix to find).
std::vector<LimitIssue> checkRatiosAndGroups(const Blend& blend);

} // namespace lp
