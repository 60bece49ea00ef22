#include "optimizer/tradeoff_run.h"

#include "app/format.h"
#include "app/messages.h"
#include "catalog/nutrient_search.h"
#include "catalog/nutrients.h"
#include "optimizer/engine/solution.h"
#include "optimizer/formulation_run.h"
#include "optimizer/ranging_target.h"
#include "optimizer/validation.h"
#include "store/database.h"
#include "store/record_set.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace optimizer {

namespace {

// A share this small is the round-off of a pivot, not an ingredient of the mix.
constexpr double kInMix = 1e-9;

double wetCost(const lp::Blend& blend, const std::vector<lp::BatchLine>& lines) {
    double cost = 0;
    for (std::size_t j = 0; j < lines.size(); ++j)
        cost += lines[j].porcentajeHumeda * blend.ingredients[j].costoHumeda;
    return cost;
}

QStringList namesOf(const lp::Blend& blend, const std::vector<std::size_t>& indices) {
    QStringList names;
    for (std::size_t j : indices)
        names << QString::fromStdString(blend.ingredients[j].nombre);
    return names;
}

// The row of a mix on the blend's ingredient basis; the percentages against the least-cost mix
// are left for the caller.
TradeoffRow rowOf(const TradeoffRun& run, double valor, const std::vector<double>& shares) {
    TradeoffRow row;
    row.valor = valor;
    const std::vector<lp::BatchLine> lines = lp::batchLines(run.blend, shares);
    row.costo = wetCost(run.blend, lines);
    for (std::size_t j = 0; j < lines.size(); ++j) {
        if (shares[j] <= kInMix)
            continue;
        const lp::Ingredient& ing = run.blend.ingredients[j];
        row.mezcla.push_back({ing.id, j < run.codes.size() ? run.codes[j] : QString(),
                              QString::fromStdString(ing.nombre), lines[j].porcentajeHumeda,
                              lines[j].porcentajeSeca});
    }
    std::stable_sort(row.mezcla.begin(), row.mezcla.end(),
                     [](const TradeoffMixLine& a, const TradeoffMixLine& b) {
                         return a.porcentajeHumeda > b.porcentajeHumeda;
                     });
    return row;
}

void setPercentages(const TradeoffRun& run, TradeoffRow& row) {
    if (run.vertices.empty())
        return;
    const TradeoffRow& least = run.vertices.front();
    row.sobreCosto =
        least.costo != 0 ? (row.costo - least.costo) / std::abs(least.costo) * 100 : 0.0;
    if (least.valor != 0) {
        const double moved = run.aumentar ? row.valor - least.valor : least.valor - row.valor;
        row.cambioObjetivo = moved / std::abs(least.valor) * 100;
    } else {
        row.cambioObjetivo.reset();
    }
}

// The shares of the workspace's mix on the blend's ingredient basis, in the blend's order; none
// when it holds no mix.
std::optional<std::vector<double>> workspaceShares(const workspace::Workspace& ws,
                                                   const lp::Blend& blend) {
    std::vector<double> shares;
    double total = 0;
    for (const lp::Ingredient& ing : blend.ingredients) {
        const workspace::FormulaIngredient* row = workspace::findIngredient(ws, ing.id);
        const double x = row == nullptr  ? 0.0
                         : blend.secaIng ? row->porcentajeSeca.value_or(0)
                                         : row->porcentajeHumeda.value_or(0);
        shares.push_back(x);
        total += x;
    }
    if (total <= 0)
        return std::nullopt;
    return shares;
}

QString statusMessage(const lp::TradeoffCurve& curve) {
    return QString::fromStdString(curve.mensaje);
}

// The curve of a workspace already checked by the validation (its quantity and bases taken).
void runCurve(TradeoffRun& run, const workspace::Workspace& ws, store::Database& db) {
    std::vector<int> ingredientIds;
    for (const workspace::FormulaIngredient& i : ws.ingredients)
        ingredientIds.push_back(i.id);
    run.nutrientIds.clear();
    for (const workspace::FormulaNutrient& n : ws.nutrients)
        run.nutrientIds.push_back(n.id);
    if (std::find(run.nutrientIds.begin(), run.nutrientIds.end(), run.objetivoId) ==
        run.nutrientIds.end())
        run.nutrientIds.push_back(run.objetivoId);
    run.compositions = workspace::readMixCompositions(db, ingredientIds, run.nutrientIds);
    run.blend = tableauBlend(ws, run.compositions);
    run.codes = ingredientCodes(db, run.blend);

    // The goal's composition values, per unit of dry matter as the blend's nutrients have them.
    run.goal.nombre = run.objetivo.toStdString();
    run.goal.aumentar = run.aumentar;
    for (const lp::Ingredient& ing : run.blend.ingredients)
        run.goal.valor.push_back(run.compositions.valor(run.objetivoId, ing.id).value_or(0.0));

    run.curve = lp::tradeoffCurve(run.blend, run.goal);
    run.status = run.curve.status;
    run.lineal = run.curve.lineal;
    run.mensaje = statusMessage(run.curve);
    run.conflicto = run.curve.conflicto;
    if (run.status != lp::TradeoffStatus::Ok && run.status != lp::TradeoffStatus::Constant)
        return;

    for (const lp::TradeoffVertex& v : run.curve.vertices) {
        TradeoffRow row = rowOf(run, v.valor, v.mezcla);
        row.entran = namesOf(run.blend, v.entran);
        row.salen = namesOf(run.blend, v.salen);
        run.vertices.push_back(std::move(row));
    }
    for (TradeoffRow& row : run.vertices)
        setPercentages(run, row);
    if (const auto shares = workspaceShares(ws, run.blend)) {
        run.actual = rowOf(run, lp::goalValue(run.blend, run.goal, *shares), *shares);
        setPercentages(run, *run.actual);
    }
}

TradeoffRun started(store::Database& db, int goalNutrientId, bool aumentar) {
    TradeoffRun run;
    run.objetivoId = goalNutrientId;
    run.aumentar = aumentar;
    if (const auto fields = catalog::loadNutrient(db, goalNutrientId)) {
        run.objetivo = fields->nombre.trimmed();
        run.unidad = fields->unidad.trimmed();
    }
    return run;
}

void refuse(TradeoffRun& run, const QString& why) {
    run.status = lp::TradeoffStatus::Invalid;
    run.mensaje = why;
}

// The workspace checked as a formulation checks it, on its own bases and batch quantity.
void runChecked(TradeoffRun& run, workspace::Workspace ws, store::Database& db) {
    if (run.objetivo.isEmpty()) {
        refuse(run, QStringLiteral("El nutriente elegido como objetivo no existe en el catálogo."));
        return;
    }
    workspace::Notices checks;
    if (!validate(ws, ws.batchQuantity, ws.ingredientsDry, ws.nutrientsDry, checks).ok) {
        refuse(run, checks.empty() ? QStringLiteral("La fórmula no se puede formular.")
                                   : workspace::joinedNotices(checks));
        return;
    }
    // The curve bounds the goal in the linear programme: conditions it cannot hold are named, so
    // nobody takes a point of it for a mix that meets them.
    const bool chance = hasChanceLimits(ws), weighing = hasIntegerConditions(ws);
    if (chance || weighing)
        run.notices.push_back(
            {QStringLiteral("La curva se calcula con los límites lineales de la fórmula: no tiene "
                            "en cuenta ") +
                 (chance && weighing
                      ? QStringLiteral("las probabilidades ni las condiciones de pesada.")
                  : chance ? QStringLiteral("las probabilidades de sus límites.")
                           : QStringLiteral("sus condiciones de pesada.")),
             msg::Exclamation});
    runCurve(run, ws, db);
}

bool sameRows(const workspace::Workspace& ws, const TradeoffRun& curve) {
    std::set<int> inWorkspace, inBlend;
    for (const workspace::FormulaIngredient& i : ws.ingredients)
        inWorkspace.insert(i.id);
    for (const lp::Ingredient& i : curve.blend.ingredients)
        inBlend.insert(i.id);
    if (inWorkspace != inBlend || ws.ingredientsDry != curve.blend.secaIng ||
        ws.nutrientsDry != curve.blend.secaNut)
        return false;
    for (const workspace::FormulaNutrient& n : ws.nutrients)
        if (std::find(curve.nutrientIds.begin(), curve.nutrientIds.end(), n.id) ==
            curve.nutrientIds.end())
            return false;
    return true;
}

int editDistance(const QString& a, const QString& b) {
    std::vector<int> row(std::size_t(b.size()) + 1);
    for (std::size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[std::size_t(j)];
            row[std::size_t(j)] = std::min({above + 1, row[std::size_t(j - 1)] + 1,
                                            diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

QString listed(const QStringList& names) {
    return names.join(QStringLiteral(", "));
}

} // namespace

TradeoffRun tradeoffOfWorkspace(const workspace::Workspace& ws, store::Database& db,
                                int goalNutrientId, bool aumentar) {
    TradeoffRun run = started(db, goalNutrientId, aumentar);
    runChecked(run, ws, db);
    return run;
}

TradeoffRun tradeoffOfFormula(store::Database& db, int formulaId, int goalNutrientId,
                              bool aumentar) {
    TradeoffRun run = started(db, goalNutrientId, aumentar);
    workspace::LoadedFormula loaded = workspace::loadFormula(db, formulaId);
    run.notices = loaded.notices;
    if (loaded.refusal || !loaded.header.found) {
        refuse(run, loaded.refusal ? loaded.refusal->text
                                   : QStringLiteral("No se pudo establecer la Fórmula"));
        return run;
    }
    loaded.ws.formulaId = formulaId;
    runChecked(run, std::move(loaded.ws), db);
    return run;
}

std::optional<TradeoffRow> tradeoffPointAt(const TradeoffRun& curve, double v) {
    if (!curve.hasCurve())
        return std::nullopt;
    // A vertex itself, with what enters and leaves there.
    for (const TradeoffRow& row : curve.vertices)
        if (row.valor == v)
            return row;
    const std::optional<lp::TradeoffPoint> p =
        lp::tradeoffAt(curve.blend, curve.goal, curve.curve, v);
    if (!p)
        return std::nullopt;
    TradeoffRow row = rowOf(curve, p->valor, p->mezcla);
    setPercentages(curve, row);
    return row;
}

AppliedTradeoff applyTradeoffPoint(workspace::Workspace& ws, const TradeoffRun& curve, double v) {
    AppliedTradeoff out;
    if (!sameRows(ws, curve)) {
        out.refusal = workspace::Notice{
            QStringLiteral("La fórmula cambió desde que se calculó la curva de compromiso; "
                           "vuelva a calcularla."),
            msg::Exclamation};
        return out;
    }
    const std::optional<lp::TradeoffPoint> p =
        curve.hasCurve() ? lp::tradeoffAt(curve.blend, curve.goal, curve.curve, v) : std::nullopt;
    if (!p) {
        QString range;
        if (curve.hasCurve()) {
            const double a = curve.vertices.front().valor, b = curve.vertices.back().valor;
            range = " (de " + fmt::format(std::min(a, b), fmt::kLimitPattern) + " a " +
                    fmt::format(std::max(a, b), fmt::kLimitPattern) + ")";
        }
        out.refusal =
            workspace::Notice{"El valor " + fmt::format(v, fmt::kLimitPattern) + " de " +
                                  curve.objetivo + " está fuera de la curva" + range + ".",
                              msg::Exclamation};
        return out;
    }
    ws.batchQuantity = curve.blend.cantidad;
    writeMix(ws, curve.blend, p->mezcla);
    ws.analysisRows.clear(); // they were of another mix
    ws.analysisNote.clear();
    workspace::FormulaNutrient* goal = workspace::findNutrient(ws, curve.objetivoId);
    if (goal == nullptr) {
        workspace::FormulaNutrient row;
        row.id = curve.objetivoId;
        row.nombre = curve.objetivo;
        row.unidad = curve.unidad;
        ws.nutrients.push_back(row);
        goal = &ws.nutrients.back();
    }
    std::optional<double>& bound = curve.aumentar ? goal->minimo : goal->maximo;
    std::optional<double>& other = curve.aumentar ? goal->maximo : goal->minimo;
    const bool apart =
        !other || (curve.aumentar ? limitsApart(p->valor, *other) : limitsApart(*other, p->valor));
    if (apart) {
        bound = p->valor;
    } else if (p->valor != curve.vertices.front().valor) {
        // The far end of the curve, where the goal meets its own other limit: the bound alone
        // holds it there, and both at one value are refused by the formulation.
        other.reset();
        bound = p->valor;
    }
    // Else the least-cost mix itself, already held by the other limit: the limits stay.
    out.figures = workspace::actuResultados(ws, curve.compositions);
    return out;
}

QStringList tradeoffHeaders(const TradeoffRun& run) {
    return {run.unidad.isEmpty() ? run.objetivo : run.objetivo + " (" + run.unidad + ")",
            QStringLiteral("Costo por unidad"),
            QStringLiteral("% sobre el menor costo"),
            run.aumentar ? QStringLiteral("% sobre el óptimo") : QStringLiteral("% bajo el óptimo"),
            QStringLiteral("Entran"),
            QStringLiteral("Salen")};
}

QString tradeoffValuePattern(const TradeoffRun& run) {
    std::vector<double> values;
    for (const TradeoffRow& row : run.vertices)
        values.push_back(row.valor);
    std::sort(values.begin(), values.end());
    return fmt::breakpointPattern(values, 2);
}

std::vector<QStringList> tradeoffCells(const TradeoffRun& run) {
    const QString pattern = tradeoffValuePattern(run);
    std::vector<QStringList> cells;
    for (const TradeoffRow& row : run.vertices)
        cells.push_back(
            {fmt::format(row.valor, pattern), fmt::format(row.costo, fmt::kPricePattern),
             fmt::format(row.sobreCosto, fmt::kSharePattern),
             row.cambioObjetivo ? fmt::format(*row.cambioObjetivo, fmt::kSharePattern)
                                : QStringLiteral("-"),
             row.entran.join(QStringLiteral(", ")), row.salen.join(QStringLiteral(", "))});
    return cells;
}

std::optional<int> goalByName(store::Database& db, const QString& name, QString* error) {
    const QString typed = name.trimmed();
    store::RecordSet rs = db.query(catalog::kNutrientListSql);
    struct Named {
        int id;
        QString nombre;
    };
    std::vector<Named> all;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        all.push_back({rs.toInt("id_propiedad"), rs.toString("nombre").trimmed()});
    std::vector<Named> found;
    for (const Named& n : all)
        if (n.nombre.compare(typed, Qt::CaseInsensitive) == 0)
            found.push_back(n);
    if (found.empty() && !typed.isEmpty())
        for (const Named& n : all)
            if (n.nombre.contains(typed, Qt::CaseInsensitive))
                found.push_back(n);
    if (found.size() == 1)
        return found.front().id;
    QStringList names;
    if (!found.empty()) {
        for (const Named& n : found)
            names << n.nombre;
        *error = "El nombre \"" + typed + "\" corresponde a varios nutrientes: " + listed(names) +
                 ". Escriba el nombre completo.";
        return std::nullopt;
    }
    // The closest names, fewest letters to change first.
    std::vector<std::pair<int, QString>> near;
    for (const Named& n : all)
        near.push_back({editDistance(n.nombre.toLower(), typed.toLower()), n.nombre});
    std::stable_sort(near.begin(), near.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t k = 0; k < near.size() && k < 5; ++k)
        names << near[k].second;
    *error = "No hay ningún nutriente llamado \"" + typed + "\"" +
             (names.isEmpty() ? QStringLiteral(".")
                              : ". Los nombres más parecidos son: " + listed(names) + ".");
    return std::nullopt;
}

} // namespace optimizer
