#include "example_blends.h"
#include "optimizer/engine/engine.h"

#include <gtest/gtest.h>

namespace lp {
namespace {

using examples::ingredient;

TEST(Simplex, WorkedExampleReachesTheOptimum) {
    Blend b = examples::twoIngredientBlend();
    Tableau t = assemble(b);
    ASSERT_EQ(t.M, 5);
    ASSERT_EQ(t.C, 7);
    SolveResult r = solve(t);
    EXPECT_EQ(r.outcome, Outcome::Optimum);
    EXPECT_FALSE(r.phase1LimitReached);
    std::vector<double> x = shares(t);
    EXPECT_NEAR(x[0], 0.5925926, 5e-8);
    EXPECT_NEAR(x[1], 0.4074074, 5e-8);
    EXPECT_NEAR(x[0] + x[1], 0.99999999, 1e-15);
    EXPECT_NEAR(t.at(0, t.rhs()), -18.148148, 5e-7);
}

TEST(Simplex, InfeasibleExampleWritesTheNormalisedMix) {
    Blend b = examples::infeasibleBlend();
    Tableau t = assemble(b);
    SolveResult r = solve(t);
    EXPECT_EQ(r.outcome, Outcome::Infeasible);
    std::vector<double> x = shares(t);
    EXPECT_NEAR(x[0], 0.952381, 5e-7);
    EXPECT_NEAR(x[1], 0.047619, 5e-7);
}

} // namespace
} // namespace lp
