#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/integer.h"
#include "optimizer/engine/plan_integer.h"
#include "optimizer/engine/tableau.h"

#include "blend_generator.h"
#include "cbc_reference.h"
#include "exact_cost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace lp;
using generator::Rng;

namespace {

// CBC on the same programme, its choices fixed and the rest re-solved exactly: the cost of the
// plan it finds. CBC's own LP stops up to 1e-7 above the optimum on these plans.
cbc::Reference::Status cbcPlan(const Plan& plan, const std::vector<IntegerConditions>& cs,
                               double& cost) {
    const cbc::Programme programme(plan, cs);
    if (!programme.ok())
        return cbc::Reference::Infeasible;
    const cbc::Reference ref = programme.solve();
    if (ref.status != cbc::Reference::Optimal)
        return ref.status;
    const std::optional<double> exact = fixedCost(programme, ref.shares);
    if (!exact)
        return cbc::Reference::Unsolved;
    double total = 0;
    for (const PlanFormula& f : plan.formulas)
        total += f.cantidad;
    cost = *exact * total;
    return cbc::Reference::Optimal;
}

// Two or three formulas over one catalogue of ids 1..n, small enough for CBC to prove.
Plan smallPlan(Rng& rng) {
    Plan plan;
    const int formulas = rng.integer(2, 3), ingredients = rng.integer(6, 12);
    for (int f = 0; f < formulas; ++f) {
        generator::Shape s;
        s.ingredients = ingredients;
        s.nutrients = rng.integer(3, 6);
        s.secaIng = rng.chance(0.5);
        s.secaNut = rng.chance(0.5);
        s.cantidad = rng.chance(0.5) ? 1000 : 100;
        plan.formulas.push_back({generator::randomBlend(rng, s), rng.uniform(1, 20) * 1000});
    }
    for (int id = 1; id <= ingredients; ++id)
        plan.stock.push_back({id, "Ingrediente " + std::to_string(id), std::nullopt, std::nullopt});
    return plan;
}

IntegerConditions drawConditions(Rng& rng, const Blend& b, const std::vector<double>& shares,
                                 int kinds) {
    IntegerConditions c;
    c.ingredients.resize(b.ingredients.size());
    int used = 0;
    for (std::size_t j = 0; j < b.ingredients.size(); ++j) {
        used += shares[j] > 1e-9 ? 1 : 0;
        if ((kinds & 1) && rng.chance(0.6))
            c.ingredients[j].minimoSiSeUsa = b.cantidad * rng.uniform(0.02, 0.12);
        if ((kinds & 4) && j % 2 == 1 && rng.chance(0.9))
            c.ingredients[j].paso = b.cantidad * (rng.chance(0.5) ? 0.01 : 0.05);
    }
    if (kinds & 2)
        c.maxIngredientes = std::max(1, used - rng.integer(1, 2));
    c.redondear = (kinds & 4) != 0;
    return c;
}

// Every limit of every formula, the stock bounds and every condition, within 1e-9, on the
// shares and usage the result reports.
void expectMeets(const Plan& plan, const std::vector<IntegerConditions>& cs,
                 const PlanIntegerResult& r, const std::string& what) {
    BoundedLp lp;
    ASSERT_TRUE(planProgramme(plan, lp));
    std::vector<double> x;
    for (const PlanFormulaResult& f : r.plan.formulas)
        x.insert(x.end(), f.shares.begin(), f.shares.end());
    ASSERT_EQ(x.size(), static_cast<std::size_t>(lp.n)) << what;
    for (int i = 0; i < lp.m; ++i) {
        double activity = 0, scale = 1;
        for (int j = 0; j < lp.n; ++j) {
            activity += lp.at(i, j) * x[j];
            scale = std::max(scale, std::abs(lp.at(i, j)));
        }
        const double slack = lp.b[i] - activity;
        EXPECT_GE(slack, lp.lower[lp.n + i] - 1e-9 * scale) << what << " row " << i;
        EXPECT_LE(slack, lp.upper[lp.n + i] + 1e-9 * scale) << what << " row " << i;
    }
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const Blend& b = plan.formulas[f].blend;
        int used = 0;
        for (std::size_t j = 0; j < b.ingredients.size(); ++j) {
            const double q = r.plan.formulas[f].shares[j] * b.cantidad;
            if (q <= 0)
                continue;
            ++used;
            const IntegerIngredient& i = cs[f].ingredients[j];
            if (i.minimoSiSeUsa) {
                EXPECT_GE(q, *i.minimoSiSeUsa - 1e-9) << what << " formula " << f << " " << j;
            }
            if (cs[f].redondear && i.paso) {
                const double k = q / *i.paso;
                EXPECT_NEAR(k, std::round(k), 1e-9) << what << " formula " << f << " " << j;
            }
        }
        if (cs[f].maxIngredientes) {
            EXPECT_LE(used, *cs[f].maxIngredientes) << what << " formula " << f;
        }
    }
    for (std::size_t s = 0; s < plan.stock.size(); ++s) {
        const double tolerance = 1e-9 * std::max(1.0, r.plan.stock[s].usado) * 10;
        if (plan.stock[s].disponible) {
            EXPECT_LE(r.plan.stock[s].usado, *plan.stock[s].disponible + tolerance) << what;
        }
        if (plan.stock[s].minimoUso) {
            EXPECT_GE(r.plan.stock[s].usado, *plan.stock[s].minimoUso - tolerance) << what;
        }
    }
}

} // namespace

TEST(PlanInteger, RandomPlansAgreeWithCbc) {
    Rng rng(2911);
    int compared = 0, optimal = 0, infeasible = 0;
    for (int trial = 0; trial < 120; ++trial) {
        Plan plan = smallPlan(rng);
        const PlanResult free = solvePlan(plan, {false, false});
        if (free.outcome != PlanOutcome::Optimum)
            continue;
        // Stock that binds: some ingredients short of what the plan uses unlinked.
        for (std::size_t s = 0; s < plan.stock.size(); ++s)
            if (free.stock[s].usado > 0 && rng.chance(0.4))
                plan.stock[s].disponible = free.stock[s].usado * rng.uniform(0.6, 0.95);
        const PlanResult linked = solvePlan(plan, {false, false});
        if (linked.outcome != PlanOutcome::Optimum)
            continue;
        const int kinds = trial % 4 == 3 ? 7 : 1 << (trial % 3);
        std::vector<IntegerConditions> cs;
        for (std::size_t f = 0; f < plan.formulas.size(); ++f)
            cs.push_back(
                drawConditions(rng, plan.formulas[f].blend, linked.formulas[f].shares, kinds));
        const std::string what = "trial " + std::to_string(trial);
        const PlanIntegerResult ours = solvePlanInteger(plan, cs);
        double cost = 0;
        const cbc::Reference::Status ref = cbcPlan(plan, cs, cost);
        if (ref == cbc::Reference::Unsolved)
            continue;
        ++compared;
        if (ref == cbc::Reference::Infeasible) {
            ++infeasible;
            EXPECT_EQ(ours.status, IntegerStatus::IntegerInfeasible) << what;
            EXPECT_FALSE(ours.explicacion.empty()) << what;
            continue;
        }
        ++optimal;
        ASSERT_EQ(ours.status, IntegerStatus::Optimal) << what;
        EXPECT_TRUE(ours.probado) << what;
        EXPECT_NEAR(ours.plan.costoTotal, cost, 1e-9 * std::abs(cost)) << what;
        EXPECT_GE(ours.plan.costoTotal, linked.costoTotal - 1e-9 * std::abs(cost)) << what;
        EXPECT_NEAR(ours.costoContinuo, linked.costoTotal, 1e-9 * std::abs(cost)) << what;
        expectMeets(plan, cs, ours, what);
    }
    EXPECT_GE(compared, 60);
    EXPECT_GE(optimal, 40);
    RecordProperty("compared", compared);
    RecordProperty("optimal", optimal);
    RecordProperty("infeasible", infeasible);
}

TEST(PlanInteger, StopsWithGapAndNamesTheFormulaWithoutAMix) {
    Rng rng(77);
    // A node limit of 1 stops any search that needs a split: the best plan found, its gap,
    // not proven; every condition still met.
    int stopped = 0;
    for (int trial = 0; trial < 40 && stopped < 5; ++trial) {
        Plan plan = smallPlan(rng);
        const PlanResult free = solvePlan(plan, {false, false});
        if (free.outcome != PlanOutcome::Optimum)
            continue;
        std::vector<IntegerConditions> cs;
        for (std::size_t f = 0; f < plan.formulas.size(); ++f)
            cs.push_back(drawConditions(rng, plan.formulas[f].blend, free.formulas[f].shares, 7));
        const PlanIntegerResult full = solvePlanInteger(plan, cs);
        if (full.status != IntegerStatus::Optimal || full.nodos < 3)
            continue;
        const PlanIntegerResult cut = solvePlanInteger(plan, cs, {1, 0});
        if (cut.status == IntegerStatus::NoMixFound)
            continue;
        ++stopped;
        ASSERT_EQ(cut.status, IntegerStatus::Stopped);
        EXPECT_FALSE(cut.probado);
        EXPECT_LE(cut.nodos, 1);
        EXPECT_GE(cut.plan.costoTotal, full.plan.costoTotal - 1e-9 * full.plan.costoTotal);
        EXPECT_LE(cut.cota, full.plan.costoTotal * (1 + 1e-9));
        EXPECT_GE(cut.brecha, 0.0);
        EXPECT_NEAR(cut.brecha, (cut.plan.costoTotal - cut.cota) / cut.plan.costoTotal, 1e-12);
        expectMeets(plan, cs, cut, "stopped " + std::to_string(trial));
    }
    EXPECT_GE(stopped, 1);

    // Two formulas of one ingredient pair; the second weighs only in steps of 600 kg on a
    // batch of 1000 with both ingredients at least 100 kg: no whole step fits, so the second
    // formula is named whatever the first does.
    Plan plan;
    for (int f = 0; f < 2; ++f) {
        Blend b;
        b.cantidad = 1000;
        b.ingredients.push_back({1, "Maíz", 88, 1.0, 1.0, 100.0, std::nullopt, 88});
        b.ingredients.push_back({2, "Soja", 90, 2.0, 2.0, 100.0, std::nullopt, 90});
        plan.formulas.push_back({b, 5000});
    }
    plan.stock.push_back({1, "Maíz", 6000.0, std::nullopt});
    std::vector<IntegerConditions> cs(2);
    cs[1].ingredients.resize(2);
    cs[1].ingredients[0].paso = 600.0;
    cs[1].ingredients[1].paso = 600.0;
    cs[1].redondear = true;
    const PlanIntegerResult none = solvePlanInteger(plan, cs);
    EXPECT_EQ(none.status, IntegerStatus::IntegerInfeasible);
    EXPECT_EQ(none.formula, 1);
    EXPECT_NE(none.explicacion.find("600"), std::string::npos) << none.explicacion;

    // The stock, not the formula alone, rules the rounding out: 500 kg of maize on each batch
    // of 1000 rounds to 500 (steps of 500), but the silo holds 2000 kg, less than either formula
    // needs.
    cs[1].ingredients[0].paso = 500.0;
    cs[1].ingredients[1].paso = 500.0;
    cs[0] = cs[1];
    plan.stock[0].disponible = 2000.0;
    const PlanIntegerResult stock = solvePlanInteger(plan, cs);
    EXPECT_EQ(stock.status, IntegerStatus::IntegerInfeasible);
    EXPECT_EQ(stock.formula, 0);
    EXPECT_NE(stock.explicacion.find("existencias"), std::string::npos) << stock.explicacion;

    // A condition that makes no sense is refused before any search, naming its formula.
    cs[0].ingredients[1].paso = -5.0;
    const PlanIntegerResult bad = solvePlanInteger(plan, cs);
    EXPECT_EQ(bad.status, IntegerStatus::InvalidConditions);
    EXPECT_EQ(bad.formula, 0);
}

TEST(PlanInteger, UnlinkedFormulasCostWhatEachCostsAlone) {
    // With no stock bound the plan falls apart into its formulas: each group's count, minimums
    // and steps are its own formula's, so the plan's proven optimum is the sum of each formula's
    // proven optimum alone, and a count held over the whole plan (or over the wrong formula)
    // shows as a different cost.
    Rng rng(4057);
    int compared = 0;
    for (int trial = 0; trial < 30; ++trial) {
        const Plan plan = smallPlan(rng);
        const PlanResult free = solvePlan(plan, {false, false});
        if (free.outcome != PlanOutcome::Optimum)
            continue;
        std::vector<IntegerConditions> cs;
        for (std::size_t f = 0; f < plan.formulas.size(); ++f)
            cs.push_back(drawConditions(rng, plan.formulas[f].blend, free.formulas[f].shares,
                                        rng.integer(1, 7)));
        double alone = 0;
        int proven = 0, none = 0;
        for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
            const IntegerResult r = solveInteger(plan.formulas[f].blend, cs[f]);
            proven += r.status == IntegerStatus::Optimal ? 1 : 0;
            none += r.status == IntegerStatus::IntegerInfeasible ? 1 : 0;
            alone += plan.formulas[f].cantidad * r.costo;
        }
        const PlanIntegerResult together = solvePlanInteger(plan, cs);
        const std::string what = "trial " + std::to_string(trial);
        if (none > 0) {
            EXPECT_EQ(together.status, IntegerStatus::IntegerInfeasible) << what;
            continue;
        }
        ASSERT_EQ(proven, static_cast<int>(plan.formulas.size())) << what;
        ASSERT_EQ(together.status, IntegerStatus::Optimal) << what;
        EXPECT_NEAR(together.plan.costoTotal, alone, 1e-7 * std::abs(alone)) << what;
        expectMeets(plan, cs, together, what);
        ++compared;
    }
    EXPECT_GE(compared, 15);
}
