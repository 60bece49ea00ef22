#include "optimizer/formulation_run.h"

#include "app/busy_pointer.h"
#include "app/format.h"
#include "app/messages.h"
#include "app/node_count.h"
#include "app/number_text.h"
#include "optimizer/analysis_grids.h"
#include "optimizer/chance_analysis.h"
#include "optimizer/chance_figures.h"
#include "optimizer/engine/chance.h"
#include "optimizer/engine/engine.h"
#include "optimizer/validation.h"
#include "store/database.h"
#include "workspace/mix_compositions.h"
#include "workspace/results.h"
#include "workspace/workspace.h"

#include <QHash>
#include <QStringList>
#include <algorithm>

namespace optimizer {

namespace {

std::string utf8(const QString& s) {
    return s.toStdString();
}

// The blend as the workspace holds it: ingredients by ascending id (the tableau's columns) and
// nutrients in the workspace's order. Compositions are filled in separately.
lp::Blend blendOf(const workspace::Workspace& ws, std::vector<int>* workspaceOrder) {
    lp::Blend b;
    b.secaIng = ws.ingredientsDry;
    b.secaNut = ws.nutrientsDry;
    b.cantidad = ws.batchQuantity;
    for (const workspace::FormulaIngredient& p : ws.ingredients) {
        lp::Ingredient ing;
        ing.id = p.id;
        ing.nombre = utf8(p.nombre);
        ing.materiaSeca = p.materiaSeca;
        ing.costoSeca = p.costoSeca.value_or(0);
        ing.costoHumeda = p.costoHumeda.value_or(0);
        ing.minimo = p.minimo;
        ing.maximo = p.maximo;
        ing.materiaSecaCatalogo = p.materiaSecaActual.value_or(ing.materiaSeca);
        b.ingredients.push_back(ing);
    }
    std::vector<int> byId(b.ingredients.size());
    for (size_t i = 0; i < byId.size(); ++i)
        byId[i] = int(i);
    std::stable_sort(byId.begin(), byId.end(), [&](int x, int y) {
        return b.ingredients[size_t(x)].id < b.ingredients[size_t(y)].id;
    });
    std::vector<lp::Ingredient> sorted;
    std::vector<int> newIndexOfRow(byId.size());
    for (size_t k = 0; k < byId.size(); ++k) {
        sorted.push_back(b.ingredients[size_t(byId[k])]);
        newIndexOfRow[size_t(byId[k])] = int(k);
    }
    b.ingredients = std::move(sorted);
    workspaceOrder->assign(newIndexOfRow.begin(), newIndexOfRow.end());

    for (const workspace::FormulaNutrient& n : ws.nutrients) {
        lp::Nutrient nut;
        nut.id = n.id;
        nut.nombre = utf8(n.nombre);
        nut.minimo = n.minimo;
        nut.maximo = n.maximo;
        b.nutrients.push_back(nut);
    }
    b.valor.assign(b.nutrients.size(), std::vector<double>(b.ingredients.size(), 0.0));
    for (const formulas::FormulaRatio& r : ws.ratios)
        b.ratios.push_back({r.numerador, r.divisor, utf8(r.nombre()), r.minimo, r.maximo});
    for (const formulas::FormulaGroup& g : ws.groups)
        b.groups.push_back({g.id, utf8(g.nombre), g.ingredientIds, g.minimo, g.maximo});
    return b;
}

QHash<int, int> columnOfIngredient(const lp::Blend& b) {
    QHash<int, int> col;
    for (size_t j = 0; j < b.ingredients.size(); ++j)
        col.insert(b.ingredients[j].id, int(j));
    return col;
}

// The coefficients of the check and of the tableau, from one reading of the catalogue: an
// ingredient without a composition row for a nutrient has 0, and the check weighs contents with
// today's catalogue dry matter.
void fillCompositions(lp::Blend& b, const workspace::MixCompositions& comps) {
    for (lp::Ingredient& ing : b.ingredients)
        if (const auto dm = comps.catalogueDryMatter(ing.id))
            ing.materiaSecaCatalogo = *dm;
    for (size_t k = 0; k < b.nutrients.size(); ++k)
        for (size_t j = 0; j < b.ingredients.size(); ++j)
            b.valor[k][j] = comps.valor(b.nutrients[k].id, b.ingredients[j].id).value_or(0.0);
}

workspace::MixCompositions compositionsOf(const lp::Blend& b, store::Database& db) {
    std::vector<int> ingredients, nutrients;
    for (const lp::Ingredient& i : b.ingredients)
        ingredients.push_back(i.id);
    for (const lp::Nutrient& n : b.nutrients)
        nutrients.push_back(n.id);
    return workspace::readMixCompositions(db, ingredients, nutrients);
}

// The chance limits that cannot hold with their probability though the linear ones can: those
// whose probability, dropped alone, leaves a mix; all of them when none does alone.
workspace::Notice unmetChanceNotice(const lp::Blend& b, const lp::ChanceLimits& chance,
                                    const std::vector<lp::ChanceFigure>& figures) {
    QStringList named, all;
    for (const lp::ChanceFigure& f : figures) {
        const QString name = QString::fromStdString(b.nutrients[f.nutrient].nombre).trimmed() +
                             QStringLiteral(" (") + probabilityPercent(f.probabilidad) + u')';
        all << name;
        lp::ChanceLimits without = chance;
        without.probabilidad[f.nutrient].reset();
        if (lp::solveChance(b, without).status == lp::ChanceStatus::Optimum)
            named << name;
    }
    return {QStringLiteral("Los límites se cumplen en promedio, pero no con la probabilidad "
                           "pedida para: ") +
                (named.isEmpty() ? all : named).join(QStringLiteral(", ")),
            msg::Exclamation, QStringLiteral("Se ha detenido la Formulación")};
}

std::vector<ChanceFigureRow> chanceRowsOf(const lp::Blend& b,
                                          const std::vector<lp::ChanceFigure>& figures) {
    std::vector<ChanceFigureRow> rows;
    for (const lp::ChanceFigure& f : figures)
        rows.push_back({b.nutrients[f.nutrient].id,
                        QString::fromStdString(b.nutrients[f.nutrient].nombre), f.probabilidad,
                        f.media, f.desvio, f.margen, f.precioMinimo, f.precioMaximo});
    return rows;
}

// Texts keep the lengths the grids have always shown.
std::vector<workspace::ContributionRow> contributionsOf(const lp::Reachability& r) {
    std::vector<workspace::ContributionRow> rows;
    for (const lp::Contribution& c : r.rows)
        rows.push_back(
            {QString::fromStdString(c.producto).left(50), c.maximo, c.valor, c.aportemaximo});
    return rows;
}

void fillAnalysis(workspace::Workspace& ws, const std::vector<lp::AnalysisRow>& rows) {
    for (const lp::AnalysisRow& a : rows)
        ws.analysisRows.push_back(sensitivityRow(a));
}

// Each row takes the line of its engine column, found by id; the rows keep their order. The
// shares are the engine's columns, whichever run found them.
void writeBack(workspace::Workspace& ws, const lp::Blend& b, const std::vector<double>& shares) {
    const std::vector<lp::BatchLine> lines = lp::batchLines(b, shares);
    const QHash<int, int> col = columnOfIngredient(b);
    for (workspace::FormulaIngredient& p : ws.ingredients) {
        const auto j = col.constFind(p.id);
        const lp::BatchLine line = j == col.constEnd() ? lp::BatchLine{} : lines[size_t(*j)];
        p.cantidadSeca = line.cantidadSeca;
        p.porcentajeSeca = line.porcentajeSeca;
        p.cantidadHumeda = line.cantidadHumeda;
        p.porcentajeHumeda = line.porcentajeHumeda;
        p.costoTotal = 0.0;
    }
    // The blend holds the ratios and groups in the workspace's order.
    const std::vector<std::optional<double>> ratios = lp::ratioValues(b, shares);
    for (size_t r = 0; r < ws.ratios.size(); ++r)
        ws.ratios[r].valor = ratios[r];
    const std::vector<double> groups = lp::groupQuantities(b, shares);
    for (size_t g = 0; g < ws.groups.size(); ++g)
        ws.groups[g].valor = groups[g];
}

// The cost per unit as fed of a mix of the blend, as the result figures sum it.
double costAsFed(const lp::Blend& b, const std::vector<double>& shares) {
    const std::vector<lp::BatchLine> lines = lp::batchLines(b, shares);
    double cost = 0;
    for (size_t j = 0; j < lines.size(); ++j)
        cost += lines[j].porcentajeHumeda * b.ingredients[j].costoHumeda;
    return cost;
}

// A formula with weighing conditions whose limits alone have a mix (`continuous`, its optimum):
// the branch and bound's mix is written back, and its analysis is that of the continuous
// programme with the integer choices fixed. No mix that meets the conditions writes nothing.
void formulateInteger(workspace::Workspace& ws, const lp::Blend& blend,
                      const lp::IntegerConditions& conditions,
                      const std::vector<double>& continuous, const FormulationRequest& request,
                      const workspace::MixCompositions& compositions, Formulation& result) {
    lp::IntegerLimits limits;
    limits.maxNodos = request.maxNodos;
    limits.maxSegundos = request.maxSegundos;
    limits.seguir = request.integerProgress;
    const lp::IntegerResult r = lp::solveInteger(blend, conditions, limits);
    IntegerFigures f;
    f.costoContinuo = costAsFed(blend, continuous);
    f.nodos = r.nodos;
    const QString stopped = QStringLiteral("Se ha detenido la Formulación");
    switch (r.status) {
    case lp::IntegerStatus::Optimal:
    case lp::IntegerStatus::Stopped: {
        f.probado = r.probado;
        f.brecha = r.brecha;
        const lp::Blend fixed = lp::fixedBlend(blend, conditions, r);
        lp::SolvedBlend analysed = lp::assembleAndSolve(fixed);
        if (analysed.result.outcome == lp::Outcome::Optimum ||
            analysed.result.outcome == lp::Outcome::NoLeavingRow)
            fillAnalysis(ws, lp::sensitivityRows(analysed.tableau, fixed));
        writeBack(ws, blend, r.shares);
        result.figures = workspace::actuResultados(ws, compositions);
        f.costo = ws.vCostoHumeda;
        result.outcome = RunOutcome::Optimum;
        if (!r.probado)
            result.notices.push_back({integerStoppedText(f), msg::Exclamation});
        break;
    }
    case lp::IntegerStatus::IntegerInfeasible:
        f.probado = true;
        result.notices.push_back(
            {QStringLiteral("No hay mezcla que la planta pueda pesar: ") +
                 QString::fromStdString(r.explicacion) +
                 QStringLiteral(".\n\nSin las condiciones de pesada la fórmula tiene solución."),
             msg::Exclamation, stopped});
        result.outcome = RunOutcome::Infeasible;
        break;
    case lp::IntegerStatus::NoMixFound:
        result.notices.push_back(
            {QStringLiteral("La búsqueda se detuvo después de %1 sin encontrar una mezcla "
                            "que cumpla las condiciones de pesada: no se sabe si la hay.")
                 .arg(app::nodeCount(r.nodos)),
             msg::Exclamation, stopped});
        result.outcome = RunOutcome::IterationLimit;
        break;
    case lp::IntegerStatus::InvalidConditions:
        result.notices.push_back({QString::fromStdString(r.explicacion), msg::Critical});
        result.outcome = RunOutcome::Invalid;
        break;
    case lp::IntegerStatus::Infeasible:
    case lp::IntegerStatus::Failed:
        // The continuous programme was solved just before: the search cannot find it otherwise.
        result.notices.push_back(
            {QStringLiteral("No es posible definir el estado de la solución")});
        result.outcome = RunOutcome::IterationLimit;
        break;
    }
    result.entero = f;
}

} // namespace

lp::IntegerConditions integerConditions(const workspace::Workspace& ws, const lp::Blend& blend) {
    lp::IntegerConditions c;
    c.maxIngredientes = ws.maxIngredientes;
    c.redondear = ws.redondear;
    bool anyRow = false;
    for (const lp::Ingredient& ing : blend.ingredients) {
        const workspace::FormulaIngredient* p = workspace::findIngredient(ws, ing.id);
        lp::IntegerIngredient row;
        if (p) {
            row.minimoSiSeUsa = p->minimoSiSeUsa;
            // A step weighs only a formula that rounds.
            if (ws.redondear)
                row.paso = p->paso;
        }
        anyRow = anyRow || row.minimoSiSeUsa || row.paso;
        c.ingredients.push_back(row);
    }
    if (!anyRow)
        c.ingredients.clear();
    return c;
}

bool hasIntegerConditions(const workspace::Workspace& ws) {
    if (ws.maxIngredientes)
        return true;
    for (const workspace::FormulaIngredient& p : ws.ingredients)
        if (p.minimoSiSeUsa.value_or(0) > 0 || (ws.redondear && p.paso))
            return true;
    return false;
}

IntegerResultTexts integerResultTexts(const IntegerFigures& f) {
    IntegerResultTexts t;
    t.costoSinRedondeo = QStringLiteral("$ ") + fmt::price(f.costoContinuo);
    t.costoRedondeo = QStringLiteral("$ ") + fmt::price(f.costo - f.costoContinuo);
    if (!f.probado)
        t.brecha = fmt::format(f.brecha * 100, QStringLiteral("0.00")) + QStringLiteral(" %");
    return t;
}

QString integerStoppedText(const IntegerFigures& f) {
    return QStringLiteral("La búsqueda se detuvo: brecha %1 %. La mezcla es la mejor encontrada en "
                          "%2, pero no está probado que sea la de menor costo.")
        .arg(fmt::format(f.brecha * 100, QStringLiteral("0.00")), app::nodeCount(f.nodos));
}

lp::Blend tableauBlend(const workspace::Workspace& ws, store::Database& db) {
    std::vector<int> workspaceOrder;
    lp::Blend blend = blendOf(ws, &workspaceOrder);
    fillCompositions(blend, compositionsOf(blend, db));
    return blend;
}

lp::Blend tableauBlend(const workspace::Workspace& ws,
                       const workspace::MixCompositions& compositions) {
    std::vector<int> workspaceOrder;
    lp::Blend blend = blendOf(ws, &workspaceOrder);
    fillCompositions(blend, compositions);
    return blend;
}

void writeMix(workspace::Workspace& ws, const lp::Blend& blend, const std::vector<double>& shares) {
    writeBack(ws, blend, shares);
}

QString independenceNote() {
    return QStringLiteral("Se supone que las composiciones de los ingredientes varían en forma "
                          "independiente entre sí.");
}

QString probabilityPercent(double probabilidad) {
    return fmt::format(probabilidad * 100, QStringLiteral("0.##")) + QStringLiteral(" %");
}

bool hasChanceLimits(const workspace::Workspace& ws) {
    return std::any_of(ws.nutrients.begin(), ws.nutrients.end(),
                       [](const workspace::FormulaNutrient& n) { return n.probabilidad; });
}

QString chanceLimitsRefused(const QString& what) {
    return what + QStringLiteral(" todavía no tiene en cuenta los límites que deben cumplirse "
                                 "con una probabilidad: quite la probabilidad de los nutrientes "
                                 "de la fórmula para usarlo.");
}

const ChanceFigureRow* chanceFigureOf(const Formulation& f, int nutrientId) {
    for (const ChanceFigureRow& r : f.chance)
        if (r.nutrientId == nutrientId)
            return &r;
    return nullptr;
}

QString contributionsMessage(const QString& nutrientName) {
    return "No es posible alcanzar el Mínimo para la propiedad " + nutrientName.trimmed();
}

QString contributionsCaption(const QString& nutrientName, double minimo) {
    return "PROBLEMA CON RESTRICCIÓN: Mínimo para " + nutrientName.trimmed() + " = " +
           fmt::format(minimo, QStringLiteral("0.00"));
}

std::optional<double> quantityOf(const QString& text) {
    return numtext::toNumber(text);
}

workspace::Notice quantityNotNumeric() {
    return {QStringLiteral("La cantidad a elaborar debe ser numérica"), msg::Critical};
}

Formulation formulate(workspace::Workspace& ws, store::Database& db,
                      const FormulationRequest& request) {
    Formulation result;
    workspace::Notices& notices = result.notices;
    const Validation v =
        validate(ws, request.cantidad, request.secaIng, request.secaNut, result.notices);
    result.quantityRefused = v.quantityRefused;
    result.quantityTaken = v.quantityTaken;
    if (!v.ok)
        return result;

    std::vector<int> workspaceOrder;
    lp::Blend blend = blendOf(ws, &workspaceOrder);
    const workspace::MixCompositions compositions =
        request.compositions ? *request.compositions : compositionsOf(blend, db);
    fillCompositions(blend, compositions);
    if (const std::vector<lp::LimitIssue> issues = checkRatioAndGroupLimits(blend, notices);
        !issues.empty()) {
        // A limit no mix meets is refused before solving, its notice naming it; the formula is
        // then infeasible like any other, with that limit as its conflict.
        if (leavesNoMix(issues.front())) {
            result.outcome = RunOutcome::Infeasible;
            result.refusedBeforeSolving = true;
            result.conflicto = {lp::conflictEntry(blend, issues.front().limit)};
        }
        return result;
    }
    std::optional<lp::ChanceLimits> chance = chanceLimitsOf(ws, blend, compositions);
    if (chance) {
        if (const std::optional<std::string> refused = lp::checkChanceLimits(blend, *chance)) {
            notices.push_back({QString::fromStdString(*refused), msg::Critical});
            return result;
        }
        if (!changesAnyLimit(*chance))
            chance.reset(); // every limit is the linear one: today's run, unchanged
    }
    // The search for a weighable mix works on linear limits only: it would silently drop the
    // probabilities, so the two are refused together until the search takes them into account.
    if (chance && integerConditions(ws, blend).any()) {
        notices.push_back(
            {QStringLiteral("La fórmula tiene condiciones de pesada y límites que deben cumplirse "
                            "con una probabilidad: todavía no se pueden formular juntos. Quite "
                            "las probabilidades o las condiciones de pesada."),
             msg::Critical});
        return result;
    }
    auto refuseUnreachable = [&](const lp::Reachability& reach) {
        const lp::Nutrient& failing = blend.nutrients[size_t(reach.failingNutrient)];
        result.outcome = RunOutcome::PrecheckFailed;
        result.unreachable =
            UnreachableNutrient{QString::fromStdString(failing.nombre), failing.minimo.value_or(0),
                                reach.maximoAlcanzable, contributionsOf(reach)};
    };
    if (const lp::Reachability reach = lp::checkReachability(blend, workspaceOrder);
        !reach.passed) {
        refuseUnreachable(reach);
        return result;
    }

    app::BusyPointer busy;
    std::optional<lp::ChanceSolution> chanceRun;
    lp::SolvedBlend plain;
    if (chance) {
        chanceRun = lp::solveChance(blend, *chance);
        // The screen of each chance-limited minimum alone solves a programme per minimum: a
        // mix that meets them all together has passed it already, so it runs only to explain
        // a formula without one.
        if (chanceRun->status != lp::ChanceStatus::Optimum)
            if (const lp::Reachability reach =
                    lp::checkChanceReachability(blend, *chance, workspaceOrder);
                !reach.passed) {
                refuseUnreachable(reach);
                return result;
            }
    } else {
        plain = lp::assembleAndSolve(blend);
    }
    lp::SolvedBlend& run = chanceRun ? chanceRun->linear : plain;
    lp::Tableau& tableau = run.tableau;
    const lp::SolveResult& solved = run.result;
    if (solved.phase1LimitReached)
        notices.push_back({QStringLiteral("No es posible definir el estado de la solución")});
    ws.analysisRows.clear();
    ws.analysisNote.clear();
    // Weighing conditions are searched for once the limits alone have a mix; when they have
    // none, the continuous diagnosis below says why, as for any formula.
    if (const lp::IntegerConditions conditions = integerConditions(ws, blend);
        conditions.any() &&
        (solved.outcome == lp::Outcome::Optimum || solved.outcome == lp::Outcome::NoLeavingRow)) {
        formulateInteger(ws, blend, conditions, lp::shares(tableau), request, compositions, result);
        return result;
    }

    bool sensitivity = false;
    switch (solved.outcome) {
    case lp::Outcome::NotStandard:
        notices.push_back({QStringLiteral("Problema no standar")});
        result.outcome = RunOutcome::NotStandard;
        return result;
    case lp::Outcome::Infeasible:
        notices.push_back({QStringLiteral("No es posible cumplir todas las restricciones"),
                           msg::Exclamation, QStringLiteral("Se ha detenido la Formulación")});
        result.outcome = RunOutcome::Infeasible;
        if (const lp::Diagnosis d = lp::diagnoseConflict(blend, request.diagnosisProgress);
            d.cancelled) {
            result.diagnosisCancelled = true;
            notices.push_back({QStringLiteral("Se canceló la búsqueda de los límites en conflicto: "
                                              "la fórmula no tiene solución, pero no se sabe qué "
                                              "límites la impiden"),
                               msg::Exclamation, QStringLiteral("Se ha detenido la Formulación")});
        } else {
            result.conflicto = d.conflicto;
        }
        break;
    case lp::Outcome::IterationLimit:
        notices.push_back({QStringLiteral("Se ha detenido la ejecución sin llegar a una solución "
                                          "óptima luego de 1.000.000 de iteraciones")});
        result.outcome = RunOutcome::IterationLimit;
        break;
    case lp::Outcome::NoLeavingRow:
        notices.push_back({QStringLiteral("Aun existen ingredientes que pueden mejorar la solución "
                                          "pero no es posible desplazar otros")});
        result.outcome = RunOutcome::NoLeavingRow;
        sensitivity = true;
        break;
    case lp::Outcome::Optimum:
        result.outcome = RunOutcome::Optimum;
        sensitivity = true;
        break;
    }
    std::vector<double> mix = lp::shares(tableau);
    if (chanceRun && chanceRun->cut) {
        // The linear optimum breaks a chance limit: the mix is the one that meets them, and the
        // linear sensitivity rows are not about it; those of its linearisation at the mix are.
        sensitivity = false;
        if (!chanceRun->shares.empty())
            mix = chanceRun->shares;
        if (chanceRun->status == lp::ChanceStatus::Optimum) {
            const std::optional<std::vector<lp::AnalysisRow>> rows =
                linearisedAnalysis(blend, *chance, mix);
            if (rows)
                fillAnalysis(ws, *rows);
            ws.analysisNote = rows ? kChanceAnalysisNote : kChanceAnalysisLeftOut;
        } else if (chanceRun->status == lp::ChanceStatus::Infeasible) {
            notices.push_back(unmetChanceNotice(blend, *chance, chanceRun->figuras));
            result.outcome = RunOutcome::Infeasible;
        } else if (chanceRun->status == lp::ChanceStatus::Failed) {
            notices.push_back({QStringLiteral("No se llegó a una mezcla que cumpla los límites "
                                              "con la probabilidad pedida: se muestra la mezcla "
                                              "que los cumple en promedio")});
            result.outcome = RunOutcome::IterationLimit;
        }
    }
    if (sensitivity)
        fillAnalysis(ws, lp::sensitivityRows(tableau, blend));
    writeBack(ws, blend, mix);
    if (chanceRun && result.outcome != RunOutcome::Infeasible)
        result.chance = chanceRowsOf(blend, chanceRun->figuras);
    result.figures = workspace::actuResultados(ws, compositions);
    return result;
}

} // namespace optimizer
