#pragma once

#include "optimizer/formulation_run.h"
#include "workspace/formula_loader.h"
#include "workspace/mix_compositions.h"
#include "workspace/notice.h"
#include "workspace/workspace.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace store {
class Database;
}

namespace optimizer {

struct StoredRunOptions {
    // Take over today's catalogue prices and dry matter before formulating (the dry matter only
    // where it changes a row), as re-formulating after a price change does.
    bool todaysPrices = false;
    // The batch to formulate; none: the formula's stored quantity.
    std::optional<double> cantidad;
    // Formulate for the batch the stored mix totals (what the workspace's quantity box shows on
    // loading) rather than the stored quantity; cantidad, when given, wins.
    bool mixTotal = false;
    // Keep a copy of the workspace as it was loaded, before anything was taken over.
    bool keepAsLoaded = false;
    lp::DiagnosisProgress diagnosisProgress;
    // Where the search of a formula with weighing conditions may stop (FormulationRequest);
    // 0: no limit.
    long maxNodos = 0;
    double maxSegundos = 0;
    // Asked before each node of that search: false stops it with the best mix found.
    std::function<bool(long nodos)> integerProgress = {};
};

// A stored formula loaded and formulated without a window.
struct StoredRun {
    std::optional<workspace::Notice> refusal; // the formula could not be loaded: nothing else set
    workspace::FormulaHeader header;          // as loaded
    std::optional<workspace::Workspace> asLoaded;
    double costoCargado = 0;   // cost per unit as fed of the mix as loaded
    double costoMezclaHoy = 0; // the same mix at the prices and dry matter taken over
    // The formula's workspace (its id set) as the formulation left it.
    std::shared_ptr<workspace::Workspace> ws;
    // Everything the user would have been told, in order: the load's, the take-over's, the
    // formulation's.
    workspace::Notices notices;
    Formulation formulation;
    // Today's catalogue rows of the formula's ingredients for its nutrients, when they were read
    // with those of other formulas (none: the formulation read its own).
    std::optional<workspace::MixCompositions> compositions;
};

// Loads formula `formulaId`, takes over today's prices and dry matter when asked, and formulates
// it at the asked quantity on its stored bases, as the workspace's button would. Shows nothing,
// writes nothing.
StoredRun formulateStored(store::Database& db, int formulaId, const StoredRunOptions& options);

// The same for each formula of `formulaIds`, in their order: loaded together and formulated with
// one reading of today's compositions for all of them. `formulated`, when given, is shown each
// run as it is done; returning false stops there, and only the runs done are returned.
std::vector<StoredRun> formulateStored(store::Database& db, const std::vector<int>& formulaIds,
                                       const StoredRunOptions& options,
                                       const std::function<bool(StoredRun&)>& formulated = {});

} // namespace optimizer
