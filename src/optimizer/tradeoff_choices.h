#pragma once

#include "optimizer/engine/tradeoff.h"

#include <QString>
#include <optional>
#include <vector>

namespace store {
class Database;
}
namespace workspace {
struct Workspace;
}

namespace optimizer {

struct TradeoffRun;

// A nutrient of the catalogue the cost can be traded against.
struct GoalChoice {
    int id = 0;
    QString nombre;
    QString unidad;
    bool enFormula = false; // one of the formula's nutrients
};

// Every nutrient of the catalogue, the formula's own first (in the formula's order), then the
// others by name: a footprint brought in as a nutrient is traded like any limit of the formula.
std::vector<GoalChoice> goalChoices(store::Database& db, const workspace::Workspace& ws);

// The caption of a choice in the list: its name with its unit.
QString goalCaption(const GoalChoice& choice);

// What the curve's chart draws: the cost per unit as fed against the goal. Where the cost is
// straight between vertices the vertices are the line; where it is not (the bound inside the
// row's coefficients) points between them follow the segment of mixes.
struct CurvePoint {
    double valor = 0, costo = 0;
};
std::vector<CurvePoint> curveLine(const TradeoffRun& run, int pointsBetween = 12);

// The texts above the chart: what the curve says, or why there is none.
QString curveSummary(const TradeoffRun& run);

// The title of each axis: the goal with its unit, and the cost.
QString curveGoalTitle(const TradeoffRun& run);
inline const QString kCurveCostTitle = QStringLiteral("Costo por unidad");

// The secondary scales: percent above the least cost, and percent below (raising: above) the
// least-cost mix's goal; empty when that value is 0.
double percentAboveLeastCost(const TradeoffRun& run, double costo);
std::optional<double> percentFromOptimum(const TradeoffRun& run, double valor);

} // namespace optimizer
