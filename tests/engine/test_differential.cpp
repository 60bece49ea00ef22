// The engine against GLPK on realistic diets from the sample catalogue and on random blends:
// same outcome class, same optimal cost, and a mix that meets every row of its own tableau,
// on both paths of the engine.

#include "blend_generator.h"
#include "glpk_reference.h"
#include "optimizer/engine/engine.h"
#include "sample_catalogue.h"
#include "tableau_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>

namespace lp {
namespace {

using checks::worstViolation;

struct Tally {
    int optimum = 0, infeasible = 0, refused = 0;
};

bool agrees(const reference::Solution& ref, bool refused, const SolveResult& r, double cost) {
    if (ref.status == reference::Status::NoFeasiblePoint)
        return refused || r.outcome == Outcome::Infeasible;
    return !refused && r.outcome == Outcome::Optimum &&
           std::abs(cost - ref.cost) <= 1e-7 * std::max(1.0, std::abs(ref.cost));
}

using Solver = SolveResult (*)(Tableau&);

// One path of the engine on the blend; the tally counts for the first path only.
void expectPathAgreesWithGlpk(const Blend& b, Solver solver, Tally* tally) {
    std::vector<int> order(b.ingredients.size());
    std::iota(order.begin(), order.end(), 0);
    const bool refused = !checkReachability(b, order).passed;
    Tableau t = assemble(b);
    const Tableau original = t;
    const SolveResult r = refused ? SolveResult{} : solver(t);
    const double cost = -t.at(0, t.rhs());

    // GLPK's floating-point answer, confirmed in rational arithmetic when the two differ.
    reference::Solution ref = reference::solveWithGlpk(b);
    if (!agrees(ref, refused, r, cost))
        ref = reference::solveWithGlpk(b, true);
    ASSERT_NE(ref.status, reference::Status::Other);
    Tally ignored;
    Tally& count = tally != nullptr ? *tally : ignored;
    if (refused) {
        ++count.refused;
        EXPECT_EQ(ref.status, reference::Status::NoFeasiblePoint)
            << "screen refused a feasible blend";
        return;
    }
    EXPECT_FALSE(r.phase1LimitReached);
    EXPECT_NE(r.outcome, Outcome::IterationLimit);
    // A stable phase 1 settles in a handful of passes; hundreds mean round-off is steering it.
    EXPECT_LE(r.phase1Passes, 30);
    if (ref.status == reference::Status::NoFeasiblePoint) {
        ++count.infeasible;
        EXPECT_EQ(r.outcome, Outcome::Infeasible);
        return;
    }
    ++count.optimum;
    ASSERT_EQ(r.outcome, Outcome::Optimum);
    EXPECT_NEAR(cost, ref.cost, 1e-7 * std::max(1.0, std::abs(ref.cost)));
    EXPECT_LE(worstViolation(original, shares(t)), 1e-9);
}

// Both paths of the engine, the dense one and the bounded one, whatever solve() would choose.
void expectAgreesWithGlpk(const Blend& b, const std::string& what, Tally& tally) {
    {
        SCOPED_TRACE(what + ", dense path");
        expectPathAgreesWithGlpk(b, &solveDense, &tally);
    }
    {
        SCOPED_TRACE(what + ", bounded path");
        expectPathAgreesWithGlpk(b, &solveBoundedPath, nullptr);
    }
}

Blend varied(const Blend& base, generator::Rng& rng) {
    Blend b = base;
    for (auto& ing : b.ingredients) {
        ing.costoHumeda *= rng.uniform(0.6, 1.4);
        ing.materiaSeca = std::min(99.5, ing.materiaSeca + rng.uniform(-3, 3));
        ing.materiaSecaCatalogo = ing.materiaSeca;
        ing.costoSeca = ing.costoHumeda / (ing.materiaSeca / 100);
    }
    for (auto& row : b.valor)
        for (double& v : row)
            v *= rng.uniform(0.9, 1.1);
    return b;
}

TEST(Differential, SampleDietsAgreeWithGlpk) {
    const sample::Catalogue catalogue;
    generator::Rng rng(20240611);
    Tally tally;
    for (const std::string& code : catalogue.formulaCodes()) {
        const Blend base = catalogue.blend(code);
        expectAgreesWithGlpk(base, code, tally);
        for (int v = 0; v < 12; ++v) {
            Blend b = varied(base, rng);
            if (v % 3 == 1 && !(b.secaIng && !b.secaNut)) // the other allowed bases
                b.secaNut = !b.secaNut;
            if (v % 3 == 2)
                b.cantidad = 100 * rng.integer(1, 10);
            expectAgreesWithGlpk(b, code + " variant " + std::to_string(v), tally);
        }
    }
    EXPECT_GE(tally.optimum, 40);
}

// Sizes from 2 to 120 ingredients and up to 60 nutrient limits, the three allowed bases, and
// the awkward cases of real catalogues: fixed ingredients, twin ingredients (a product listed
// twice), ingredients that cost nothing or that one is paid to take, energy in kcal next to
// trace minerals, and limits pushed past what a mix can do.
TEST(Differential, RandomBlendsAgreeWithGlpk) {
    generator::Rng rng(7);
    Tally tally;
    for (int i = 0; i < 400; ++i) {
        generator::Shape s;
        s.ingredients = i % 10 == 0 ? rng.integer(2, 6) : rng.integer(2, 120);
        s.nutrients = rng.integer(1, 40);
        s.secaIng = i % 3 == 2;
        s.secaNut = i % 3 != 0;
        s.cantidad = rng.chance(0.5) ? 1000 : rng.uniform(1, 1000);
        s.withMinimum = rng.uniform(0, 0.3);
        s.withMaximum = rng.uniform(0, 0.6);
        s.fixed = rng.uniform(0, 0.15);
        s.stretched = rng.chance(0.3) ? rng.uniform(0, 0.4) : 0.0;
        s.twins = i % 4 == 1 ? 0.5 : 0.0;
        s.free = i % 4 == 2 ? 0.3 : 0.0;
        s.paid = i % 4 == 3 ? 0.2 : 0.0;
        const Blend b = generator::randomBlend(rng, s);
        expectAgreesWithGlpk(b, "random blend " + std::to_string(i), tally);
    }
    // Both kinds of answer must be exercised, not only one.
    EXPECT_GE(tally.optimum, 200);
    EXPECT_GE(tally.infeasible, 20);
    EXPECT_GE(tally.refused, 20);
}

// With every ingredient free each phase-1 pivot leaves the cost at 0, so phase 1 soon runs
// on the least-index rule, to a feasible mix or to a row that proves there is none.
TEST(Differential, FreeIngredientsAgreeWithGlpk) {
    generator::Rng rng(5);
    Tally tally;
    for (int i = 0; i < 12; ++i) {
        generator::Shape s;
        s.ingredients = 60 + 10 * i;
        s.nutrients = 30;
        s.free = 1.0;
        s.stretched = i % 2 == 1 ? 0.3 : 0.0;
        s.withMinimum = 0.2;
        s.fixed = 0.05;
        expectAgreesWithGlpk(generator::randomBlend(rng, s), "free blend " + std::to_string(i),
                             tally);
    }
    EXPECT_GE(tally.optimum, 4);
    EXPECT_GE(tally.infeasible, 4);
}

} // namespace
} // namespace lp
