// Blends with ratio and group limits against GLPK, on both paths of the engine and the three
// allowed bases: the same outcome, the same least cost, every limit met by the mix as the
// blend defines it; and the shadow prices of ratio and group limits against re-solving with the
// limit moved.

#include "blend_generator.h"
#include "glpk_reference.h"
#include "optimizer/engine/engine.h"
#include "sample_catalogue.h"
#include "tableau_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>
#include <string>

namespace lp {
namespace {

// The allowed bases: as-fed shares with either nutrient basis, dry shares with dry nutrients.
void setBasis(Blend& b, int combination) {
    b.secaIng = combination == 2;
    b.secaNut = combination != 0;
}

// How far the mix x misses a ratio or group limit, computed from the blend's own definition:
// a ratio as content(num) - r content(div) of the mix, a group as its share of the batch.
double worstRatioOrGroupMiss(const Blend& b, const std::vector<double>& x) {
    double worst = 0;
    auto content = [&](int id) {
        for (size_t k = 0; k < b.nutrients.size(); ++k)
            if (b.nutrients[k].id == id) {
                double c = 0;
                for (size_t j = 0; j < x.size(); ++j)
                    c += b.valor[k][j] * x[j] *
                         (b.secaIng ? 1.0 : b.ingredients[j].materiaSeca / 100);
                return c;
            }
        return 0.0;
    };
    for (const Ratio& r : b.ratios) {
        const double num = content(r.numerador), div = content(r.divisor);
        if (r.minimo)
            worst = std::max(worst, *r.minimo * div - num);
        if (r.maximo)
            worst = std::max(worst, num - *r.maximo * div);
    }
    const std::vector<double> quantity = groupQuantities(b, x);
    for (size_t g = 0; g < b.groups.size(); ++g) {
        if (b.groups[g].minimo)
            worst = std::max(worst, (*b.groups[g].minimo - quantity[g]) / b.cantidad);
        if (b.groups[g].maximo)
            worst = std::max(worst, (quantity[g] - *b.groups[g].maximo) / b.cantidad);
    }
    return worst;
}

struct Tally {
    int optimum = 0, infeasible = 0, refused = 0;
};

using Solver = SolveResult (*)(Tableau&);

void expectAgreesWithGlpk(const Blend& b, const std::string& what, Tally& tally) {
    SCOPED_TRACE(what);
    std::vector<int> order(b.ingredients.size());
    std::iota(order.begin(), order.end(), 0);
    const bool refused = !checkRatiosAndGroups(b).empty() || !checkReachability(b, order).passed;
    reference::Solution ref = reference::solveWithGlpk(b);
    if (refused) {
        ++tally.refused;
        EXPECT_EQ(ref.status, reference::Status::NoFeasiblePoint) << "a feasible blend refused";
        return;
    }
    bool first = true;
    for (const Solver solver : {Solver{&solveDense}, Solver{&solveBoundedPath}}) {
        SCOPED_TRACE(first ? "dense path" : "bounded path");
        Tableau t = assemble(b);
        const Tableau original = t;
        const SolveResult r = solver(t);
        const double cost = -t.at(0, t.rhs());
        const bool agrees = ref.status == reference::Status::NoFeasiblePoint
                                ? r.outcome == Outcome::Infeasible
                                : std::abs(cost - ref.cost) <= 1e-9 * std::max(1.0, ref.cost);
        if (!agrees)
            ref = reference::solveWithGlpk(b, true);
        ASSERT_NE(ref.status, reference::Status::Other);
        if (ref.status == reference::Status::NoFeasiblePoint) {
            tally.infeasible += first ? 1 : 0;
            EXPECT_EQ(r.outcome, Outcome::Infeasible);
        } else {
            tally.optimum += first ? 1 : 0;
            ASSERT_EQ(r.outcome, Outcome::Optimum);
            EXPECT_NEAR(cost, ref.cost, 1e-9 * std::max(1.0, std::abs(ref.cost)));
            const std::vector<double> x = shares(t);
            EXPECT_LE(checks::worstViolation(original, x), 1e-9);
            EXPECT_LE(worstRatioOrGroupMiss(b, x), 1e-9);
        }
        first = false;
    }
    // What the program runs (the bounded programme written from the blend on large blends).
    const SolvedBlend run = assembleAndSolve(b);
    if (ref.status == reference::Status::Optimum) {
        ASSERT_EQ(run.result.outcome, Outcome::Optimum);
        EXPECT_NEAR(-run.tableau.at(0, run.tableau.rhs()), ref.cost,
                    1e-9 * std::max(1.0, std::abs(ref.cost)));
    }
}

TEST(RatioGroupDifferential, RandomBlendsAgreeWithGlpk) {
    generator::Rng rng(1811);
    Tally tally;
    for (int i = 0; i < 300; ++i) {
        generator::Shape s;
        s.ingredients = i % 10 == 0 ? rng.integer(2, 6) : rng.integer(2, 100);
        s.nutrients = rng.integer(2, 30);
        s.secaIng = i % 3 == 2;
        s.secaNut = i % 3 != 0;
        s.cantidad = rng.chance(0.5) ? 1000 : rng.uniform(1, 1000);
        s.withMinimum = rng.uniform(0, 0.3);
        s.withMaximum = rng.uniform(0, 0.6);
        s.fixed = rng.uniform(0, 0.1);
        s.stretched = rng.chance(0.3) ? rng.uniform(0, 0.4) : 0.0;
        s.twins = i % 4 == 1 ? 0.3 : 0.0;
        s.free = i % 4 == 2 ? 0.3 : 0.0;
        s.ratios = rng.integer(1, 10);
        s.groups = rng.integer(1, 5);
        expectAgreesWithGlpk(generator::randomBlend(rng, s), "random blend " + std::to_string(i),
                             tally);
    }
    EXPECT_GE(tally.optimum, 150);
    EXPECT_GE(tally.infeasible, 20);
    EXPECT_GE(tally.refused, 5);
}

// A sample diet with a ratio of calcium to phosphorus and the groups of the animal meals and of
// the cereals, none of them limited yet.
Blend withRatioAndGroups(const sample::Catalogue& catalogue, const std::string& code) {
    Blend b = catalogue.blend(code);
    int calcio = 0, fosforo = 0;
    for (const Nutrient& n : b.nutrients) {
        calcio = n.nombre == "Calcio" ? n.id : calcio;
        if (n.nombre.rfind("Fósforo", 0) == 0 && fosforo == 0)
            fosforo = n.id;
    }
    b.ratios = {{calcio, fosforo, "Ca / P", std::nullopt, std::nullopt}};
    auto ids = [&](std::initializer_list<const char*> codes) {
        std::vector<int> v;
        for (const char* c : codes)
            v.push_back(catalogue.ingredientId.at(c));
        return v;
    };
    b.groups = {{1, "Harinas animales", ids({"CARNE50", "PESCADO"}), std::nullopt, std::nullopt},
                {2, "Cereales", ids({"MAIZ", "SORGO", "TRIGO", "CEBADA"}), {}, {}}};
    return b;
}

// The sample diets with the ratio and the groups set around the diet's own optimum, tight
// enough that they bind, on the three bases (where the diet alone has a mix on that basis).
std::vector<std::pair<std::string, Blend>> sampleDietsWithLimits() {
    const sample::Catalogue catalogue;
    std::vector<std::pair<std::string, Blend>> out;
    for (const std::string& code : catalogue.formulaCodes())
        for (int basis = 0; basis < 3; ++basis)
            for (int tight = 0; tight < 2; ++tight) {
                Blend b = withRatioAndGroups(catalogue, code);
                setBasis(b, basis);
                const SolvedBlend s = assembleAndSolve(b);
                if (s.result.outcome != Outcome::Optimum)
                    continue; // a diet's limits read on a basis they were not set on
                const double r = ratioValues(b, shares(s.tableau))[0].value_or(0);
                const std::vector<double> g = groupQuantities(b, shares(s.tableau));
                if (tight == 0) {
                    b.ratios[0].minimo = r * 1.04;
                    b.groups[1].maximo = g[1] * 0.9;
                    if (g[0] > 0)
                        b.groups[0].maximo = g[0] * 0.8;
                } else {
                    b.ratios[0].minimo = r * 0.9;
                    b.ratios[0].maximo = r * 0.97;
                    b.groups[1].minimo = std::min(g[1] * 1.05, b.cantidad);
                }
                out.push_back(
                    {code + " basis " + std::to_string(basis) + " case " + std::to_string(tight),
                     b});
            }
    return out;
}

TEST(RatioGroupDifferential, SampleDietsAgreeWithGlpk) {
    Tally tally;
    for (const auto& [what, b] : sampleDietsWithLimits())
        expectAgreesWithGlpk(b, what, tally);
    EXPECT_GE(tally.optimum, 20);
    EXPECT_EQ(tally.refused, 0);
}

// Each "RR" and "RG" row against the batch cost re-solved with its limit moved a little up and
// down: the shadow price lies between the two one-sided rates (equal to both where the optimum
// is not degenerate), on both paths.
TEST(RatioGroupDifferential, ShadowPricesMatchResolving) {
    std::map<std::string, int> checked;
    for (const auto& [what, b] : sampleDietsWithLimits()) {
        SCOPED_TRACE(what);
        for (const Solver solver : {Solver{&solveDense}, Solver{&solveBoundedPath}}) {
            Tableau t = assemble(b);
            if (solver(t).outcome != Outcome::Optimum)
                continue;
            const double batchCost = -t.at(0, t.rhs()) * b.cantidad;
            for (const AnalysisRow& row : sensitivityRows(t, b)) {
                if (row.tipo != "RR" && row.tipo != "RG")
                    continue;
                SCOPED_TRACE(row.tipo + " " + row.detalle);
                LimitRef limit;
                for (const LimitRef& l : userLimits(b))
                    if (rowLabel(b, l) == row.detalle)
                        limit = l;
                ASSERT_EQ(limit.kind, row.tipo == "RR" ? LimitRef::Ratio : LimitRef::Group);
                const double h = row.tipo == "RR" ? 1e-6 : 1e-3;
                auto costWith = [&](double delta) {
                    Tableau m = assemble(withLimit(b, limit, *limitValue(b, limit) + delta));
                    EXPECT_EQ(solver(m).outcome, Outcome::Optimum);
                    return -m.at(0, m.rhs()) * b.cantidad;
                };
                const double up = (costWith(h) - batchCost) / h;
                const double down = (batchCost - costWith(-h)) / h;
                const double slack = 1e-4 * std::max(1.0, std::abs(row.valor2));
                EXPECT_GE(row.valor2, std::min(up, down) - slack);
                EXPECT_LE(row.valor2, std::max(up, down) + slack);
                EXPECT_NEAR(row.valor1, batchCost, 1e-9 * batchCost);
                EXPECT_NEAR(row.valor3, row.valor1 + row.valor2, 1e-9 * batchCost);
                ++checked[row.tipo];
            }
        }
    }
    EXPECT_GE(checked["RR"], 30);
    EXPECT_GE(checked["RG"], 30);
}

} // namespace
} // namespace lp
