#include "optimizer/stored_formulation.h"

#include "store/database.h"
#include "workspace/workspace_rows.h"

namespace optimizer {

namespace {

// Whether taking over today's dry matter would change a row. When it would not, it is left
// out: the formulation reads the same rows either way, and it would read the compositions once
// more only to recompute figures the formulation recomputes.
bool dryMatterChanged(const workspace::Workspace& ws) {
    for (const workspace::FormulaIngredient& i : ws.ingredients)
        if (!i.materiaSecaActual || *i.materiaSecaActual != i.materiaSeca)
            return true;
    return false;
}

// The cost per unit as fed of the mix the rows hold, at the prices they hold.
double wetUnitCost(const workspace::Workspace& ws) {
    double cost = 0;
    for (const workspace::FormulaIngredient& i : ws.ingredients)
        cost += i.porcentajeHumeda.value_or(0) * i.costoHumeda.value_or(0);
    return cost;
}

void append(workspace::Notices& to, const workspace::Notices& from) {
    to.insert(to.end(), from.begin(), from.end());
}

} // namespace

StoredRun formulateStored(store::Database& db, int formulaId, const StoredRunOptions& options) {
    StoredRun run;
    workspace::LoadedFormula loaded = workspace::loadFormula(db, formulaId);
    if (!loaded.refusal && !loaded.header.found)
        loaded.refusal =
            workspace::Notice{QStringLiteral("No se pudo establecer la Fórmula"), msg::Critical};
    if (loaded.refusal) {
        run.refusal = loaded.refusal;
        return run;
    }
    run.header = std::move(loaded.header);
    run.notices = std::move(loaded.notices);
    run.ws = std::make_shared<workspace::Workspace>(std::move(loaded.ws));
    workspace::Workspace& ws = *run.ws;
    ws.formulaId = formulaId;
    if (options.keepAsLoaded)
        run.asLoaded = ws;
    run.costoCargado = ws.vCostoHumeda;

    if (options.todaysPrices) {
        workspace::takeOverPrices(ws);
        if (dryMatterChanged(ws)) // recomputes the figures of the stored mix
            append(run.notices, workspace::takeOverDryMatter(ws, db).notices);
        run.costoMezclaHoy = wetUnitCost(ws);
    }

    FormulationRequest request;
    // The stored batch quantity, also for a formula never formulated (its mix totals 0).
    request.cantidad = ws.batchQuantity;
    request.secaIng = ws.ingredientsDry;
    request.secaNut = ws.nutrientsDry;
    request.diagnosisProgress = options.diagnosisProgress;
    if (options.cantidad) {
        request.cantidad = *options.cantidad;
    } else if (options.mixTotal) {
        const std::optional<double> total = quantityOf(run.header.cantidad);
        if (!total) {
            run.notices.push_back(quantityNotNumeric());
            run.formulation.quantityRefused = true;
            return run;
        }
        request.cantidad = *total;
    }
    run.formulation = formulate(ws, db, request);
    append(run.notices, run.formulation.notices);
    return run;
}

} // namespace optimizer
