#include "blend_generator.h"
#include "optimizer/engine/block_basis.h"
#include "optimizer/engine/block_lp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace lp;
using generator::Rng;

// Blocks of 2 to 7 rows over 4 to 10 columns, with a few zeros, and link rows that each column
// counts in with even odds.
BlockLp randomBlocks(Rng& rng, int blocks, int links) {
    BlockLp lp;
    for (int f = 0; f < blocks; ++f) {
        BlockLp::Block b;
        b.row0 = lp.m;
        b.rows = rng.integer(2, 7);
        b.col0 = lp.n;
        b.cols = rng.integer(b.rows, 10);
        for (int k = 0; k < b.rows * b.cols; ++k)
            b.a.push_back(rng.chance(0.2) ? 0.0 : rng.uniform(-5, 5));
        lp.m += b.rows;
        lp.n += b.cols;
        for (int i = 0; i < b.rows; ++i)
            lp.blockOfRow.push_back(f);
        for (int j = 0; j < b.cols; ++j) {
            lp.blockOfColumn.push_back(f);
            const bool linked = rng.chance(0.5);
            lp.link.push_back(linked ? rng.integer(0, links - 1) : -1);
            lp.linkCoef.push_back(linked ? rng.uniform(0.1, 3) : 0.0);
        }
        lp.blocks.push_back(std::move(b));
    }
    lp.linkRow0 = lp.m;
    lp.links = links;
    lp.m += links;
    lp.blockOfRow.resize(lp.m, -1);
    return lp;
}

// The basis matrix of these heads, dense and row-major.
std::vector<double> basisMatrix(const BlockLp& lp, const BoundedLp& dense,
                                const std::vector<int>& head) {
    std::vector<double> b(static_cast<std::size_t>(lp.m) * lp.m, 0.0);
    for (int p = 0; p < lp.m; ++p)
        for (int i = 0; i < lp.m; ++i)
            b[static_cast<std::size_t>(i) * lp.m + p] =
                head[p] < lp.n ? dense.at(i, head[p]) : (head[p] - lp.n == i ? 1.0 : 0.0);
    return b;
}

// B (B^-1 v) = v and (B^-T c) B = c on random v and c.
void expectSolves(Rng& rng, const BlockLp& lp, const BoundedLp& dense, BlockBasis& basis,
                  const std::vector<int>& head) {
    const std::vector<double> b = basisMatrix(lp, dense, head);
    const auto m = static_cast<std::size_t>(lp.m);
    std::vector<double> v(m), z(m), c(m), y(m);
    for (std::size_t i = 0; i < m; ++i) {
        v[i] = rng.chance(0.5) ? 0.0 : rng.uniform(-1, 1);
        c[i] = rng.chance(0.5) ? 0.0 : rng.uniform(-1, 1);
    }
    basis.ftran(v.data(), z.data());
    basis.btran(c.data(), y.data());
    for (std::size_t i = 0; i < m; ++i) {
        double bz = 0, yb = 0;
        for (std::size_t k = 0; k < m; ++k) {
            bz += b[i * m + k] * z[k];
            yb += y[k] * b[k * m + i];
        }
        ASSERT_NEAR(bz, v[i], 1e-8) << "row " << i;
        ASSERT_NEAR(yb, c[i], 1e-8) << "position " << i;
    }
}

// A walk of pivots from the slack basis, each on the largest entry of the entering column,
// moving columns between blocks and the link rows' logicals in and out: after every one the
// factors still solve with the basis they describe, through rank-one updates, promotions of
// a block's extra columns and fresh factorisations alike.
TEST(BlockBasis, SolvesWithTheBasisAfterEveryReplacement) {
    Rng rng(424242);
    for (int trial = 0; trial < 6; ++trial) {
        const BlockLp lp = randomBlocks(rng, rng.integer(1, 6), rng.integer(1, 5));
        const BoundedLp dense = lp.dense();
        std::vector<int> head(lp.m);
        for (int i = 0; i < lp.m; ++i)
            head[i] = lp.n + i;
        BlockBasis basis(lp);
        ASSERT_TRUE(basis.factor(head));
        expectSolves(rng, lp, dense, basis, head);
        std::vector<double> column(lp.m), alpha(lp.m);
        for (int step = 0; step < 150; ++step) {
            int q = -1;
            while (q < 0 || basis.position(q) >= 0)
                q = rng.integer(0, lp.n + lp.m - 1);
            for (int i = 0; i < lp.m; ++i)
                column[i] = q < lp.n ? dense.at(i, q) : (q - lp.n == i ? 1.0 : 0.0);
            basis.ftranEntering(q, column.data(), alpha.data());
            const int r = static_cast<int>(
                std::max_element(alpha.begin(), alpha.end(),
                                 [](double a, double b) { return std::abs(a) < std::abs(b); }) -
                alpha.begin());
            if (std::abs(alpha[r]) < 1e-6)
                continue;
            head[r] = q;
            ASSERT_TRUE(basis.replace(r, q)) << "trial " << trial << " step " << step;
            for (int p = 0; p < lp.m; ++p)
                ASSERT_EQ(basis.column(p), head[p]);
            expectSolves(rng, lp, dense, basis, head);
        }
    }
}

// A block whose basic columns cannot span its rows is refused, not factored.
TEST(BlockBasis, RefusesASingularBlock) {
    Rng rng(7);
    BlockLp lp = randomBlocks(rng, 2, 2);
    BlockLp::Block& first = lp.blocks[0];
    // Its first two columns made equal: a basis holding both and no logical of the block's
    // other rows is singular.
    std::copy(first.column(0), first.column(0) + first.rows, first.a.begin() + first.rows);
    std::vector<int> head(lp.m);
    for (int i = 0; i < lp.m; ++i)
        head[i] = lp.n + i;
    head[first.row0] = first.col0;
    head[first.row0 + 1] = first.col0 + 1;
    BlockBasis basis(lp);
    EXPECT_FALSE(basis.factor(head));
    // A block left with fewer basic columns than rows (its logical swapped for another
    // block's column) cannot be square either.
    for (int i = 0; i < lp.m; ++i)
        head[i] = lp.n + i;
    head[first.row0] = lp.blocks[1].col0;
    EXPECT_FALSE(BlockBasis(lp).factor(head));
}

} // namespace
