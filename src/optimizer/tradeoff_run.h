#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/conflict.h"
#include "optimizer/engine/tradeoff.h"
#include "workspace/mix_compositions.h"
#include "workspace/notice.h"
#include "workspace/results.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace store {
class Database;
}
namespace workspace {
struct Workspace;
}

namespace optimizer {

// One ingredient of a mix on the curve; shares are fractions of 1.
struct TradeoffMixLine {
    int id = 0;
    QString codigo; // the catalogue's code, empty when it has none
    QString nombre;
    double porcentajeHumeda = 0; // as fed
    double porcentajeSeca = 0;   // on dry matter
};

// A point of the curve as the window and the command show it.
struct TradeoffRow {
    double valor = 0; // the goal in the mix, on the formula's nutrient basis, in the goal's unit
    double costo = 0; // per unit of mix as fed
    // How much dearer than the least cost, in percent (0 at the least-cost mix).
    double sobreCosto = 0;
    // How far the goal moved from the least-cost mix's value, in percent of it: below it when
    // lowering the goal, above it when raising it. Empty when that value is 0.
    std::optional<double> cambioObjetivo;
    // The ingredients of the mix (share above 0), largest share as fed first.
    std::vector<TradeoffMixLine> mezcla;
    // The names of the ingredients that join the mix after this vertex and those that leave it;
    // empty for a point between two vertices.
    QStringList entran, salen;
};

// The curve of least cost against a second goal, for a workspace or a stored formula.
struct TradeoffRun {
    lp::TradeoffStatus status = lp::TradeoffStatus::Failed;
    // Why there is no curve, or that it has a single vertex, in Spanish; empty for a curve of
    // several vertices.
    QString mensaje;
    // An infeasible formula: the limits in conflict (conflictRows shows them).
    std::vector<lp::ConflictLimit> conflicto;
    // What loading the formula told on the way (the ingredients left out for lacking dry matter);
    // a refusal of the load or of the checks a formulation makes is mensaje.
    workspace::Notices notices;

    int objetivoId = 0;
    QString objetivo; // the goal's name
    QString unidad;   // the goal's unit in the catalogue, may be empty
    bool aumentar = false;
    bool lineal = true; // the cost is convex and straight between vertices
    // From the least-cost mix towards the least (raising: the most) goal any mix reaches.
    std::vector<TradeoffRow> vertices;
    // The mix the workspace held (the stored mix of a stored formula): its goal value and cost
    // per unit as fed; empty when it held none.
    std::optional<TradeoffRow> actual;

    // What a point between vertices and applyTradeoffPoint need.
    lp::Blend blend;
    lp::TradeoffGoal goal;
    lp::TradeoffCurve curve;
    std::vector<QString> codes; // per ingredient of the blend
    // Today's compositions of the ingredients for the formula's nutrients and the goal.
    workspace::MixCompositions compositions;
    std::vector<int> nutrientIds; // those read: the formula's and the goal

    // Whether the curve has points: Ok, or Constant with its single vertex.
    bool hasCurve() const { return !vertices.empty(); }
};

// The curve of the workspace as it stands (its rows, bases and batch quantity), against catalogue
// nutrient `goalNutrientId`, which need not be one of the formula's nutrients. Reads the
// catalogue, changes nothing, shows nothing.
TradeoffRun tradeoffOfWorkspace(const workspace::Workspace& ws, store::Database& db,
                                int goalNutrientId, bool aumentar);

// The same for stored formula `formulaId`, loaded as the workspace loads it.
TradeoffRun tradeoffOfFormula(store::Database& db, int formulaId, int goalNutrientId,
                              bool aumentar);

// The point of the curve at goal value v: a vertex, or the blend of the two around it that
// reaches v. Empty outside the curve.
std::optional<TradeoffRow> tradeoffPointAt(const TradeoffRun& curve, double v);

// What putting a point of the curve into the workspace gave.
struct AppliedTradeoff {
    std::optional<workspace::Notice> refusal; // nothing was changed
    std::optional<workspace::ResultFigures> figures;
};

// Puts the mix of the curve at v into the workspace the curve was computed from, as a formulation
// writes its mix (quantities and shares on both bases, unsaved, the figures recomputed), and
// bounds the goal at v: its maximum when lowering it, its minimum when raising it, the goal's
// nutrient row added when the formula lacked it. Refused, changing nothing, when v is outside the
// curve or the workspace's ingredients, nutrients or bases changed since.
AppliedTradeoff applyTradeoffPoint(workspace::Workspace& ws, const TradeoffRun& curve, double v);

// The table of vertices as the window and the command show it. Headers: the goal with its unit
// ("Fósforo total (%)"), "Costo por unidad", "% sobre el menor costo", "% bajo el óptimo" (when
// raising "% sobre el óptimo"), "Entran", "Salen".
QStringList tradeoffHeaders(const TradeoffRun& run);
// One row of texts per vertex: the goal with the decimals that tell every two vertices apart, the
// cost as a price, both percentages as shares ("-" where there is none), the names joined by ", ".
std::vector<QStringList> tradeoffCells(const TradeoffRun& run);
// The pattern tradeoffCells shows the goal's values in.
QString tradeoffValuePattern(const TradeoffRun& run);

// The goal named by a text, among the catalogue's nutrients: its whole name (letter case and
// blanks around it ignored), else a part of its name. The message when the text names none (with
// the names closest to it) or several (with those).
std::optional<int> goalByName(store::Database& db, const QString& name, QString* error);

} // namespace optimizer
