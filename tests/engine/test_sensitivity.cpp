#include "example_blends.h"
#include "optimizer/engine/engine.h"
#include "sample_catalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

namespace lp {
namespace {

struct Solved {
    Tableau t;
    Outcome outcome;
    std::vector<double> x;
    double batchCost;
};

Solved solveBlend(const Blend& b) {
    Tableau t = assemble(b);
    const Outcome o = solve(t).outcome;
    std::vector<double> x = shares(t);
    const double cost = -t.at(0, t.rhs()) * b.cantidad;
    return {std::move(t), o, std::move(x), cost};
}

TEST(Sensitivity, WorkedExampleRows) {
    const Blend b = examples::twoIngredientBlend();
    const Solved s = solveBlend(b);
    const std::vector<AnalysisRow> rows = sensitivityRows(s.t, b);
    ASSERT_EQ(rows.size(), 3u);
    std::map<std::string, AnalysisRow> ia;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(rows[i].tipo, "IA");
        ia[rows[i].detalle] = rows[i];
    }
    EXPECT_NEAR(ia["A"].valor1, 10, 1e-12);
    EXPECT_NEAR(ia["A"].valor2, 20, 1e-9);
    EXPECT_NEAR(ia["A"].valor3, 30, 1e-9);
    EXPECT_NEAR(ia["B"].valor1, 30, 1e-12);
    EXPECT_NEAR(ia["B"].valor2, 0, 1e-9);
    EXPECT_NEAR(ia["B"].valor3, 30, 1e-9);
    EXPECT_EQ(rows[2].tipo, "RN");
    EXPECT_EQ(rows[2].detalle, "Mínimo para Proteína");
    EXPECT_NEAR(rows[2].valor1, 1814.815, 5e-4);
    EXPECT_NEAR(rows[2].valor2, 74.074, 5e-4);
    EXPECT_NEAR(rows[2].valor3, 1888.889, 5e-4);
}

// Every figure against re-solving the sample diets with one price or one limit moved: a price
// raised by less than an "IA" figure (or lowered by less than an "II" figure) leaves the mix
// as it is, and the batch cost moves with a limit at the "RN"/"RI" rate (between the
// one-sided rates where the optimum is degenerate).
TEST(Sensitivity, FiguresMatchResolvingTheSampleDiets) {
    const sample::Catalogue catalogue;
    int checkedPrices = 0, checkedLimits = 0;
    for (const std::string& code : catalogue.formulaCodes()) {
        SCOPED_TRACE(code);
        const Blend base = catalogue.blend(code);
        const Solved s = solveBlend(base);
        ASSERT_EQ(s.outcome, Outcome::Optimum);
        for (const AnalysisRow& row : sensitivityRows(s.t, base)) {
            SCOPED_TRACE(row.tipo + " " + row.detalle);
            EXPECT_TRUE(std::isfinite(row.valor2));
            EXPECT_LT(std::abs(row.valor2), 1e6);
            if (row.tipo == "IA" || row.tipo == "II") {
                Blend moved = base;
                size_t i = 0;
                while (moved.ingredients[i].nombre != row.detalle)
                    ++i;
                Ingredient& ing = moved.ingredients[i];
                ing.costoHumeda += (row.tipo == "IA" ? 0.5 : -0.5) * row.valor2;
                ing.costoSeca = ing.costoHumeda / (ing.materiaSeca / 100);
                const Solved m = solveBlend(moved);
                for (size_t j = 0; j < s.x.size(); ++j)
                    EXPECT_NEAR(m.x[j], s.x[j], 1e-6);
                ++checkedPrices;
                continue;
            }
            // A limit moved by +-h units of its own figure: nutrient limits are in the
            // nutrient's unit, ingredient limits in units of quantity.
            const double h = row.tipo == "RN" ? 1e-5 : 1e-3;
            auto resolved = [&](double delta) {
                Blend moved = base;
                bool found = false;
                for (auto& n : moved.nutrients)
                    for (const char* kind : {"Mínimo para ", "Máximo para "}) {
                        auto& limit = std::string(kind) == "Mínimo para " ? n.minimo : n.maximo;
                        if (row.tipo == "RN" && limit && kind + n.nombre == row.detalle) {
                            *limit += delta;
                            found = true;
                        }
                    }
                for (auto& ing : moved.ingredients)
                    for (const char* kind : {"Mínimo para ", "Máximo para "}) {
                        auto& limit = std::string(kind) == "Mínimo para " ? ing.minimo : ing.maximo;
                        if (row.tipo == "RI" && limit && kind + ing.nombre == row.detalle) {
                            *limit += delta;
                            found = true;
                        }
                    }
                EXPECT_TRUE(found);
                return solveBlend(moved).batchCost;
            };
            const double up = (resolved(h) - s.batchCost) / h;
            const double down = (s.batchCost - resolved(-h)) / h;
            const double slack = 1e-4 * std::max(1.0, std::abs(row.valor2));
            EXPECT_GE(row.valor2, std::min(up, down) - slack);
            EXPECT_LE(row.valor2, std::max(up, down) + slack);
            ++checkedLimits;
        }
    }
    EXPECT_GE(checkedPrices, 40);
    EXPECT_GE(checkedLimits, 15);
}

} // namespace
} // namespace lp
