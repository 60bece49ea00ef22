#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/conflict.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace lp {

// One stretch of a ranging: over [desde, hasta] one basis stays optimal, so the batch cost is
// linear in the parameter there.
struct RangingInterval {
    double desde = 0, hasta = 0;
    double costoDesde = 0, costoHasta = 0; // batch cost at both ends
    // The rise of the batch cost per unit of the parameter: for a price the quantity as fed of
    // the ingredient in the batch, for a limit its shadow price.
    double pendiente = 0;
    std::vector<double> mezcla;      // shares on the blend's ingredient basis at `desde`
    std::vector<double> mezclaHasta; // and at `hasta` (the same for a price)
};

enum class RangingStatus {
    Ok,         // intervals found (some of the range may still be infeasible)
    Infeasible, // no value of the range gives a mix
    NotLinear,  // the parameter moves more than one cost or right-hand side (see rangeParameter)
    TooWide,    // the blend's costs or limits over the range are not finite doubles
    StepLimit,  // a walk took rangingStepLimit steps without reaching the end of the range
    Failed,     // the engine stopped short of an optimum
};

struct Ranging {
    RangingStatus status = RangingStatus::Failed;
    std::vector<RangingInterval> tramos;   // ascending, end to end
    std::optional<double> infactibleDesde; // above this value no mix meets the limits
    std::optional<double> infactibleHasta; // below this value no mix meets the limits
    long pivots = 0;                       // pivots of the walk after the first solve
    long stepLimit = 0;                    // the bound a StepLimit ranging reached
};

// The most steps one walk takes on a tableau of m rows and c columns: 20 per row and column, and
// 1000. A walk in exact arithmetic never meets a basis twice; reaching the bound means round-off
// is cycling it, and the ranging stops there instead of running on.
long rangingStepLimit(int m, int c);

// The blend with its parameter set to a value.
using BlendParameter = std::function<Blend(const Blend&, double)>;

// The exact piecewise-linear ranging of one parameter of the blend over [desde, hasta]: the blend
// is solved once at `current` (kept inside the range), then the final tableau is walked both ways
// by parametric pivots: a cost moving makes a reduced cost reach 0 and that column enter (primal
// step), a right-hand side moving makes a basic value reach 0 and that row leave (dual step). The
// parameter may move any costs, or any right-hand sides, as long as it does so linearly and
// leaves the coefficients of the limit rows alone; so a limit of any kind ranges the same way.
// With as-fed shares and dry-basis nutrients a nutrient limit lies inside its row's coefficients
// and the cost is not piecewise linear in it: that ranging is NotLinear. A range so wide that the
// blend's costs or right-hand sides over it overflow a double (a price of 1e308 on a dry basis,
// 2e308 between its ends), or that the round-off of reaching its ends exceeds the feasibility
// tolerance of the blend's other costs or limits (a price of a few million), is TooWide, refused
// before any solve. A basic value that reaches 0
// within the engine's feasibility tolerance of the range's end does not make that end
// infeasible: the last interval runs to the end.
Ranging rangeParameter(const Blend& blend, const BlendParameter& at, double current, double desde,
                       double hasta);

// The blend with ingredient i's price (per unit as fed) set, on both bases.
Blend withPrice(Blend blend, std::size_t i, double price);

// The ranging of ingredient i's price as fed; the slope of each interval is its quantity as fed.
Ranging rangePrice(const Blend& blend, std::size_t i, double desde, double hasta);

// The ranging of one limit; the slope of each interval is its shadow price. A limit the blend
// does not hold is ranged from `desde`. Nutrient, ingredient and group limits are right-hand
// sides (a nutrient's only when its limit and the shares are on one basis); a ratio's bound lies
// inside its rows' coefficients, so its ranging is NotLinear.
Ranging rangeLimit(const Blend& blend, const LimitRef& limit, double desde, double hasta);

} // namespace lp
