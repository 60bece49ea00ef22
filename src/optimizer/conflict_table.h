#pragma once

#include "optimizer/engine/conflict.h"

#include <QStringList>
#include <vector>

namespace optimizer {

// The caption and the explanation of the view that lists the limits in conflict.
QString conflictCaption();
QString conflictExplanation();

// Column headers, and one row of texts per limit: type, name, which limit, the stored value, the
// relaxation and the cost per unit as fed there.
QStringList conflictHeaders();
std::vector<QStringList> conflictRows(const std::vector<lp::ConflictLimit>& conflict);

} // namespace optimizer
