#pragma once

#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/tableau.h"

#include <vector>

namespace lp {

// Where the rows of an assembled tableau went in its bounded form: the general rows 1..K
// (nutrient, ratio and group rows) are rows 0..K-1 of the bounded programme, the two quantity rows
// its ranged row K, and each ingredient's minimum and maximum rows the bounds of its column.
struct BoundedLayout {
    int K = 0;
    std::vector<int> minRow, maxRow;    // [1..N]: tableau row of each limit (0: none)
    std::vector<double> minRhs, maxRhs; // [1..N]: their right-hand sides
    std::vector<bool> lowerFromRow;     // [1..N]: the lower bound is the minimum row's
    double range = 0;                   // width of the band of the sum of shares
};

// The bounded programme of a tableau in the layout assemble() writes (slack basis, one
// minimum row and at most one maximum row per ingredient, the two quantity rows last).
// Returns false for any other tableau, or when a column's bounds are empty.
bool boundedForm(const Tableau& t, BoundedLp& lp, BoundedLayout& layout);

// The same bounded programme and layout written straight from the blend, without the
// tableau: equal entry for entry to boundedForm(assemble(blend)).
bool boundedForm(const Blend& blend, BoundedLp& lp, BoundedLayout& layout);

// Writes into `t` (still as assembled) the final tableau of the basis the bounded simplex
// ended on: every row, label, slack and column in place, rows and reduced costs as the
// dense path would hold them for that basis. Returns false, leaving `t` untouched, when a
// right-hand side of that tableau would fail the feasibility test.
bool rebuildTableau(Tableau& t, const BoundedLp& lp, const BoundedLayout& layout,
                    const BoundedSolution& s);

} // namespace lp
