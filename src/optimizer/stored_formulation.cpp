#include "optimizer/stored_formulation.h"

#include "store/database.h"
#include "store/stored_values.h"
#include "workspace/mix_compositions.h"
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

template <typename Row> std::vector<int> idsOf(const std::vector<Row>& rows) {
    std::vector<int> ids;
    for (const Row& r : rows)
        ids.push_back(r.id);
    return ids;
}

// The loaded formula taken over and formulated; `compositions` (of at least its ingredients and
// nutrients) spares the formulation its reading of the catalogue.
StoredRun formulateLoaded(store::Database& db, int formulaId, workspace::LoadedFormula loaded,
                          const StoredRunOptions& options,
                          const workspace::MixCompositions* compositions) {
    StoredRun run;
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
    request.maxNodos = options.maxNodos;
    request.maxSegundos = options.maxSegundos;
    request.integerProgress = options.integerProgress;
    if (compositions) {
        run.compositions = compositions->restrictedTo(idsOf(ws.ingredients), idsOf(ws.nutrients));
        request.compositions = &*run.compositions;
    }
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

} // namespace

std::vector<StoredRun> formulateStored(store::Database& db, const std::vector<int>& formulaIds,
                                       const StoredRunOptions& options,
                                       const std::function<bool(StoredRun&)>& formulated) {
    std::vector<workspace::LoadedFormula> loaded = workspace::loadFormulas(db, formulaIds);
    // Today's compositions of every loaded formula's ingredients, read once for all of them.
    std::vector<int> ingredients, nutrients;
    for (const workspace::LoadedFormula& f : loaded)
        if (!f.refusal) {
            const std::vector<int> i = idsOf(f.ws.ingredients), n = idsOf(f.ws.nutrients);
            ingredients.insert(ingredients.end(), i.begin(), i.end());
            nutrients.insert(nutrients.end(), n.begin(), n.end());
        }
    std::optional<workspace::MixCompositions> compositions;
    try {
        compositions = workspace::readMixCompositions(db, ingredients, nutrients);
    } catch (const store::StoredValueError&) {
        // A row changed since the load into one the program cannot use: each formulation reads
        // its own rows and meets it as it would alone.
    }
    std::vector<StoredRun> runs;
    runs.reserve(loaded.size());
    for (std::size_t k = 0; k < loaded.size(); ++k) {
        runs.push_back(formulateLoaded(db, formulaIds[k], std::move(loaded[k]), options,
                                       compositions ? &*compositions : nullptr));
        if (formulated && !formulated(runs.back()))
            break;
    }
    return runs;
}

StoredRun formulateStored(store::Database& db, int formulaId, const StoredRunOptions& options) {
    return formulateStored(db, std::vector<int>{formulaId}, options).front();
}

} // namespace optimizer
