#include "book/workspace_bridge.h"

#include "book/captured_messages.h"
#include "formulas/formula_header.h"
#include "optimizer/formulation_run.h"
#include "store/database.h"
#include "workspace/formula_loader.h"
#include "workspace/formula_save.h"
#include "workspace/workspace.h"
#include "workspace/workspace_rows.h"

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
    s.cantidad = ws.vCantidad;
    s.secaIng = ws.vSecaIng;
    s.secaNut = ws.vSecaNut;
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

// Whether taking over today's dry matter would change a row. When it would not, it is left
// out: the formulation reads the same rows either way, and it would read the compositions once
// more only to recompute figures the formulation recomputes.
bool dryMatterChanged(const Workspace& ws) {
    for (const workspace::FormulaIngredient& i : ws.ingredients)
        if (!i.materiaSecaActual || *i.materiaSecaActual != i.materiaSeca)
            return true;
    return false;
}

// The cost per unit as fed of the mix the rows hold, at the prices they hold.
double wetUnitCost(const Workspace& ws) {
    double cost = 0;
    for (const workspace::FormulaIngredient& i : ws.ingredients)
        cost += i.porcentajeHumeda.value_or(0) * i.costoHumeda.value_or(0);
    return cost;
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

} // namespace

Reformulated reformulate(store::Database& db, const ChosenFormula& formula) {
    Reformulated out;
    WorklistRow& row = out.row;
    row.idFormula = formula.idFormula;
    row.codigo = formula.codigo.trimmed();
    row.producto = formula.producto.trimmed();
    row.version = formula.version;

    CapturedMessages messages;
    auto ws = std::make_shared<Workspace>();
    ws->vIdFormula = formula.idFormula;
    const workspace::FormulaHeader header = workspace::actuFormula(*ws, db);
    if (!header.found || ws->vIdFormula == 0) {
        row.outcome = Outcome::NotLoaded;
        row.mensaje = messages.joined();
        return out;
    }
    out.before = snapshot(*ws, header, true);
    row.costoAnterior = ws->vCostoHumeda;

    workspace::takeOverPrices(*ws);
    if (dryMatterChanged(*ws))
        workspace::takeOverDryMatter(*ws, db); // recomputes the figures of the stored mix
    row.costoMezclaHoy = wetUnitCost(*ws);

    optimizer::RunInput input;
    // The stored batch quantity, also for a formula never formulated (its mix totals 0).
    input.cantidadText = QString::number(ws->vCantidad, 'f', 2);
    input.option1Seca = ws->vSecaIng;
    input.option2Seca = ws->vSecaNut;
    input.showContributions = [](const QString&, const QString&) {};
    const optimizer::RunResult result = optimizer::formular(*ws, db, input);
    row.outcome = outcomeOf(result.outcome);
    if (row.outcome == Outcome::Infeasible)
        row.mensaje = conflictText(result.conflicto);
    else if (row.outcome == Outcome::PrecheckFailed)
        row.mensaje = optimizer::contributionsMessage(result.nutrienteInalcanzable);
    else
        row.mensaje = messages.joined();
    if (row.outcome != Outcome::Optimum && row.outcome != Outcome::NoLeavingRow)
        return out;

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

int saveNewVersion(store::Database& db, Workspace& ws, int idFormula, int* version) {
    const formulas::HeaderOpening opened = formulas::openHeader(db, idFormula);
    if (opened.formulaId <= 0)
        throw store::StoreError(opened.message.isEmpty()
                                    ? QStringLiteral("No es posible grabar la fórmula")
                                    : opened.message);
    formulas::HeaderInput in;
    in.code = opened.code;
    in.product = opened.product;
    in.newVersion = true;
    in.cantidad = ws.vCantidad;
    in.secaIng = ws.vSecaIng;
    in.secaNut = ws.vSecaNut;
    in.today = QDate::currentDate();
    // What "&Grabar" writes for a new version, without reading the formula back into the
    // workspace afterwards: the worklist keeps the mix it showed. Both join the caller's
    // transaction and throw on any failure.
    const int id = formulas::writeHeader(db, opened, in);
    workspace::saveFormulaRows(ws, db, id);
    const formulas::HeaderOpening written = formulas::openHeader(db, id);
    if (written.formulaId != id)
        throw store::StoreError(written.message);
    *version = written.versionLoaded.toInt();
    return id;
}

std::optional<FormulaSnapshot> storedSnapshot(store::Database& db, int idFormula,
                                              QString* message) {
    CapturedMessages messages;
    Workspace ws;
    ws.vIdFormula = idFormula;
    const workspace::FormulaHeader header = workspace::actuFormula(ws, db);
    if (message)
        *message = messages.joined();
    if (!header.found || ws.vIdFormula == 0)
        return std::nullopt;
    return snapshot(ws, header, true);
}

} // namespace book
