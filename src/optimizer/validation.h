#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/limit_checks.h"
#include "workspace/notice.h"

#include <QString>
#include <vector>

namespace workspace {
struct Workspace;
}

namespace optimizer {

// The checks a formulation makes before it builds anything, in order; the first failure adds
// its notice and stops the run. The workspace takes the bases once the rows are there, and the
// quantity (batchQuantity) once the bases agree.
struct Validation {
    bool ok = false;
    bool quantityRefused = false; // the failure is in the quantity
    bool quantityTaken = false;   // batchQuantity holds the quantity
};

// secaIng / secaNut: the bases "Mat. Seca" and "Base Seca" asked for.
Validation validate(workspace::Workspace& ws, double cantidad, bool secaIng, bool secaNut,
                    workspace::Notices& notices);

// Whether a nutrient's minimum and maximum are far enough apart for a formulation: the maximum
// above the minimum by at least 0.01 % of it.
bool limitsApart(double minimo, double maximo);

// The check of the ratio and group limits on the blend built from the workspace, before the
// reachability check: the first limit no mix can meet (or a ratio with nothing to divide by) is
// told in a notice, and every problem found is returned; the run stops on any.
std::vector<lp::LimitIssue> checkRatioAndGroupLimits(const lp::Blend& blend,
                                                     workspace::Notices& notices);

// Whether the problem is only that no mix meets the limit (the formula is infeasible), not a
// limit that cannot be computed or was typed the wrong way round.
bool leavesNoMix(const lp::LimitIssue& issue);

} // namespace optimizer
