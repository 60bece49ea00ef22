#include "plans/plan_run.h"

#include "app/date_text.h"
#include "app/node_count.h"
#include "catalog/price_history.h"
#include "formulas/formula_lookup.h"
#include "optimizer/engine/plan_integer.h"
#include "optimizer/engine/solution.h"
#include "optimizer/formulation_run.h"
#include "optimizer/stored_formulation.h"
#include "store/database.h"
#include "workspace/formula_loader.h"
#include "workspace/formula_save.h"
#include "workspace/mix_compositions.h"
#include "workspace/results.h"
#include "workspace/workspace.h"

#include <QHash>
#include <algorithm>

namespace plans {

using workspace::Workspace;

namespace {

// Below this a share is the solver's rounding, not an ingredient in the mix.
constexpr double kInMix = 1e-9;

QString formulaName(const PlanFormulaRow& f) {
    return QStringLiteral("%1 versión %2").arg(f.codigo, f.version);
}

// The mix of these shares written into the workspace rows as the formulation writes its own
// (matched by id), then the figures recomputed; the single-formula analysis no longer applies.
workspace::ResultFigures writePlannedMix(Workspace& ws, store::Database& db, const lp::Blend& blend,
                                         const std::vector<double>& shares,
                                         const std::optional<workspace::MixCompositions>& read) {
    const std::vector<lp::BatchLine> lines = lp::batchLines(blend, shares);
    for (workspace::FormulaIngredient& p : ws.ingredients) {
        lp::BatchLine line;
        for (std::size_t j = 0; j < blend.ingredients.size(); ++j)
            if (blend.ingredients[j].id == p.id)
                line = lines[j];
        p.cantidadSeca = line.cantidadSeca;
        p.porcentajeSeca = line.porcentajeSeca;
        p.cantidadHumeda = line.cantidadHumeda;
        p.porcentajeHumeda = line.porcentajeHumeda;
        p.costoTotal = 0.0;
    }
    ws.analysisRows.clear();
    return read ? workspace::actuResultados(ws, *read) : workspace::actuResultados(ws, db);
}

QString kindName(const lp::PlanConflict& c) {
    switch (c.kind) {
    case lp::PlanConflict::Disponible:
        return QStringLiteral("disponible");
    case lp::PlanConflict::MinimoUso:
        return QStringLiteral("minimo_uso");
    case lp::PlanConflict::Formula:
        break;
    }
    return QString::fromUtf8(lp::kindName(c.limit.limit.kind));
}

// The day of the newest change of price or dry matter among the formula's ingredients; none when
// the catalogue keeps no history of them. Each ingredient's history is read once for the plan.
std::optional<QDate> latestPriceChange(store::Database& db, const Workspace& ws,
                                       QHash<int, std::optional<QDate>>& newestOf) {
    std::optional<QDate> latest;
    for (const workspace::FormulaIngredient& i : ws.ingredients) {
        auto newest = newestOf.constFind(i.id);
        if (newest == newestOf.constEnd()) {
            std::optional<QDate> day;
            for (const catalog::PriceEntry& e : catalog::lastPrices(db, i.id, 1))
                if (e.fecha.isValid())
                    day = e.fecha.date();
            newest = newestOf.insert(i.id, day);
        }
        if (*newest && (!latest || **newest > *latest))
            latest = *newest;
    }
    return latest;
}

// The day the version was saved (created, when never modified since).
std::optional<QDate> savedOn(const workspace::FormulaHeader& header) {
    for (const QString& text : {header.fechaModificacion, header.fechaCreacion})
        if (const QDate d = datetext::parseDate(text); d.isValid())
            return d;
    return std::nullopt;
}

// Whether the plan can go on with a formula so loaded and formulated alone.
bool usable(const optimizer::StoredRun& stored) {
    if (stored.refusal)
        return false;
    switch (stored.formulation.outcome) {
    case optimizer::RunOutcome::Optimum:
    case optimizer::RunOutcome::NoLeavingRow:
    case optimizer::RunOutcome::Infeasible:
    case optimizer::RunOutcome::IterationLimit:
        return true;
    case optimizer::RunOutcome::PrecheckFailed:
    case optimizer::RunOutcome::NotStandard:
    case optimizer::RunOutcome::Invalid:
        break;
    }
    return false;
}

// Each formula loaded and formulated alone, all loaded together; false with the message when one
// cannot be. `compositions` takes each formula's catalogue rows when they were read for all.
bool loadFormulas(store::Database& db, const StoredPlan& plan, PlanRun& run, lp::Plan& lpPlan,
                  std::vector<std::optional<workspace::MixCompositions>>& compositions,
                  std::vector<lp::IntegerConditions>& conditions, const lp::IntegerLimits& limits) {
    std::vector<PlanFormulaRow> rows;
    std::vector<int> ids;
    for (const PlanFormulaRow& row : plan.formulas) {
        PlanFormulaRow chosen = row;
        if (run.precios == PlanPrices::Current)
            if (const int newest = formulas::findFormula(db, {row.codigo, std::nullopt, 0}))
                chosen.idFormula = newest;
        ids.push_back(chosen.idFormula);
        rows.push_back(std::move(chosen));
    }
    optimizer::StoredRunOptions options;
    options.todaysPrices = run.precios == PlanPrices::Current;
    // A formula with weighing conditions alone is searched as far as the plan will be: its cost
    // alone is the one compared with its cost in the plan.
    options.maxNodos = limits.maxNodos;
    options.maxSegundos = limits.maxSegundos;
    options.integerProgress = limits.seguir;
    std::vector<optimizer::StoredRun> formulated =
        optimizer::formulateStored(db, ids, options, usable);
    QHash<int, std::optional<QDate>> newestPrice;
    for (std::size_t k = 0; k < formulated.size(); ++k) {
        optimizer::StoredRun& stored = formulated[k];
        PlannedFormula pf;
        pf.row = rows[k];
        pf.versionPlan = plan.formulas[k].version;
        if (stored.refusal) {
            run.mensaje =
                QStringLiteral("No se pudo cargar la fórmula %1: %2")
                    .arg(formulaName(pf.row), workspace::joinedNotices({*stored.refusal}));
            return false;
        }
        if (optimizer::hasChanceLimits(*stored.ws)) {
            run.mensaje =
                QStringLiteral("Fórmula %1: %2")
                    .arg(formulaName(pf.row),
                         optimizer::chanceLimitsRefused(QStringLiteral("El plan de producción")));
            return false;
        }
        const workspace::FormulaHeader& header = stored.header;
        pf.row.version = header.version.trimmed();
        pf.row.producto = header.producto.trimmed();
        pf.header = header;
        pf.ws = std::move(stored.ws);
        pf.fechaPrecios = run.precios == PlanPrices::Current
                              ? latestPriceChange(db, *pf.ws, newestPrice)
                              : savedOn(header);
        const optimizer::Formulation& alone = stored.formulation;
        switch (alone.outcome) {
        case optimizer::RunOutcome::Optimum:
        case optimizer::RunOutcome::NoLeavingRow:
            pf.costoSolo = pf.ws->vCostoHumeda;
            break;
        case optimizer::RunOutcome::Infeasible:
        case optimizer::RunOutcome::IterationLimit:
            break; // the plan says why
        case optimizer::RunOutcome::PrecheckFailed:
            run.mensaje = QStringLiteral("Fórmula %1: %2")
                              .arg(formulaName(pf.row),
                                   optimizer::contributionsMessage(alone.unreachable->nombre));
            return false;
        case optimizer::RunOutcome::NotStandard:
        case optimizer::RunOutcome::Invalid:
            run.mensaje = QStringLiteral("Fórmula %1: %2")
                              .arg(formulaName(pf.row), workspace::joinedNotices(stored.notices));
            return false;
        }
        lpPlan.formulas.push_back({stored.compositions
                                       ? optimizer::tableauBlend(*pf.ws, *stored.compositions)
                                       : optimizer::tableauBlend(*pf.ws, db),
                                   plan.formulas[k].cantidad});
        conditions.push_back(
            optimizer::hasIntegerConditions(*pf.ws)
                ? optimizer::integerConditions(*pf.ws, lpPlan.formulas.back().blend)
                : lp::IntegerConditions{});
        compositions.push_back(std::move(stored.compositions));
        run.formulas.push_back(std::move(pf));
    }
    return true;
}

// The plan's programme: continuous when no formula has weighing conditions, else searched with
// each formula's own. A search that settles the run without a plan (no plan the mill can weigh,
// none found before a limit, a condition that makes no sense) says so in `run`; a plan whose
// limits alone have no mix is left to the continuous diagnosis of its conflict.
std::optional<lp::PlanResult> solve(const lp::Plan& lpPlan,
                                    const std::vector<lp::IntegerConditions>& conditions,
                                    const lp::IntegerLimits& limits, PlanRun& run) {
    const bool weighed = std::any_of(conditions.begin(), conditions.end(),
                                     [](const lp::IntegerConditions& c) { return c.any(); });
    if (!weighed)
        return lp::solvePlan(lpPlan, {false, true});
    const lp::PlanIntegerResult r = lp::solvePlanInteger(lpPlan, conditions, limits);
    PlanSearch search;
    search.costoContinuo = r.costoContinuo;
    search.nodos = r.nodos;
    search.brecha = r.brecha;
    search.probado = r.probado || r.status == lp::IntegerStatus::IntegerInfeasible;
    const QString formula = r.formula >= 0
                                ? QStringLiteral("Fórmula %1: ")
                                      .arg(formulaName(run.formulas[std::size_t(r.formula)].row))
                                : QString();
    switch (r.status) {
    case lp::IntegerStatus::Optimal:
    case lp::IntegerStatus::Stopped:
        run.entero = search;
        return r.plan;
    case lp::IntegerStatus::Infeasible:
        return lp::solvePlan(lpPlan, {false, true});
    case lp::IntegerStatus::IntegerInfeasible:
        run.entero = search;
        run.outcome = PlanRunOutcome::Infeasible;
        run.mensaje = QStringLiteral("No hay plan que la planta pueda pesar: ") + formula +
                      QString::fromStdString(r.explicacion) +
                      QStringLiteral(". Sin las condiciones de pesada el plan tiene solución.");
        break;
    case lp::IntegerStatus::NoMixFound:
        run.entero = search;
        run.outcome = PlanRunOutcome::Failed;
        run.mensaje = QStringLiteral("La búsqueda se detuvo después de %1 sin encontrar un "
                                     "plan que cumpla las condiciones de pesada: no se sabe si lo "
                                     "hay.")
                          .arg(app::nodeCount(r.nodos));
        break;
    case lp::IntegerStatus::InvalidConditions:
        run.outcome = PlanRunOutcome::Invalid;
        run.mensaje = formula + QString::fromStdString(r.explicacion);
        break;
    case lp::IntegerStatus::Failed:
        run.outcome = PlanRunOutcome::Failed;
        run.mensaje = QStringLiteral("No se llegó a una solución del plan");
        break;
    }
    return std::nullopt;
}

} // namespace

PlanRun formulatePlan(store::Database& db, const StoredPlan& plan, PlanPrices prices,
                      const lp::IntegerLimits& limits) {
    PlanRun run;
    run.precios = prices;
    if (plan.formulas.empty()) {
        run.mensaje = QStringLiteral("El plan %1 no tiene fórmulas").arg(plan.header.nombre);
        return run;
    }
    for (const PlanFormulaRow& f : plan.formulas)
        if (const QString problem = checkQuantity(f.cantidad); !problem.isEmpty()) {
            run.mensaje = QStringLiteral("Fórmula %1: %2").arg(formulaName(f), problem);
            return run;
        }
    for (const PlanStockRow& s : plan.stock)
        if (const QString problem = checkStock(s); !problem.isEmpty()) {
            run.mensaje = problem;
            return run;
        }
    lp::Plan lpPlan;
    std::vector<std::optional<workspace::MixCompositions>> compositions;
    std::vector<lp::IntegerConditions> conditions;
    {
        // The reads share one transaction: SQLite then takes its file lock once for the plan
        // instead of once per statement, which was most of the loading's time.
        store::Database::Transaction reading(db);
        const bool loaded = loadFormulas(db, plan, run, lpPlan, compositions, conditions, limits);
        try {
            reading.commit();
        } catch (const store::StoreError&) {
            // Only reads ran: a refused end of them loses nothing.
        }
        if (!loaded) {
            run.formulas.clear();
            return run;
        }
    }
    for (const PlanStockRow& s : plan.stock) {
        lpPlan.stock.push_back({s.idProducto, s.nombre.toStdString(), s.disponible, s.minimoUso});
        run.stock.push_back({s.idProducto, s.nombre, 0, s.disponible, s.minimoUso, 0});
    }
    const std::optional<lp::PlanResult> solved = solve(lpPlan, conditions, limits, run);
    if (!solved)
        return run;
    const lp::PlanResult& result = *solved;
    switch (result.outcome) {
    case lp::PlanOutcome::Failed:
        run.outcome = PlanRunOutcome::Failed;
        run.mensaje = QStringLiteral("No se llegó a una solución del plan");
        return run;
    case lp::PlanOutcome::Infeasible:
        run.outcome = PlanRunOutcome::Infeasible;
        run.mensaje = QStringLiteral("No es posible cumplir todas las restricciones del plan");
        for (const lp::PlanConflict& c : result.conflicto) {
            PlanConflictRow row;
            row.tipo = kindName(c);
            if (c.formula >= 0)
                row.formula = formulaName(run.formulas[std::size_t(c.formula)].row);
            row.nombre = QString::fromStdString(c.limit.nombre).trimmed();
            row.limite = c.limit.limit.side == lp::LimitRef::Minimum ? QStringLiteral("minimo")
                                                                     : QStringLiteral("maximo");
            row.valor = c.limit.valor;
            row.relajacion = c.limit.relajacion;
            row.costo = c.limit.costo;
            run.conflicto.push_back(row);
        }
        return run;
    case lp::PlanOutcome::Optimum:
        break;
    }
    run.outcome = PlanRunOutcome::Optimum;
    run.costoTotal = result.costoTotal;
    for (std::size_t f = 0; f < run.formulas.size(); ++f) {
        PlannedFormula& pf = run.formulas[f];
        const lp::Blend& blend = lpPlan.formulas[f].blend;
        const std::vector<double>& shares = result.formulas[f].shares;
        pf.header.figures = writePlannedMix(*pf.ws, db, blend, shares, compositions[f]);
        pf.costoUnitarioHumeda = result.formulas[f].costoUnitarioHumeda;
        const std::vector<lp::BatchLine> lines = lp::batchLines(blend, shares);
        for (std::size_t j = 0; j < blend.ingredients.size(); ++j)
            if (shares[j] > kInMix)
                pf.ingredientes.push_back(
                    {blend.ingredients[j].id,
                     QString::fromStdString(blend.ingredients[j].nombre).trimmed(),
                     lines[j].porcentajeHumeda,
                     pf.row.cantidad * lp::asFedFactor(blend, j) * shares[j]});
        std::stable_sort(pf.ingredientes.begin(), pf.ingredientes.end(),
                         [](const PlannedIngredient& a, const PlannedIngredient& b) {
                             return a.porcentajeHumeda > b.porcentajeHumeda;
                         });
    }
    for (std::size_t s = 0; s < run.stock.size(); ++s) {
        run.stock[s].usado = result.stock[s].usado;
        run.stock[s].valorMarginal = result.stock[s].valorMarginal;
    }
    return run;
}

std::vector<int> savePlan(store::Database& db, const PlanRun& run) {
    if (run.outcome != PlanRunOutcome::Optimum)
        throw store::StoreError(QStringLiteral("El plan no tiene una solución para grabar"));
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    std::vector<int> ids;
    for (const PlannedFormula& pf : run.formulas) {
        int version = 0;
        ids.push_back(workspace::saveNewVersion(db, *pf.ws, pf.row.idFormula, &version));
    }
    tx.commit();
    return ids;
}

} // namespace plans
