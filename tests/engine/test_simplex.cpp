#include "blend_generator.h"
#include "example_blends.h"
#include "glpk_reference.h"
#include "optimizer/engine/engine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace lp {
namespace {

using examples::ingredient;

// A hand-made tableau: `rows` gives rows 1..M as ingredient coefficients followed by the
// right-hand side; slacks are the identity, the basis the slacks.
Tableau handMade(const std::vector<double>& costs, const std::vector<std::vector<double>>& rows) {
    const int n = static_cast<int>(costs.size());
    Tableau t(n, static_cast<int>(rows.size()) - 2, 0);
    for (int j = 1; j <= n; ++j)
        t.at(0, j) = costs[j - 1];
    for (int r = 1; r <= t.M; ++r) {
        for (int j = 1; j <= n; ++j)
            t.at(r, j) = rows[r - 1][j - 1];
        t.at(r, t.N + r) = 1;
        t.at(r, t.rhs()) = rows[r - 1][n];
    }
    return t;
}

TEST(Simplex, WorkedExampleReachesTheOptimum) {
    Tableau t = assemble(examples::twoIngredientBlend());
    const SolveResult r = solve(t);
    EXPECT_EQ(r.outcome, Outcome::Optimum);
    EXPECT_FALSE(r.phase1LimitReached);
    const std::vector<double> x = shares(t);
    EXPECT_NEAR(x[0], 0.5925926, 5e-8);
    EXPECT_NEAR(x[1], 0.4074074, 5e-8);
    EXPECT_NEAR(x[0] + x[1], 0.99999999, 1e-15);
    EXPECT_NEAR(t.at(0, t.rhs()), -18.148148, 5e-7);
}

TEST(Simplex, InfeasibleBlendsWriteTheNormalisedMix) {
    Tableau t = assemble(examples::infeasibleBlend());
    EXPECT_EQ(solve(t).outcome, Outcome::Infeasible);
    const std::vector<double> x = shares(t);
    EXPECT_NEAR(x[0], 0.952381, 5e-7);
    EXPECT_NEAR(x[1], 0.047619, 5e-7);

    // A row that stays negative with no negative entry, and no ingredient basic: the shares
    // sum to 0 and are left at 0.
    Tableau none = handMade({1}, {{1, -1}, {1, 1}, {0, 0}});
    EXPECT_EQ(solve(none).outcome, Outcome::Infeasible);
    EXPECT_EQ(shares(none), std::vector<double>{0});
}

TEST(Simplex, CheapestIngredientAloneSitsAtTheLowerEndOfTheBand) {
    Blend b;
    b.cantidad = 1000;
    b.ingredients = {ingredient(1, "Cara", 5, 90), ingredient(2, "Barata", 1, 90),
                     ingredient(3, "Media", 3, 90)};
    b.nutrients = {{1, "Proteína", 5.0, std::nullopt}};
    b.valor = {{10, 10, 10}};
    Tableau t = assemble(b);
    EXPECT_EQ(solve(t).outcome, Outcome::Optimum);
    EXPECT_EQ(shares(t), (std::vector<double>{0, 0.99999999, 0}));
}

TEST(Simplex, Phase1EnteringColumnAndTieBreaks) {
    auto entering = [](const std::vector<double>& costs, const std::vector<double>& row) {
        std::vector<double> r = row;
        r.push_back(-1);
        Tableau t = handMade(costs, {r, std::vector<double>(costs.size() + 1, 0),
                                     std::vector<double>(costs.size() + 1, 0)});
        solve(t);
        return t.varBasica[1];
    };
    // Equal most-negative entries: the smaller cost-row entry, then the lower column.
    EXPECT_EQ(entering({5, 4, 3}, {-2, -2, -2}), 3);
    EXPECT_EQ(entering({5, 3, 3}, {-2, -2, -2}), 2);
    // Equal cost per unit of entry: the more negative entry.
    EXPECT_EQ(entering({1, 2}, {-1, -2}), 2);
    // Otherwise the smallest cost per unit of entry, not the most negative entry: choosing
    // the second column would make the first one's reduced cost negative.
    EXPECT_EQ(entering({1, 10}, {-1, -2}), 1);
}

// Round-off never becomes a pivot. In phase 2 a residue of 1e-17 in the entering column
// would "limit" the step to 0 and stop at cost 0 instead of -1; in phase 1 an entry of
// -1.2e-9 in a row of energy figures in the thousands is a residue of such a row.
TEST(Simplex, ResiduesAreNeverPivots) {
    Tableau t = handMade({-1}, {{1e-17, 0}, {1, 1}, {0, 0}});
    EXPECT_EQ(solve(t).outcome, Outcome::Optimum);
    EXPECT_EQ(t.varBasica[2], 1);
    EXPECT_NEAR(t.at(0, t.rhs()), 1, 1e-15);

    Tableau big = handMade({50, 0}, {{-3000, -1.2e-9, -22000}, {1, 1, 10}, {0, 0, 0}});
    EXPECT_EQ(solve(big).outcome, Outcome::Optimum);
    EXPECT_EQ(big.varBasica[1], 1);
    EXPECT_NEAR(big.at(0, big.rhs()), -50 * 22000.0 / 3000, 1e-9);
}

TEST(Simplex, Phase2TieGoesToTheLowerRow) {
    Tableau t = handMade({-1}, {{1, 1}, {1, 1}, {1, 2}});
    const SolveResult r = solve(t);
    EXPECT_EQ(r.outcome, Outcome::Optimum);
    EXPECT_EQ(t.varBasica[1], 1);
    EXPECT_EQ(t.varBasica[2], 3);
}

// Beale's example cycles forever under the most-negative-cost rule with these tie-breaks;
// the switch to Bland's rule on a stall ends it at the optimum -5/4.
TEST(Simplex, DegenerateCyclingExampleEnds) {
    Tableau t = handMade({-0.75, 20, -0.5, 6},
                         {{0.25, -8, -1, 9, 0}, {0.5, -12, -0.5, 3, 0}, {0, 0, 1, 0, 1}});
    const SolveResult r = solve(t);
    EXPECT_EQ(r.outcome, Outcome::Optimum);
    EXPECT_LT(r.phase2Pivots, 200);
    EXPECT_NEAR(t.at(0, t.rhs()), 1.25, 1e-12);
}

TEST(Simplex, NegativeCostsStartFromTheQuantityRow) {
    // An ingredient one is paid to take, capped at 300 of 1000.
    Blend b;
    b.cantidad = 1000;
    b.ingredients = {ingredient(1, "Pagado", -0.5, 90, std::nullopt, 300.0),
                     ingredient(2, "Caro", 2, 90), ingredient(3, "Barato", 1, 90)};
    b.nutrients = {{1, "Proteína", 10.0, std::nullopt}};
    b.valor = {{5, 30, 12}};
    Tableau t = assemble(b);
    EXPECT_EQ(solve(t).outcome, Outcome::Optimum);
    const reference::Solution ref = reference::solveWithGlpk(b, true);
    ASSERT_EQ(ref.status, reference::Status::Optimum);
    EXPECT_NEAR(-t.at(0, t.rhs()), ref.cost, 1e-12);
    EXPECT_NEAR(shares(t)[0], 0.3, 1e-12);

    // A hand-made tableau whose quantity row does not bound the paid column is no blend.
    Tableau odd = handMade({-1}, {{-1, -1}, {0, 0}, {0, 0}});
    EXPECT_EQ(solve(odd).outcome, Outcome::NotStandard);
}

// A generated blend (as-fed ingredients, nutrients on dry matter, ratio and group limits) on which
// phase 1 once ran all its passes: a row of residues (right-hand side just past the tolerance,
// pivot just above the residue size) turned reduced costs the ratio test had kept at 0 negative,
// and from there the cost rose and fell without end. Phase 1 now ends in a few passes with every
// reduced cost still >= 0, and the run names the row that proves there is no mix.
TEST(Simplex, Phase1KeepsTheCostRowNonNegativeOnRowsOfResidues) {
    generator::Shape s;
    s.ingredients = 140;
    s.nutrients = 53;
    s.secaNut = true;
    s.ratios = 8;
    s.groups = 8;
    s.stretched = 0.093745476507660908;
    s.withMaximum = 0.56255229185605349;
    s.withMinimum = 0.030216382652924187;
    s.twins = 0.38227591561616731;
    s.free = 0.2692095820675281;
    s.fixed = 0.057358505830941792;
    s.cantidad = 4156.8099922873962;
    generator::Rng rng(524);
    Blend b = generator::randomBlend(rng, s);
    const std::vector<LimitRef> limits = userLimits(b);
    for (size_t i = 0; i < 11; ++i) // as a conflict diagnosis had left it
        b = withLimit(b, limits[i], std::nullopt);
    Tableau t = assemble(b);
    const SolveResult r = solveDense(t);
    EXPECT_EQ(r.outcome, Outcome::Infeasible);
    EXPECT_FALSE(r.phase1LimitReached);
    EXPECT_LT(r.phase1Passes, 30);
    double lowest = 0;
    for (int c = 1; c <= t.C; ++c)
        lowest = std::min(lowest, t.at(0, c));
    EXPECT_GE(lowest, -kOptimalityTolerance);
    // The proof: a row with nothing to pivot on.
    ASSERT_GT(r.proofRow, 0);
    double largest = 0, mostNegative = 0;
    for (int c = 1; c <= t.C; ++c) {
        largest = std::max(largest, std::abs(t.at(r.proofRow, c)));
        mostNegative = std::min(mostNegative, t.at(r.proofRow, c));
    }
    EXPECT_GE(mostNegative, -kPivotTolerance * std::max(1.0, largest));
    EXPECT_EQ(reference::solveWithGlpk(b).status, reference::Status::NoFeasiblePoint);
}

// Phase 1 used to run all 99,999 passes from 40 x 40 on; it now settles in a few passes.
TEST(Simplex, Phase1SettlesOnLargeBlends) {
    generator::Rng rng(11);
    for (auto [n, k] : {std::pair{40, 40}, {120, 60}, {300, 150}}) {
        generator::Shape s;
        s.ingredients = n;
        s.nutrients = k;
        s.withMinimum = 0.1;
        s.fixed = 0.05;
        const Blend b = generator::randomBlend(rng, s);
        Tableau t = assemble(b);
        const SolveResult r = solve(t);
        EXPECT_EQ(r.outcome, Outcome::Optimum) << n << " x " << k;
        EXPECT_LT(r.phase1Passes, 100);
        const reference::Solution ref = reference::solveWithGlpk(b);
        EXPECT_NEAR(-t.at(0, t.rhs()), ref.cost, 1e-7 * std::abs(ref.cost));
    }
}

} // namespace
} // namespace lp
