#include "blend_generator.h"
#include "example_blends.h"
#include "glpk_reference.h"
#include "optimizer/engine/engine.h"
#include "optimizer/engine/tradeoff.h"
#include "sample_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace lp {
namespace {

// The blend with the goal bounded at v, as a nutrient of its own.
Blend bounded(const Blend& blend, const TradeoffGoal& goal, double v) {
    Blend b = blend;
    int id = 0;
    for (const Nutrient& n : b.nutrients)
        id = std::max(id, n.id);
    Nutrient n{id + 1, goal.nombre, std::nullopt, std::nullopt};
    (goal.aumentar ? n.minimo : n.maximo) = v;
    b.nutrients.push_back(n);
    b.valor.push_back(goal.valor);
    return b;
}

bool closeRel(double a, double b) {
    return std::abs(a - b) <= 1e-9 * std::max(std::abs(a), std::abs(b));
}

// Every limit of the blend, read off the mix's contents and quantities (not the tableau's rows).
void expectMeetsLimits(const Blend& b, const std::vector<double>& x, const std::string& where) {
    SCOPED_TRACE(where);
    double sum = 0, dry = 0;
    for (size_t j = 0; j < x.size(); ++j) {
        sum += x[j];
        dry += x[j] * b.ingredients[j].materiaSeca / 100;
        const Ingredient& ing = b.ingredients[j];
        const bool fixed = ing.minimo && ing.maximo && *ing.minimo == *ing.maximo;
        const double widen = fixed ? 0.001 : 0;
        const double q = x[j] * b.cantidad, tol = 1e-9 * b.cantidad;
        EXPECT_GE(x[j], -1e-12);
        if (ing.minimo) {
            EXPECT_GE(q, *ing.minimo - widen - tol) << ing.nombre;
        }
        if (ing.maximo) {
            EXPECT_LE(q, *ing.maximo + widen + tol) << ing.nombre;
        }
    }
    EXPECT_NEAR(sum, 1.0, 1.1e-8);
    const bool perDry = !b.secaIng && b.secaNut;
    for (size_t k = 0; k < b.nutrients.size(); ++k) {
        double c = 0;
        for (size_t j = 0; j < x.size(); ++j)
            c += b.valor[k][j] * (b.secaIng ? 1.0 : b.ingredients[j].materiaSeca / 100) * x[j];
        if (perDry)
            c /= dry;
        const Nutrient& n = b.nutrients[k];
        if (n.minimo) {
            EXPECT_GE(c, *n.minimo - 2e-9 * std::max(1.0, std::abs(*n.minimo))) << n.nombre;
        }
        if (n.maximo) {
            EXPECT_LE(c, *n.maximo + 2e-9 * std::max(1.0, std::abs(*n.maximo))) << n.nombre;
        }
    }
    const std::vector<std::optional<double>> ratios = ratioValues(b, x);
    for (size_t r = 0; r < b.ratios.size(); ++r) {
        if (!ratios[r])
            continue;
        if (b.ratios[r].minimo) {
            EXPECT_GE(*ratios[r], *b.ratios[r].minimo - 1e-7) << b.ratios[r].nombre;
        }
        if (b.ratios[r].maximo) {
            EXPECT_LE(*ratios[r], *b.ratios[r].maximo + 1e-7) << b.ratios[r].nombre;
        }
    }
    const std::vector<double> groups = groupQuantities(b, x);
    for (size_t g = 0; g < b.groups.size(); ++g) {
        if (b.groups[g].minimo) {
            EXPECT_GE(groups[g], *b.groups[g].minimo - 1e-9 * b.cantidad) << b.groups[g].nombre;
        }
        if (b.groups[g].maximo) {
            EXPECT_LE(groups[g], *b.groups[g].maximo + 1e-9 * b.cantidad) << b.groups[g].nombre;
        }
    }
}

// Whether the goal moves between two mixes by more than the engine's tolerances can blur: a row
// within 1e-9 of its bound reads as met (1e-9 of a linear goal, 1e-9 per unit of dry matter of a
// goal on a dry basis) and the shares may sum to 1 +- 1e-8, which moves a linear goal by 1e-8 of
// itself.
bool resolvable(const Blend& blend, const TradeoffVertex& a, const TradeoffVertex& b) {
    double dry = 1;
    if (!goalIsLinear(blend)) {
        dry = 0;
        for (size_t j = 0; j < b.mezcla.size(); ++j)
            dry += b.mezcla[j] * blend.ingredients[j].materiaSeca / 100;
    }
    return std::abs(b.valor - a.valor) * dry > 1e-7 * std::max(1.0, std::abs(b.valor));
}

// The least cost of the blend with the goal bounded at v, by GLPK (tolerances tightened towards
// 1e-10) and by the engine from scratch: both agree with the curve's cost. On a stretch the
// engine's tolerance cannot resolve, its optimum may use the blur of its rows and come out a
// little cheaper; there it is held to 1e-7, never above the curve.
void expectIndependentCost(const Blend& blend, const TradeoffGoal& goal, double v, double cost,
                           bool sharp, const std::string& where) {
    const Blend b = bounded(blend, goal, v);
    const reference::Solution glpk = reference::solveWithGlpk(b);
    ASSERT_EQ(glpk.status, reference::Status::Optimum) << where;
    EXPECT_TRUE(closeRel(glpk.cost, cost)) << where << ": GLPK " << glpk.cost << ", curve " << cost;
    const SolvedBlend run = assembleAndSolve(b);
    ASSERT_EQ(run.result.outcome, Outcome::Optimum) << where;
    const double engine = -run.tableau.at(0, run.tableau.rhs());
    if (sharp) {
        EXPECT_TRUE(closeRel(engine, cost)) << where << ": engine " << engine << ", curve " << cost;
    } else {
        EXPECT_LE(engine, cost + 1e-9 * std::abs(cost)) << where;
        EXPECT_NEAR(engine, cost, 1e-7 * std::abs(cost)) << where;
    }
}

// The curve against independent solves: at every vertex, and at three points between each two;
// every mix meets the limits and reaches its value of the goal; a linear goal gives a convex
// curve; the curve starts at the least cost and no mix goes past its far end. Returns the
// number of vertices.
size_t checkCurve(const Blend& blend, const TradeoffGoal& goal, const std::string& what) {
    SCOPED_TRACE(what);
    const TradeoffCurve curve = tradeoffCurve(blend, goal);
    EXPECT_EQ(curve.status, TradeoffStatus::Ok) << curve.mensaje;
    EXPECT_EQ(curve.lineal, goalIsLinear(blend));
    const auto& vs = curve.vertices;
    if (vs.empty())
        return 0;
    const reference::Solution least = reference::solveWithGlpk(blend);
    EXPECT_TRUE(closeRel(least.cost, vs.front().costo)) << least.cost << " " << vs.front().costo;
    for (size_t k = 0; k < vs.size(); ++k) {
        const std::string at = "vertex " + std::to_string(k) + " at " + std::to_string(vs[k].valor);
        const bool sharp = (k == 0 || resolvable(blend, vs[k - 1], vs[k])) &&
                           (k + 1 == vs.size() || resolvable(blend, vs[k], vs[k + 1]));
        expectIndependentCost(blend, goal, vs[k].valor, vs[k].costo, sharp, at);
        expectMeetsLimits(blend, vs[k].mezcla, at);
        EXPECT_NEAR(goalValue(blend, goal, vs[k].mezcla), vs[k].valor,
                    1e-12 * std::max(1.0, std::abs(vs[k].valor)));
        if (k == 0)
            continue;
        // The goal moves one way and the cost rises as it does.
        // Two vertices may share a value where the optimal mix moves along the goal's level.
        const double moved =
            goal.aumentar ? vs[k].valor - vs[k - 1].valor : vs[k - 1].valor - vs[k].valor;
        EXPECT_GE(moved, -1e-12 * std::abs(vs[k].valor)) << at;
        EXPECT_GE(vs[k].costo, vs[k - 1].costo - 1e-12 * std::abs(vs[k].costo)) << at;
        for (double f : {0.25, 0.5, 0.75}) {
            const double v = vs[k - 1].valor + f * (vs[k].valor - vs[k - 1].valor);
            const std::string between = at + ", between at " + std::to_string(v);
            const std::optional<TradeoffPoint> p = tradeoffAt(blend, goal, curve, v);
            if (!p) {
                ADD_FAILURE() << between << ": no point";
                continue;
            }
            expectIndependentCost(blend, goal, v, p->costo, resolvable(blend, vs[k - 1], vs[k]),
                                  between);
            expectMeetsLimits(blend, p->mezcla, between);
            EXPECT_NEAR(goalValue(blend, goal, p->mezcla), v, 1e-9 * std::max(1.0, std::abs(v)));
        }
        if (curve.lineal && k + 1 < vs.size()) {
            const double s1 = (vs[k].costo - vs[k - 1].costo) / (vs[k].valor - vs[k - 1].valor);
            const double s2 = (vs[k + 1].costo - vs[k].costo) / (vs[k + 1].valor - vs[k].valor);
            // Convex: the slope grows with v, so it falls along a walk that lowers the goal.
            const double lo = goal.aumentar ? s1 : s2, hi = goal.aumentar ? s2 : s1;
            EXPECT_LE(lo, hi + 1e-7 * std::max(1.0, std::abs(hi))) << at << ": not convex";
        }
    }
    // Just past the far end no mix meets the limits.
    const double last = vs.back().valor;
    const double past = last + (goal.aumentar ? 1 : -1) * 1e-6 *
                                   (vs.size() > 1 ? std::abs(last - vs.front().valor)
                                                  : std::max(1.0, std::abs(last)));
    if (vs.size() > 1) {
        EXPECT_EQ(reference::solveWithGlpk(bounded(blend, goal, past)).status,
                  reference::Status::NoFeasiblePoint)
            << "past " << past;
    }
    EXPECT_FALSE(tradeoffAt(blend, goal, curve, past)) << "past " << past;
    return vs.size();
}

TEST(TradeoffCurve, ThreeIngredientsGiveTheirVerticesAndWhatEntersAndLeaves) {
    Blend b;
    b.secaIng = b.secaNut = true;
    b.cantidad = 1000;
    b.ingredients = {examples::ingredient(1, "A", 1, 100), examples::ingredient(2, "B", 2, 100),
                     examples::ingredient(3, "C", 4, 100)};
    b.nutrients = {{1, "Energía", 1.0, std::nullopt}};
    b.valor = {{2, 2, 2}};
    const TradeoffGoal lower{"Fósforo total", {1, 0.5, 0}, false};
    const TradeoffCurve curve = tradeoffCurve(b, lower);
    ASSERT_EQ(curve.status, TradeoffStatus::Ok) << curve.mensaje;
    ASSERT_EQ(curve.vertices.size(), 3u);
    const double s = kSumLower; // the cheapest sum of shares
    const std::vector<std::vector<double>> mixes = {{s, 0, 0}, {0, s, 0}, {0, 0, s}};
    const std::vector<double> values = {s, 0.5 * s, 0}, costs = {s, 2 * s, 4 * s};
    for (size_t k = 0; k < 3; ++k) {
        for (size_t i = 0; i < 3; ++i)
            EXPECT_NEAR(curve.vertices[k].mezcla[i], mixes[k][i], 1e-12);
        EXPECT_NEAR(curve.vertices[k].valor, values[k], 1e-12);
        EXPECT_NEAR(curve.vertices[k].costo, costs[k], 1e-12);
    }
    using V = std::vector<size_t>;
    EXPECT_EQ(curve.vertices[0].entran, V{1});
    EXPECT_EQ(curve.vertices[0].salen, V{});
    EXPECT_EQ(curve.vertices[1].entran, V{2});
    EXPECT_EQ(curve.vertices[1].salen, V{0});
    EXPECT_EQ(curve.vertices[2].salen, V{1});
    // Half way between the last two: half of B and half of C.
    const std::optional<TradeoffPoint> p = tradeoffAt(b, lower, curve, 0.25 * s);
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->mezcla[1], 0.5 * s, 1e-12);
    EXPECT_NEAR(p->costo, 3 * s, 1e-12);
    EXPECT_FALSE(tradeoffAt(b, lower, curve, 1.5));

    // Raised from the cheapest mix, A already has the most: one vertex, and said so; a goal
    // every mix shares cannot move at all.
    const TradeoffCurve raised = tradeoffCurve(b, {"Fósforo total", {1, 0.5, 0}, true});
    EXPECT_EQ(raised.status, TradeoffStatus::Ok);
    EXPECT_EQ(raised.vertices.size(), 1u);
    EXPECT_NE(raised.mensaje.find("mayor valor"), std::string::npos) << raised.mensaje;
    const TradeoffCurve same = tradeoffCurve(b, {"Sodio", {0.3, 0.3, 0.3}, false});
    EXPECT_EQ(same.status, TradeoffStatus::Constant);
    EXPECT_EQ(same.vertices.size(), 1u);
    EXPECT_NE(same.mensaje.find("mismo valor"), std::string::npos) << same.mensaje;
}

TEST(TradeoffCurve, RefusesAnInfeasibleBlendWithItsConflictAndAGoalThatDoesNotFit) {
    const Blend b = examples::infeasibleBlend();
    const TradeoffCurve curve = tradeoffCurve(b, {"Fósforo total", {0.8, 0.2}, false});
    EXPECT_EQ(curve.status, TradeoffStatus::Infeasible);
    EXPECT_TRUE(curve.vertices.empty());
    EXPECT_EQ(curve.conflicto.size(), 2u);
    EXPECT_FALSE(curve.mensaje.empty());
    const TradeoffCurve wrong = tradeoffCurve(examples::twoIngredientBlend(), {"P", {0.8}, false});
    EXPECT_EQ(wrong.status, TradeoffStatus::Invalid);
    EXPECT_NE(wrong.mensaje.find("\"P\""), std::string::npos);
}

TEST(TradeoffCurve, GoalOnADryBasisWithAsFedSharesKeepsItsConstantCase) {
    // The goal is a quotient of the mix here: the same content in every ingredient leaves it
    // where it is whatever the dry matter.
    Blend b = examples::twoIngredientBlend();
    b.secaNut = true;
    b.ingredients[1].materiaSeca = b.ingredients[1].materiaSecaCatalogo = 40;
    const TradeoffCurve same = tradeoffCurve(b, {"Huella", {2, 2}, false});
    EXPECT_EQ(same.status, TradeoffStatus::Constant) << same.mensaje;
    EXPECT_FALSE(same.lineal);
}

TEST(TradeoffCurve, MatchesIndependentSolvesOnRandomBlendsWithRatiosAndGroups) {
    generator::Rng rng(31031);
    size_t curves = 0, vertices = 0, fractional = 0;
    for (int k = 0; k < 120; ++k) {
        generator::Shape shape;
        shape.ingredients = rng.integer(4, 14);
        shape.nutrients = rng.integer(2, 6);
        shape.secaIng = rng.chance(0.4);
        shape.secaNut = rng.chance(0.5);
        shape.withMinimum = 0.2;
        shape.ratios = rng.integer(1, 2);
        shape.groups = rng.integer(1, 2);
        const Blend b = generator::randomBlend(rng, shape);
        if (!checkRatiosAndGroups(b).empty() || !probe(b).feasible)
            continue;
        // The goal is one of the blend's nutrients or a footprint of its own.
        TradeoffGoal goal;
        if (rng.chance(0.5)) {
            goal = nutrientGoal(b, size_t(rng.integer(0, shape.nutrients - 1)), false);
        } else {
            goal.nombre = "Huella de carbono";
            for (int j = 0; j < shape.ingredients; ++j)
                goal.valor.push_back(rng.uniform(0.2, 3.0));
        }
        goal.aumentar = rng.chance(0.3);
        const std::string what = "blend " + std::to_string(k) + (goal.aumentar ? " raise" : "");
        vertices += checkCurve(b, goal, what);
        ++curves;
        fractional += goalIsLinear(b) ? 0 : 1;
    }
    EXPECT_GE(curves, 100u);
    EXPECT_GE(fractional, 20u);
    EXPECT_GE(vertices, 3 * curves); // curves, not single points
}

TEST(TradeoffCurve, MatchesIndependentSolvesOnTheSampleDiets) {
    const sample::Catalogue cat;
    size_t longest = 0;
    for (const std::string& code : cat.formulaCodes()) {
        const Blend b = cat.blend(code);
        for (const char* nutrient : {"Fósforo total", "Proteína bruta"})
            for (bool aumentar : {false, true}) {
                TradeoffGoal goal{nutrient, {}, aumentar};
                for (const Ingredient& ing : b.ingredients)
                    goal.valor.push_back(cat.content(cat.ingredients[ing.id - 1][0], nutrient));
                longest = std::max(
                    longest,
                    checkCurve(b, goal, code + " " + nutrient + (aumentar ? " raise" : " lower")));
            }
    }
    EXPECT_GE(longest, 4u);
}

} // namespace
} // namespace lp
