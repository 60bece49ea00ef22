// The bounded path against the dense path and GLPK: same outcome, same cost, a final tableau
// that is exactly the tableau of its basis in the assembled layout, and sensitivity figures
// that stay right where the two paths end on different optimal mixes of equal cost.

#include "blend_generator.h"
#include "example_blends.h"
#include "glpk_reference.h"
#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/engine.h"
#include "sample_catalogue.h"
#include "tableau_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

namespace lp {
namespace {

using checks::worstViolation;

double costOf(const Tableau& t) {
    return -t.at(0, t.rhs());
}

double relative(double a, double b) {
    return std::abs(a - b) / std::max(1.0, std::abs(b));
}

// A final tableau is the tableau of its basis: basic columns are exact unit columns, and since
// the slack columns of the assembled tableau are the identity, its slack columns are the
// inverse basis B^-1, so every row must equal B^-1 times the assembled rows (row 0: the cost
// row plus its slack entries times the assembled rows). Checked on every entry.
void expectTableauOfItsBasis(const Tableau& t, const Tableau& original) {
    for (int r = 1; r <= t.M; ++r) {
        const int q = t.varBasica[r];
        for (int i = 0; i <= t.M; ++i)
            ASSERT_EQ(t.at(i, q), i == r ? 1.0 : 0.0) << "basic column " << q << " row " << i;
    }
    for (int i = 0; i <= t.M; ++i) {
        double scale = 1;
        for (int c = 0; c <= t.rhs(); ++c)
            scale = std::max(scale, std::abs(t.at(i, c)));
        for (int c = 1; c <= t.rhs(); ++c) {
            if (c > t.N && c <= t.C)
                continue; // the slack columns are B^-1 itself
            double expected = i == 0 ? original.at(0, c) : 0.0;
            for (int k = 1; k <= t.M; ++k)
                expected += t.at(i, t.N + k) * original.at(k, c);
            ASSERT_NEAR(t.at(i, c), expected, 1e-9 * scale) << "row " << i << " column " << c;
        }
    }
}

std::vector<int> sortedBasis(const Tableau& t) {
    std::vector<int> b(t.varBasica.begin() + 1, t.varBasica.end());
    std::sort(b.begin(), b.end());
    return b;
}

generator::Shape randomShape(generator::Rng& rng, int i, int largest) {
    generator::Shape s;
    s.ingredients = rng.integer(2, largest);
    s.nutrients = rng.integer(1, largest / 2);
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
    return s;
}

TEST(BoundedPath, AgreesWithTheDensePathAndGlpk) {
    generator::Rng rng(31);
    int optimum = 0, infeasible = 0, sameBasis = 0;
    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE("blend " + std::to_string(i));
        const Blend b = generator::randomBlend(rng, randomShape(rng, i, i % 5 == 0 ? 8 : 60));
        const Tableau original = assemble(b);
        Tableau dense = original, bounded = original;
        const SolveResult rd = solveDense(dense);
        const SolveResult rb = solveBoundedPath(bounded);
        ASSERT_EQ(rb.outcome, rd.outcome);
        if (rd.outcome == Outcome::Infeasible) {
            // The dense path decides every infeasible blend: the same normalised mix.
            ++infeasible;
            EXPECT_FALSE(rb.bounded);
            EXPECT_EQ(shares(bounded), shares(dense));
            continue;
        }
        ASSERT_EQ(rd.outcome, Outcome::Optimum);
        ++optimum;
        EXPECT_TRUE(rb.bounded);
        EXPECT_EQ(rb.phase2Pivots, 0); // the rebuilt tableau is optimal as it stands
        EXPECT_LT(relative(costOf(bounded), costOf(dense)), 1e-9);
        const reference::Solution ref = reference::solveWithGlpk(b, true);
        ASSERT_EQ(ref.status, reference::Status::Optimum);
        EXPECT_LT(relative(costOf(bounded), ref.cost), 1e-9);
        EXPECT_LE(worstViolation(original, shares(bounded)), 1e-9);
        expectTableauOfItsBasis(bounded, original);
        if (sortedBasis(bounded) != sortedBasis(dense))
            continue;
        // Same basis: the same sensitivity rows (the "IA" rows may come in another order, as
        // the basic ingredients may sit in other rows).
        ++sameBasis;
        auto key = [](const AnalysisRow& r) { return r.tipo + r.detalle; };
        auto rowsOf = [&](const Tableau& t) {
            std::vector<AnalysisRow> rows = sensitivityRows(t, b);
            std::stable_sort(rows.begin(), rows.end(),
                             [&](const auto& x, const auto& y) { return key(x) < key(y); });
            return rows;
        };
        const std::vector<AnalysisRow> a = rowsOf(bounded), e = rowsOf(dense);
        ASSERT_EQ(a.size(), e.size());
        for (size_t k = 0; k < a.size(); ++k) {
            EXPECT_EQ(key(a[k]), key(e[k]));
            EXPECT_NEAR(a[k].valor2, e[k].valor2, 1e-7 * std::max(1.0, std::abs(e[k].valor2)))
                << key(a[k]);
        }
    }
    EXPECT_GE(optimum, 150);
    EXPECT_GE(infeasible, 15);
    EXPECT_GE(sameBasis, 50);
}

// Twin ingredients (one product listed twice) and ingredients that cost nothing give optimal
// mixes of equal cost; the two paths may report different ones. Whichever mix is reported,
// its figures must describe it: a price raised by half its "IA" margin or lowered by half its
// "II" margin leaves the cost moving only with the ingredient's own share, and a limit moved
// a little moves the batch cost at the "RN"/"RI" rate (between the one-sided rates where the
// optimum is degenerate).
TEST(BoundedPath, AlternativeOptimaKeepCostLimitsAndFigures) {
    generator::Rng rng(47);
    int differentMix = 0, checked = 0;
    for (int i = 0; i < 40; ++i) {
        generator::Shape s;
        s.ingredients = rng.integer(20, 70);
        s.nutrients = rng.integer(5, 25);
        s.twins = i % 2 == 0 ? 0.5 : 0.0;
        s.free = i % 2 == 1 ? 0.3 : 0.0;
        s.withMinimum = 0.2;
        s.withMaximum = 0.4;
        s.cantidad = 1000;
        const Blend b = generator::randomBlend(rng, s);
        SCOPED_TRACE("blend " + std::to_string(i));
        const Tableau original = assemble(b);
        Tableau dense = original, bounded = original;
        ASSERT_EQ(solveDense(dense).outcome, Outcome::Optimum);
        const SolveResult rb = solveBoundedPath(bounded);
        ASSERT_EQ(rb.outcome, Outcome::Optimum);
        ASSERT_TRUE(rb.bounded);
        const std::vector<double> x = shares(bounded), xd = shares(dense);
        EXPECT_LT(relative(costOf(bounded), costOf(dense)), 1e-9);
        EXPECT_LE(worstViolation(original, x), 1e-9);
        double moved = 0;
        for (size_t j = 0; j < x.size(); ++j)
            moved = std::max(moved, std::abs(x[j] - xd[j]));
        differentMix += moved > 1e-6 ? 1 : 0;

        const double batch = costOf(bounded) * b.cantidad;
        auto resolved = [&](const Blend& m) {
            Tableau t = assemble(m);
            EXPECT_EQ(solveBoundedPath(t).outcome, Outcome::Optimum);
            return costOf(t) * m.cantidad;
        };
        for (const AnalysisRow& row : sensitivityRows(bounded, b)) {
            SCOPED_TRACE(row.tipo + " " + row.detalle);
            ASSERT_TRUE(std::isfinite(row.valor2));
            if (row.tipo == "IA" || row.tipo == "II") {
                Blend m = b;
                size_t j = 0;
                while (m.ingredients[j].nombre != row.detalle)
                    ++j;
                const double delta = (row.tipo == "IA" ? 0.5 : -0.5) * row.valor2;
                m.ingredients[j].costoHumeda += delta;
                m.ingredients[j].costoSeca =
                    m.ingredients[j].costoHumeda / (b.ingredients[j].materiaSeca / 100);
                const double expected = batch + delta * x[j] * b.cantidad;
                EXPECT_NEAR(resolved(m), expected, 1e-6 * std::max(1.0, batch));
                ++checked;
                continue;
            }
            if (row.tipo != "RN")
                continue;
            const double h = 1e-5;
            auto costWith = [&](double delta) {
                Blend m = b;
                for (Nutrient& n : m.nutrients) {
                    if (row.detalle == "Mínimo para " + n.nombre)
                        *n.minimo += delta;
                    if (row.detalle == "Máximo para " + n.nombre)
                        *n.maximo += delta;
                }
                return resolved(m);
            };
            const double up = (costWith(h) - batch) / h, down = (batch - costWith(-h)) / h;
            const double slack = 1e-3 * std::max(1.0, std::abs(row.valor2));
            EXPECT_GE(row.valor2, std::min(up, down) - slack);
            EXPECT_LE(row.valor2, std::max(up, down) + slack);
            ++checked;
        }
    }
    EXPECT_GE(differentMix, 5); // the case is real, not hypothetical
    EXPECT_GE(checked, 300);
}

// Only the layout assemble() writes has a bounded form; anything else takes the dense path.
TEST(BoundedPath, OtherTableauxTakeTheDensePath) {
    Tableau hand(1, 1, 0); // no ingredient rows
    hand.at(0, 1) = 1;
    hand.at(1, 1) = -1;
    hand.at(1, hand.rhs()) = -0.5;
    BoundedLp lp;
    BoundedLayout layout;
    EXPECT_FALSE(boundedForm(hand, lp, layout));
    Tableau same = hand;
    const SolveResult r = solveBoundedPath(hand);
    EXPECT_FALSE(r.bounded);
    EXPECT_EQ(r.outcome, solveDense(same).outcome);
    EXPECT_EQ(hand.tabla, same.tabla);

    // An ingredient whose minimum lies above its maximum has empty bounds.
    Blend b = examples::twoIngredientBlend();
    b.ingredients[0].minimo = 60.0;
    b.ingredients[0].maximo = 50.0;
    EXPECT_FALSE(boundedForm(assemble(b), lp, layout));
}

// The worked example through the bounded path: the same shares and figures as the dense path.
TEST(BoundedPath, WorkedExample) {
    const Blend b = examples::twoIngredientBlend();
    Tableau t = assemble(b);
    const SolveResult r = solveBoundedPath(t);
    ASSERT_TRUE(r.bounded);
    EXPECT_EQ(r.outcome, Outcome::Optimum);
    const std::vector<double> x = shares(t);
    EXPECT_NEAR(x[0], 0.5925926, 5e-8);
    EXPECT_NEAR(x[1], 0.4074074, 5e-8);
    EXPECT_NEAR(x[0] + x[1], 0.99999999, 1e-15);
    EXPECT_NEAR(costOf(t), 18.148148, 5e-7);
    const std::vector<AnalysisRow> rows = sensitivityRows(t, b);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].tipo + rows[2].detalle, "RNMínimo para Proteína");
    EXPECT_NEAR(rows[2].valor2, 74.074, 5e-4);
    for (int k = 0; k < 2; ++k)
        EXPECT_NEAR(rows[k].valor2, rows[k].detalle == "A" ? 20 : 0, 1e-9);
}

// A blend solved without its assembled tableau ends exactly as assemble() then solve():
// the bounded programme written from the blend is the one read from the tableau, and the
// final tableau, labels, basis and counts agree entry for entry, on both paths, on both
// bases, with fixed, capped and negative-cost ingredients, and when the blend has no mix
// (the dense path from the assembled tableau).
TEST(BoundedPath, BlendSolvedWithoutItsTableauEndsTheSame) {
    generator::Rng rng(77);
    int bounded = 0, infeasible = 0;
    for (int i = 0; i < 24; ++i) {
        SCOPED_TRACE("blend " + std::to_string(i));
        generator::Shape s;
        s.ingredients = i % 4 == 0 ? 6 : 30 + 7 * i;
        s.nutrients = i % 4 == 0 ? 3 : 10 + 3 * i;
        s.secaIng = i % 3 == 1;
        s.secaNut = i % 3 != 0;
        s.fixed = 0.05;
        s.withMinimum = 0.2;
        s.paid = i % 5 == 2 ? 0.1 : 0.0;
        s.stretched = i % 6 == 5 ? 0.5 : 0.0;
        const Blend b = generator::randomBlend(rng, s);

        BoundedLp fromTableau, fromBlend;
        BoundedLayout tableauLayout, blendLayout;
        const bool formed = boundedForm(assemble(b), fromTableau, tableauLayout);
        ASSERT_EQ(boundedForm(b, fromBlend, blendLayout), formed);
        if (formed) {
            EXPECT_EQ(fromBlend.a, fromTableau.a);
            EXPECT_EQ(fromBlend.b, fromTableau.b);
            EXPECT_EQ(fromBlend.cost, fromTableau.cost);
            EXPECT_EQ(fromBlend.lower, fromTableau.lower);
            EXPECT_EQ(fromBlend.upper, fromTableau.upper);
            EXPECT_EQ(blendLayout.minRow, tableauLayout.minRow);
            EXPECT_EQ(blendLayout.maxRow, tableauLayout.maxRow);
            EXPECT_EQ(blendLayout.minRhs, tableauLayout.minRhs);
            EXPECT_EQ(blendLayout.maxRhs, tableauLayout.maxRhs);
            EXPECT_EQ(blendLayout.range, tableauLayout.range);
        }

        Tableau expected = assemble(b);
        const SolveResult r = solve(expected);
        const SolvedBlend got = assembleAndSolve(b);
        EXPECT_EQ(got.result.outcome, r.outcome);
        EXPECT_EQ(got.result.bounded, r.bounded);
        EXPECT_EQ(got.result.boundedPivots, r.boundedPivots);
        EXPECT_EQ(got.result.phase1Pivots + got.result.phase2Pivots,
                  r.phase1Pivots + r.phase2Pivots);
        EXPECT_EQ(got.tableau.tabla, expected.tabla);
        EXPECT_EQ(got.tableau.varBasica, expected.varBasica);
        EXPECT_EQ(got.tableau.etiquetaFila, expected.etiquetaFila);
        EXPECT_EQ(got.tableau.colProducto, expected.colProducto);
        EXPECT_EQ(got.tableau.factorSeca, expected.factorSeca);
        bounded += r.bounded ? 1 : 0;
        infeasible += r.outcome == Outcome::Infeasible ? 1 : 0;
    }
    EXPECT_GE(bounded, 12);
    EXPECT_GE(infeasible, 1);
}

// solve() keeps the dense path for small blends and takes the bounded one for larger ones.
TEST(BoundedPath, SolveChoosesByTheNumberOfRows) {
    EXPECT_FALSE(prefersBoundedPath(Tableau(10, 20, 14))); // 36 rows
    EXPECT_TRUE(prefersBoundedPath(Tableau(20, 15, 28)));  // 45 rows
    Tableau small = assemble(examples::twoIngredientBlend());
    EXPECT_FALSE(solve(small).bounded);
    generator::Rng rng(3);
    generator::Shape s;
    s.ingredients = 40;
    s.nutrients = 20;
    Tableau large = assemble(generator::randomBlend(rng, s));
    ASSERT_GE(large.M, 45);
    EXPECT_TRUE(solve(large).bounded);
}

// The sample diets through the bounded path: the dense path's optimal cost, and where both
// end on the same basis, the same sensitivity rows.
TEST(BoundedPath, SampleDietsGiveTheDensePathsFigures) {
    const sample::Catalogue catalogue;
    int same = 0;
    for (const std::string& code : catalogue.formulaCodes()) {
        SCOPED_TRACE(code);
        const Blend b = catalogue.blend(code);
        Tableau dense = assemble(b), bounded = dense;
        ASSERT_EQ(solveDense(dense).outcome, Outcome::Optimum);
        const SolveResult r = solveBoundedPath(bounded);
        ASSERT_TRUE(r.bounded);
        ASSERT_EQ(r.outcome, Outcome::Optimum);
        EXPECT_LT(relative(costOf(bounded), costOf(dense)), 1e-9);
        if (sortedBasis(bounded) != sortedBasis(dense))
            continue;
        ++same;
        std::vector<AnalysisRow> a = sensitivityRows(bounded, b), e = sensitivityRows(dense, b);
        ASSERT_EQ(a.size(), e.size());
        auto byKind = [](const AnalysisRow& x, const AnalysisRow& y) {
            return x.tipo + x.detalle < y.tipo + y.detalle;
        };
        std::sort(a.begin(), a.end(), byKind);
        std::sort(e.begin(), e.end(), byKind);
        for (size_t k = 0; k < a.size(); ++k) {
            EXPECT_EQ(a[k].tipo + a[k].detalle, e[k].tipo + e[k].detalle);
            EXPECT_NEAR(a[k].valor1, e[k].valor1, 1e-9 * std::max(1.0, std::abs(e[k].valor1)));
            EXPECT_NEAR(a[k].valor2, e[k].valor2, 1e-7 * std::max(1.0, std::abs(e[k].valor2)));
        }
    }
    EXPECT_GE(same, 1);
}

// Tableau memory arrives zeroed, on the small path (calloc) and the large one (a mapping),
// and copies compare equal entry by entry.
TEST(BoundedPath, TableauMemoryStartsAtZero) {
    for (auto [n, k, l] : {std::tuple{3, 2, 3}, {600, 270, 720}}) {
        const Tableau t(n, k, l);
        size_t nonZero = 0;
        for (double v : t.tabla)
            nonZero += v != 0 ? 1 : 0;
        EXPECT_EQ(nonZero, 1u); // the objective column of the cost row
        Tableau copy = t;
        copy.at(1, 1) = 5;
        EXPECT_NE(copy.tabla, t.tabla);
        copy.at(1, 1) = 0;
        EXPECT_EQ(copy.tabla, t.tabla);
    }
}

// A large block released is kept and handed out again for the next tableau it can hold:
// written all over before, it arrives zeroed, also when it is larger than asked for.
TEST(BoundedPath, KeptTableauMemoryArrivesZeroed) {
    for (int round = 0; round < 4; ++round) {
        Tableau dirty(600 - round, 270, 720);
        std::fill(dirty.tabla.begin(), dirty.tabla.end(), 7.0);
    }
    for (auto [n, k, l] : {std::tuple{600, 270, 720}, {590, 260, 700}, {200, 130, 240}}) {
        const Tableau t(n, k, l);
        EXPECT_EQ(std::count(t.tabla.begin(), t.tabla.end(), 0.0),
                  static_cast<long>(t.tabla.size()) - 1);
    }
}

// Ingredients that cost nothing make many dual steps degenerate (length 0). The search meets
// the stall by perturbing the costs and still ends in a few hundred pivots, at GLPK's cost;
// the true costs come back at the end, so the reported cost and reduced costs are exact.
TEST(BoundedSimplex, DegenerateBlendsEndQuickly) {
    generator::Rng rng(5);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE("blend " + std::to_string(i));
        generator::Shape s;
        s.ingredients = 100 + 30 * i;
        s.nutrients = 50 + 15 * i;
        s.free = i % 2 == 0 ? 1.0 : 0.3;
        s.secaIng = s.secaNut = i % 3 == 1;
        s.withMinimum = 0.2;
        s.fixed = 0.05;
        const Blend b = generator::randomBlend(rng, s);
        const Tableau original = assemble(b);
        BoundedLp lp;
        BoundedLayout layout;
        ASSERT_TRUE(boundedForm(original, lp, layout));
        const BoundedSolution sol = solveBounded(lp);
        EXPECT_EQ(sol.status, BoundedStatus::Optimal);
        EXPECT_LT(sol.pivots, lp.m + lp.n);
        const reference::Solution ref = reference::solveWithGlpk(b);
        ASSERT_EQ(ref.status, reference::Status::Optimum);
        Tableau t = original;
        const SolveResult r = solveBoundedPath(t);
        EXPECT_TRUE(r.bounded);
        EXPECT_EQ(r.outcome, Outcome::Optimum);
        EXPECT_NEAR(costOf(t), ref.cost, 1e-7 * std::max(1.0, std::abs(ref.cost)));
        for (int c = 1; c <= t.C; ++c)
            EXPECT_GE(t.at(0, c), -kOptimalityTolerance) << "column " << c;
        if (i < 2) // every entry: cubic in the size
            expectTableauOfItsBasis(t, original);
    }
}

// A long step: one row asks for 2.5 units from three columns capped at 1 each. The ratio test
// passes the breakpoints of the cheaper columns, flipping them to their upper bound, and the
// third enters; a row that no column can help proves there is no mix.
TEST(BoundedSimplex, BoundFlipsAndInfeasibleRows) {
    BoundedLp lp;
    lp.m = 1;
    lp.n = 3;
    lp.a = {-1, -1, -1};
    lp.b = {-2.5};
    lp.cost = {1, 2, 3};
    lp.lower = {0, 0, 0, 0};
    lp.upper = {1, 1, 1, BoundedLp::kInfinity};
    BoundedSolution s = solveBounded(lp);
    ASSERT_EQ(s.status, BoundedStatus::Optimal);
    EXPECT_EQ(s.pivots, 1);
    EXPECT_EQ(s.flips, 2);
    EXPECT_EQ(s.x, (std::vector<double>{1, 1, 0.5, 0}));
    EXPECT_EQ(s.state[0], ColumnState::AtUpper);
    EXPECT_EQ(s.head[0], 2);

    lp.b = {-3.5};
    EXPECT_EQ(solveBounded(lp).status, BoundedStatus::Infeasible);
}

} // namespace
} // namespace lp
