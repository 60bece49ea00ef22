#pragma once

#include "optimizer/engine/blend.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lp {

// The conditions a mill's weighing puts on a blend, beside its linear limits. Quantities are
// batch quantities on the blend's ingredient basis, as the ingredient limits are.
struct IntegerIngredient {
    std::optional<double> minimoSiSeUsa; // absent from the mix, or at least this much
    std::optional<double> paso;          // weighing step; whole steps when rounding
};

struct IntegerConditions {
    std::vector<IntegerIngredient> ingredients; // as Blend::ingredients; empty: none
    std::optional<int> maxIngredientes;         // at most this many with a quantity above 0
    bool redondear = false;                     // ingredients with a step in whole steps

    // Whether any condition applies to the blend at all.
    bool any() const;
};

// Where the search may stop before it proves its best mix optimal; 0 is no limit. The node
// limit is on by default as a safety net (a few minutes of search on the largest blends, far
// beyond what any blend tried needs: the worst of hundreds took 3,000 nodes), so that no
// caller that forgets a limit runs unbounded; the window and the command line set their own.
struct IntegerLimits {
    static constexpr long kDefaultNodos = 2000000;
    long maxNodos = kDefaultNodos;
    double maxSegundos = 0;
    // Asked before each node with the nodes done so far; false stops the search there, as a
    // limit does (the best mix found is kept). A window polls its events and its cancel button
    // from here. None: the search runs to its proof or its limits.
    std::function<bool(long nodos)> seguir = {};
};

enum class IntegerStatus {
    Optimal,           // the best mix, proven
    Stopped,           // a limit stopped the search: the best mix found, not proven
    NoMixFound,        // a limit stopped the search before any mix met every condition
    IntegerInfeasible, // the limits have a mix, the conditions on top of them none
    Infeasible,        // the limits alone have no mix: the continuous diagnosis applies
    InvalidConditions, // a condition makes no sense (a step of 0, a count below 0)
    Failed             // the simplex could not solve the continuous programme
};

struct IntegerResult {
    IntegerStatus status = IntegerStatus::Failed;
    std::vector<double> shares; // the mix, as the engine's columns (sum 1)
    double costo = 0;           // its cost per unit, as the continuous optimum's
    double costoContinuo = 0;   // the continuous optimum without the conditions
    double cota = 0;            // the proven lower bound on any mix meeting the conditions
    double brecha = 0;          // (costo - cota) / |costo|: 0 when proven
    bool probado = false;
    long nodos = 0;
    std::string explicacion; // why there is no mix, or what is wrong with a condition
};

// The least-cost mix of the blend that meets its conditions, by branch and bound over the
// bounded dual simplex. The shares of a mix that rounds are whole steps exactly as written
// (k paso / cantidad); its other columns the continuous optimum around them.
IntegerResult solveInteger(const Blend& blend, const IntegerConditions& conditions,
                           const IntegerLimits& limits = {});

// The continuous blend with the integer choices of `result` fixed: an ingredient out of the
// mix gets maximum 0, an ingredient weighed in steps minimum = maximum its rounded quantity, an
// ingredient in the mix by its minimum-if-used that minimum as its own. The analysis of the
// integer optimum is the analysis of this blend.
Blend fixedBlend(const Blend& blend, const IntegerConditions& conditions,
                 const IntegerResult& result);

} // namespace lp
