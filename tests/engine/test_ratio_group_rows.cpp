// Ratio and group limits on small blends worked by hand: their rows, the figures of the mix,
// the checks made before assembly and the conflict entries of blends they make infeasible.

#include "example_blends.h"
#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/engine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace lp {
namespace {

using examples::ingredient;

// A (Ca 1, P 1, 50 % dry matter), B (Ca 3, P 1, 90 %), C (Ca 0, P 2, 80 %); a batch of 100.
Blend mineralBlend() {
    Blend b;
    b.ingredients = {ingredient(1, "A", 1, 50), ingredient(2, "B", 2, 90),
                     ingredient(3, "C", 3, 80)};
    b.nutrients = {{10, "Calcio", std::nullopt, 100.0}, {11, "Fósforo", std::nullopt, 100.0}};
    b.valor = {{1, 3, 0}, {1, 1, 2}};
    b.cantidad = 100;
    return b;
}

TEST(RatioGroupRows, LayoutCoefficientsAndLabels) {
    Blend b = mineralBlend();
    const Tableau plain = assemble(b);
    // Limits not set make no row: the tableau stays as it was, entry for entry.
    b.ratios = {{10, 11, "", std::nullopt, std::nullopt}};
    b.groups = {{4, "Harinas", {1, 3}, std::nullopt, std::nullopt}};
    const Tableau same = assemble(b);
    EXPECT_EQ(same.tabla, plain.tabla);
    EXPECT_EQ(same.etiquetaFila, plain.etiquetaFila);

    b.ratios = {{10, 11, "", 1.5, 2.0}};
    b.groups = {{4, "Harinas", {1, 3, 99}, 20.0, 60.0}};
    for (const bool secaIng : {false, true}) {
        SCOPED_TRACE(secaIng ? "dry shares" : "as-fed shares");
        b.secaIng = secaIng;
        b.secaNut = secaIng;
        const Tableau t = assemble(b);
        EXPECT_EQ(t.K, 2);
        EXPECT_EQ(t.KR, 2);
        EXPECT_EQ(t.KG, 2);
        EXPECT_EQ(t.L, 3);
        EXPECT_EQ(t.M, 11);
        EXPECT_EQ(t.C, 14);
        EXPECT_EQ(t.generalRows(), 6);
        EXPECT_EQ(t.etiquetaFila[3], "Mínimo para la relación Calcio / Fósforo");
        EXPECT_EQ(t.etiquetaFila[4], "Máximo para la relación Calcio / Fósforo");
        EXPECT_EQ(t.etiquetaFila[5], "Mínimo para el grupo Harinas");
        EXPECT_EQ(t.etiquetaFila[6], "Máximo para el grupo Harinas");
        EXPECT_EQ(t.etiquetaFila[7], "Mínimo para A");
        const double w[3] = {secaIng ? 1 : 0.5, secaIng ? 1 : 0.9, secaIng ? 1 : 0.8};
        const double ca[3] = {1, 3, 0}, p[3] = {1, 1, 2};
        for (int j = 1; j <= 3; ++j) {
            EXPECT_DOUBLE_EQ(t.at(3, j), -(ca[j - 1] - 1.5 * p[j - 1]) * w[j - 1]);
            EXPECT_DOUBLE_EQ(t.at(4, j), (ca[j - 1] - 2.0 * p[j - 1]) * w[j - 1]);
            EXPECT_DOUBLE_EQ(t.at(5, j), j == 2 ? 0.0 : -1.0);
            EXPECT_DOUBLE_EQ(t.at(6, j), j == 2 ? 0.0 : 1.0);
        }
        EXPECT_EQ(t.at(3, t.rhs()), 0.0);
        EXPECT_EQ(t.at(4, t.rhs()), 0.0);
        EXPECT_DOUBLE_EQ(t.at(5, t.rhs()), -0.2);
        EXPECT_DOUBLE_EQ(t.at(6, t.rhs()), 0.6);
        // The bounded programme written from the blend is the one read from its tableau.
        BoundedLp fromBlend, fromTableau;
        BoundedLayout layoutBlend, layoutTableau;
        ASSERT_TRUE(boundedForm(b, fromBlend, layoutBlend));
        ASSERT_TRUE(boundedForm(t, fromTableau, layoutTableau));
        EXPECT_EQ(fromBlend.a, fromTableau.a);
        EXPECT_EQ(fromBlend.b, fromTableau.b);
        EXPECT_EQ(layoutBlend.K, 6);
        EXPECT_EQ(layoutTableau.minRow, layoutBlend.minRow);
    }
}

TEST(RatioGroupRows, FiguresOfTheMix) {
    Blend b = mineralBlend();
    b.ratios = {{10, 11, "Ca:P", std::nullopt, 2.0}, {11, 12, "", 1.0, std::nullopt}};
    b.groups = {{4, "Harinas", {1, 3, 99}, std::nullopt, 60.0}, {5, "Nada", {77}, 1.0, {}}};
    const std::vector<double> x{0.25, 0.5, 0.25};
    for (const bool secaNut : {false, true}) {
        b.secaNut = secaNut;
        const std::vector<std::optional<double>> r = ratioValues(b, x);
        ASSERT_EQ(r.size(), 2u);
        // Ca 0.25 0.5 + 0.5 0.9 3 = 1.475, P 0.125 + 0.45 + 0.25 2 0.8 = 0.975.
        ASSERT_TRUE(r[0].has_value());
        EXPECT_NEAR(*r[0], 1.475 / 0.975, 1e-15);
        EXPECT_FALSE(r[1].has_value()); // nutrient 12 is not in the blend
    }
    b.secaIng = b.secaNut = true;
    EXPECT_NEAR(*ratioValues(b, x)[0], 1.75 / 1.25, 1e-15);
    EXPECT_FALSE(ratioValues(b, {0, 0, 0})[0].has_value()); // no divisor in the mix
    const std::vector<double> g = groupQuantities(b, x);
    ASSERT_EQ(g.size(), 2u);
    EXPECT_DOUBLE_EQ(g[0], 50);
    EXPECT_DOUBLE_EQ(g[1], 0);

    // The engine's optimum meets the limits on the figures it reports: the cheapest mix is all
    // A, held back by the group to 60 and by Ca / P <= 2 from taking only B after it.
    b.secaIng = b.secaNut = false;
    b.ratios.pop_back();
    b.groups.pop_back();
    const SolvedBlend s = assembleAndSolve(b);
    ASSERT_EQ(s.result.outcome, Outcome::Optimum);
    const std::vector<double> mix = shares(s.tableau);
    EXPECT_NEAR(groupQuantities(b, mix)[0], 60, 1e-9);
    EXPECT_LE(*ratioValues(b, mix)[0], 2 + 1e-9);
    const std::vector<AnalysisRow> rows = sensitivityRows(s.tableau, b);
    int rg = 0;
    for (const AnalysisRow& row : rows)
        if (row.tipo == "RG") {
            ++rg;
            EXPECT_EQ(row.detalle, "Máximo para el grupo Harinas");
            EXPECT_EQ(row.kind, LimitRef::Group); // by id, not by its label
            EXPECT_EQ(row.id, 4);
            EXPECT_EQ(row.side, LimitRef::Maximum);
            EXPECT_LT(row.valor2, 0); // more room for the cheap group lowers the cost
        }
    EXPECT_EQ(rg, 1);
}

TEST(RatioGroupRows, ChecksBeforeAssembly) {
    Blend b = mineralBlend();
    b.ingredients[0].minimo = 30.0;
    b.ingredients[2].minimo = 25.0;
    b.ingredients[2].maximo = 40.0;
    b.ingredients[1].maximo = 30.0;
    b.ratios = {{10, 11, "Ca:P", 1.0, 2.0}, {11, 10, "", std::nullopt, 3.0}};
    b.groups = {{4, "Harinas", {1, 3}, 55.0, 60.0}, {5, "Granos", {2, 99}, 0.0, 30.0}};
    EXPECT_TRUE(checkRatiosAndGroups(b).empty());

    b.ratios.push_back({10, 42, "", 1.0, std::nullopt});     // nutrient 42 is not in the blend
    b.ratios.push_back({11, 10, "P:Ca", 2.0, 1.0});          // crossed
    b.nutrients.push_back({12, "Sodio", std::nullopt, 1.0}); // 0 in every ingredient
    b.valor.push_back({0, 0, 0});
    b.ratios.push_back({10, 12, "", 1.0, std::nullopt});
    // Within the ingredient limits Ca / P reaches 1.035 / 0.895 at most (C at 25, B at 30) and
    // P / Ca its reciprocal at least.
    b.ratios.push_back({10, 11, "Ca alto", 1.2, std::nullopt});
    b.ratios.push_back({11, 10, "P bajo", std::nullopt, 0.86});
    b.groups.push_back({6, "Todo", {1, 2, 3}, 100.5, std::nullopt}); // above the batch
    b.groups.push_back({7, "B y C", {2, 3}, 70.5, std::nullopt});    // 30 + 40 at most
    b.groups.push_back({8, "A y C", {1, 3}, std::nullopt, 54.0});    // 30 + 25 at least
    b.groups.push_back({9, "Cruzado", {1}, 5.0, 4.0});
    const std::vector<LimitIssue> issues = checkRatiosAndGroups(b);
    ASSERT_EQ(issues.size(), 9u);
    using P = LimitIssue;
    const P::Problem expected[] = {P::RatioNutrientMissing,
                                   P::LimitsCrossed,
                                   P::RatioDivisorZero,
                                   P::RatioMinimumUnreachable,
                                   P::RatioMaximumUnreachable,
                                   P::GroupMinimumAboveBatch,
                                   P::GroupMinimumUnreachable,
                                   P::GroupMaximumBelowMinimums,
                                   P::LimitsCrossed};
    for (size_t i = 0; i < issues.size(); ++i)
        EXPECT_EQ(issues[i].problem, expected[i]) << i;
    EXPECT_EQ(issues[0].limit.kind, LimitRef::Ratio);
    EXPECT_EQ(issues[0].limit.index, 2u);
    EXPECT_EQ(issues[0].mensaje,
              "La relación <Calcio / nutriente 42> usa un nutriente que no está en la fórmula");
    EXPECT_EQ(issues[1].mensaje, "El valor máximo debe ser mayor o igual al mínimo para la "
                                 "relación <P:Ca>");
    EXPECT_EQ(issues[2].mensaje, "El divisor de la relación <Calcio / Sodio>, <Sodio>, vale 0 en "
                                 "todos los ingredientes de la fórmula: la relación no se puede "
                                 "calcular");
    EXPECT_EQ(issues[3].mensaje, "El mínimo de la relación <Ca alto> (1.2) no se alcanza: con los "
                                 "límites de los ingredientes llega como máximo a 1.1564");
    // The sum of shares may stray 1e-8 from 1, as in the engine, which moves the ratio a little.
    EXPECT_NEAR(issues[3].referencia, 1.035 / 0.895, 1e-8);
    EXPECT_EQ(issues[4].limit.side, LimitRef::Maximum);
    EXPECT_NEAR(issues[4].referencia, 0.895 / 1.035, 1e-8);
    EXPECT_EQ(issues[5].mensaje,
              "El mínimo del grupo <Todo> (100.5) supera la cantidad total a elaborar (100)");
    EXPECT_EQ(issues[6].mensaje, "El mínimo del grupo <B y C> (70.5) no se alcanza: sus "
                                 "ingredientes en la fórmula suman como máximo 70");
    EXPECT_EQ(issues[7].limit.side, LimitRef::Maximum);
    EXPECT_DOUBLE_EQ(issues[7].referencia, 55);
    EXPECT_EQ(issues[7].mensaje, "El máximo del grupo <A y C> (54) es menor que la suma de los "
                                 "mínimos de sus ingredientes (55)");
    EXPECT_EQ(issues[8].nombre, "Cruzado");
    // Every refused group or unreachable ratio leaves no mix: the engine agrees, and a little
    // looser it finds one.
    Blend one = mineralBlend();
    one.ingredients = b.ingredients;
    for (size_t g = 2; g < b.groups.size(); ++g) {
        one.groups = {b.groups[g]};
        EXPECT_FALSE(probe(one).feasible) << b.groups[g].nombre;
    }
    one.groups.clear();
    for (size_t r = 5; r < 7; ++r) {
        one.ratios = {b.ratios[r]};
        EXPECT_FALSE(probe(one).feasible) << b.ratios[r].nombre;
        Ratio& loose = one.ratios[0];
        loose.minimo = loose.minimo ? std::optional(issues[3].referencia - 1e-6) : std::nullopt;
        loose.maximo = loose.maximo ? std::optional(issues[4].referencia + 1e-6) : std::nullopt;
        EXPECT_TRUE(probe(one).feasible) << b.ratios[r].nombre;
    }
}

// A limit whose minimum equals its maximum fixes the ratio or the group at that value: it is
// not crossed, and the optimum holds it there, on either basis.
TEST(RatioGroupRows, ALimitFixedAtOneValueIsMetExactly) {
    Blend b = mineralBlend();
    b.ratios = {{10, 11, "Ca:P", 1.5, 1.5}};
    b.groups = {{4, "Harinas", {1, 3}, 60.0, 60.0}};
    for (const bool dry : {false, true}) {
        SCOPED_TRACE(dry ? "dry basis" : "as fed");
        b.secaIng = b.secaNut = dry;
        EXPECT_TRUE(checkRatiosAndGroups(b).empty());
        const SolvedBlend s = assembleAndSolve(b);
        ASSERT_EQ(s.result.outcome, Outcome::Optimum);
        const std::vector<double> mix = shares(s.tableau);
        EXPECT_NEAR(*ratioValues(b, mix)[0], 1.5, 1e-9);
        EXPECT_NEAR(groupQuantities(b, mix)[0], 60, 1e-9);
    }
    // Crossed by the least amount it is refused.
    b.ratios[0].minimo = 1.5 + 1e-6;
    b.groups[0].maximo = 60 - 1e-6;
    const std::vector<LimitIssue> crossed = checkRatiosAndGroups(b);
    ASSERT_EQ(crossed.size(), 2u);
    EXPECT_EQ(crossed[0].problem, LimitIssue::LimitsCrossed);
    EXPECT_EQ(crossed[1].problem, LimitIssue::LimitsCrossed);
}

TEST(RatioGroupRows, ConflictEntriesAndRelaxations) {
    EXPECT_STREQ(kindName(LimitRef::Ratio), "relacion");
    EXPECT_STREQ(kindName(LimitRef::Group), "grupo");
    EXPECT_STREQ(kindName(LimitRef::Nutrient), "nutriente");

    // Ca / P reaches 3 at most (all B): a minimum of 4 alone makes the blend infeasible.
    Blend b = mineralBlend();
    b.ratios = {{10, 11, "Ca:P", 4.0, std::nullopt}};
    b.groups = {{4, "Harinas", {1, 3}, std::nullopt, 90.0}};
    const std::vector<ConflictLimit> ratio = diagnoseConflict(b);
    ASSERT_EQ(ratio.size(), 1u);
    EXPECT_EQ(ratio[0].limit.kind, LimitRef::Ratio);
    EXPECT_EQ(ratio[0].limit.side, LimitRef::Minimum);
    EXPECT_EQ(ratio[0].nombre, "Ca:P");
    EXPECT_DOUBLE_EQ(ratio[0].valor, 4);
    ASSERT_TRUE(ratio[0].relajacion.has_value());
    EXPECT_NEAR(*ratio[0].relajacion, 3, 1e-6);
    EXPECT_LE(*ratio[0].relajacion, 3);
    ASSERT_TRUE(ratio[0].costo.has_value());
    EXPECT_NEAR(*ratio[0].costo, 2, 1e-6); // all B

    // Two groups that each want 60 of a batch of 100.
    b.ratios.clear();
    b.groups = {{4, "A", {1}, 60.0, std::nullopt}, {5, "B y C", {2, 3}, 60.0, std::nullopt}};
    ASSERT_TRUE(checkRatiosAndGroups(b).empty());
    const std::vector<ConflictLimit> groups = diagnoseConflict(b);
    ASSERT_EQ(groups.size(), 2u);
    for (const ConflictLimit& c : groups) {
        EXPECT_EQ(c.limit.kind, LimitRef::Group);
        ASSERT_TRUE(c.relajacion.has_value()) << c.nombre;
        EXPECT_NEAR(*c.relajacion, 40, 1e-6);
        EXPECT_TRUE(probe(withLimit(b, c.limit, *c.relajacion)).feasible);
    }
    EXPECT_EQ(groups[0].nombre, "A");
    EXPECT_NEAR(*groups[0].costo, 0.6 * 2 + 0.4 * 1, 1e-6); // B at 60, A at its 40
}

} // namespace
} // namespace lp
