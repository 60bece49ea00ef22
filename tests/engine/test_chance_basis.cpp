// The basis the chance rounds carry from one programme to the next: its inverse extended over
// appended rows and shrunk with dropped ones must stay the inverse of the basis it names.

#include "optimizer/engine/chance_basis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using namespace lp;

// Rows A x >= b over shares in [0, 1], positive costs: the slack basis is dual feasible and the
// optimum sits on a few of the rows.
BoundedLp coverProgramme(std::mt19937& rng, int m, int n) {
    std::uniform_real_distribution<double> u(0.1, 1.0);
    BoundedLp lp;
    lp.m = m;
    lp.n = n;
    for (int i = 0; i < m * n; ++i)
        lp.a.push_back(u(rng));
    for (int i = 0; i < m; ++i)
        lp.b.push_back(1 + u(rng));
    for (int j = 0; j < n; ++j)
        lp.cost.push_back(u(rng));
    lp.lower.assign(size_t(n), 0.0);
    lp.upper.assign(size_t(n), 1.0);
    lp.lower.resize(size_t(n + m), -BoundedLp::kInfinity);
    lp.upper.resize(size_t(n + m), 0.0);
    return lp;
}

void appendRow(BoundedLp& lp, std::mt19937& rng, double rhs) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int j = 0; j < lp.n; ++j)
        lp.a.push_back(u(rng));
    lp.b.push_back(rhs);
    lp.lower.push_back(0.0);
    lp.upper.push_back(BoundedLp::kInfinity);
    ++lp.m;
}

// Every stored column is B^-1 of its row's unit vector, and the open rows are exactly those
// whose logical is not basic.
void expectInverseOfBasis(const BoundedLp& lp, const BoundedSolution& s) {
    const InverseColumns& inv = s.inverse;
    ASSERT_EQ(inv.m, lp.m);
    ASSERT_EQ(int(s.head.size()), lp.m);
    std::vector<bool> basicLogical(size_t(lp.m), false);
    for (int j : s.head)
        if (j >= lp.n)
            basicLogical[size_t(j - lp.n)] = true;
    std::vector<bool> open(size_t(lp.m), false);
    for (int row : inv.open)
        open[size_t(row)] = true;
    for (int i = 0; i < lp.m; ++i)
        EXPECT_NE(open[size_t(i)], basicLogical[size_t(i)]) << "row " << i;
    for (int o = 0; o < inv.slots(); ++o) {
        std::vector<double> product(size_t(lp.m), 0.0);
        for (int p = 0; p < lp.m; ++p) {
            const double v = inv.column(o)[p];
            const int j = s.head[size_t(p)];
            if (j >= lp.n)
                product[size_t(j - lp.n)] += v;
            else
                for (int i = 0; i < lp.m; ++i)
                    product[size_t(i)] += lp.at(i, j) * v;
        }
        for (int i = 0; i < lp.m; ++i)
            EXPECT_NEAR(product[size_t(i)], i == inv.open[size_t(o)] ? 1.0 : 0.0, 1e-10)
                << "slot " << o << " row " << i;
    }
}

double objectiveOf(const BoundedLp& lp, const BoundedSolution& s) {
    double c = 0;
    for (int j = 0; j < lp.n; ++j)
        c += lp.cost[size_t(j)] * s.x[size_t(j)];
    return c;
}

TEST(ChanceBasis, ExtendsAndShrinksTheInverseAsAFreshOneWould) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 6; ++trial) {
        BoundedLp lp = coverProgramme(rng, 10, 16);
        BoundedSolution s = solveBounded(lp, true);
        ASSERT_EQ(s.status, BoundedStatus::Optimal);
        expectInverseOfBasis(lp, s);

        // Appended rows, the first cutting the optimum off: the extension is the inverse of
        // the carried basis, the same as a fresh one, and the warm start reaches the optimum
        // a start from the slack basis finds.
        const int from = lp.m;
        appendRow(lp, rng, -0.5);
        appendRow(lp, rng, 5.0);
        appendRow(lp, rng, 5.0);
        bool extended = false;
        std::optional<BoundedSolution> start = withRowsAppended(lp, s, from, extended);
        ASSERT_TRUE(start && extended);
        expectInverseOfBasis(lp, *start);
        BoundedSolution fresh = *start;
        ASSERT_TRUE(refactor(lp, fresh));
        expectInverseOfBasis(lp, fresh);
        const BoundedSolution warm = solveBoundedFrom(lp, *start, true);
        const BoundedSolution cold = solveBounded(lp, true);
        ASSERT_EQ(warm.status, cold.status);
        if (cold.status == BoundedStatus::Optimal) {
            EXPECT_NEAR(objectiveOf(lp, warm), objectiveOf(lp, cold), 1e-9);
        }

        // An inverse of other rows is not extended but computed afresh.
        BoundedSolution stale = s;
        stale.inverse.m = from - 1;
        start = withRowsAppended(lp, stale, from, extended);
        ASSERT_TRUE(start);
        EXPECT_FALSE(extended);
        expectInverseOfBasis(lp, *start);

        // Dropping rows whose logicals are basic keeps the inverse of what is left, and the
        // optimum with it.
        if (cold.status != BoundedStatus::Optimal)
            continue;
        BoundedSolution kept = cold;
        std::vector<bool> drop(size_t(lp.m), false);
        int dropped = 0;
        for (int i = 0; i < lp.m; ++i)
            if (kept.state[size_t(lp.n + i)] == ColumnState::Basic && i % 2 == 0) {
                drop[size_t(i)] = true;
                ++dropped;
            }
        ASSERT_GT(dropped, 0);
        const double before = objectiveOf(lp, kept);
        dropRows(lp, kept, drop);
        expectInverseOfBasis(lp, kept);
        const BoundedSolution again = solveBoundedFrom(lp, kept, true);
        ASSERT_EQ(again.status, BoundedStatus::Optimal);
        EXPECT_EQ(again.pivots, 0);
        EXPECT_NEAR(objectiveOf(lp, again), before, 1e-9);
    }
}

} // namespace
