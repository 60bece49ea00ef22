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
    int rows = 2;
    for (const Nutrient& n : blend.nutrients)
        rows += (n.minimo ? 1 : 0) + (n.maximo ? 1 : 0);
    for (const Ingredient& i : blend.ingredients)
        rows += i.maximo ? 2 : 1;
    return rows >= kBoundedPathFromRows;
}

namespace {

// The bounded search on a programme already built. With an optimal basis, `frame` gives the
// tableau it is written into (the assembled one, or a frame of it); otherwise `assembled`
// gives the assembled tableau the dense path solves from the start.
template <typename Frame, typename Assembled>
SolveResult solveBoundedForm(const BoundedLp& lp, const BoundedLayout& layout, Tableau& t,
                             Frame frame, Assembled assembled) {
    const BoundedSolution s = solveBounded(lp);
    SolveResult res;
    if (s.status == BoundedStatus::Optimal) {
        frame(t);
        if (rebuildTableau(t, lp, layout, s)) {
            res.bounded = true;
            res.outcome = finishFromFeasibleBasis(t, res);
        }
    }
    if (!res.bounded) {
        assembled(t);
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
    // rebuildTableau leaves `t` untouched when it gives up, so the dense path starts from
    // the assembled tableau.
    return solveBoundedForm(
        lp, layout, t, [](Tableau&) {}, [](Tableau&) {});
}

SolveResult solve(Tableau& t) {
    return prefersBoundedPath(t) ? solveBoundedPath(t) : solveDense(t);
}

SolvedBlend assembleAndSolve(const Blend& blend) {
    SolvedBlend out;
    BoundedLp lp;
    BoundedLayout layout;
    if (prefersBoundedPath(blend) && boundedForm(blend, lp, layout)) {
        out.result = solveBoundedForm(
            lp, layout, out.tableau, [&](Tableau& t) { t = assembleFrame(blend); },
            [&](Tableau& t) { t = assemble(blend); });
        return out;
    }
    out.tableau = assemble(blend);
    out.result = solveDense(out.tableau);
    return out;
}

} // namespace lp
