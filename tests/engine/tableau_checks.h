#pragma once

#include "optimizer/engine/tableau.h"

#include <algorithm>
#include <vector>

namespace lp::checks {

// Worst violation of a row of the tableau as assembled (before solving) by the mix x, and of
// x >= 0.
inline double worstViolation(const Tableau& original, const std::vector<double>& x) {
    double worst = 0;
    for (int r = 1; r <= original.M; ++r) {
        double lhs = 0;
        for (int j = 1; j <= original.N; ++j)
            lhs += original.at(r, j) * x[j - 1];
        worst = std::max(worst, lhs - original.at(r, original.rhs()));
    }
    for (double v : x)
        worst = std::max(worst, -v);
    return worst;
}

} // namespace lp::checks
