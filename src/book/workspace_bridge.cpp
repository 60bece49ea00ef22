#include "book/workspace_bridge.h"

#include "formulas/formula_header.h"
#include "optimizer/stored_formulation.h"
#include "store/database.h"
#include "workspace/formula_loader.h"
#include "workspace/formula_save.h"
#include "workspace/workspace.h"

#include <QDate>

namespace book {

using workspace::Workspace;

namespace {

// Below this a share is the solver's rounding, not an ingredient in the mix.
constexpr double kInMix = 1e-9;

// storedValues: the nutrient values saved with the formula rather than those of today's mix.
FormulaSnapshot snapshot(Workspace& ws, const workspace::FormulaHeader& header, bool storedValues) {
    FormulaSnapshot s;
    s.codigo = header.codigo;
    s.producto = header.producto;
    s.version = storedValues ? header.version : QStringLiteral("(sin grabar)");
    s.titulo = storedValues
                   ? QStringLiteral("%1 versión %2").arg(header.codigo.trimmed(), header.version)
                   : QStringLiteral("%1 reformulada").arg(header.codigo.trimmed());
    s.cantidad = ws.batchQuantity;
    s.secaIng = ws.ingredientsDry;
    s.secaNut = ws.nutrientsDry;
    s.costoUnitario = ws.vCostoHumeda;
    for (const workspace::FormulaIngredient& i : ws.ingredients)
        s.ingredients.push_back({i.id, i.nombre.trimmed(), i.minimo, i.maximo,
                                 i.porcentajeHumeda.value_or(0), i.porcentajeSeca.value_or(0),
                                 i.costoHumeda});
    for (const workspace::FormulaNutrient& n : ws.nutrients)
        s.nutrients.push_back({n.id, n.nombre.trimmed(), n.minimo, n.maximo,
                               storedValues ? n.valorAnterior : n.valor});
    for (const formulas::FormulaRatio& r : ws.ratios)
        s.ratios.push_back(
            {r.numerador, r.divisor, r.nombre().trimmed(), r.minimo, r.maximo, r.valor});
    for (const formulas::FormulaGroup& g : ws.groups)
        s.groups.push_back({g.id, 0, g.nombre.trimmed(), g.minimo, g.maximo, g.valor});
    return s;
}

QStringList inMix(const FormulaSnapshot& s) {
    QStringList names;
    for (const SnapshotIngredient& i : s.ingredients)
        if ((s.secaIng ? i.porcentajeSeca : i.porcentajeHumeda) > kInMix)
            names << i.nombre;
    return names;
}

Outcome outcomeOf(optimizer::RunOutcome o) {
    switch (o) {
    case optimizer::RunOutcome::Optimum:
        return Outcome::Optimum;
    case optimizer::RunOutcome::NoLeavingRow:
        return Outcome::NoLeavingRow;
    case optimizer::RunOutcome::IterationLimit:
        return Outcome::IterationLimit;
    case optimizer::RunOutcome::Infeasible:
        return Outcome::Infeasible;
    case optimizer::RunOutcome::NotStandard:
        return Outcome::NotStandard;
    case optimizer::RunOutcome::PrecheckFailed:
        return Outcome::PrecheckFailed;
    case optimizer::RunOutcome::Invalid:
        break;
    }
    return Outcome::Invalid;
}

QString conflictText(const std::vector<lp::ConflictLimit>& conflict) {
    if (conflict.empty())
        return QStringLiteral("No es posible cumplir todas las restricciones");
    const lp::ConflictLimit& c = conflict.front();
    return QStringLiteral("Límite en conflicto: %1 para %2")
        .arg(c.limit.side == lp::LimitRef::Minimum ? QStringLiteral("Mínimo")
                                                   : QStringLiteral("Máximo"),
             QString::fromStdString(c.nombre).trimmed());
}

// The worklist's account of a formula so re-formulated.
Reformulated summarize(const ChosenFormula& formula, optimizer::StoredRun run) {
    Reformulated out;
    WorklistRow& row = out.row;
    row.idFormula = formula.idFormula;
    row.codigo = formula.codigo.trimmed();
    row.producto = formula.producto.trimmed();
    row.version = formula.version;
    if (run.refusal) {
        row.outcome = Outcome::NotLoaded;
        row.mensaje = workspace::joinedNotices({*run.refusal});
        return out;
    }
    const workspace::FormulaHeader& header = run.header;
    out.before = snapshot(*run.asLoaded, header, true);
    row.costoAnterior = run.costoCargado;
    row.costoMezclaHoy = run.costoMezclaHoy;

    const optimizer::Formulation& result = run.formulation;
    row.outcome = outcomeOf(result.outcome);
    if (const auto& e = result.entero)
        row.entero = WorklistSearch{e->nodos, e->brecha, e->probado};
    if (row.outcome == Outcome::Infeasible)
        row.mensaje = conflictText(result.conflicto);
    else if (row.outcome == Outcome::PrecheckFailed)
        row.mensaje = optimizer::contributionsMessage(result.unreachable->nombre);
    else
        row.mensaje = workspace::joinedNotices(run.notices);
    if (row.outcome != Outcome::Optimum && row.outcome != Outcome::NoLeavingRow)
        return out;

    std::shared_ptr<Workspace> ws = std::move(run.ws);
    out.after = snapshot(*ws, header, false);
    out.header = header;
    out.header.figures = result.figures;
    row.costoNuevo = ws->vCostoHumeda;
    const QStringList before = inMix(*out.before);
    const QStringList after = inMix(*out.after);
    for (const QString& name : after)
        if (!before.contains(name))
            row.entran << name;
    for (const QString& name : before)
        if (!after.contains(name))
            row.salen << name;
    out.ws = std::move(ws);
    return out;
}

} // namespace

void reformulate(store::Database& db, const std::vector<ChosenFormula>& formulas,
                 const SearchLimits& limits, const std::function<bool(Reformulated)>& each) {
    std::vector<int> ids;
    for (const ChosenFormula& f : formulas)
        ids.push_back(f.idFormula);
    optimizer::StoredRunOptions options;
    options.todaysPrices = true;
    options.keepAsLoaded = true;
    // A weighed formula's search could otherwise run for minutes while the book waits on it.
    options.maxNodos = limits.maxNodos;
    options.maxSegundos = limits.maxSegundos;
    std::size_t done = 0;
    optimizer::formulateStored(db, ids, options, [&](optimizer::StoredRun& run) {
        return each(summarize(formulas[done++], std::move(run)));
    });
}

Reformulated reformulate(store::Database& db, const ChosenFormula& formula,
                         const SearchLimits& limits) {
    Reformulated out;
    reformulate(db, {formula}, limits, [&](Reformulated r) {
        out = std::move(r);
        return true;
    });
    return out;
}

std::optional<FormulaSnapshot> storedSnapshot(store::Database& db, int idFormula,
                                              QString* message) {
    workspace::LoadedFormula loaded = workspace::loadFormula(db, idFormula);
    if (message)
        *message = workspace::joinedNotices(loaded.refusal ? workspace::Notices{*loaded.refusal}
                                                           : loaded.notices);
    if (loaded.refusal || !loaded.header.found)
        return std::nullopt;
    return snapshot(loaded.ws, loaded.header, true);
}

} // namespace book
