#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/simplex.h"

namespace lp {

// Measured on generated blends (bench_engine and the same blends timed per path): up to
// about 20 x 10 (40 rows) the two paths take the same time within the noise, and below
// 10 x 5 (20 rows) the dense one is clearly faster: it needs only a handful of pivots there,
// while the bounded path pays a fixed price for building its programme and rewriting the
// full tableau. From 20 x 15 (about 50 rows) on the bounded path is faster, by more the
// larger the blend (its pivots touch the binding rows only, and it needs fewer of them).
constexpr int kBoundedPathFromRows = 45;

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
