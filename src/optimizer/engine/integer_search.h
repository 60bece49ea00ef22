#pragma once

#include "optimizer/engine/integer.h"

#include <optional>
#include <string>
#include <vector>

// The branch and bound behind the weighing conditions of one formula and of a whole plan. Both
// hand it a bounded programme whose structural columns are shares of some formula's batch, a
// rule per column and count limits over groups of columns: a single formula is one group of all
// its columns, a plan one group per formula.

namespace lp {

struct BoundedLp;

// Per column, in shares of its formula's batch: its step (0: not rounded), its minimum if used
// (0: none), its group (-1: none), and whether its formula's best mix alone uses it (1 in, 0 out,
// -1 not known), where the search's first rounding starts.
struct SearchColumn {
    double step = 0;
    double minUse = 0;
    int group = -1;
    int alone = -1;
};

// A run of consecutive columns (one formula's), and the most of them a mix may use.
struct SearchGroup {
    int first = 0, count = 0;
    std::optional<int> max = {};
};

// How a search runs: `feasible` when the programme's limits are known to have a mix (an
// explanation's tries), so that a root whose bounds rule out the conditions needs no simplex to
// be called integer infeasible; `firstMix` when only whether a mix exists matters.
struct SearchMode {
    bool feasible = false;
    bool firstMix = false;
};

struct SearchOutcome {
    IntegerStatus status = IntegerStatus::Failed;
    std::vector<double> x;                         // the best mix, over the structural columns
    double costo = 0, costoContinuo = 0, cota = 0; // in the programme's own cost
    long nodes = 0;
    bool proven = false;
};

// The least-cost solution of `lp` meeting every column's rule and every group's count.
SearchOutcome searchInteger(const BoundedLp& lp, std::vector<SearchColumn> columns,
                            std::vector<SearchGroup> groups, const IntegerLimits& limits,
                            SearchMode mode = {});

// What is wrong with one formula's conditions (a step of 0, a count below 0, a list that does
// not match its ingredients); empty when nothing is.
std::string invalidConditions(const Blend& blend, const IntegerConditions& c);

// The formula's columns' rules, in shares of its batch, on group `group`.
std::vector<SearchColumn> searchColumns(const Blend& blend, const IntegerConditions& c,
                                        int group = 0);

} // namespace lp
