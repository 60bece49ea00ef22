#pragma once

#include "optimizer/engine/bounded_simplex.h"

#include <optional>
#include <vector>

namespace lp {

// The basis of one round of tangent rows carried over to the next round's programme, whose rows
// are the last ones with some appended and some dropped; the details by each definition.

// The inverse of the basis s.head of lp computed afresh. False when the basis is (close to)
// singular.
bool refactor(const BoundedLp& lp, BoundedSolution& s);

// The inverse of `s`, a basis of lp's first `from` rows, extended to lp with rows [from, lp.m)
// appended and their logicals basic at those positions (s.head already holds them). False when
// s.inverse is not one of those first rows.
bool extendInverse(const BoundedLp& lp, BoundedSolution& s, int from);

// The basis `s` ended on, carried over to lp with rows [from, lp.m) appended, their logicals
// basic; `extended` tells whether its inverse was extended from the last (else computed afresh).
// Empty when neither is possible.
std::optional<BoundedSolution> withRowsAppended(const BoundedLp& lp, BoundedSolution s, int from,
                                                bool& extended);

// lp without the rows `drop` marks, each a row whose logical is basic in `s`, and `s` with its
// inverse carried over without them.
void dropRows(BoundedLp& lp, BoundedSolution& s, const std::vector<bool>& drop);

} // namespace lp
