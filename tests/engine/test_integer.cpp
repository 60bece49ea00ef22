#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/integer.h"
#include "optimizer/engine/simplex.h"

#include "blend_generator.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace lp;

namespace {

// Bracken and McCormick's feed: barley, oats, sesame flakes, groundnut meal; protein at least
// 21, fat at least 5, shares summing to 1, read as a plain linear formula of 100 units.
Blend brackenMcCormick() {
    Blend b;
    b.cantidad = 100;
    const char* names[] = {"Cebada", "Avena", "Escamas de sésamo", "Harina de maní"};
    const double cost[] = {24.55, 26.75, 39, 40.5};
    for (int j = 0; j < 4; ++j)
        b.ingredients.push_back({j + 1, names[j], 100, cost[j], cost[j], {}, {}, 100});
    b.nutrients = {{1, "Proteína", 21.0, {}}, {2, "Grasa", 5.0, {}}};
    b.valor = {{12, 11.9, 41.8, 52.1}, {2.3, 5.6, 11.1, 1.3}};
    return b;
}

IntegerConditions minimumIfUsed(size_t count, double minimo) {
    IntegerConditions c;
    c.ingredients.assign(count, {minimo, std::nullopt});
    return c;
}

// Two ingredients, both weighed on a 5 kg scale, and protein held in a band no 5 kg step
// reaches: 500 kg of the rich one gives 20, 505 kg gives 20.1.
Blend narrowProtein() {
    Blend b;
    b.cantidad = 1000;
    b.ingredients = {{1, "Trigo", 100, 1, 1, {}, {}, 100}, {2, "Soja", 100, 2, 2, {}, {}, 100}};
    b.nutrients = {{1, "Proteína", 20.001, 20.002}};
    b.valor = {{10, 30}};
    return b;
}

} // namespace

TEST(Integer, PublishedFeedLosesOatsToTheMinimumIfUsed) {
    const Blend b = brackenMcCormick();
    const IntegerResult linear = solveInteger(b, IntegerConditions{});
    ASSERT_EQ(linear.status, IntegerStatus::Optimal);
    EXPECT_NEAR(linear.costo, 28.9426, 5e-5);

    const IntegerResult r = solveInteger(b, minimumIfUsed(4, 5));
    ASSERT_EQ(r.status, IntegerStatus::Optimal);
    EXPECT_TRUE(r.probado);
    EXPECT_EQ(r.brecha, 0);
    EXPECT_NEAR(r.costo, 28.9835, 5e-5);
    EXPECT_NEAR(r.costoContinuo, 28.9426, 5e-5);
    // Oats leave; groundnut meal was never in the linear mix either.
    EXPECT_EQ(r.shares[1], 0) << "oats leave the mix";
    EXPECT_GT(linear.shares[1] * b.cantidad, 0);
    EXPECT_LT(linear.shares[1] * b.cantidad, 5);
    for (size_t j = 0; j < 4; ++j)
        EXPECT_TRUE(r.shares[j] == 0 || r.shares[j] * b.cantidad >= 5 - 1e-9) << j;

    // The analysis blend: oats held out, the others at least their minimum if used; its
    // continuous optimum is the integer one.
    const Blend fixed = fixedBlend(b, minimumIfUsed(4, 5), r);
    EXPECT_EQ(fixed.ingredients[1].maximo, 0.0);
    EXPECT_EQ(fixed.ingredients[0].minimo, 5.0);
    const IntegerResult again = solveInteger(fixed, IntegerConditions{});
    ASSERT_EQ(again.status, IntegerStatus::Optimal);
    EXPECT_NEAR(again.costo, r.costo, 1e-9 * r.costo);
}

TEST(Integer, RoundsToWholeStepsAndCountsIngredients) {
    generator::Rng rng(29);
    generator::Shape shape;
    shape.ingredients = 12;
    shape.nutrients = 6;
    const Blend b = generator::randomBlend(rng, shape);
    IntegerConditions c;
    c.redondear = true;
    c.maxIngredientes = 4;
    c.ingredients.assign(b.ingredients.size(), {std::nullopt, 5.0});
    c.ingredients[0].paso.reset(); // takes up the rest of the batch
    c.ingredients[1].paso = 0.1;
    const IntegerResult r = solveInteger(b, c);
    if (r.status != IntegerStatus::Optimal)
        GTEST_SKIP() << "the drawn blend has no such mix";
    int used = 0;
    for (size_t j = 0; j < b.ingredients.size(); ++j) {
        const double q = r.shares[j] * b.cantidad;
        used += q > 0 ? 1 : 0;
        if (c.ingredients[j].paso) {
            const double k = q / *c.ingredients[j].paso;
            EXPECT_NEAR(k, std::round(k), 1e-9) << j;
        }
    }
    EXPECT_LE(used, 4);
    EXPECT_GE(r.costo, r.costoContinuo);

    // Steps fixed in the analysis blend at exactly the rounded quantities.
    const Blend fixed = fixedBlend(b, c, r);
    for (size_t j = 2; j < b.ingredients.size(); ++j)
        EXPECT_EQ(fixed.ingredients[j].minimo, fixed.ingredients[j].maximo) << j;
}

TEST(Integer, ExplainsWhichConditionHasNoMix) {
    IntegerConditions rounding;
    rounding.redondear = true;
    rounding.ingredients.assign(2, {std::nullopt, 5.0});
    const IntegerResult r = solveInteger(narrowProtein(), rounding);
    ASSERT_EQ(r.status, IntegerStatus::IntegerInfeasible);
    EXPECT_EQ(r.explicacion, "ningún redondeo a pasos de 5 kg cumple el mínimo de Proteína con "
                             "1000 kg");
    EXPECT_FALSE(r.probado);
    EXPECT_TRUE(r.shares.empty());

    // Neither ingredient alone holds protein between 21 and 25.
    Blend two = narrowProtein();
    two.nutrients[0] = {1, "Proteína", 21.0, 25.0};
    IntegerConditions single;
    single.maxIngredientes = 1;
    EXPECT_EQ(solveInteger(two, single).explicacion,
              "ninguna mezcla de 1 ingredientes o menos cumple el mínimo de Proteína con 1000 kg");

    // 600 kg of the rich one at least when used: protein 22 at the least, above the maximum.
    two.nutrients[0] = {1, "Proteína", 21.0, 21.5};
    IntegerConditions use;
    use.ingredients = {{std::nullopt, std::nullopt}, {600.0, std::nullopt}};
    EXPECT_EQ(solveInteger(two, use).explicacion,
              "ninguna mezcla con los mínimos si se usa (Soja 600 kg) cumple el mínimo de Proteína "
              "con 1000 kg");

    // Limits with no mix at all are the continuous diagnosis' case, not this one.
    two.nutrients[0] = {1, "Proteína", 40.0, {}};
    EXPECT_EQ(solveInteger(two, use).status, IntegerStatus::Infeasible);

    // Bounds alone rule the condition out (Trigo must be in, its maximum below its minimum if
    // used): the explanation still names the limit, and limits with no mix at all still go to
    // the continuous diagnosis before the bounds are looked at.
    Blend boxed = narrowProtein();
    boxed.nutrients[0] = {1, "Proteína", 15.0, {}};
    boxed.ingredients[0].minimo = 20.0;
    boxed.ingredients[0].maximo = 30.0;
    IntegerConditions big;
    big.ingredients = {{40.0, std::nullopt}, {std::nullopt, std::nullopt}};
    const IntegerResult boxedResult = solveInteger(boxed, big);
    EXPECT_EQ(boxedResult.status, IntegerStatus::IntegerInfeasible);
    EXPECT_EQ(boxedResult.explicacion, "ninguna mezcla con los mínimos si se usa (Trigo 40 kg) "
                                       "cumple el mínimo de Trigo con 1000 kg");
    boxed.nutrients[0] = {1, "Proteína", 40.0, {}};
    EXPECT_EQ(solveInteger(boxed, big).status, IntegerStatus::Infeasible);

    IntegerConditions bad = rounding;
    bad.ingredients[1].paso = 0.0;
    const IntegerResult refused = solveInteger(narrowProtein(), bad);
    EXPECT_EQ(refused.status, IntegerStatus::InvalidConditions);
    EXPECT_EQ(refused.explicacion, "El paso de pesada de Soja debe ser un número mayor que 0.");
}

TEST(Integer, LimitsStopWithTheBestMixAndItsGap) {
    generator::Rng rng(7);
    generator::Shape shape;
    shape.ingredients = 60;
    shape.nutrients = 25;
    const Blend b = generator::randomBlend(rng, shape);
    IntegerConditions c;
    c.ingredients.assign(b.ingredients.size(), {20.0, std::nullopt});

    const IntegerResult full = solveInteger(b, c);
    ASSERT_EQ(full.status, IntegerStatus::Optimal);
    ASSERT_GT(full.nodos, 3);
    EXPECT_EQ(full.cota, full.costo);

    const IntegerResult cut = solveInteger(b, c, IntegerLimits{3, 0});
    EXPECT_EQ(cut.nodos, 3);
    EXPECT_FALSE(cut.probado);
    EXPECT_LE(cut.cota, full.costo + 1e-9 * full.costo);
    EXPECT_GE(cut.cota, cut.costoContinuo);
    if (cut.status == IntegerStatus::Stopped) {
        EXPECT_GE(cut.costo, full.costo - 1e-9 * full.costo);
        EXPECT_NEAR(cut.brecha, (cut.costo - cut.cota) / cut.costo, 1e-15);
    } else {
        EXPECT_EQ(cut.status, IntegerStatus::NoMixFound);
    }

    // A caller that says stop after three nodes stops where the node limit of three does, and
    // is asked before every node.
    std::vector<long> asked;
    IntegerLimits cancelled{0, 0};
    cancelled.seguir = [&](long nodos) {
        asked.push_back(nodos);
        return nodos < 3;
    };
    const IntegerResult stopped = solveInteger(b, c, cancelled);
    EXPECT_EQ(stopped.status, cut.status);
    EXPECT_EQ(stopped.nodos, 3);
    EXPECT_EQ(stopped.costo, cut.costo);
    EXPECT_EQ(asked, (std::vector<long>{0, 1, 2, 3}));
}

TEST(Integer, ChildStartsFromItsParentsBasis) {
    generator::Rng rng(11);
    generator::Shape shape;
    shape.ingredients = 80;
    shape.nutrients = 30;
    BoundedLp lp;
    BoundedLayout layout;
    ASSERT_TRUE(boundedForm(generator::randomBlend(rng, shape), lp, layout));
    const BoundedSolution parent = solveBounded(lp, true);
    ASSERT_EQ(parent.status, BoundedStatus::Optimal);
    int changed = 0;
    for (int j = 0; j < lp.n && changed < 3; ++j)
        if (parent.state[j] == ColumnState::Basic && parent.x[j] > 1e-6) {
            lp.upper[j] = parent.x[j] / 2; // the basic value no longer fits
            ++changed;
        }
    ASSERT_GT(changed, 0);
    const BoundedSolution cold = solveBounded(lp, true);
    const BoundedSolution warm = solveBoundedFrom(lp, parent, true);
    ASSERT_EQ(cold.status, warm.status);
    if (cold.status != BoundedStatus::Optimal)
        return;
    double zc = 0, zw = 0;
    for (int j = 0; j < lp.n; ++j) {
        zc += lp.cost[j] * cold.x[j];
        zw += lp.cost[j] * warm.x[j];
        EXPECT_LE(warm.x[j], lp.upper[j] + kFeasibilityTolerance);
    }
    EXPECT_NEAR(zw, zc, 1e-11 * std::abs(zc));
    EXPECT_LT(warm.pivots, cold.pivots);
}
