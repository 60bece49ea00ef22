#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/simplex.h"

namespace lp {

// Measured on generated blends (bench_engine): from about ten ingredients and five nutrient
// limits on (20 rows) the bounded path is the faster, and its lead grows with the size, as
// its pivots touch a tableau of K + 1 rows instead of K + L + 2 and it needs fewer of them.
// Below that, building the bounded form and rewriting the full tableau cost more than the
// few dense pivots they save.
constexpr int kBoundedPathFromRows = 20;

bool prefersBoundedPath(const Tableau& t) {
    return t.M >= kBoundedPathFromRows;
}

SolveResult solveBoundedPath(Tableau& t) {
    BoundedLp lp;
    BoundedLayout layout;
    if (!boundedForm(t, lp, layout))
        return solveDense(t);
    const BoundedSolution s = solveBounded(lp);
    if (s.status != BoundedStatus::Optimal || !rebuildTableau(t, lp, layout, s)) {
        SolveResult res = solveDense(t);
        res.boundedPivots = s.pivots;
        res.boundedFlips = s.flips;
        return res;
    }
    SolveResult res;
    res.bounded = true;
    res.boundedPivots = s.pivots;
    res.boundedFlips = s.flips;
    res.outcome = finishFromFeasibleBasis(t, res);
    return res;
}

SolveResult solve(Tableau& t) {
    return prefersBoundedPath(t) ? solveBoundedPath(t) : solveDense(t);
}

} // namespace lp
