#pragma once

#include "optimizer/engine/conflict.h"
#include "optimizer/engine/ranging.h"
#include "workspace/notice.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <optional>
#include <vector>

namespace store {
class Database;
}
namespace workspace {
struct Workspace;
struct SensitivityRow;
} // namespace workspace

namespace optimizer {

// What a ranging moves: an ingredient's price as fed, or one limit of the formula.
struct RangingTarget {
    enum Kind { Price, Limit } kind = Price;
    std::size_t ingredient = 0; // a price: index into Blend::ingredients
    lp::LimitRef limit;         // a limit

    bool operator==(const RangingTarget& o) const;
};

// The catalogue units of the blend's ingredients and nutrients (empty when unknown), for the
// axes and columns.
struct BlendUnits {
    std::vector<QString> ingredient, nutrient;
};

// Every price of the blend (ingredient order), then every limit it holds (nutrients first).
std::vector<RangingTarget> rangingTargets(const lp::Blend& blend);

// "Precio de Maíz amarillo grano", "Mínimo de Proteína bruta", "Máximo de Sal común",
// "Mínimo de la relación Calcio / Fósforo", "Máximo del grupo Harinas".
QString targetCaption(const lp::Blend& blend, const RangingTarget& target);

// The value the formula holds now: the price, or the limit (none for a limit not set).
std::optional<double> currentValue(const lp::Blend& blend, const RangingTarget& target);

// "Valor actual: 0.1725" (a price with the four decimals of a price everywhere) or
// "Valor actual: 18.50" (a limit); "Sin valor en la fórmula" for a limit not set.
QString currentValueText(const lp::Blend& blend, const RangingTarget& target);

// The range a user starts from: from 0 to twice a price; half to one and a half times a
// nutrient or ratio limit; from 0 to twice an ingredient or group limit, at least a fifth of the
// batch.
struct RangeBounds {
    double desde = 0, hasta = 1;
};
RangeBounds defaultRange(const lp::Blend& blend, const RangingTarget& target);

lp::Ranging rangeTarget(const lp::Blend& blend, const RangingTarget& target, double desde,
                        double hasta);

// The target of a row of the sensitivity analysis, found by what the row refers to (never by its
// label): an ingredient's price ("IA", "II") or the limit of the row's side ("RN", "RI", "RR",
// "RG"). None when the blend holds no such ingredient or limit.
std::optional<RangingTarget> targetOfAnalysisRow(const lp::Blend& blend,
                                                 const workspace::SensitivityRow& row);

// The row the user stands on in the workspace when asking for the ranging: an ingredient's row
// ranges its price, a nutrient's one of its limits (the side of the column stood on; elsewhere
// the minimum when set, else the maximum when set, else the minimum), by catalogue id.
struct WorkspaceRow {
    enum Kind { None, Ingredient, Nutrient } kind = None;
    int id = 0;
    std::optional<lp::LimitRef::Side> side;
};

// That row of kind `kind`, `field` the grid column stood on ("minimo", "maximo" or another).
WorkspaceRow workspaceRow(WorkspaceRow::Kind kind, int id, const QString& field);

// The target of that row in the blend; the blend's first price when the row names nothing in it.
RangingTarget targetOfWorkspaceRow(const lp::Blend& blend, const WorkspaceRow& row);

// The price of the ingredient a text names, the first kind of match that finds any deciding: its
// code (`codes`, the catalogue codes in ingredient order, may be empty), then its whole name,
// then a part of its name (blanks around the text and letter case in names ignored). The message
// when the text names none (with the formula's ingredients) or several (with those).
std::optional<RangingTarget> priceTarget(const lp::Blend& blend, const QString& name,
                                         QString* error, const std::vector<QString>& codes = {});

// The limit "TIPO:NOMBRE:minimo|maximo", TIPO "nutriente", "ingrediente", "relacion" (NOMBRE the
// ratio's name, or its two nutrients' "Calcio / Fósforo") or "grupo"; NOMBRE runs from the first
// ':' to the last, so it may hold ':'. NOMBRE is found as priceTarget finds an ingredient (an
// ingredient also by its code); a limit the formula does not hold is ranged as if set. The
// message when the text names no row, or several.
std::optional<RangingTarget> limitTarget(const lp::Blend& blend, const QString& limitText,
                                         QString* error, const std::vector<QString>& codes = {});

// Texts of the parameter and its slope, with units: "Precio ($/Kg)", "Cantidad (Kg)",
// "Mínimo (%)", "Precio sombra ($ por %)", and the cost of the batch.
struct RangingLabels {
    QString parameter, slope, cost;
    QString slopeKey; // "cantidad" or "precio_sombra"
};
RangingLabels rangingLabels(const lp::Blend& blend, const RangingTarget& target,
                            const BlendUnits& units);

// Why a ranging gave no intervals, in the user's words; empty when it did.
QString rangingProblem(const lp::Ranging& ranging, const RangingTarget& target);

// The texts of each interval as the table shows them: both ends with the decimals that tell every
// two neighbouring breakpoints apart, the batch cost at both ends in money, and the slope as the
// kilograms of the priced ingredient or as a limit's cost per unit.
std::vector<QStringList> rangingCells(const lp::Ranging& ranging, const RangingLabels& labels);

// The lines a user reads: one per interval (desde, hasta, cost at both ends, the slope), with
// the value from which no mix exists, if any.
QStringList rangingLines(const lp::Ranging& ranging, const RangingLabels& labels);

// The lines the charts draw: the slope as steps (both ends of each interval, so a breakpoint is
// a vertical jump) and the cost through every breakpoint.
struct ChartPoint {
    double x = 0, y = 0;
};
std::vector<ChartPoint> slopeSteps(const lp::Ranging& ranging);
std::vector<ChartPoint> costPoints(const lp::Ranging& ranging);

// The formula `formulaId` as the workspace's formulation would hand it to the engine, checked as
// the formulation checks it (its messages go to the message service), with the catalogue
// units, for the formula's stored batch quantity. Nothing when the formula cannot be formulated.
struct StoredBlend {
    lp::Blend blend;
    BlendUnits units;
    std::vector<QString> codes; // the catalogue code of each ingredient, in the blend's order
};
// What the load and the checks say on the way is added to *notices.
std::optional<StoredBlend> loadStoredBlend(store::Database& db, int formulaId,
                                           workspace::Notices* notices = nullptr);

// Whether the workspace holds a formulation that ended at an optimum (with sensitivity rows).
bool hasFormulation(const workspace::Workspace& ws);

// The blend of the workspace as its last formulation ran it, with the catalogue units; nothing
// before a formulation that ended at an optimum (no sensitivity rows).
std::optional<StoredBlend> formulatedBlend(workspace::Workspace& ws, store::Database& db);

// The catalogue codes of the blend's ingredients, in its order (empty for one not found).
std::vector<QString> ingredientCodes(store::Database& db, const lp::Blend& blend);

// The units of the blend's ingredients and nutrients, from the catalogue.
BlendUnits blendUnits(store::Database& db, const lp::Blend& blend);

} // namespace optimizer
