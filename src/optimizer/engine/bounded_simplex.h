#pragma once

#include <cstddef>
#include <limits>
#include <vector>

namespace lp {

// A linear programme with bounded columns: minimise cost x over A x + s = b, where every
// structural column j lies in [lower[j], upper[j]] and the logical s_i of row i lies in
// [lower[n + i], upper[n + i]]. A is dense, m x n, row-major.
struct BoundedLp {
    static constexpr double kInfinity = std::numeric_limits<double>::infinity();

    int m = 0; // rows
    int n = 0; // structural columns
    std::vector<double> a;
    std::vector<double> b;
    std::vector<double> cost;         // n
    std::vector<double> lower, upper; // n + m
    int sumRow = -1; // a row with +1 in every structural column, used to start from when a
                     // cost is negative; -1 when there is none
    // Rows that are zero outside a short span of columns (the blocks of a plan): each row is
    // then priced over its own span only. Off for a blend, whose rows span every column.
    bool spanRows = false;

    double at(int i, int j) const { return a[static_cast<std::size_t>(i) * n + j]; }
};

// The inverse basis B^-1 by columns. The column of a row whose own logical is basic in
// position p is the unit vector e_p and is not stored; each other row (an "open" row: on a
// blend about one in five, the binding limits) has a slot with its column, m entries. So a
// product with B^-1 costs (open rows) x (rows), and every loop runs over contiguous memory.
struct InverseColumns {
    int m = 0;
    std::vector<double> values; // slots x m
    std::vector<int> open;      // the row of each slot

    const double* column(int s) const { return &values[static_cast<std::size_t>(s) * m]; }
    double* column(int s) { return &values[static_cast<std::size_t>(s) * m]; }
    int slots() const { return static_cast<int>(open.size()); }
};

enum class BoundedStatus { Optimal, Infeasible, Failed };
enum class ColumnState { Basic, AtLower, AtUpper };

struct BoundedSolution {
    BoundedStatus status = BoundedStatus::Failed;
    long pivots = 0;
    long flips = 0;
    std::vector<int> head;          // m: the column basic in each row
    std::vector<ColumnState> state; // n + m
    std::vector<double> x;          // n + m: values of every column
    std::vector<double> d;          // n + m: reduced costs (0 on basic columns)
    InverseColumns inverse;
    // On Infeasible: the row of B^-1 whose basic value no move of the others brings within its
    // bounds, by row. A row with a 0 there plays no part in that proof: without it there is
    // still no mix.
    std::vector<double> farkas;
    int width() const { return static_cast<int>(x.size()); }
};

// Rows positions[0..count) of the final tableau B^-1 [A | I] of an optimal solution, n + m
// entries each, row k at out + k (n + m); count is at most 4 and out has room for 4 rows.
void tableauRows(const BoundedLp& lp, const BoundedSolution& s, const int* positions, int count,
                 double* out);

// Limits of the bounded dual simplex: beyond them it gives up (Failed) and the caller falls
// back to the dense two-phase path.
constexpr int kBoundedStallLimit = 50;
long boundedPivotLimit(int rows, int columns);

// Dual simplex with bounded columns from the slack basis: the leaving row by dual steepest
// edge, a bound-flipping ratio test with Harris' tolerance. After kBoundedStallLimit pivots
// without a rise of the cost it perturbs the costs; after as many more it runs on Bland's
// rule (least index leaves, least index of the smallest ratio enters, no flips) until the
// cost rises again, so it cannot cycle. The reduced costs it returns are those of the true
// costs, and may be slightly negative after a perturbation, unless `cleanUp` asks for primal
// pivots on the true costs at the end (a blend leaves that to the dense path's phase 2).
BoundedSolution solveBounded(const BoundedLp& lp, bool cleanUp = false);

// The same search started from the basis (heads and inverse) of `start`, a solution of a
// programme that differs from `lp` in its bounds only, as a branch and bound's child differs
// from its parent. Falls back to the slack basis when that basis is not dual feasible here.
BoundedSolution solveBoundedFrom(const BoundedLp& lp, const BoundedSolution& start,
                                 bool cleanUp = false);

} // namespace lp
