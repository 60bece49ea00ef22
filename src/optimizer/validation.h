#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/limit_checks.h"

#include <QString>
#include <vector>

namespace workspace {
struct Workspace;
}

namespace optimizer {

// The checks a formulation makes before it builds anything, in order; the first failure shows
// its message and stops the run. On success vCantidad holds the quantity.
struct Validation {
    bool ok = false;
    bool focusCantidad = false; // the failure is in the quantity box
    QString cantidadText;       // the quantity box after the checks ("0.00" once it is valid)
};

// option1Seca / option2Seca: the selectors "Mat. Seca" and "Base Seca" as the user left them.
Validation validate(workspace::Workspace& ws, const QString& cantidadText, bool option1Seca,
                    bool option2Seca);

// The check of the ratio and group limits on the blend built from the workspace, before the
// reachability check: the first limit no mix can meet (or a ratio with nothing to divide by) is
// told, and every problem found is returned; the run stops on any.
std::vector<lp::LimitIssue> checkRatioAndGroupLimits(const lp::Blend& blend);

// Whether the problem is only that no mix meets the limit (the formula is infeasible), not a
// limit that cannot be computed or was typed the wrong way round.
bool leavesNoMix(const lp::LimitIssue& issue);

} // namespace optimizer
