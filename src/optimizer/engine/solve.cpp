#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/simplex.h"

namespace lp {

// Measured on generated blends (bench_engine, and the same blends timed per path): below about
// 35 rows the dense path is faster (it needs only a handful of pivots there, while the
// bounded path pays a fixed price for building its programme and writing the full tableau),
// from about 38 rows the bounded one, by more the larger the blend. The switch is kept at 45
// rows, above the sample diets (37 to 44 rows): they keep the path whose figures the stored
// sample formulas and the worked examples show, and the bounded path would save them about
// 7 microseconds of 17.
constexpr int kBoundedPathFromRows = 45;

bool prefersBoundedPath(const Tableau& t) {
    return t.M >= kBoundedPathFromRows;
}

bool prefersBoundedPath(const Blend& blend) {
    return countNutrientRows(blend) + countRatioRows(blend) + countGroupRows(blend) +
               countIngredientRows(blend) + 2 >=
           kBoundedPathFromRows;
}

namespace {

// The bounded search on a programme already built. Without `blend`, `t` is the assembled
// tableau: the final one is written over it, and rebuildTableau leaves it untouched when it
// gives up, so the dense path starts from it. With `blend`, `t` is first a frame of the blend's
// tableau to write the final one into, or its assembled tableau for the dense path.
SolveResult solveBoundedForm(const BoundedLp& lp, const BoundedLayout& layout, Tableau& t,
                             const Blend* blend) {
    const BoundedSolution s = solveBounded(lp);
    SolveResult res;
    if (s.status == BoundedStatus::Optimal) {
        if (blend != nullptr)
            t = assembleFrame(*blend);
        if (rebuildTableau(t, lp, layout, s)) {
            res.bounded = true;
            res.outcome = finishFromFeasibleBasis(t, res);
        }
    }
    if (!res.bounded) {
        if (blend != nullptr)
            t = assemble(*blend);
        res = solveDense(t);
    }
    res.boundedPivots = s.pivots;
    res.boundedFlips = s.flips;
    return res;
}

} // namespace

SolveResult solveBoundedPath(Tableau& t) {
    BoundedLp lp;
    BoundedLayout layout;
    if (!boundedForm(t, lp, layout))
        return solveDense(t);
    return solveBoundedForm(lp, layout, t, nullptr);
}

SolveResult solve(Tableau& t) {
    return prefersBoundedPath(t) ? solveBoundedPath(t) : solveDense(t);
}

SolvedBlend assembleAndSolve(const Blend& blend) {
    SolvedBlend out;
    BoundedLp lp;
    BoundedLayout layout;
    if (prefersBoundedPath(blend) && boundedForm(blend, lp, layout)) {
        out.result = solveBoundedForm(lp, layout, out.tableau, &blend);
        return out;
    }
    out.tableau = assemble(blend);
    out.result = solveDense(out.tableau);
    return out;
}

} // namespace lp
