#pragma once

#include "optimizer/engine/tableau.h"

namespace lp {

enum class Outcome { Optimum, NoLeavingRow, IterationLimit, Infeasible, NotStandard };

struct SolveResult {
    Outcome outcome = Outcome::Optimum;
    bool phase1LimitReached = false; // phase 1 used every pass it is allowed
    long phase1Passes = 0;
    long phase2Pivots = 0;
};

constexpr long kPhase1PassLimit = 99999;
constexpr long kPhase2PivotLimit = 1000000;

// Tolerances. Shares lie in [0, 1]; compositions run from trace amounts (0.01 %) to energy in
// kcal (about 4000) and costs from cents to a few hundred per unit, so a genuine entry of the
// tableau is far above 1e-9 of its row's largest entry, while round-off leaves residues of
// 1e-16 of it (1e-17 on share-sized rows) where exact arithmetic would give 0.
//  - kPivotTolerance: an entry of at most 1e-9 times the largest entry of its row (phase 1)
//    or column (phase 2), and at least 1e-9, is a residue; it never becomes a pivot nor limits
//    a ratio. A residue pivot turns noise into a "share" and breaks other limits.
//  - kFeasibilityTolerance: a right-hand side above -1e-9 is not a violated limit; 1e-9 of a
//    share is a millionth of a gram in a tonne.
//  - kOptimalityTolerance: a reduced cost above -1e-11 is not an improvement; what is left on
//    the table is at most 1e-11 per unit of a slack (slacks stay below about 1e4), far under
//    1e-7 of any real cost, while residues of the cost row stay near 1e-15.
constexpr double kPivotTolerance = 1e-9;
constexpr double kFeasibilityTolerance = 1e-9;
constexpr double kOptimalityTolerance = 1e-11;

// Pivots on (p, q): divides row p by the pivot unless it is 1, then eliminates column q from
// every other row whose entry there is not 0. Column q ends as an exact unit column.
void pivot(Tableau& t, int p, int q);

// Both phases on the tableau in place. Phase 1 is a dual simplex from the slack basis (see
// simplex.cpp); phase 2 the primal simplex. On the infeasible outcome the shares of the basic
// ingredients are clipped at 0 and rescaled to sum to 1 (left as they are when they sum to 0).
SolveResult solve(Tableau& t);

} // namespace lp
