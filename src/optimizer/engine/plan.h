#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/conflict.h"

#include <optional>
#include <string>
#include <vector>

namespace lp {

// One formula of a production plan: its blend, with every limit it has alone, and how much of
// it the plan makes, in the unit of the blend's batch quantity (dry matter on a dry-basis
// formula, as the write-back reads the batch quantity there).
struct PlanFormula {
    Blend blend;
    double cantidad = 0;
};

// The plan's limits on one ingredient over all its formulas, quantities as fed: the most it may
// use (the silo) and the least it must use (a contract).
struct PlanStock {
    int id = 0;
    std::string nombre;
    std::optional<double> disponible, minimoUso;
};

struct Plan {
    std::vector<PlanFormula> formulas;
    std::vector<PlanStock> stock;
};

// The as-fed quantity one unit of formula quantity takes of ingredient i per unit of its share:
// 1 on an as-fed formula; on a dry-basis formula the write-back's cantidadHumeda = x q / dm, so
// 100 / materiaSeca.
double asFedFactor(const Blend& blend, std::size_t i);

// The as-fed cost of one unit of formula quantity with these shares (the blend's objective).
double unitCost(const Blend& blend, const std::vector<double>& shares);

// The cost per unit as fed of the mix of these shares: the cost of the batch over its as-fed
// quantity (equal to unitCost on an as-fed formula).
double wetUnitCost(const Blend& blend, const std::vector<double>& shares);

enum class PlanOutcome { Optimum, Infeasible, Failed };

struct PlanFormulaResult {
    std::vector<double> shares;      // on the blend's ingredient basis, blend order
    double costoUnitarioHumeda = 0;  // of the planned mix
    std::optional<double> costoSolo; // per unit as fed of its least-cost mix alone
};

struct PlanStockResult {
    double usado = 0; // as fed, over every formula of the plan
    // How much the plan's cost falls per unit the binding bound moves up: positive where the
    // availability binds, negative where the minimum use does, 0 where neither binds.
    double valorMarginal = 0;
};

// A limit of a minimal set that cannot hold together: a stock bound of the plan (stock >= 0,
// limit unset) or, when a formula cannot be made even alone, one of that formula's own limits.
struct PlanConflict {
    enum Kind { Disponible, MinimoUso, Formula } kind = Disponible;
    int stock = -1;   // index into Plan::stock
    int formula = -1; // index into Plan::formulas
    ConflictLimit limit;
};

struct PlanResult {
    PlanOutcome outcome = PlanOutcome::Failed;
    double costoTotal = 0;
    std::vector<PlanFormulaResult> formulas;
    std::vector<PlanStockResult> stock;
    std::vector<PlanConflict> conflicto;
    long pivots = 0;
};

// The least-cost plan: every formula's shares in one programme, linked by the stock rows.
// Costs alone and a conflict diagnosis are filled only when asked for.
struct PlanOptions {
    bool costsAlone = true;
    bool diagnose = true;
};
PlanResult solvePlan(const Plan& plan, const PlanOptions& options = {});

// The programme solvePlan hands to the bounded dual simplex (rows and costs over the plan's total
// quantity), for other solvers to run the same one. False when the plan cannot be assembled.
struct BoundedLp;
bool planProgramme(const Plan& plan, BoundedLp& lp);
// The same programme in its block-angular form, as solvePlan solves it.
struct BlockLp;
bool planBlocks(const Plan& plan, BlockLp& lp);

} // namespace lp
