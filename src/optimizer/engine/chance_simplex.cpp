#include "optimizer/engine/chance_simplex.h"

namespace lp {

BoundedSolution resolveWithRows(const BoundedLp& lp, ChanceBasis& basis) {
    BoundedSolution s = solveBounded(lp, true);
    basis.m = lp.m;
    return s;
}

} // namespace lp
