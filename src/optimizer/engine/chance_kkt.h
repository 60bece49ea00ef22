#pragma once

#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/chance_rows.h"

#include <optional>
#include <vector>

namespace lp {

// A mix with the multipliers of the optimality conditions of the cone programme: minimise
// cost x within the column bounds, the linear rows [0, linearRows) of the bounded programme
// and the chance rows.
struct KktPoint {
    std::vector<double> x;  // n
    std::vector<double> pi; // [linearRows]: each linear row's multiplier, 0 on the chance rows'
    std::vector<double> mu; // [chance row]: each cone's multiplier
    // Every condition holds: the mix keeps every limit, the multipliers have their signs and
    // every reduced cost the sign its column's bound asks for. By convexity the mix is then the
    // optimum, and the multipliers are the limits' shadow prices.
    bool certified = false;
};

// Newton's method on the optimality conditions, started from the active set of an optimal basis
// `s` of the programme of the linear rows and tangent rows (row i >= linearRows a tangent of
// chance row owner[i], scaled by scales[i]; owner[i] of a linear row is its chance row or -1).
// When the conditions fail at the mix found, the active set is mended (a column past its bound
// is fixed there, a column with the wrong reduced cost freed, a row or cone with the wrong
// multiplier's sign released, a broken one taken in) and Newton runs again, a few times. Empty
// when the first system is singular; otherwise the last mix, certified or not.
std::optional<KktPoint> kktPoint(const BoundedLp& lp, const BoundedSolution& s, int linearRows,
                                 const std::vector<int>& owner, const std::vector<double>& scales,
                                 const std::vector<ChanceRow>& rows);

} // namespace lp
