#pragma once

#include "optimizer/engine/integer.h"
#include "optimizer/engine/plan.h"
#include "plans/plan_store.h"
#include "workspace/formula_loader.h"

#include <QDate>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace store {
class Database;
}
namespace workspace {
struct Workspace;
}

namespace plans {

enum class PlanRunOutcome {
    Optimum,    // every formula's planned mix in its workspace
    Infeasible, // a conflict over the plan
    Failed,     // the engine gave up
    Invalid,    // nothing to formulate: the message says why
};

// Which version of each formula a plan formulates, and at which prices.
enum class PlanPrices {
    // The highest version of each formula's code, at today's catalogue prices and dry matter, as
    // the re-formulation of the book takes them over: the plan's cost is today's cost.
    Current,
    // The version the plan names, at the prices and dry matter saved with it.
    Stored,
};

struct PlannedIngredient {
    int idProducto = 0;
    QString nombre;
    double porcentajeHumeda = 0; // share of the mix as fed
    double cantidadHumeda = 0;   // as fed, for the plan's quantity
};

struct PlannedFormula {
    PlanFormulaRow row;                // the version formulated (its key, code and version)
    QString versionPlan;               // the version the plan names
    std::optional<QDate> fechaPrecios; // of the prices used: see pricesText (plan_texts.h)
    double costoUnitarioHumeda = 0;    // of the planned mix
    std::optional<double> costoSolo;   // of its least-cost mix alone, per unit as fed
    std::vector<PlannedIngredient> ingredientes; // in the mix, largest share first
    std::shared_ptr<workspace::Workspace> ws;    // holds the planned mix, for the save
    workspace::FormulaHeader header;             // as loaded, with the planned mix's figures
};

struct PlannedStock {
    int idProducto = 0;
    QString nombre;
    double usado = 0;
    std::optional<double> disponible, minimoUso;
    double valorMarginal = 0;
};

// One limit of the conflict: a stock bound of the plan or one of a formula's own limits.
struct PlanConflictRow {
    QString tipo;    // "disponible", "minimo_uso" or a formula limit's kind
    QString formula; // the formula's code and version for its own limits
    QString nombre;
    QString limite; // "minimo" or "maximo"
    double valor = 0;
    std::optional<double> relajacion, costo;
};

// The search of a plan whose formulas have weighing conditions: the plan's total cost without
// them and how far the search went.
struct PlanSearch {
    double costoContinuo = 0; // the plan's least total cost without the conditions
    long nodos = 0;
    double brecha = 0;    // (cost - proven bound) / cost; 0 when proven
    bool probado = false; // the plan is the best there is, or there is none
};

struct PlanRun {
    PlanRunOutcome outcome = PlanRunOutcome::Invalid;
    PlanPrices precios = PlanPrices::Current;
    QString mensaje;
    double costoTotal = 0;
    std::vector<PlannedFormula> formulas;
    std::vector<PlannedStock> stock; // the plan's bounded ingredients
    std::vector<PlanConflictRow> conflicto;
    std::optional<PlanSearch> entero; // set when a formula of the plan has weighing conditions
};

// How long the plans window lets the search of a plan with weighing conditions run, as the
// workspace lets one formula's: then it shows the best plan found and its gap.
constexpr double kWindowPlanSearchSeconds = 10;

// Loads every formula of the plan as the workspace does (by default the highest version of its
// code, taking over today's prices and dry matter; with PlanPrices::Stored the version named, as
// saved), formulates each alone (its checks and its cost alone), then the whole plan at once,
// each formula under its own weighing conditions (the stock links stay continuous); writes
// nothing. `limits` bound the search of formulas with weighing conditions, alone and in the plan.
PlanRun formulatePlan(store::Database& db, const StoredPlan& plan,
                      PlanPrices prices = PlanPrices::Current,
                      const lp::IntegerLimits& limits = {});

// Saves every formula's planned mix as a new version of it, all in one transaction; returns the
// new versions' keys in the plan's formula order. Throws store::StoreError, leaving nothing.
std::vector<int> savePlan(store::Database& db, const PlanRun& run);

} // namespace plans
