#pragma once

#include "optimizer/engine/tableau.h"

namespace lp {

enum class Outcome { Optimum, NoLeavingRow, IterationLimit, Infeasible, NotStandard };

struct SolveResult {
    Outcome outcome = Outcome::Optimum;
    bool phase1LimitReached = false; // phase 1 used every pass it is allowed
    long phase1Passes = 0;
    long phase1Pivots = 0;
    long phase2Pivots = 0;
    bool bounded = false;   // solved by the bounded dual simplex (the dense path otherwise)
    long boundedPivots = 0; // its pivots, also when it gave way to the dense path
    long boundedFlips = 0;  // columns it moved from one bound to the other without a pivot
    // On the infeasible outcome: a row whose right-hand side stays below 0 with no entry that
    // could raise it, the proof that no mix exists (0 when phase 1 ran out of passes). Its slack
    // columns hold the weights of the rows the proof combines (a row of the inverse basis): a
    // row of weight 0 plays no part in it.
    int proofRow = 0;
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

// Solves the tableau in place and leaves the final tableau of its basis in the layout it
// arrived in. Small blends take the dense path, larger ones the bounded path (see solve.cpp).
SolveResult solve(Tableau& t);

// The dense path: both phases on the tableau in place. Phase 1 is a dual simplex from the
// slack basis (see simplex.cpp); phase 2 the primal simplex. On the infeasible outcome the
// shares of the basic ingredients are clipped at 0 and rescaled to sum to 1 (left as they are
// when they sum to 0).
SolveResult solveDense(Tableau& t);

// The bounded path: the ingredient limits become column bounds and the two quantity rows one
// ranged row of a much smaller programme, solved by a bounded dual simplex; its optimal basis
// is then written back as the full tableau. A tableau not in the assembled layout, and a
// search that fails or finds no feasible mix, go to the dense path from the start, so the
// infeasible outcome writes back the same normalised mix.
SolveResult solveBoundedPath(Tableau& t);

// Whether solve() takes the bounded path for a tableau of this size, and for the tableau
// of a blend.
bool prefersBoundedPath(const Tableau& t);
bool prefersBoundedPath(const Blend& blend);

// Assembles and solves a blend: the tableau and result solve(assemble(blend)) gives, entry
// for entry. On the bounded path the assembled tableau is never built: the bounded programme
// is written from the blend and the final tableau into a frame of it.
struct SolvedBlend {
    Tableau tableau;
    SolveResult result;
};
SolvedBlend assembleAndSolve(const Blend& blend);

// Phase 2 of the dense path on a feasible tableau in standard form (no pivot when no reduced
// cost is negative): what finishes a tableau rebuilt from a basis found elsewhere.
Outcome finishFromFeasibleBasis(Tableau& t, SolveResult& res);

} // namespace lp
