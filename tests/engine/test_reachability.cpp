#include "example_blends.h"
#include "optimizer/engine/engine.h"

#include <gtest/gtest.h>

namespace lp {
namespace {

using examples::ingredient;

const std::vector<int> kInOrder{0, 1, 2};

// Sodium in a tonne of feed: salt is capped at 5 kg, maize and soybean meal bring a little.
Blend sodiumBlend(double minimo) {
    Blend b;
    b.cantidad = 1000;
    b.ingredients = {ingredient(1, "Sal común", 0.1, 99.5, std::nullopt, 5.0),
                     ingredient(2, "Maíz", 0.17, 88), ingredient(3, "Harina de soja", 0.34, 89)};
    b.nutrients = {{1, "Proteína", 15.0, std::nullopt}, {2, "Sodio", minimo, std::nullopt}};
    b.valor = {{0, 9, 50}, {39.3, 0.02, 0.03}};
    return b;
}

TEST(Reachability, ContributionPerUnitAndMinimumZero) {
    Blend b;
    b.cantidad = 100;
    b.ingredients = {ingredient(1, "Maíz", 1, 90, std::nullopt, 50.0), ingredient(2, "Soja", 1, 90),
                     ingredient(3, "Agua", 0, 1)};
    b.ingredients[0].materiaSecaCatalogo = 88; // the check reads the catalogue's dry matter
    b.nutrients = {{1, "Proteína", 9.0, std::nullopt}, {2, "Fibra", 0.0, 3.0}};
    b.valor = {{10, 0, 0}, {0, 0, 0}};
    Reachability r = checkReachability(b, kInOrder);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(r.failingNutrient, 0);
    ASSERT_EQ(r.rows.size(), 3u);
    EXPECT_DOUBLE_EQ(r.rows[0].valor, 8.8);
    EXPECT_DOUBLE_EQ(r.rows[0].aportemaximo, 4.4);
    EXPECT_EQ(r.rows[0].maximo, 50.0);
    EXPECT_EQ(r.rows[1].maximo, std::nullopt);
    EXPECT_EQ(r.rows[1].aportemaximo, 0); // no composition: listed with 0
    EXPECT_NEAR(r.maximoAlcanzable, 4.4, 1e-6);

    b.nutrients[0].minimo = 0.0; // a minimum of 0 always passes, even with nothing of it
    EXPECT_TRUE(checkReachability(b, kInOrder).passed);
}

// No ingredient alone reaches 0.2 % sodium (salt at its cap brings 0.196), but salt at its
// cap plus maize does: the blend is solvable and must not be refused.
TEST(Reachability, MinimumReachedOnlyByACombinationPasses) {
    const Blend ok = sodiumBlend(0.2);
    EXPECT_TRUE(checkReachability(ok, kInOrder).passed);
    Tableau t = assemble(ok);
    EXPECT_EQ(solve(t).outcome, Outcome::Optimum);

    const Reachability r = checkReachability(sodiumBlend(0.3), {2, 0, 1});
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(r.failingNutrient, 1);
    // Salt at 0.005 and the rest soybean meal, as fed (catalogue dry matter).
    EXPECT_NEAR(r.maximoAlcanzable, 0.005 * 39.3 * 0.995 + 0.995 * 0.03 * 0.89, 1e-9);
    ASSERT_EQ(r.rows.size(), 3u); // in the workspace's order
    EXPECT_EQ(r.rows[0].producto, "Harina de soja");
    EXPECT_EQ(r.rows[1].producto, "Sal común");
    EXPECT_NEAR(r.rows[1].aportemaximo, 39.3 * 0.995 * 0.005, 1e-12);
}

TEST(Reachability, FirstFailingNutrientAndNameCut) {
    Blend b = sodiumBlend(0.3);
    b.ingredients[2].nombre = "Harina de soja descascarada extrusada de alta proteína, lote ñ";
    b.nutrients[0].minimo = 90.0; // also unreachable, and listed first
    const Reachability r = checkReachability(b, kInOrder);
    EXPECT_EQ(r.failingNutrient, 0);
    EXPECT_EQ(r.rows[2].producto, "Harina de soja descascarada extrusada de alta prot");
}

// Dry-basis limit with as-fed shares: the content is an average weighted by dry matter.
TEST(Reachability, DryBasisContentOfAnAsFedMix) {
    Blend b;
    b.cantidad = 100;
    b.secaNut = true;
    b.ingredients = {ingredient(1, "Húmedo", 1, 50, 50.0), ingredient(2, "Seco", 2, 100)};
    b.nutrients = {{1, "Proteína", 16.6, std::nullopt}};
    b.valor = {{10, 20}};
    // At least half the batch is the wet one: (10 x 0.25 + 20 x 0.5) / 0.75 = 16.667 at best.
    EXPECT_TRUE(checkReachability(b, {0, 1}).passed);
    Tableau t = assemble(b);
    EXPECT_EQ(solve(t).outcome, Outcome::Optimum);

    b.nutrients[0].minimo = 16.7;
    const Reachability r = checkReachability(b, {0, 1});
    EXPECT_FALSE(r.passed);
    EXPECT_NEAR(r.maximoAlcanzable, 50.0 / 3, 1e-6);
}

} // namespace
} // namespace lp
