#include "blend_generator.h"
#include "glpk_reference.h"
#include "optimizer/engine/block_lp.h"
#include "optimizer/engine/plan.h"
#include "optimizer/engine/tableau.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace lp;
using generator::Rng;
using generator::Shape;

// The plan built in GLPK from each formula's own reference programme: every block copied in with
// its columns shifted, costs and stock rows in plain quantities (no scaling). With `usageOf`, the
// objective is instead that stock's usage as fed, times `sign`.
reference::Solution solvePlanWithGlpk(const Plan& plan, const PlanStock* usageOf = nullptr,
                                      double sign = 1) {
    reference::Solution out;
    glp_prob* p = glp_create_prob();
    glp_set_obj_dir(p, GLP_MIN);
    std::vector<int> ia{0}, ja{0};
    std::vector<double> ar{0};
    std::vector<int> first;
    int cols = 0, rows = 0;
    std::vector<int> ind;
    std::vector<double> val;
    for (const PlanFormula& f : plan.formulas) {
        reference::GlpkBlend block(f.blend);
        glp_prob* b = block.problem();
        const int n = glp_get_num_cols(b), m = glp_get_num_rows(b);
        first.push_back(cols);
        glp_add_cols(p, n);
        for (int j = 1; j <= n; ++j) {
            glp_set_col_bnds(p, cols + j, glp_get_col_type(b, j), glp_get_col_lb(b, j),
                             glp_get_col_ub(b, j));
            glp_set_obj_coef(p, cols + j, f.cantidad * glp_get_obj_coef(b, j));
        }
        if (usageOf)
            for (int j = 1; j <= n; ++j) {
                const Ingredient& ing = f.blend.ingredients[static_cast<std::size_t>(j - 1)];
                const double asFed = f.blend.secaIng ? 100 / ing.materiaSeca : 1.0;
                glp_set_obj_coef(p, cols + j,
                                 ing.id == usageOf->id ? sign * f.cantidad * asFed : 0.0);
            }
        glp_add_rows(p, m);
        ind.assign(n + 1, 0);
        val.assign(n + 1, 0.0);
        for (int i = 1; i <= m; ++i) {
            glp_set_row_bnds(p, rows + i, glp_get_row_type(b, i), glp_get_row_lb(b, i),
                             glp_get_row_ub(b, i));
            const int len = glp_get_mat_row(b, i, ind.data(), val.data());
            for (int k = 1; k <= len; ++k) {
                ia.push_back(rows + i);
                ja.push_back(cols + ind[k]);
                ar.push_back(val[k]);
            }
        }
        cols += n;
        rows += m;
    }
    for (const PlanStock& st : plan.stock) {
        if (!st.disponible && !st.minimoUso)
            continue;
        glp_add_rows(p, 1);
        ++rows;
        const int type = !st.minimoUso ? GLP_UP : !st.disponible ? GLP_LO : GLP_DB;
        glp_set_row_bnds(p, rows, type, st.minimoUso.value_or(0), st.disponible.value_or(0));
        for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
            const Blend& b = plan.formulas[f].blend;
            for (std::size_t j = 0; j < b.ingredients.size(); ++j)
                if (b.ingredients[j].id == st.id) {
                    const double dm = b.ingredients[j].materiaSeca / 100;
                    ia.push_back(rows);
                    ja.push_back(first[f] + static_cast<int>(j) + 1);
                    ar.push_back(plan.formulas[f].cantidad * (b.secaIng ? 1 / dm : 1.0));
                }
        }
    }
    glp_load_matrix(p, static_cast<int>(ia.size()) - 1, ia.data(), ja.data(), ar.data());
    glp_smcp parm;
    glp_init_smcp(&parm);
    parm.msg_lev = GLP_MSG_OFF;
    parm.tol_bnd = 1e-10;
    parm.tol_dj = 1e-10;
    if (glp_simplex(p, &parm) == 0) {
        const int status = glp_get_status(p);
        if (status == GLP_NOFEAS)
            out.status = reference::Status::NoFeasiblePoint;
        else if (status == GLP_OPT) {
            out.status = reference::Status::Optimum;
            out.cost = glp_get_obj_val(p);
        }
    }
    glp_delete_prob(p);
    return out;
}

// Formulas with ids 1..n of the same catalogue in every formula, so they draw on the same stock.
Plan randomPlan(Rng& rng, int formulas, int ingredients, int nutrients) {
    Plan plan;
    for (int f = 0; f < formulas; ++f) {
        Shape s;
        s.ingredients = rng.integer(std::max(10, ingredients / 2), ingredients);
        s.nutrients = rng.integer(std::max(5, nutrients / 2), nutrients);
        s.secaIng = rng.chance(0.5);
        s.secaNut = rng.chance(0.5);
        s.cantidad = rng.chance(0.5) ? 1000 : 100;
        s.ratios = rng.integer(0, 2);
        s.groups = rng.integer(0, 2);
        s.withMinimum = 0.1;
        s.withMaximum = 0.3;
        plan.formulas.push_back({generator::randomBlend(rng, s), rng.uniform(1, 40) * 1000});
    }
    for (int id = 1; id <= ingredients; ++id)
        plan.stock.push_back({id, "Ingrediente " + std::to_string(id), std::nullopt, std::nullopt});
    return plan;
}

// Availability and contracts around what the plan uses unlinked: some bind, some do not.
void setStock(Rng& rng, Plan& plan, const PlanResult& free, double tightness) {
    for (std::size_t s = 0; s < plan.stock.size(); ++s) {
        const double used = free.stock[s].usado;
        if (used > 0 && rng.chance(0.3))
            plan.stock[s].disponible = used * rng.uniform(tightness, 1.2);
        if (rng.chance(0.1))
            plan.stock[s].minimoUso = used * rng.uniform(0.8, 1.0 + (1 - tightness));
        if (plan.stock[s].disponible && plan.stock[s].minimoUso &&
            *plan.stock[s].minimoUso > *plan.stock[s].disponible)
            plan.stock[s].minimoUso = *plan.stock[s].disponible * 0.9;
    }
}

// Every limit of every formula, and the stock bounds, hold on the plan's mixes.
void expectLimitsMet(const Plan& plan, const PlanResult& r) {
    const double tol = 1e-7;
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const Blend& b = plan.formulas[f].blend;
        const std::vector<double>& x = r.formulas[f].shares;
        double sum = 0;
        std::vector<double> coef(b.ingredients.size());
        for (std::size_t j = 0; j < x.size(); ++j) {
            sum += x[j];
            const IngredientRows rows = ingredientRows(b, j);
            EXPECT_GE(x[j], -rows.minimumRhs - tol);
            if (rows.maximumRhs) {
                EXPECT_LE(x[j], *rows.maximumRhs + tol);
            }
        }
        EXPECT_NEAR(sum, 1.0, 1e-7);
        for (const LimitRef& limit : generalLimits(b)) {
            const double rhs = generalRow(b, limit, coef.data());
            double lhs = 0;
            for (std::size_t j = 0; j < x.size(); ++j)
                lhs += coef[j] * x[j];
            EXPECT_LE(lhs, rhs + tol * std::max(1.0, std::abs(rhs))) << rowLabel(b, limit);
        }
    }
    for (std::size_t s = 0; s < plan.stock.size(); ++s) {
        const PlanStock& st = plan.stock[s];
        const double used = r.stock[s].usado;
        if (st.disponible) {
            EXPECT_LE(used, *st.disponible * (1 + 1e-9) + 1e-6);
        }
        if (st.minimoUso) {
            EXPECT_GE(used, *st.minimoUso * (1 - 1e-9) - 1e-6);
        }
    }
}

// The marginal value is the plan's fall in cost per unit of stock, on one side or the other.
void expectMarginalsMatchResolving(const Plan& plan, const PlanResult& r) {
    for (std::size_t s = 0; s < plan.stock.size(); ++s) {
        const double value = r.stock[s].valorMarginal;
        const PlanStock& st = plan.stock[s];
        if (value == 0 || !st.disponible)
            continue;
        const bool minimumBinds = value < 0;
        if (minimumBinds && !st.minimoUso)
            ADD_FAILURE() << "a negative marginal value needs a minimum use";
        std::vector<double> slopes;
        for (double sign : {1.0, -1.0}) {
            const double step = 1e-4 * std::max(1.0, *st.disponible);
            Plan moved = plan;
            auto& b = minimumBinds ? moved.stock[s].minimoUso : moved.stock[s].disponible;
            *b += sign * step;
            const PlanResult m = solvePlan(moved, {false, false});
            if (m.outcome == PlanOutcome::Optimum)
                slopes.push_back(sign * (r.costoTotal - m.costoTotal) / step);
        }
        ASSERT_FALSE(slopes.empty());
        const bool matches = std::any_of(slopes.begin(), slopes.end(), [&](double slope) {
            return std::abs(slope - value) <= 1e-5 * std::max(1.0, std::abs(value));
        });
        EXPECT_TRUE(matches) << st.nombre << " " << value << " " << slopes.front();
    }
}

TEST(Plan, RandomPlansAgreeWithGlpk) {
    Rng rng(20261207);
    struct Size {
        int formulas, ingredients, nutrients;
    };
    const Size sizes[] = {{2, 10, 5},   {3, 20, 8},   {5, 15, 10},  {8, 30, 12},
                          {12, 40, 15}, {20, 25, 20}, {30, 60, 30}, {40, 80, 40}};
    int optimal = 0, infeasible = 0, binding = 0;
    for (const Size& size : sizes)
        for (double tightness : {0.6, 0.9, 1.0}) {
            Plan plan = randomPlan(rng, size.formulas, size.ingredients, size.nutrients);
            const PlanResult free = solvePlan(plan, {false, false});
            ASSERT_EQ(free.outcome, PlanOutcome::Optimum);
            if (tightness < 1)
                setStock(rng, plan, free, tightness);
            const PlanResult r = solvePlan(plan, {true, false});
            const reference::Solution ref = solvePlanWithGlpk(plan);
            SCOPED_TRACE(std::to_string(size.formulas) + " formulas");
            if (ref.status == reference::Status::NoFeasiblePoint) {
                EXPECT_EQ(r.outcome, PlanOutcome::Infeasible);
                ++infeasible;
                continue;
            }
            ASSERT_EQ(ref.status, reference::Status::Optimum);
            ASSERT_EQ(r.outcome, PlanOutcome::Optimum);
            ++optimal;
            EXPECT_NEAR(r.costoTotal, ref.cost, 1e-9 * std::abs(ref.cost));
            expectLimitsMet(plan, r);
            for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
                ASSERT_TRUE(r.formulas[f].costoSolo.has_value());
                // Unlinked, each mix costs exactly what it costs alone.
                if (tightness == 1) {
                    EXPECT_NEAR(r.formulas[f].costoUnitarioHumeda, *r.formulas[f].costoSolo,
                                1e-9 * *r.formulas[f].costoSolo);
                }
            }
            for (const PlanStockResult& s : r.stock)
                binding += s.valorMarginal != 0 ? 1 : 0;
            if (size.formulas <= 20)
                expectMarginalsMatchResolving(plan, r);
        }
    EXPECT_GT(optimal, 10);
    EXPECT_GT(binding, 5);
    (void)infeasible;
}

// Two formulas that both want the cheap ingredient: with its silo short the plan gives it to the
// formula that saves most by it, and each unit more of it is worth the difference.
Blend twoIngredientBlend(double cheapMax) {
    Blend b;
    b.cantidad = 1000;
    b.ingredients = {{1, "Maíz", 88, 0.2 / 0.88, 0.2, std::nullopt, std::nullopt, 88},
                     {2, "Sorgo", 88, 0.3 / 0.88, 0.3, std::nullopt, std::nullopt, 88}};
    b.ingredients[0].maximo = cheapMax;
    return b;
}

TEST(Plan, ShortStockGoesWhereItSavesMostAndConflictsAreNamed) {
    Plan plan;
    Blend a = twoIngredientBlend(1000);
    Blend b = twoIngredientBlend(1000);
    b.ingredients[1].costoHumeda = 0.25; // b saves less by maize
    b.ingredients[1].costoSeca = 0.25 / 0.88;
    plan.formulas = {{a, 10}, {b, 10}};
    plan.stock = {{1, "Maíz", 15.0, std::nullopt}};
    PlanResult r = solvePlan(plan);
    ASSERT_EQ(r.outcome, PlanOutcome::Optimum);
    EXPECT_NEAR(r.formulas[0].shares[0], 1.0, 2e-8);
    EXPECT_NEAR(r.formulas[1].shares[0], 0.5, 2e-8);
    EXPECT_NEAR(r.costoTotal, 10 * 0.2 + 5 * 0.2 + 5 * 0.25, 1e-7); // shares sum to 1 - 1e-8
    EXPECT_NEAR(r.stock[0].usado, 15, 1e-7);
    EXPECT_NEAR(r.stock[0].valorMarginal, 0.05, 1e-9);
    EXPECT_NEAR(*r.formulas[1].costoSolo, 0.2, 1e-8);

    // A contract above the silo, then one above what the formulas may take.
    plan.stock[0].minimoUso = 16.0;
    r = solvePlan(plan);
    ASSERT_EQ(r.outcome, PlanOutcome::Infeasible);
    ASSERT_EQ(r.conflicto.size(), 2u);
    EXPECT_EQ(r.conflicto[0].kind, PlanConflict::Disponible);
    EXPECT_NEAR(*r.conflicto[0].limit.relajacion, 16, 1e-12);

    plan.formulas[0].blend.ingredients[0].maximo = 300; // at most 3 of its 10
    plan.formulas[1].blend.ingredients[0].maximo = 500; // at most 5 of its 10
    plan.stock[0].disponible = 15.0;
    plan.stock[0].minimoUso = 9.0;
    r = solvePlan(plan);
    ASSERT_EQ(r.outcome, PlanOutcome::Infeasible);
    ASSERT_EQ(r.conflicto.size(), 1u);
    EXPECT_EQ(r.conflicto[0].kind, PlanConflict::MinimoUso);
    EXPECT_NEAR(*r.conflicto[0].limit.relajacion, 8, 1e-7);
    ASSERT_TRUE(r.conflicto[0].limit.costo.has_value());
    EXPECT_NEAR(*r.conflicto[0].limit.costo, 8 * 0.2 + 7 * 0.3 + 5 * 0.25, 1e-6);

    // On a dry-basis formula the stock counts as fed: 10 of dry matter at 88 % is 11.36 as fed.
    plan = Plan{};
    Blend dry = twoIngredientBlend(1000);
    dry.secaIng = true;
    plan.formulas = {{dry, 10}};
    plan.stock = {{1, "Maíz", std::nullopt, std::nullopt}};
    r = solvePlan(plan);
    ASSERT_EQ(r.outcome, PlanOutcome::Optimum);
    EXPECT_NEAR(r.stock[0].usado, 10 / 0.88, 2e-7);
    EXPECT_NEAR(r.costoTotal, 10 / 0.88 * 0.2, 1e-7);
    EXPECT_NEAR(r.formulas[0].costoUnitarioHumeda, 0.2, 1e-8);
}

} // namespace

double total(const Plan& plan) {
    double sum = 0;
    for (const PlanFormula& f : plan.formulas)
        sum += f.cantidad;
    return sum;
}

// Copies of one formula (in equal or unequal quantities) drawing on the same stock, half of what
// they use alone cut short: ties everywhere, so the search stalls and perturbs its costs.
Plan copiesOfOneFormula(Rng& rng, bool equalQuantities) {
    Shape s;
    s.ingredients = rng.integer(10, 30);
    s.nutrients = rng.integer(5, 15);
    s.free = 0.4;
    s.secaIng = rng.chance(0.5);
    s.secaNut = rng.chance(0.5);
    const Blend blend = generator::randomBlend(rng, s);
    Plan plan;
    for (int f = 0, copies = rng.integer(5, 25); f < copies; ++f)
        plan.formulas.push_back({blend, 1000.0 * (1 + (equalQuantities ? 0 : f % 3))});
    for (int id = 1; id <= s.ingredients; ++id)
        plan.stock.push_back({id, "Ingrediente " + std::to_string(id), std::nullopt, std::nullopt});
    const PlanResult free = solvePlan(plan, {false, false});
    EXPECT_EQ(free.outcome, PlanOutcome::Optimum);
    for (std::size_t i = 0; i < plan.stock.size() && free.outcome == PlanOutcome::Optimum; ++i)
        if (free.stock[i].usado > 0 && rng.chance(0.5))
            plan.stock[i].disponible = free.stock[i].usado * rng.uniform(0.3, 0.9);
    return plan;
}

// The plan's block-angular solve and the dense inverse on the same programme, both finishing a
// perturbed search on the true costs: the same outcome and cost, with the block factors never
// giving up (which would hand the plan to the dense inverse unseen).
TEST(Plan, BlockFactorsSolveAsTheDenseInverseDoes) {
    Rng rng(5150);
    int optimal = 0;
    for (int k = 0; k < 12; ++k) {
        Plan plan;
        if (k % 3 == 2) {
            plan = copiesOfOneFormula(rng, false); // both perturb and clean up
        } else {
            plan = randomPlan(rng, rng.integer(2, 25), rng.integer(10, 50), rng.integer(5, 25));
            const PlanResult free = solvePlan(plan, {false, false});
            ASSERT_EQ(free.outcome, PlanOutcome::Optimum);
            setStock(rng, plan, free, k % 2 == 0 ? 0.6 : 0.85);
        }
        BlockLp blocks;
        ASSERT_TRUE(planBlocks(plan, blocks));
        const BoundedSolution byBlocks = solveBlocks(blocks);
        const BoundedSolution dense = solveBounded(blocks.dense(), true);
        ASSERT_NE(byBlocks.status, BoundedStatus::Failed);
        ASSERT_EQ(byBlocks.status, dense.status);
        if (dense.status != BoundedStatus::Optimal)
            continue;
        ++optimal;
        double a = 0, b = 0;
        for (int j = 0; j < blocks.n; ++j) {
            a += blocks.cost[j] * byBlocks.x[j];
            b += blocks.cost[j] * dense.x[j];
        }
        EXPECT_NEAR(a, b, 1e-9 * std::abs(b));
    }
    EXPECT_GT(optimal, 6);
}
// Ingredients that cost nothing (water) and by-products one is paid to take: the plan's cost is
// still GLPK's within 1e-9, with no bias from how a negative cost is started at its bound.
TEST(Plan, FreeAndPaidIngredientsKeepTheOptimum) {
    Rng rng(99);
    int compared = 0;
    for (int k = 0; k < 24; ++k) {
        Plan plan;
        const int ingredients = rng.integer(10, 40);
        for (int f = 0, formulas = rng.integer(2, 15); f < formulas; ++f) {
            Shape s;
            s.ingredients = rng.integer(std::max(10, ingredients / 2), ingredients);
            s.nutrients = rng.integer(5, 20);
            s.secaIng = rng.chance(0.5);
            s.secaNut = rng.chance(0.5);
            s.free = 0.3;
            s.paid = 0.1;
            s.ratios = rng.integer(0, 2);
            s.groups = rng.integer(0, 2);
            plan.formulas.push_back({generator::randomBlend(rng, s), rng.uniform(1, 40) * 1000});
        }
        for (int id = 1; id <= ingredients; ++id)
            plan.stock.push_back(
                {id, "Ingrediente " + std::to_string(id), std::nullopt, std::nullopt});
        const PlanResult free = solvePlan(plan, {false, false});
        ASSERT_EQ(free.outcome, PlanOutcome::Optimum);
        setStock(rng, plan, free, 0.7);
        const PlanResult r = solvePlan(plan, {false, false});
        const reference::Solution ref = solvePlanWithGlpk(plan);
        if (ref.status != reference::Status::Optimum)
            continue;
        ++compared;
        ASSERT_EQ(r.outcome, PlanOutcome::Optimum);
        EXPECT_NEAR(r.costoTotal, ref.cost, 1e-9 * std::abs(ref.cost)) << "plan " << k;
        expectLimitsMet(plan, r);
        expectMarginalsMatchResolving(plan, r);
    }
    EXPECT_GT(compared, 15);
}
// Copies of one formula competing for short stock tie everywhere: the search stalls and perturbs
// its costs, which on a plan's small scaled costs is far from negligible. The plan still ends on
// GLPK's optimum within 1e-9, with every limit met.
TEST(Plan, TiedFormulasStillReachTheOptimum) {
    Rng rng(3);
    int compared = 0;
    for (int k = 0; k < 30; ++k) {
        const Plan plan = copiesOfOneFormula(rng, k % 3 == 0);
        const PlanResult r = solvePlan(plan, {false, false});
        const reference::Solution ref = solvePlanWithGlpk(plan);
        if (ref.status == reference::Status::NoFeasiblePoint) {
            EXPECT_EQ(r.outcome, PlanOutcome::Infeasible);
            continue;
        }
        ++compared;
        ASSERT_EQ(r.outcome, PlanOutcome::Optimum);
        EXPECT_NEAR(r.costoTotal, ref.cost, 1e-9 * std::abs(ref.cost)) << "plan " << k;
        // The dense inverse, there for a block that cannot be factored, ends as exactly.
        BlockLp blocks;
        ASSERT_TRUE(planBlocks(plan, blocks));
        const BoundedSolution dense = solveBounded(blocks.dense(), true);
        ASSERT_EQ(dense.status, BoundedStatus::Optimal);
        double denseCost = 0;
        for (int j = 0; j < blocks.n; ++j)
            denseCost += blocks.cost[j] * dense.x[j] * total(plan);
        EXPECT_NEAR(denseCost, ref.cost, 1e-9 * std::abs(ref.cost)) << "plan " << k;
        expectLimitsMet(plan, r);
        expectMarginalsMatchResolving(plan, r);
    }
    EXPECT_GT(compared, 10);
}

// The relaxation of each stock bound in a conflict is the least usage (of an availability) or the
// most (of a minimum use) the rest of the plan allows: GLPK's optimum of that usage, exactly,
// though the search breaks the usage's ties with the plan's costs and ends on the usage alone.
TEST(Plan, EachConflictingBoundRelaxesToTheUsageTheRestAllows) {
    Rng rng(4711);
    int relaxed = 0;
    for (int k = 0; k < 40; ++k) {
        Plan plan = randomPlan(rng, rng.integer(2, 20), rng.integer(10, 40), rng.integer(5, 20));
        const PlanResult free = solvePlan(plan, {false, false});
        ASSERT_EQ(free.outcome, PlanOutcome::Optimum);
        for (std::size_t s = 0; s < plan.stock.size(); ++s) {
            const double used = free.stock[s].usado;
            if (used > 0 && rng.chance(0.5))
                plan.stock[s].disponible = used * rng.uniform(0.05, 0.6);
            else if (rng.chance(0.1))
                plan.stock[s].minimoUso = (used + 1000) * rng.uniform(2, 6);
        }
        const PlanResult r = solvePlan(plan, {false, true});
        if (r.outcome != PlanOutcome::Infeasible)
            continue;
        for (const PlanConflict& c : r.conflicto) {
            if (c.kind == PlanConflict::Formula || !c.limit.relajacion)
                continue;
            const bool upper = c.kind == PlanConflict::Disponible;
            Plan without = plan;
            PlanStock& st = without.stock[static_cast<std::size_t>(c.stock)];
            (upper ? st.disponible : st.minimoUso).reset();
            const reference::Solution ref = solvePlanWithGlpk(without, &st, upper ? 1.0 : -1.0);
            ASSERT_EQ(ref.status, reference::Status::Optimum) << st.nombre;
            const double usage = upper ? ref.cost : -ref.cost;
            EXPECT_NEAR(*c.limit.relajacion, usage, 1e-7 * std::max(1.0, usage))
                << "plan " << k << " " << st.nombre;
            ++relaxed;
        }
    }
    EXPECT_GE(relaxed, 8);
}
