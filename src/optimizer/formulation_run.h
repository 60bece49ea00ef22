#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/conflict.h"
#include "workspace/results.h"

#include <QString>
#include <functional>
#include <optional>

namespace store {
class Database;
}
namespace workspace {
struct Workspace;
}

namespace optimizer {

enum class RunOutcome {
    Optimum,        // mix and sensitivity rows written
    NoLeavingRow,   // written as an optimum, with its message
    IterationLimit, // mix written, no sensitivity rows
    Infeasible,     // normalised mix written, no sensitivity rows
    NotStandard,    // nothing written
    PrecheckFailed, // a nutrient minimum out of reach: contributions shown, nothing written
    Invalid,        // a validation message: nothing written
};

struct RunInput {
    QString cantidadText;    // txt_cantidad as typed
    bool option1Seca = true; // "Mat. Seca" selected
    bool option2Seca = true; // "Base Seca" selected
    // Opens the contributions view on ws.contributionRows with this caption, for the nutrient whose
    // minimum is out of reach. Without it the run shows the view's message itself.
    std::function<void(const QString& caption, const QString& nutrientName)> showContributions;
    // Told of the conflict diagnosis of an infeasible formula after each run of the engine (steps
    // done, steps there are); returning false stops it. Without it the diagnosis runs to its end.
    lp::DiagnosisProgress diagnosisProgress;
};

struct RunResult {
    RunOutcome outcome = RunOutcome::Invalid;
    QString cantidadText;                            // what the quantity box shows afterwards
    bool focusCantidad = false;                      // a quantity failure: focus back to the box
    bool boxesCleared = false;                       // the eight result boxes were emptied
    std::optional<workspace::ResultFigures> figures; // set when the mix was written back
    double maximoAlcanzable = 0;   // the most the failing nutrient can reach, after a failed check
    QString nutrienteInalcanzable; // that nutrient's name, after a failed check
    // On the infeasible outcome: a minimal set of limits that cannot hold together, each with the
    // nearest value that makes the formula feasible and the cost there.
    std::vector<lp::ConflictLimit> conflicto;
    // Infeasible by the checks before solving: a ratio or group limit no mix meets, told in their
    // message and the only limit of conflicto; nothing was solved or written.
    bool refusedBeforeSolving = false;
    // The diagnosis was stopped through diagnosisProgress: conflicto is empty.
    bool diagnosisCancelled = false;
};

// The least-cost formulation of the workspace, as the "&Formular Mínimo Costo" button runs it:
// validation, the reachability check, the tableau, the simplex, the sensitivity rows and the
// write-back, ending with the result figures. Reads compositions, writes nothing to the database.
RunResult formular(workspace::Workspace& ws, store::Database& db, const RunInput& input);

// The blend the tableau is built from: the workspace's ingredients (ascending id), nutrients and
// today's compositions, on the workspace's bases and quantity. For comparisons with other
// solvers; formular() builds the same one.
lp::Blend tableauBlend(const workspace::Workspace& ws, store::Database& db);

// The message the contributions view shows when it opens.
QString contributionsMessage(const QString& nutrientName);

// The caption of the contributions view for the failing nutrient.
QString contributionsCaption(const QString& nutrientName, double minimo);

} // namespace optimizer
