#pragma once

#include "app/grid_style.h"

#include "optimizer/engine/sensitivity.h"
#include "optimizer/formulation_run.h"
#include "workspace/workspace.h"

#include <QString>
#include <array>
#include <vector>

namespace optimizer {

// One tab of the analysis view: the kind of sensitivity row it lists and how it heads them.
struct AnalysisTab {
    QString tabCaption;
    QString gridName;               // objectName of the tab's grid
    QString tipo;                   // "IA", "II", "RI", "RN", "RR" or "RG"
    std::array<QString, 4> headers; // columns 1 to 4: detalle, valor1, valor2, valor3
};

// The tabs in their order: active ingredients, inactive ingredients, ingredient restrictions,
// nutrient restrictions, ratio restrictions, group restrictions.
const std::array<AnalysisTab, 6>& analysisTabs();

// The workspace's row of an engine's sensitivity row. Texts keep the lengths the grids have
// always shown.
workspace::SensitivityRow sensitivityRow(const lp::AnalysisRow& row);

// The rows of one kind in the order their tab lists them: smallest valor2 first (the change that
// matters most to the user comes first), rows that tie in the workspace's order.
std::vector<workspace::SensitivityRow>
analysisRowsOf(const std::vector<workspace::SensitivityRow>& rows, const AnalysisTab& tab);

// The rows of one kind, smallest valor2 first (the change that matters most to the user comes
// first), with the type column hidden, the figures formatted and the header grey. The
// workspace's own rows keep their order. A nutrient's limit names the unit a unit of increase
// is measured in, from the nutrient rows ("Mínimo para Calcio (%)").
grid::GridContent analysisGrid(const std::vector<workspace::SensitivityRow>& rows,
                               const AnalysisTab& tab,
                               const std::vector<workspace::FormulaNutrient>& nutrients = {});

// What an empty tab says in place of rows; empty for the tabs that never stand empty after a
// formulation. A ratio or group tab is empty either because the formula limits none (it says
// so) or because no limit it has is at its bound, so none changes the cost.
QString analysisEmptyText(const workspace::Workspace& ws, const AnalysisTab& tab);

// The nutrients whose limits hold with a probability, in the workspace's mix: the probability,
// the mean content, the margin z·σ kept from each limit, σ, and what the batch cost changes by
// when the minimum or the maximum moves up by one unit (blank when no formulation found the mix).
grid::GridContent chanceGrid(const std::vector<ChanceFigureRow>& rows);

// The contribution view's grid: ingredient, its maximum, what one unit brings and what the
// ingredient brings at its maximum.
grid::GridContent contributionsGrid(const std::vector<workspace::ContributionRow>& rows);

// The largest contribution of any single ingredient at its maximum (0 when none), as the
// contribution view shows it.
double largestContribution(const std::vector<workspace::ContributionRow>& rows);

// A figure of the contribution view's label: "0.00###".
QString reachableText(double value);

} // namespace optimizer
