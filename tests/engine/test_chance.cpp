// Chance limits: the normal quantile, the published feed-mix example, identity with the linear
// engine, shadow prices against re-solving, reachability and the checks of the input.

#include "engine/chance_checks.h"
#include "engine/sample_catalogue.h"
#include "optimizer/engine/chance.h"
#include "optimizer/engine/solution.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace lp;

TEST(ChanceLimits, NormalQuantileMatchesReferenceValuesAndInvertsTheDistribution) {
    const std::pair<double, double> known[] = {{0.5, 0.0},
                                               {0.9, 1.2815515655446008},
                                               {0.95, 1.6448536269514715},
                                               {0.975, 1.9599639845400536},
                                               {0.99, 2.3263478740408408},
                                               {0.9999, 3.7190164854557084},
                                               {0.01, -2.3263478740408408},
                                               {1e-10, -6.361340902404056}};
    for (const auto& [p, z] : known)
        EXPECT_NEAR(normalQuantile(p), z, 4e-15 * std::max(1.0, std::abs(z))) << p;
    for (double p = 0.001; p < 1; p += 0.00731) {
        const double z = normalQuantile(p);
        EXPECT_NEAR(0.5 * std::erfc(-z / std::sqrt(2.0)), p, 1e-15 * std::max(p, 1e-3)) << p;
    }
    EXPECT_TRUE(std::isnan(normalQuantile(0)));
    EXPECT_TRUE(std::isnan(normalQuantile(1)));
}

// Bracken and McCormick's chance-constrained feed mix: barley, oats, sesame flakes and
// groundnut meal; protein at least 21 with the given probability, fat at least 5.
Blend feedMix() {
    Blend b;
    b.secaIng = true;
    b.secaNut = true;
    b.cantidad = 1;
    const char* names[] = {"Cebada", "Avena", "Sésamo en copos", "Harina de maní"};
    const double costs[] = {24.55, 26.75, 39, 40.5};
    for (int j = 0; j < 4; ++j)
        b.ingredients.push_back({j + 1, names[j], 100, costs[j], costs[j], {}, {}, 100});
    b.nutrients.push_back({1, "Proteína", 21.0, {}});
    b.nutrients.push_back({2, "Grasa", 5.0, {}});
    b.valor = {{12, 11.9, 41.8, 52.1}, {2.3, 5.6, 11.1, 1.3}};
    return b;
}

ChanceLimits feedMixChance(std::optional<double> p) {
    ChanceLimits c;
    c.probabilidad = {p, std::nullopt};
    c.desvio = {{std::sqrt(0.28), std::sqrt(0.19), std::sqrt(20.5), std::sqrt(0.62)}, {}};
    return c;
}

TEST(ChanceLimits, PublishedFeedMixCostsAtEachProbability) {
    const Blend b = feedMix();
    const std::pair<double, double> published[] = {
        {0.5, 28.9426}, {0.9, 29.6779}, {0.95, 29.8943}, {0.99, 30.2372}};
    for (const auto& [p, cost] : published) {
        const ChanceSolution s = solveChance(b, feedMixChance(p));
        ASSERT_EQ(s.status, ChanceStatus::Optimum) << p;
        EXPECT_NEAR(s.costo, cost, 6e-5) << p;
        EXPECT_EQ(s.cut, p > 0.5) << p;
        // The protein limit binds with its full margin, and the figures say so.
        ASSERT_EQ(s.figuras.size(), 1u);
        const ChanceFigure& f = s.figuras[0];
        EXPECT_NEAR(f.media - f.margen, 21.0, 21e-9) << p;
        EXPECT_NEAR(f.margen, normalQuantile(p) * f.desvio, 1e-12);
        EXPECT_GT(f.precioMinimo, 0);
    }
    // The published 95 % figure rounds z to 1.6449; the exact quantile costs a hair less.
    EXPECT_LT(solveChance(b, feedMixChance(0.95)).costo, 29.8943);
}

// Without a probability, at 50 %, or with every deviation 0 the run is the linear engine's.
TEST(ChanceLimits, WithoutMarginTheRunIsTheLinearEngines) {
    const sample::Catalogue catalogue;
    int compared = 0;
    for (const std::string& code : catalogue.formulaCodes()) {
        const Blend b = catalogue.blend(code);
        const SolvedBlend linear = assembleAndSolve(b);
        const std::vector<double> expected = shares(linear.tableau);
        ChanceLimits zero;
        zero.probabilidad.assign(b.nutrients.size(), 0.95);
        zero.desvio.assign(b.nutrients.size(), std::vector<double>(b.ingredients.size(), 0.0));
        ChanceLimits half = zero;
        for (size_t n = 0; n < b.nutrients.size(); ++n) {
            half.probabilidad[n] = 0.5;
            for (size_t i = 0; i < b.ingredients.size(); ++i)
                half.desvio[n][i] = 0.2 * b.valor[n][i];
        }
        for (const ChanceLimits& c : {ChanceLimits{}, zero, half}) {
            const ChanceSolution s = solveChance(b, c);
            EXPECT_FALSE(s.cut) << code;
            EXPECT_EQ(s.shares, expected) << code; // bit for bit
            EXPECT_EQ(s.linear.tableau.tabla, linear.tableau.tabla) << code;
        }
        ++compared;
    }
    EXPECT_GE(compared, 4);
}

// The shadow price of a chance limit is what re-solving with the limit moved says, on every
// combination of bases, for minima and maxima.
TEST(ChanceLimits, ShadowPricesAgreeWithResolving) {
    auto slope = [](Blend b, const ChanceLimits& c, size_t n, bool minimum) {
        std::optional<double>& limit = minimum ? b.nutrients[n].minimo : b.nutrients[n].maximo;
        const double h = 1e-6 * std::max(1.0, std::abs(*limit));
        const double at = *limit;
        limit = at + h;
        const ChanceSolution up = solveChance(b, c);
        limit = at - h;
        const ChanceSolution down = solveChance(b, c);
        return (up.costo - down.costo) / (2 * h) * b.cantidad;
    };
    const Blend mix = feedMix();
    const ChanceLimits mixChance = feedMixChance(0.95);
    const ChanceSolution s = solveChance(mix, mixChance);
    EXPECT_NEAR(s.figuras[0].precioMinimo, slope(mix, mixChance, 0, true), 1e-5);

    generator::Rng rng(4242);
    int checked = 0;
    for (int round = 0; round < 40 && checked < 12; ++round) {
        generator::Shape shape;
        shape.ingredients = 12;
        shape.nutrients = 5;
        shape.secaIng = round % 3 == 0;
        shape.secaNut = round % 2 == 0;
        const Blend b = generator::randomBlend(rng, shape);
        const ChanceLimits c = generator::randomChance(rng, b, 3);
        const ChanceSolution sol = solveChance(b, c);
        if (sol.status != ChanceStatus::Optimum || !sol.cut)
            continue;
        for (const ChanceFigure& f : sol.figuras)
            for (bool minimum : {true, false}) {
                const double price = minimum ? f.precioMinimo : f.precioMaximo;
                // Where the mix holds none of the variable ingredients the margin has a kink and
                // the cost's slope differs either side; the price is the one-sided slope of
                // neither, so only smooth points are compared.
                if (price == 0 || f.margen == 0)
                    continue;
                const double fd = slope(b, c, f.nutrient, minimum);
                EXPECT_NEAR(price, fd, 1e-4 * std::max(1.0, std::abs(fd)))
                    << round << " " << f.nutrient << " " << minimum;
                ++checked;
            }
    }
    EXPECT_GE(checked, 12);
}

// With every limit at 95 % many margins bind at once, and the prices come from the optimality
// conditions' multipliers rather than a programme of tangents: each must still be the cost's
// slope as the limit moves, on every combination of bases, and the mix must keep every limit.
TEST(ChanceLimits, PricesOfManyBindingMarginsAgreeWithResolving) {
    auto costAt = [](Blend b, const ChanceLimits& c, size_t n, bool minimum, double shift) {
        std::optional<double>& limit = minimum ? b.nutrients[n].minimo : b.nutrients[n].maximo;
        *limit += shift;
        const ChanceSolution s = solveChance(b, c);
        EXPECT_EQ(s.status, ChanceStatus::Optimum);
        return s.costo * b.cantidad;
    };
    generator::Rng rng(9595);
    int checked = 0, blends = 0;
    for (int round = 0; round < 30 && blends < 6; ++round) {
        generator::Shape shape;
        shape.ingredients = 30;
        shape.nutrients = 10;
        shape.secaIng = round % 3 == 0;
        shape.secaNut = round % 2 == 0;
        const Blend b = generator::randomBlend(rng, shape);
        const ChanceLimits c = generator::everyLimitAt(rng, b, 0.95, 0.05, 0.15);
        const ChanceSolution sol = solveChance(b, c);
        if (sol.status != ChanceStatus::Optimum || !sol.cut)
            continue;
        ++blends;
        int here = 0;
        for (const ChanceFigure& f : sol.figuras) {
            const Nutrient& nut = b.nutrients[f.nutrient];
            // Within 1e-9 of the limit's size: the larger of the limit and the guaranteed
            // content.
            const double size = std::max(std::abs(f.media) + f.margen, 1.0);
            if (nut.minimo) {
                EXPECT_GE(f.media - f.margen,
                          *nut.minimo - 1e-9 * std::max(std::abs(*nut.minimo), size))
                    << round;
            }
            if (nut.maximo) {
                EXPECT_LE(f.media + f.margen,
                          *nut.maximo + 1e-9 * std::max(std::abs(*nut.maximo), size))
                    << round;
            }
            for (bool minimum : {true, false}) {
                const double price = minimum ? f.precioMinimo : f.precioMaximo;
                if (price == 0 || f.margen == 0 || here >= 4)
                    continue;
                const std::optional<double>& limit = minimum ? nut.minimo : nut.maximo;
                const double h = 1e-6 * std::max(1.0, std::abs(*limit));
                const double fd =
                    (costAt(b, c, f.nutrient, minimum, h) - costAt(b, c, f.nutrient, minimum, -h)) /
                    (2 * h);
                EXPECT_NEAR(price, fd, 1e-4 * std::max(1.0, std::abs(fd)))
                    << round << " " << f.nutrient << " " << minimum;
                ++here;
            }
        }
        checked += here;
    }
    EXPECT_GE(blends, 6);
    EXPECT_GE(checked, 12);
}

TEST(ChanceLimits, ReachabilityCountsTheMarginAndInputIsChecked) {
    Blend b = feedMix();
    // Groundnut meal alone gives 52.1 of protein on average; at 99 % it guarantees
    // 52.1 - 2.326 sqrt(0.62), and no mix guarantees more.
    b.nutrients[0].minimo = 51.0;
    b.nutrients[1].minimo.reset();
    const std::vector<int> order{0, 1, 2, 3};
    EXPECT_TRUE(checkReachability(b, order).passed);
    const Reachability r = checkChanceReachability(b, feedMixChance(0.99), order);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(r.failingNutrient, 0);
    EXPECT_NEAR(r.maximoAlcanzable, 52.1 - normalQuantile(0.99) * std::sqrt(0.62), 1e-6);
    EXPECT_EQ(r.rows.size(), 4u);
    EXPECT_EQ(solveChance(b, feedMixChance(0.99)).status, ChanceStatus::Infeasible);
    b.nutrients[0].minimo = 50.0;
    EXPECT_TRUE(checkChanceReachability(b, feedMixChance(0.99), order).passed);
    EXPECT_EQ(solveChance(b, feedMixChance(0.99)).status, ChanceStatus::Optimum);

    EXPECT_FALSE(checkChanceLimits(b, feedMixChance(0.95)));
    EXPECT_EQ(*checkChanceLimits(b, feedMixChance(0.4)),
              "La probabilidad de Proteína debe estar entre 50 % y 99,99 %.");
    EXPECT_TRUE(checkChanceLimits(b, feedMixChance(0.99999)));
    ChanceLimits bad = feedMixChance(0.95);
    bad.desvio[0][2] = -1;
    EXPECT_EQ(*checkChanceLimits(b, bad), "El desvío de Proteína en Sésamo en copos debe ser un "
                                          "número mayor o igual que cero.");
    bad.desvio[0].pop_back();
    EXPECT_EQ(*checkChanceLimits(b, bad),
              "Los desvíos de Proteína no corresponden a los ingredientes de la fórmula.");
}

} // namespace
