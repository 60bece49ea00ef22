#include "example_blends.h"
#include "optimizer/engine/engine.h"
#include "sample_catalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
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

// A final tableau written by hand: A is out of the mix (reduced cost 2 per unit of dry matter,
// 50 % dry matter), the protein minimum and A's minimum bind with reduced cost 0.5 each.
TEST(Sensitivity, FiguresFromAFinalTableau) {
    Blend b;
    b.secaIng = b.secaNut = true;
    b.cantidad = 1000;
    b.ingredients = {examples::ingredient(1, "A", 3, 50), examples::ingredient(2, "B", 4, 80),
                     examples::ingredient(3, "C", 5, 90)};
    Tableau t(3, 1, 3);
    t.etiquetaFila = {"",
                      "Mínimo para Proteína",
                      "Mínimo para A",
                      "Mínimo para B",
                      "Mínimo para C",
                      "Cantidad > 1.0000001",
                      "Cantidad < 0.0000009"};
    t.factorSeca = {0, 0.5, 0.8, 0.9};
    t.varBasica = {0, 2, 3, 6, 7, 8, 9};
    t.at(0, 1) = 2;
    t.at(0, 4) = 0.5;
    t.at(0, 5) = 0.5;
    t.at(0, t.rhs()) = -1.2;
    // Row of B: A limits the rise to 2 / 0.25; a residue under the protein slack and a
    // negative entry limit nothing.
    t.at(1, 1) = 0.25;
    t.at(1, 4) = 1e-17;
    t.at(1, 5) = -1;
    // Row of C: the smaller of 2 / 4 and 0.5 / 0.5.
    t.at(2, 1) = 4;
    t.at(2, 4) = 0.5;

    const std::vector<AnalysisRow> rows = sensitivityRows(t, b);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].tipo + rows[0].detalle, "IAB");
    EXPECT_NEAR(rows[0].valor2, 8 * 0.8, 1e-12); // per unit as fed
    EXPECT_EQ(rows[1].tipo + rows[1].detalle, "IAC");
    EXPECT_NEAR(rows[1].valor2, 0.5 * 0.9, 1e-12);
    EXPECT_EQ(rows[2].tipo + rows[2].detalle, "IIA");
    EXPECT_NEAR(rows[2].valor2, 1, 1e-12);
    EXPECT_NEAR(rows[2].valor3, 2, 1e-12);
    EXPECT_EQ(rows[3].tipo + rows[3].detalle, "RNMínimo para Proteína");
    EXPECT_NEAR(rows[3].valor1, 1200, 1e-9);
    EXPECT_NEAR(rows[3].valor2, 500, 1e-9);
    EXPECT_EQ(rows[4].tipo + rows[4].detalle, "RIMínimo para A"); // slacks 6..9 are basic
    EXPECT_NEAR(rows[4].valor2, 0.5, 1e-12);
    EXPECT_NEAR(rows[4].valor3, 1200.5, 1e-9);
}

// The limit an "RN" or "RI" row speaks of, found by its label.
std::optional<double>& limitOf(Blend& b, const AnalysisRow& row) {
    auto find = [&](auto& items) -> std::optional<double>* {
        for (auto& item : items) {
            if (row.detalle == "Mínimo para " + item.nombre)
                return &item.minimo;
            if (row.detalle == "Máximo para " + item.nombre)
                return &item.maximo;
        }
        return nullptr;
    };
    std::optional<double>* limit = row.tipo == "RN" ? find(b.nutrients) : find(b.ingredients);
    if (limit == nullptr || !*limit)
        throw std::logic_error("no limit for " + row.detalle);
    return *limit;
}

// Every figure against re-solving the sample diets with one price or one limit moved. A price
// raised by half an "IA" figure (or lowered by half an "II" figure) leaves the mix as it is,
// up to the sum band: the "IA" rise leaves the quantity slacks out, so the sum may move from
// one end of the band to the other (shares change by about 1e-7). The batch cost moves with a
// limit at the "RN"/"RI" rate, or between the one-sided rates where the optimum is degenerate.
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
                for (Ingredient& ing : moved.ingredients)
                    if (ing.nombre == row.detalle) {
                        ing.costoHumeda += (row.tipo == "IA" ? 0.5 : -0.5) * row.valor2;
                        ing.costoSeca = ing.costoHumeda / (ing.materiaSeca / 100);
                    }
                const Solved m = solveBlend(moved);
                for (size_t j = 0; j < s.x.size(); ++j)
                    EXPECT_NEAR(m.x[j], s.x[j], 1e-6);
                ++checkedPrices;
                continue;
            }
            // Nutrient limits move in the nutrient's unit, ingredient limits in quantity.
            const double h = row.tipo == "RN" ? 1e-5 : 1e-3;
            auto costWith = [&](double delta) {
                Blend moved = base;
                *limitOf(moved, row) += delta;
                return solveBlend(moved).batchCost;
            };
            const double up = (costWith(h) - s.batchCost) / h;
            const double down = (s.batchCost - costWith(-h)) / h;
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
