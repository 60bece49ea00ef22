#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/integer.h"
#include "optimizer/engine/plan_integer.h"
#include "optimizer/engine/tableau.h"

#include "blend_generator.h"

#include <coin/Cbc_C_Interface.h>
#include <glpk.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace lp;
using generator::Rng;

namespace {

// Per column of the plan's programme: its step and minimum if used in shares, and its formula.
struct Column {
    double step = 0, use = 0;
    int formula = 0;
};

std::vector<Column> columnsOf(const Plan& plan, const std::vector<IntegerConditions>& cs) {
    std::vector<Column> cols;
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const Blend& b = plan.formulas[f].blend;
        for (std::size_t j = 0; j < b.ingredients.size(); ++j) {
            Column c;
            c.formula = static_cast<int>(f);
            const IntegerIngredient& i = cs[f].ingredients[j];
            if (cs[f].redondear && i.paso)
                c.step = *i.paso / b.cantidad;
            if (i.minimoSiSeUsa && *i.minimoSiSeUsa > 0)
                c.use = *i.minimoSiSeUsa / b.cantidad;
            cols.push_back(c);
        }
    }
    return cols;
}

// The linear programme with these column bounds solved exactly by GLPK's rational simplex:
// CBC's own LP stops up to 1e-7 above the optimum on these plans, so its choices are re-solved
// here. False when there is no optimum.
bool exactCost(const BoundedLp& lp, const std::vector<double>& lower,
               const std::vector<double>& upper, double& cost) {
    glp_prob* g = glp_create_prob();
    glp_add_cols(g, lp.n);
    glp_add_rows(g, lp.m);
    for (int j = 0; j < lp.n; ++j) {
        glp_set_col_bnds(g, j + 1, lower[j] == upper[j] ? GLP_FX : GLP_DB, lower[j], upper[j]);
        glp_set_obj_coef(g, j + 1, lp.cost[j]);
    }
    std::vector<int> ia{0}, ja{0};
    std::vector<double> ar{0};
    for (int i = 0; i < lp.m; ++i) {
        const double lo = lp.b[i] - lp.upper[lp.n + i], up = lp.b[i] - lp.lower[lp.n + i];
        const int type = std::isinf(lo)   ? (std::isinf(up) ? GLP_FR : GLP_UP)
                         : std::isinf(up) ? GLP_LO
                         : lo == up       ? GLP_FX
                                          : GLP_DB;
        glp_set_row_bnds(g, i + 1, type, std::isinf(lo) ? 0 : lo, std::isinf(up) ? 0 : up);
        for (int j = 0; j < lp.n; ++j)
            if (lp.at(i, j) != 0) {
                ia.push_back(i + 1);
                ja.push_back(j + 1);
                ar.push_back(lp.at(i, j));
            }
    }
    glp_load_matrix(g, static_cast<int>(ia.size()) - 1, ia.data(), ja.data(), ar.data());
    glp_smcp parm;
    glp_init_smcp(&parm);
    parm.msg_lev = GLP_MSG_OFF;
    glp_simplex(g, &parm);
    glp_exact(g, &parm);
    const bool ok = glp_get_status(g) == GLP_OPT;
    cost = glp_get_obj_val(g);
    glp_delete_prob(g);
    return ok;
}

enum class Reference { Optimal, Infeasible, Unsolved };

// CBC on the same programme: a whole step count per rounded column, a use indicator per column
// under a minimum if used or its formula's count (m y <= x <= u y), one count row per formula.
// The cost compared is CBC's choices fixed and the rest re-solved exactly (exactCost).
Reference cbcPlan(const Plan& plan, const std::vector<IntegerConditions>& cs, double& cost) {
    BoundedLp lp;
    if (!planProgramme(plan, lp))
        return Reference::Infeasible;
    const std::vector<Column> col = columnsOf(plan, cs);
    const int n = lp.n, m = lp.m;
    constexpr double kBig = 1e300;
    auto solve = [&](const std::vector<double>& lower, const std::vector<double>& upper,
                     std::vector<double>& values) -> Reference {
        std::vector<std::vector<std::pair<int, double>>> cols(n);
        std::vector<double> colLo(lower), colUp(upper), obj(lp.cost), rowLo, rowUp;
        for (int i = 0; i < m; ++i) {
            for (int j = 0; j < n; ++j)
                if (lp.at(i, j) != 0)
                    cols[j].push_back({i, lp.at(i, j)});
            rowLo.push_back(lp.b[i] - lp.upper[n + i]);
            rowUp.push_back(lp.b[i] - lp.lower[n + i]);
        }
        std::vector<int> integers, countRow(plan.formulas.size(), -1);
        auto addColumn = [&](double lo, double up) {
            cols.emplace_back();
            colLo.push_back(lo);
            colUp.push_back(up);
            obj.push_back(0);
            integers.push_back(static_cast<int>(cols.size()) - 1);
            return static_cast<int>(cols.size()) - 1;
        };
        auto addRow = [&](double lo, double up) {
            rowLo.push_back(lo);
            rowUp.push_back(up);
            return static_cast<int>(rowLo.size()) - 1;
        };
        for (std::size_t f = 0; f < cs.size(); ++f)
            if (cs[f].maxIngredientes)
                countRow[f] = addRow(-kBig, *cs[f].maxIngredientes);
        for (int j = 0; j < n; ++j) {
            const Column& c = col[j];
            if (c.step > 0) {
                const int k = addColumn(std::ceil(lower[j] / c.step - 1e-9),
                                        std::floor(upper[j] / c.step + 1e-9));
                const int row = addRow(0, 0);
                cols[j].push_back({row, 1});
                cols[k].push_back({row, -c.step});
            }
            const int group = countRow[c.formula];
            if (c.use > 0 || group >= 0) {
                const int y = addColumn(lower[j] > 0 ? 1 : 0, 1);
                const int top = addRow(-kBig, 0);
                cols[j].push_back({top, 1});
                cols[y].push_back({top, -upper[j]});
                if (c.use > 0) {
                    const int bottom = addRow(0, kBig);
                    cols[j].push_back({bottom, 1});
                    cols[y].push_back({bottom, -c.use});
                }
                if (group >= 0)
                    cols[y].push_back({group, 1});
            }
        }
        std::vector<CoinBigIndex> start{0};
        std::vector<int> index;
        std::vector<double> value;
        for (const auto& c : cols) {
            for (const auto& [row, a] : c) {
                index.push_back(row);
                value.push_back(a);
            }
            start.push_back(static_cast<CoinBigIndex>(index.size()));
        }
        Cbc_Model* model = Cbc_newModel();
        Cbc_setLogLevel(model, 0);
        Cbc_loadProblem(model, static_cast<int>(cols.size()), static_cast<int>(rowLo.size()),
                        start.data(), index.data(), value.data(), colLo.data(), colUp.data(),
                        obj.data(), rowLo.data(), rowUp.data());
        for (int k : integers)
            Cbc_setInteger(model, k);
        // The same settings as the single formula's reference (cbc_reference.h says why).
        Cbc_setParameter(model, "primalTolerance", "1e-9");
        Cbc_setParameter(model, "dualTolerance", "1e-9");
        Cbc_setAllowableGap(model, 0);
        Cbc_setAllowableFractionGap(model, 0);
        Cbc_setParameter(model, "allowableGap", "0");
        Cbc_setParameter(model, "ratioGap", "0");
        Cbc_setParameter(model, "increment", "1e-12");
        Cbc_setParameter(model, "integerTolerance", "1e-9");
        Cbc_setParameter(model, "preprocess", "off");
        Cbc_setParameter(model, "heuristicsOnOff", "off");
        Cbc_solve(model);
        Reference r = Reference::Unsolved;
        if (Cbc_isProvenInfeasible(model))
            r = Reference::Infeasible;
        else if (Cbc_isProvenOptimal(model)) {
            r = Reference::Optimal;
            const double* v = Cbc_getColSolution(model);
            values.assign(v, v + cols.size());
            cost = Cbc_getObjValue(model);
        }
        Cbc_deleteModel(model);
        return r;
    };
    std::vector<double> lower(lp.lower.begin(), lp.lower.begin() + n);
    std::vector<double> upper(lp.upper.begin(), lp.upper.begin() + n);
    for (int j = 0; j < n; ++j) {
        upper[j] = std::min(upper[j], kSumUpper);
        if (col[j].step > 0 &&
            std::ceil(lower[j] / col[j].step - 1e-9) > std::floor(upper[j] / col[j].step + 1e-9))
            return Reference::Infeasible;
    }
    std::vector<double> v;
    const Reference mip = solve(lower, upper, v);
    if (mip != Reference::Optimal)
        return mip;
    // Fix the choices read from the integer columns in the order they were added.
    int next = n;
    std::vector<int> countRow(plan.formulas.size(), 0);
    for (std::size_t f = 0; f < cs.size(); ++f)
        countRow[f] = cs[f].maxIngredientes ? 1 : 0;
    for (int j = 0; j < n; ++j) {
        const Column& c = col[j];
        if (c.step > 0)
            lower[j] = upper[j] = std::round(v[next++]) * c.step;
        if (c.use > 0 || countRow[c.formula]) {
            const bool in = std::round(v[next++]) == 1;
            if (!in)
                lower[j] = upper[j] = 0;
            else if (c.use > 0)
                lower[j] = std::max(lower[j], c.use);
            lower[j] = std::min(lower[j], upper[j]);
        }
    }
    if (!exactCost(lp, lower, upper, cost))
        return Reference::Unsolved;
    double total = 0;
    for (const PlanFormula& f : plan.formulas)
        total += f.cantidad;
    cost *= total;
    return Reference::Optimal;
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
        const Reference ref = cbcPlan(plan, cs, cost);
        if (ref == Reference::Unsolved)
            continue;
        ++compared;
        if (ref == Reference::Infeasible) {
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
