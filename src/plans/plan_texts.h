#pragma once

#include "plans/plan_run.h"

#include <QString>

#include <optional>

// What the plans window shows, decided here so the window only paints it.
namespace plans {

// A quantity as typed, a number as the program reads one; empty text is no bound.
struct TypedAmount {
    bool ok = true;
    std::optional<double> value;
};
TypedAmount parseAmount(const QString& text);

// A number as the grids show it ("" for none).
QString amountText(const std::optional<double>& v);
QString costText(const std::optional<double>& v);

// How much the formula's cost per unit in the plan is above ("+2.35%") or below ("-0.10%") its
// cost alone; "" when it has no cost alone to compare with.
QString changeText(const PlannedFormula& f);

// The message of a plan that did not solve: why, and each limit with the value that would let
// the plan hold.
QString outcomeMessage(const PlanRun& run);

// What stays in the window after the message of a plan that did not solve is closed: that it has
// no mix, why, and the first limits of the conflict by name; for a solved plan whose search was
// stopped, that (searchText); "" otherwise.
QString outcomeSummary(const PlanRun& run);

// What the window says after a save of the planned mixes, in number agreement: "Se grabó 1
// versión nueva de la fórmula del plan".
QString savedPlanMessage(std::size_t saved);

// "actuales" or "guardados", as the command line's JSON names the choice.
QString pricesName(PlanPrices prices);

// What the formula was formulated with: "actuales al 03/06/2025" (the newest change of price or
// dry matter among its ingredients; "actuales" when the catalogue keeps no history of them) or
// "guardados el 01/04/2025" (the day its version was saved).
QString pricesText(const PlannedFormula& f, PlanPrices prices);

// The choice in one sentence, for the window and the printout.
QString pricesChoiceText(PlanPrices prices);

// "Costo total del plan: $ 18824.31 por 24000.00 kg tal cual": the cost and the kilograms as
// fed of every planned mix; empty unless the plan has a mix.
QString totalText(const PlanRun& run);

// The plan of a search stopped before its proof: "La búsqueda se detuvo: brecha 0.12 % …"; ""
// for a plan without weighing conditions or one proven the best.
QString searchText(const PlanRun& run);

} // namespace plans
