#pragma once

#include "optimizer/engine/bounded_simplex.h"

#include <vector>

namespace lp {

// The last optimal basis of a programme that grows by rows: the column basic in each row, the
// states of every column and B^-1 by rows (dense), kept between the rounds of a chance run.
struct ChanceBasis {
    int m = 0;
    std::vector<int> head;
    std::vector<ColumnState> state;
    std::vector<double> x;
    std::vector<double> inverse; // m x m, row-major
};

// Solves `lp`, whose rows are those of the last solve followed by new ones, by the bounded dual
// simplex from `basis` with the new rows' logicals basic (from the slack basis the first time),
// and keeps the final basis in `basis`.
BoundedSolution resolveWithRows(const BoundedLp& lp, ChanceBasis& basis);

} // namespace lp
