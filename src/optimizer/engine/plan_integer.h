#pragma once

#include "optimizer/engine/integer.h"
#include "optimizer/engine/plan.h"

#include <string>
#include <vector>

namespace lp {

// The least-cost plan in which every formula keeps its own weighing conditions: its minimums if
// used, its count of ingredients and its steps, on that formula's own batch (blend.cantidad),
// as its ingredient limits are. The stock rows that link the formulas stay continuous.
struct PlanIntegerResult {
    IntegerStatus status = IntegerStatus::Failed;
    // On Optimal or Stopped: the plan of the best mix found, its stock's marginal values those of
    // the continuous plan with that mix's integer choices fixed.
    PlanResult plan;
    double costoContinuo = 0; // the plan's total cost without the conditions
    double cota = 0;          // the proven lower bound on the total cost of any plan meeting them
    double brecha = 0;        // (costo - cota) / |costo|: 0 when proven
    bool probado = false;
    long nodos = 0;
    // On IntegerInfeasible or InvalidConditions: the formula whose conditions have no plan (-1:
    // only the formulas' conditions together), and why.
    int formula = -1;
    std::string explicacion;
};

// `conditions` holds one entry per formula of the plan, or none when no formula has any. On
// Infeasible the continuous plan has no mix: solvePlan's conflict diagnosis applies.
PlanIntegerResult solvePlanInteger(const Plan& plan,
                                   const std::vector<IntegerConditions>& conditions,
                                   const IntegerLimits& limits = {});

} // namespace lp
