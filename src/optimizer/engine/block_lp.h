#pragma once

#include "optimizer/engine/bounded_simplex.h"

#include <vector>

namespace lp {

// A bounded programme in block-angular form: minimise cost x over A x + s = b, where the rows
// come in blocks, each over its own span of columns, followed by `links` rows that join the
// blocks, and each column has at most one entry in a link row. Bounds as in BoundedLp: columns
// first (n), then the logical of each row (m).
struct BlockLp {
    struct Block {
        int row0 = 0, rows = 0;
        int col0 = 0, cols = 0;
        std::vector<double> a; // rows x cols, column by column
        const double* column(int jj) const {
            return &a[static_cast<std::size_t>(jj) * static_cast<std::size_t>(rows)];
        }
    };

    int m = 0, n = 0;
    int links = 0;    // the last rows of the programme
    int linkRow0 = 0; // the first of them
    std::vector<Block> blocks;
    std::vector<int> blockOfColumn;   // n
    std::vector<int> blockOfRow;      // m: -1 on a link row
    std::vector<int> link;            // n: link (0..links) a column counts in, -1 none
    std::vector<double> linkCoef;     // n: its entry there
    std::vector<double> b;            // m
    std::vector<double> cost;         // n
    std::vector<double> lower, upper; // n + m
    // n, or empty: added to the costs while searching, when the costs alone tie almost
    // everywhere (one ingredient's usage, say); the end is priced on the costs alone.
    std::vector<double> tieBreak;

    // The same programme with a dense matrix.
    BoundedLp dense() const;
};

// The bounded dual simplex of solveBounded on a block-angular programme, with the basis kept
// by block (see block_basis.h) instead of as a dense inverse. The solution carries no inverse.
// Failed when the search gives up or the basis cannot be factored.
BoundedSolution solveBlocks(const BlockLp& lp);

} // namespace lp
