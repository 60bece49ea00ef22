#pragma once

// The least-cost engine: assembly, simplex, solution figures, sensitivity and the
// reachability screen. Plain C++; the workspace fills a Blend and maps the outcomes.
#include "optimizer/engine/blend.h"
#include "optimizer/engine/conflict.h"
#include "optimizer/engine/limit_checks.h"
#include "optimizer/engine/reachability.h"
#include "optimizer/engine/sensitivity.h"
#include "optimizer/engine/simplex.h"
#include "optimizer/engine/solution.h"
#include "optimizer/engine/tableau.h"
