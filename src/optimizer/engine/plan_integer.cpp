#include "optimizer/engine/plan_integer.h"

#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/integer_search.h"

#include <algorithm>
#include <chrono>
#include <string>

// The branch and bound of a single formula run over the whole plan: the nodes are bounds on
// the plan's programme (every formula's shares, linked by the stock rows), each formula's
// columns a group with its own count limit. The stock rows get no condition, so they stay
// continuous.

namespace lp {

namespace {

using Clock = std::chrono::steady_clock;

const IntegerConditions& conditionsOf(const std::vector<IntegerConditions>& all, std::size_t f) {
    static const IntegerConditions none;
    return f < all.size() ? all[f] : none;
}

// The plan's columns are each formula's shares in blend order, one formula after another, as
// planProgramme lays them out.
// Each formula's choices of ingredients in its best mix alone (1 in, 0 out), or none.
using Patterns = std::vector<std::vector<char>>;

// One group per formula, its columns ruled as the formula's alone, and where the formula's
// best mix alone is known, which of them it uses.
void searchRules(const Plan& plan, const std::vector<IntegerConditions>& all,
                 const Patterns& patterns, std::vector<SearchColumn>& columns,
                 std::vector<SearchGroup>& groups) {
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const Blend& blend = plan.formulas[f].blend;
        const IntegerConditions& c = conditionsOf(all, f);
        std::vector<SearchColumn> own = searchColumns(blend, c, static_cast<int>(f));
        if (f < patterns.size())
            for (std::size_t j = 0; j < own.size() && j < patterns[f].size(); ++j)
                own[j].alone = patterns[f][j];
        groups.push_back(
            {static_cast<int>(columns.size()), static_cast<int>(own.size()), c.maxIngredientes});
        columns.insert(columns.end(), own.begin(), own.end());
    }
}

// The search over the plan's programme, whose costs are over the plan's total quantity.
SearchOutcome search(const Plan& plan, const std::vector<IntegerConditions>& conditions,
                     const IntegerLimits& limits, const Patterns& patterns = {},
                     SearchMode mode = {}) {
    BoundedLp lp;
    if (!planProgramme(plan, lp)) {
        SearchOutcome out;
        out.status = IntegerStatus::Infeasible;
        return out;
    }
    std::vector<SearchColumn> columns;
    std::vector<SearchGroup> groups;
    searchRules(plan, conditions, patterns, columns, groups);
    return searchInteger(lp, std::move(columns), std::move(groups), limits, mode);
}

double totalQuantity(const Plan& plan) {
    double total = 0;
    for (const PlanFormula& f : plan.formulas)
        total += f.cantidad;
    return total;
}

// Which formula's conditions have no plan: first a formula that has no mix with them even
// alone (the single formula's explanation then says which condition), then one whose
// conditions alone, the others' left continuous, do not fit the plan's stock. Every try is
// capped, so that an explanation never takes long.
void explain(const Plan& plan, const std::vector<IntegerConditions>& conditions,
             PlanIntegerResult& r) {
    const IntegerLimits cap{20000, 2.0};
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const IntegerConditions& c = conditionsOf(conditions, f);
        if (!c.any())
            continue;
        const IntegerResult alone = solveInteger(plan.formulas[f].blend, c, cap);
        if (alone.status == IntegerStatus::IntegerInfeasible) {
            r.formula = static_cast<int>(f);
            r.explicacion = alone.explicacion;
            return;
        }
    }
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const IntegerConditions& c = conditionsOf(conditions, f);
        if (!c.any())
            continue;
        std::vector<IntegerConditions> only(plan.formulas.size());
        only[f] = c;
        // The continuous plan has a mix (the search that called for this explanation solved
        // its root), so a try may stop at its first mix.
        if (search(plan, only, cap, {}, {true, true}).status == IntegerStatus::IntegerInfeasible) {
            r.formula = static_cast<int>(f);
            r.explicacion = "sus condiciones de pesada no caben en las existencias del plan";
            return;
        }
    }
    r.explicacion =
        "las condiciones de pesada de las fórmulas no caben juntas en las existencias del plan";
}

// The plan of the best mix: its shares as found (whole steps exactly), costs and usage from
// them, and the marginal values of the stock from the continuous plan with the mix's integer
// choices fixed, as the analysis of an integer optimum is that of its fixed programme.
PlanResult planOf(const Plan& plan, const std::vector<IntegerConditions>& conditions,
                  const std::vector<double>& x) {
    PlanResult result;
    result.outcome = PlanOutcome::Optimum;
    Plan fixed = plan;
    std::size_t col = 0;
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const PlanFormula& pf = plan.formulas[f];
        PlanFormulaResult fr;
        fr.shares.assign(x.begin() + static_cast<long>(col),
                         x.begin() + static_cast<long>(col + pf.blend.ingredients.size()));
        col += pf.blend.ingredients.size();
        for (double& v : fr.shares)
            v = std::max(v, 0.0);
        fr.costoUnitarioHumeda = wetUnitCost(pf.blend, fr.shares);
        result.costoTotal += pf.cantidad * unitCost(pf.blend, fr.shares);
        IntegerResult chosen;
        chosen.shares = fr.shares;
        fixed.formulas[f].blend = fixedBlend(pf.blend, conditionsOf(conditions, f), chosen);
        result.formulas.push_back(std::move(fr));
    }
    const PlanResult around = solvePlan(fixed, {false, false});
    for (std::size_t s = 0; s < plan.stock.size(); ++s) {
        PlanStockResult sr;
        for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
            const PlanFormula& pf = plan.formulas[f];
            for (std::size_t j = 0; j < pf.blend.ingredients.size(); ++j)
                if (pf.blend.ingredients[j].id == plan.stock[s].id)
                    sr.usado +=
                        pf.cantidad * asFedFactor(pf.blend, j) * result.formulas[f].shares[j];
        }
        if (around.outcome == PlanOutcome::Optimum && s < around.stock.size())
            sr.valorMarginal = around.stock[s].valorMarginal;
        result.stock.push_back(sr);
    }
    result.pivots = around.pivots;
    return result;
}

} // namespace

PlanIntegerResult solvePlanInteger(const Plan& plan,
                                   const std::vector<IntegerConditions>& conditions,
                                   const IntegerLimits& limits) {
    PlanIntegerResult r;
    if (!conditions.empty() && conditions.size() != plan.formulas.size()) {
        r.status = IntegerStatus::InvalidConditions;
        r.explicacion = "Las condiciones de pesada no corresponden a las fórmulas del plan.";
        return r;
    }
    for (std::size_t f = 0; f < conditions.size(); ++f)
        if (std::string why = invalidConditions(plan.formulas[f].blend, conditions[f]);
            !why.empty()) {
            r.status = IntegerStatus::InvalidConditions;
            r.formula = static_cast<int>(f);
            r.explicacion = why;
            return r;
        }
    // Each weighed formula alone first, briefly: one that has no mix the mill can weigh even
    // alone rules the plan out (the plan only adds the stock rows to it), and the choices of
    // each one's best mix alone are where the plan's rounding starts.
    const auto start = Clock::now();
    const long weighed = std::count_if(conditions.begin(), conditions.end(),
                                       [](const IntegerConditions& c) { return c.any(); });
    IntegerLimits brief{20000, 2.0};
    if (limits.maxSegundos > 0)
        brief.maxSegundos = std::min(brief.maxSegundos, limits.maxSegundos / (2.0 * weighed));
    Patterns patterns(plan.formulas.size());
    for (std::size_t f = 0; f < conditions.size(); ++f) {
        const IntegerConditions& c = conditions[f];
        if (!c.any())
            continue;
        const IntegerResult alone = solveInteger(plan.formulas[f].blend, c, brief);
        if (alone.status == IntegerStatus::IntegerInfeasible) {
            const PlanResult continuous = solvePlan(plan, {false, false});
            if (continuous.outcome != PlanOutcome::Optimum)
                break; // the continuous plan's own fault comes first: the search says it
            r.status = IntegerStatus::IntegerInfeasible;
            r.costoContinuo = continuous.costoTotal;
            r.cota = continuous.costoTotal;
            r.probado = true;
            r.formula = static_cast<int>(f);
            r.explicacion = alone.explicacion;
            return r;
        }
        bool choosing = c.maxIngredientes.has_value();
        for (const IntegerIngredient& i : c.ingredients)
            choosing = choosing || i.minimoSiSeUsa.value_or(0) > 0;
        if (choosing && alone.shares.size() == plan.formulas[f].blend.ingredients.size())
            for (double share : alone.shares)
                patterns[f].push_back(share > 0 ? 1 : 0);
    }
    IntegerLimits rest = limits;
    if (limits.maxSegundos > 0) {
        const std::chrono::duration<double> spent = Clock::now() - start;
        rest.maxSegundos = std::max(limits.maxSegundos - spent.count(), 1e-3);
    }
    const SearchOutcome o = search(plan, conditions, rest, patterns);
    r.status = o.status;
    const double total = totalQuantity(plan);
    r.costoContinuo = o.costoContinuo * total;
    r.cota = o.cota * total;
    r.nodos = o.nodes;
    r.probado = o.proven;
    if (o.status == IntegerStatus::Optimal || o.status == IntegerStatus::Stopped) {
        r.plan = planOf(plan, conditions, o.x);
        if (o.status == IntegerStatus::Stopped)
            r.brecha = (o.costo - o.cota) / std::max(std::abs(o.costo), 1e-300);
        else
            r.cota = r.plan.costoTotal;
    }
    if (o.status == IntegerStatus::IntegerInfeasible)
        explain(plan, conditions, r);
    return r;
}

} // namespace lp
