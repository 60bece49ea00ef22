#pragma once

#include "plans/plan_run.h"
#include "plans/plan_store.h"

namespace printing {
class PageCanvas;
}

namespace plans {

// The title of a plan's printout and of its PDF file: "Plan de producción <nombre>".
QString printoutTitle(const PlanHeader& plan);

// A formulated plan on paper: its name and date, the total cost, one line per formula (code,
// version, quantity, cost per unit in the plan and alone), each formula's planned mix (ingredient,
// % and quantity as fed), and the use of every bounded ingredient (used, available, least use,
// marginal value). Turns pages itself: a table going on to a new page repeats its title marked
// "(continúa)" and its header, and every page is numbered "Página N de M". A plan without a
// solution prints why instead.
void drawPlan(printing::PageCanvas& canvas, const PlanHeader& plan, const PlanRun& run);

} // namespace plans
