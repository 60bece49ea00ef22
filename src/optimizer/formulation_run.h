#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/conflict.h"
#include "optimizer/engine/integer.h"
#include "workspace/mix_compositions.h"
#include "workspace/notice.h"
#include "workspace/results.h"
#include "workspace/workspace.h"

#include <QString>
#include <functional>
#include <optional>

namespace store {
class Database;
}

namespace optimizer {

enum class RunOutcome {
    Optimum,        // mix and sensitivity rows written
    NoLeavingRow,   // written as an optimum, with its notice
    IterationLimit, // mix written, no sensitivity rows
    Infeasible,     // normalised mix written, no sensitivity rows
    NotStandard,    // nothing written
    PrecheckFailed, // a nutrient minimum out of reach: its contributions, nothing written
    Invalid,        // refused by a check: its notice, nothing written
};

// What to formulate for: the batch and the two bases.
struct FormulationRequest {
    double cantidad = 0; // the batch quantity
    bool secaIng = true; // ingredient quantities on dry matter ("Mat. Seca")
    bool secaNut = true; // nutrient limits on dry basis ("Base Seca")
    // Told of the conflict diagnosis of an infeasible formula after each run of the engine (steps
    // done, steps there are); returning false stops it. Without it the diagnosis runs to its end.
    lp::DiagnosisProgress diagnosisProgress;
    // Today's catalogue rows of the workspace's ingredients for its nutrients, already read (as
    // readMixCompositions reads them); none: the formulation reads them.
    const workspace::MixCompositions* compositions = nullptr;
    // Where the search of a formula with weighing conditions (minimum if used, a count, rounding)
    // may stop before it proves its mix the best: nodes and seconds, 0 no limit; and, asked
    // before each node with the nodes done, whether to go on (a window's cancel button).
    long maxNodos = 0;
    double maxSegundos = 0;
    std::function<bool(long nodos)> integerProgress = {};
};

// The search of a formula with weighing conditions: the cost of the mix it wrote beside the cost
// without the conditions, both per unit as fed (as ResultFigures' costoHumeda), and how far the
// search went.
struct IntegerFigures {
    double costoContinuo = 0; // the least cost without the conditions
    double costo = 0;         // of the mix written (0 when none was found)
    long nodos = 0;
    double brecha = 0;    // (costo - proven bound) / costo on the engine's cost; 0 when proven
    bool probado = false; // the mix is the best there is, or there is none
};

// The nutrient whose minimum no admissible mix reaches, and what each ingredient brings to it.
struct UnreachableNutrient {
    QString nombre;
    double minimo = 0;
    double maximoAlcanzable = 0; // the most it reaches in any admissible mix
    std::vector<workspace::ContributionRow> contributions;
};

// One nutrient whose limits hold with a chosen probability, in the mix found: its mean content,
// the standard deviation of that content and the margin z·σ kept from each limit, on the
// nutrient's basis; and what the batch cost changes by when the minimum or the maximum moves up
// by one unit (0 where it does not bind; empty when no formulation found the mix).
struct ChanceFigureRow {
    int nutrientId = 0;
    QString nombre;
    double probabilidad = 0;
    double media = 0;
    double desvio = 0;
    double margen = 0;
    std::optional<double> precioMinimo = {};
    std::optional<double> precioMaximo = {};
};

struct Formulation {
    RunOutcome outcome = RunOutcome::Invalid;
    // What the user is told, in order, as the window shows it.
    workspace::Notices notices;
    bool quantityRefused = false;                    // Invalid because of the batch quantity
    bool quantityTaken = false;                      // the workspace holds the requested quantity
    std::optional<workspace::ResultFigures> figures; // set when the mix was written back
    std::optional<UnreachableNutrient> unreachable;  // on PrecheckFailed
    // On the infeasible outcome: a minimal set of limits that cannot hold together, each with the
    // nearest value that makes the formula feasible and the cost there.
    std::vector<lp::ConflictLimit> conflicto;
    // Infeasible by the checks before solving: a ratio or group limit no mix meets, told in their
    // notice and the only limit of conflicto; nothing was solved or written.
    bool refusedBeforeSolving = false;
    // The diagnosis was stopped through diagnosisProgress: conflicto is empty.
    bool diagnosisCancelled = false;
    // Per nutrient with a probability, in the workspace's order, when a mix was written back.
    std::vector<ChanceFigureRow> chance;
    // Set when the formula has weighing conditions and its limits alone have a mix. Its analysis
    // rows are then those of the continuous programme with the integer choices fixed.
    std::optional<IntegerFigures> entero;
};

// The weighing conditions of the workspace in the order of the blend's ingredients (ascending
// id), as the engine takes them.
lp::IntegerConditions integerConditions(const workspace::Workspace& ws, const lp::Blend& blend);

// Whether the workspace has any weighing condition the formulation searches for: a minimum if
// used above 0, a count of ingredients, or rounding with an ingredient that has a step.
bool hasIntegerConditions(const workspace::Workspace& ws);

// The line above the analysis of a formula with weighing conditions.
inline const QString kIntegerAnalysisNote =
    QStringLiteral("El análisis es el del programa continuo con las decisiones enteras fijas "
                   "(qué ingredientes entran y las cantidades redondeadas).");

// The line above the analysis of a mix that limits held with a probability moved: its rows are
// those of the programme in which each such limit the mix touches is its tangent at the mix.
inline const QString kChanceAnalysisNote = QStringLiteral(
    "Los límites con probabilidad que la mezcla toca entran en el análisis por su tangente en "
    "la mezcla: los precios y las variaciones valen para esta mezcla; los costos estimados, para "
    "cambios pequeños.");
// The same when no linear programme has this mix as its optimal vertex: the rows are left out.
inline const QString kChanceAnalysisLeftOut = QStringLiteral(
    "La mezcla queda sobre límites con probabilidad en un punto que ningún programa lineal "
    "describe: no se muestran los ingredientes ni las restricciones. Vea los precios de esos "
    "límites en \"Límites con probabilidad\".");

// The boxes of the workspace's result for a formula with weighing conditions: "Costo sin
// redondeo" (the cost without them), "Costo del redondeo" (what they add) and, when the search
// was stopped before its proof, the gap ("0.12 %"; empty when proven).
struct IntegerResultTexts {
    QString costoSinRedondeo;
    QString costoRedondeo;
    QString brecha;
};
IntegerResultTexts integerResultTexts(const IntegerFigures& f);

// The notice of a search stopped before its proof: "La búsqueda se detuvo: brecha 0.12 % …".
QString integerStoppedText(const IntegerFigures& f);

// The least-cost formulation of the workspace, as the "&Formular Mínimo Costo" button runs it:
// validation, the reachability check, the tableau, the simplex, the sensitivity rows and the
// write-back, ending with the result figures. Reads compositions, writes nothing to the
// database, shows nothing.
Formulation formulate(workspace::Workspace& ws, store::Database& db,
                      const FormulationRequest& request);

// The batch quantity typed in a box; none when it is not a number (quantityNotNumeric says so).
std::optional<double> quantityOf(const QString& text);
workspace::Notice quantityNotNumeric();

// The blend the tableau is built from: the workspace's ingredients (ascending id), nutrients and
// today's compositions, on the workspace's bases and quantity. For comparisons with other
// solvers; formulate() builds the same one.
lp::Blend tableauBlend(const workspace::Workspace& ws, store::Database& db);
lp::Blend tableauBlend(const workspace::Workspace& ws,
                       const workspace::MixCompositions& compositions);

// Writes the mix of these shares (on the ingredient basis of `blend`, built by tableauBlend from
// this workspace) into the workspace's rows as a formulation writes its result: quantities and
// shares on both bases, each row by its id, and the ratio and group values. Figures are left to
// the caller.
void writeMix(workspace::Workspace& ws, const lp::Blend& blend, const std::vector<double>& shares);

// The assumption under every limit held with a probability, stated wherever their figures show.
QString independenceNote();

// A probability as the grids and the printout show it: "95 %", "99.5 %".
QString probabilityPercent(double probabilidad);

// Whether some nutrient limit of the workspace must hold with a probability.
bool hasChanceLimits(const workspace::Workspace& ws);

// Why `what` ("El análisis de rangos", "El plan de producción") refuses a formula whose limits
// hold with a probability, which it does not take into account yet.
QString chanceLimitsRefused(const QString& what);

// The figures of the nutrient with id `nutrientId`; nullptr when it has none.
const ChanceFigureRow* chanceFigureOf(const Formulation& f, int nutrientId);

// The message the contributions view shows when it opens.
QString contributionsMessage(const QString& nutrientName);

// The caption of the contributions view for the failing nutrient.
QString contributionsCaption(const QString& nutrientName, double minimo);

} // namespace optimizer
