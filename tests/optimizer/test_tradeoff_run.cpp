#include "formulas/formula_lookup.h"
#include "optimizer/formulation_run.h"
#include "optimizer/tradeoff_run.h"
#include "optimizer/validation.h"
#include "support/blend_database.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <gtest/gtest.h>

namespace {

int formulaId(store::Database& db, const QString& code) {
    return formulas::findFormula(db, {code, std::nullopt, 0});
}

int nutrientId(store::Database& db, const QString& name) {
    QString error;
    const std::optional<int> id = optimizer::goalByName(db, name, &error);
    if (!id)
        throw std::runtime_error(error.toStdString());
    return *id;
}

workspace::Workspace loaded(store::Database& db, int formula) {
    workspace::LoadedFormula f = workspace::loadFormula(db, formula);
    f.ws.formulaId = formula;
    return f.ws;
}

// The cost per unit as fed the workspace's button gives for the formula with the goal bounded
// at v, the goal's row added when the formula lacks it.
double formulatedAt(store::Database& db, workspace::Workspace ws, int goal, bool aumentar,
                    double v) {
    workspace::FormulaNutrient* row = workspace::findNutrient(ws, goal);
    if (row == nullptr) {
        workspace::FormulaNutrient added;
        added.id = goal;
        ws.nutrients.push_back(added);
        row = &ws.nutrients.back();
    }
    (aumentar ? row->minimo : row->maximo) = v;
    // Where the curve ends at the goal's other limit, the bound alone holds it there.
    if (row->minimo && row->maximo && !optimizer::limitsApart(*row->minimo, *row->maximo))
        (aumentar ? row->maximo : row->minimo).reset();
    optimizer::FormulationRequest request;
    request.cantidad = ws.batchQuantity;
    request.secaIng = ws.ingredientsDry;
    request.secaNut = ws.nutrientsDry;
    const optimizer::Formulation f = optimizer::formulate(ws, db, request);
    EXPECT_EQ(f.outcome, optimizer::RunOutcome::Optimum) << "at " << v;
    return ws.vCostoHumeda;
}

void expectRelative(double expected, double actual, const std::string& what) {
    EXPECT_NEAR(actual, expected, 1e-9 * std::max(1.0, std::abs(expected))) << what;
}

// Every vertex costs what the button gives with the goal bounded there, and so does the middle
// of every stretch; the least-cost vertex is the formula's own optimum.
void checkAgainstFormulation(store::Database& db, const QString& code, const QString& goalName,
                             bool aumentar, std::size_t fewestVertices) {
    const int f = formulaId(db, code);
    const int goal = nutrientId(db, goalName);
    const optimizer::TradeoffRun run = optimizer::tradeoffOfFormula(db, f, goal, aumentar);
    const std::string what = (code + " " + goalName).toStdString();
    ASSERT_EQ(run.status, lp::TradeoffStatus::Ok) << what << ": " << run.mensaje.toStdString();
    ASSERT_GE(run.vertices.size(), fewestVertices) << what;
    EXPECT_EQ(run.objetivo, goalName);
    EXPECT_EQ(run.unidad, "%");
    const workspace::Workspace ws = loaded(db, f);
    EXPECT_DOUBLE_EQ(run.vertices.front().sobreCosto, 0);
    for (std::size_t k = 0; k < run.vertices.size(); ++k) {
        const optimizer::TradeoffRow& v = run.vertices[k];
        expectRelative(formulatedAt(db, ws, goal, aumentar, v.valor), v.costo,
                       what + " vertex " + std::to_string(k));
        double shares = 0;
        for (const optimizer::TradeoffMixLine& line : v.mezcla)
            shares += line.porcentajeHumeda;
        EXPECT_NEAR(shares, 1, 1e-7); // the quantity rows allow 1e-8 either way
        if (k == 0)
            continue;
        // Dearer and further from the optimum's goal as the curve goes.
        EXPECT_GE(v.sobreCosto, run.vertices[k - 1].sobreCosto - 1e-9);
        EXPECT_GT(*v.cambioObjetivo, *run.vertices[k - 1].cambioObjetivo);
        const double middle = (v.valor + run.vertices[k - 1].valor) / 2;
        const std::optional<optimizer::TradeoffRow> p = optimizer::tradeoffPointAt(run, middle);
        ASSERT_TRUE(p) << what << " at " << middle;
        expectRelative(formulatedAt(db, ws, goal, aumentar, middle), p->costo,
                       what + " between vertices " + std::to_string(k));
    }
}

} // namespace

// The sample broiler traded against a nutrient it does not limit (phosphorus, lowered) and one
// it does (protein, raised), and the pig grower whose goal is on dry matter while its shares are
// as fed: every vertex and every point between two costs what a formulation with the goal bounded
// there costs.
TEST(TradeoffRun, SampleFormulasMatchTheFormulationAtTheGoalsBound) {
    TempDatabase t(true);
    ScriptedMessages messages;
    checkAgainstFormulation(t.db(), "POLLO-INI", "Fósforo total", false, 2);
    checkAgainstFormulation(t.db(), "POLLO-INI", "Proteína bruta", true, 2);
    checkAgainstFormulation(t.db(), "CERDO-CREC", "Fósforo total", false, 2);

    const int pig = formulaId(t.db(), "CERDO-CREC");
    const optimizer::TradeoffRun run =
        optimizer::tradeoffOfFormula(t.db(), pig, nutrientId(t.db(), "Fósforo total"), false);
    EXPECT_FALSE(run.lineal);
    EXPECT_FALSE(run.actual); // the sample is stored unformulated
    // Something enters or leaves at every inner vertex, by name.
    for (std::size_t k = 1; k + 1 < run.vertices.size(); ++k)
        EXPECT_FALSE(run.vertices[k].entran.isEmpty() && run.vertices[k].salen.isEmpty()) << k;
    EXPECT_TRUE(messages.shown().empty());
}

// A goal no mix changes gives one vertex and says so; an infeasible formula is refused with the
// limits in conflict; a name not in the catalogue is refused with the names closest to it.
TEST(TradeoffRun, ConstantGoalInfeasibleFormulaAndUnknownNames) {
    TempDatabase t(true);
    ScriptedMessages messages;
    store::Database& db = t.db();
    const int broiler = formulaId(db, "POLLO-INI");
    workspace::Workspace ws = loaded(db, broiler);
    const int footprint = blenddb::addNutrient(db, "Huella de carbono");
    // The same per kilogram as fed in every ingredient, as the broiler's limits read it.
    for (const workspace::FormulaIngredient& i : ws.ingredients)
        blenddb::setComposition(db, i.id, footprint, 0.8 * 100 / i.materiaSeca);

    const optimizer::TradeoffRun same = optimizer::tradeoffOfWorkspace(ws, db, footprint, false);
    EXPECT_EQ(same.status, lp::TradeoffStatus::Constant);
    ASSERT_EQ(same.vertices.size(), 1u);
    EXPECT_NEAR(same.vertices.front().valor, 0.8, 1e-7);
    EXPECT_TRUE(same.mensaje.contains("mismo valor")) << same.mensaje.toStdString();

    workspace::findNutrient(ws, nutrientId(db, "Proteína bruta"))->minimo = 70;
    const optimizer::TradeoffRun none =
        optimizer::tradeoffOfWorkspace(ws, db, nutrientId(db, "Fósforo total"), false);
    EXPECT_EQ(none.status, lp::TradeoffStatus::Infeasible);
    EXPECT_FALSE(none.hasCurve());
    ASSERT_FALSE(none.conflicto.empty());
    EXPECT_FALSE(none.mensaje.isEmpty());

    // Refused as the formulation refuses it, and a goal the catalogue lacks.
    workspace::findNutrient(ws, nutrientId(db, "Proteína bruta"))->minimo.reset();
    const optimizer::TradeoffRun unchecked =
        optimizer::tradeoffOfWorkspace(ws, db, nutrientId(db, "Fósforo total"), false);
    EXPECT_EQ(unchecked.status, lp::TradeoffStatus::Invalid);
    EXPECT_TRUE(unchecked.mensaje.contains("Debe ingresar un valor mínimo o máximo"))
        << unchecked.mensaje.toStdString();
    EXPECT_EQ(optimizer::tradeoffOfWorkspace(ws, db, 999999, false).status,
              lp::TradeoffStatus::Invalid);

    QString error;
    EXPECT_FALSE(optimizer::goalByName(db, "fosforo totl", &error));
    EXPECT_TRUE(error.contains("Fósforo total")) << error.toStdString();
    EXPECT_FALSE(optimizer::goalByName(db, "fósforo", &error)); // total and available
    EXPECT_TRUE(error.contains("varios")) << error.toStdString();
    EXPECT_EQ(optimizer::goalByName(db, "  huella DE carbono ", &error), footprint);
}

// A point of the curve put into the workspace: the mix at v, the goal's maximum at v (its row
// added), the figures recomputed; formulating then costs the same. Outside the curve, or after
// the workspace changed, nothing is touched.
TEST(TradeoffRun, ApplyingAPointThenFormulatingCostsTheSame) {
    TempDatabase t(true);
    ScriptedMessages messages;
    store::Database& db = t.db();
    workspace::Workspace ws = loaded(db, formulaId(db, "POLLO-INI"));
    const int phosphorus = nutrientId(db, "Fósforo total");
    ASSERT_EQ(workspace::findNutrient(ws, phosphorus), nullptr);
    const optimizer::TradeoffRun run = optimizer::tradeoffOfWorkspace(ws, db, phosphorus, false);
    ASSERT_GE(run.vertices.size(), 2u) << run.mensaje.toStdString();
    const double v = 0.4 * run.vertices[0].valor + 0.6 * run.vertices[1].valor;

    const workspace::Workspace before = ws;
    const optimizer::AppliedTradeoff outside =
        optimizer::applyTradeoffPoint(ws, run, run.vertices.back().valor * 0.5);
    ASSERT_TRUE(outside.refusal);
    EXPECT_TRUE(outside.refusal->text.contains("fuera de la curva"));
    EXPECT_EQ(ws.nutrients.size(), before.nutrients.size());

    const optimizer::AppliedTradeoff applied = optimizer::applyTradeoffPoint(ws, run, v);
    ASSERT_FALSE(applied.refusal) << applied.refusal->text.toStdString();
    ASSERT_TRUE(applied.figures);
    const workspace::FormulaNutrient* goal = workspace::findNutrient(ws, phosphorus);
    ASSERT_NE(goal, nullptr);
    EXPECT_EQ(goal->maximo, v);
    EXPECT_FALSE(goal->minimo);
    EXPECT_NEAR(goal->valor.value_or(0), v, 1e-9);
    const double cost = optimizer::tradeoffPointAt(run, v)->costo;
    expectRelative(cost, ws.vCostoHumeda, "the applied mix");

    optimizer::FormulationRequest request;
    request.cantidad = ws.batchQuantity;
    request.secaIng = ws.ingredientsDry;
    request.secaNut = ws.nutrientsDry;
    workspace::Workspace formulated = ws;
    ASSERT_EQ(optimizer::formulate(formulated, db, request).outcome,
              optimizer::RunOutcome::Optimum);
    expectRelative(cost, formulated.vCostoHumeda, "formulated after applying");

    // The workspace now holds the point: the curve marks it there.
    const optimizer::TradeoffRun again = optimizer::tradeoffOfWorkspace(ws, db, phosphorus, false);
    ASSERT_TRUE(again.actual);
    EXPECT_NEAR(again.actual->valor, v, 1e-9);
    expectRelative(cost, again.actual->costo, "the mark of the applied mix");

    workspace::Workspace changed = before;
    changed.ingredients.pop_back();
    EXPECT_TRUE(optimizer::applyTradeoffPoint(changed, run, v).refusal);

    // The pig grower's curve ends at its own phosphorus minimum: the maximum there takes its
    // place, and formulating gives the end's cost.
    workspace::Workspace pig = loaded(db, formulaId(db, "CERDO-CREC"));
    const optimizer::TradeoffRun lowered =
        optimizer::tradeoffOfWorkspace(pig, db, phosphorus, false);
    ASSERT_GE(lowered.vertices.size(), 2u);
    const optimizer::TradeoffRow& end = lowered.vertices.back();
    ASSERT_EQ(workspace::findNutrient(pig, phosphorus)->minimo, end.valor);
    ASSERT_FALSE(optimizer::applyTradeoffPoint(pig, lowered, end.valor).refusal);
    EXPECT_EQ(workspace::findNutrient(pig, phosphorus)->maximo, end.valor);
    EXPECT_FALSE(workspace::findNutrient(pig, phosphorus)->minimo);
    request.cantidad = pig.batchQuantity;
    request.secaIng = pig.ingredientsDry;
    request.secaNut = pig.nutrientsDry;
    ASSERT_EQ(optimizer::formulate(pig, db, request).outcome, optimizer::RunOutcome::Optimum);
    expectRelative(end.costo, pig.vCostoHumeda, "formulated at the pig's end");
    EXPECT_TRUE(messages.shown().empty());
}

// A curve bounds the goal in the linear programme: a formula whose limits hold with a
// probability, or that must be weighable, gets its curve with a word that those are not in it.
TEST(TradeoffRun, ConditionsTheCurveDoesNotHoldAreNamed) {
    TempDatabase t(true);
    ScriptedMessages messages;
    store::Database& db = t.db();
    const int broiler = formulaId(db, "POLLO-INI");
    const int fosforo = nutrientId(db, "Fósforo total");
    EXPECT_TRUE(optimizer::tradeoffOfFormula(db, broiler, fosforo, false).notices.empty());

    db.exec("insert into formula_propiedad_probabilidad (id_formula,id_propiedad,probabilidad) "
            "select " +
            QString::number(broiler) +
            ",id_propiedad,0.9 from propiedades where "
            "nombre='Proteína bruta'");
    const optimizer::TradeoffRun chance = optimizer::tradeoffOfFormula(db, broiler, fosforo, false);
    EXPECT_TRUE(chance.hasCurve());
    ASSERT_EQ(chance.notices.size(), 1u);
    EXPECT_TRUE(chance.notices[0].text.endsWith("las probabilidades de sus límites."));

    db.exec("insert into formula_opciones (id_formula,max_ingredientes,redondear) values (" +
            QString::number(broiler) + ",8,0)");
    const optimizer::TradeoffRun both = optimizer::tradeoffOfFormula(db, broiler, fosforo, false);
    ASSERT_EQ(both.notices.size(), 1u);
    EXPECT_TRUE(both.notices[0].text.endsWith("ni las condiciones de pesada."));
}
