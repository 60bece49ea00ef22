#include "engine/glpk_reference.h"
#include "optimizer/chance_figures.h"
#include "optimizer/engine/chance.h"
#include "optimizer/engine/solution.h"
#include "optimizer/formulation_run.h"
#include "store/sql_text.h"
#include "support/blend_database.h"
#include "support/chance_sample.h"
#include "support/ingredient_rows.h"
#include "support/loaded_workspace.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/formula_loader.h"
#include "workspace/mix_compositions.h"
#include "workspace/workspace.h"
#include "workspace/workspace_edits.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

using namespace blenddb;
using optimizer::RunOutcome;
using workspace::Workspace;

namespace {

// Two ingredients A (price 10) and B (price 30), both 90 % dry matter, with one nutrient
// "Proteína" (A 10, B 40) that must reach `minimo`, in a batch of 100.
struct TwoIngredients {
    TempDatabase t;
    int a, b, prot, formula;
    Workspace ws;

    explicit TwoIngredients(double minimo, int tipoBase = 1, int tipoBaseNutrientes = 1) {
        auto& db = t.db();
        a = addIngredient(db, "A", 10, 90);
        b = addIngredient(db, "B", 30, 90);
        prot = addNutrient(db, "Proteína");
        setComposition(db, a, prot, 10);
        setComposition(db, b, prot, 40);
        formula = addFormula(db, "EJ", 100, tipoBase, tipoBaseNutrientes);
        addFormulaIngredient(db, formula, a, std::nullopt, std::nullopt, 10, 90);
        addFormulaIngredient(db, formula, b, std::nullopt, std::nullopt, 30, 90);
        addFormulaNutrient(db, formula, prot, minimo, std::nullopt);
    }
    void load() {
        ws.formulaId = formula;
        loadShown(ws, t.db());
    }
    optimizer::Formulation run(const QString& quantity = "100") {
        return formulateShown(ws, t.db(), quantity);
    }
    double field(int id, const char* name) { return testrows::value(ws, id, name).toDouble(); }
};

QStringList analysis(Workspace& ws) {
    QStringList rows;
    for (const workspace::SensitivityRow& a : ws.analysisRows)
        rows << QString("%1|%2|%3|%4|%5")
                    .arg(a.tipo, a.detalle)
                    .arg(a.valor1, 0, 'f', 3)
                    .arg(a.valor2, 0, 'f', 3)
                    .arg(a.valor3, 0, 'f', 3);
    return rows;
}

} // namespace

TEST(FormulationRun, WorkedExampleWritesMixAndSensitivity) {
    TwoIngredients ex(20);
    ex.load();
    ScriptedMessages messages;
    const auto r = ex.run();
    EXPECT_EQ(r.outcome, RunOutcome::Optimum);
    EXPECT_TRUE(r.conflicto.empty());
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_NEAR(ex.field(ex.a, "porcentaje_humeda"), 0.5925926, 1e-7);
    EXPECT_NEAR(ex.field(ex.b, "porcentaje_humeda"), 0.4074074, 1e-7);
    EXPECT_NEAR(ex.field(ex.a, "cantidad_humeda"), 59.259258, 1e-6);
    EXPECT_NEAR(ex.field(ex.a, "cantidad_seca"), 53.333332, 1e-6);
    EXPECT_NEAR(ex.field(ex.b, "cantidad_seca"), 36.666667, 1e-6);
    EXPECT_NEAR(ex.field(ex.a, "porcentaje_seca"), 0.5925926, 1e-7);
    EXPECT_NEAR(ex.ws.vCostoHumeda, 18.148148, 1e-6);
    QStringList rows = analysis(ex.ws);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.last(), "RN|Mínimo para Proteína|1814.815|74.074|1888.889");
    rows.removeLast();
    rows.sort(); // IA rows follow the tableau's rows
    EXPECT_EQ(rows, (QStringList{"IA|A|10.000|20.000|30.000", "IA|B|30.000|0.000|30.000"}));
    EXPECT_NEAR(ex.ws.nutrients.at(0).valor.value_or(0), 20, 1e-6);
    ASSERT_TRUE(r.figures.has_value());
    EXPECT_EQ(r.figures->txtPorH, "100.00");
    EXPECT_EQ(r.figures->cantidadText, r.figures->txtCanH);
}

TEST(FormulationRun, EachRowTakesItsOwnLineWhateverOrderTheGridShows) {
    TwoIngredients ex(20);
    ex.load();
    // B above A: the reverse of the engine's columns, which go by ascending id.
    std::sort(ex.ws.ingredients.begin(), ex.ws.ingredients.end(),
              [](const auto& x, const auto& y) { return x.id > y.id; });
    ScriptedMessages messages;
    ASSERT_EQ(ex.run().outcome, RunOutcome::Optimum);
    EXPECT_NEAR(ex.field(ex.a, "porcentaje_humeda"), 0.5925926, 1e-7);
    EXPECT_NEAR(ex.field(ex.b, "porcentaje_humeda"), 0.4074074, 1e-7);
    EXPECT_NEAR(ex.field(ex.b, "cantidad_seca"), 36.666667, 1e-6);
    EXPECT_NEAR(ex.field(ex.a, "costo_total"), 59.259258 * 10, 1e-5);
    // The grid then shows the largest share first.
    ASSERT_EQ(ex.ws.ingredients.size(), 2u);
    EXPECT_EQ(ex.ws.ingredients[0].id, ex.a);
}

TEST(FormulationRun, InfeasibleBlendIsNormalisedWithoutSensitivityRows) {
    TwoIngredients ex(30);
    const int fat = addNutrient(ex.t.db(), "Grasa");
    setComposition(ex.t.db(), ex.a, fat, 1);
    setComposition(ex.t.db(), ex.b, fat, 20);
    addFormulaNutrient(ex.t.db(), ex.formula, fat, std::nullopt, 5);
    ex.load();
    ex.ws.analysisRows.push_back({"IA", {}}); // left over from an earlier run
    ScriptedMessages messages;
    const auto r = ex.run();
    EXPECT_EQ(r.outcome, RunOutcome::Infeasible);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "No es posible cumplir todas las restricciones");
    EXPECT_EQ(messages.shown()[0].style, 48);
    EXPECT_EQ(messages.shown()[0].title, "Se ha detenido la Formulación");
    EXPECT_NEAR(ex.field(ex.a, "porcentaje_humeda"), 0.952381, 1e-6);
    EXPECT_NEAR(ex.field(ex.b, "porcentaje_humeda"), 0.047619, 1e-6);
    EXPECT_EQ(int(ex.ws.analysisRows.size()), 0);
    // The protein minimum and the fat maximum cannot hold together. At most 4.1 / 17.1 of B
    // keeps fat at 5 (as fed: A 0.9, B 18), which gives 9 + 27 x protein.
    ASSERT_EQ(r.conflicto.size(), 2u);
    EXPECT_EQ(r.conflicto[0].nombre, "Grasa");
    EXPECT_EQ(r.conflicto[0].limit.side, lp::LimitRef::Maximum);
    EXPECT_NEAR(r.conflicto[0].relajacion.value_or(0), 0.9 + 17.1 * 21.0 / 27, 1e-5);
    EXPECT_NEAR(r.conflicto[0].costo.value_or(0), 10 + 20 * 21.0 / 27, 1e-5);
    EXPECT_EQ(r.conflicto[1].nombre, "Proteína");
    EXPECT_EQ(r.conflicto[1].limit.side, lp::LimitRef::Minimum);
    EXPECT_NEAR(r.conflicto[1].relajacion.value_or(0), 9 + 27 * 4.1 / 17.1, 1e-5);
    EXPECT_NEAR(r.conflicto[1].costo.value_or(0), 10 + 20 * 4.1 / 17.1, 1e-5);
    EXPECT_EQ(messages.shown().size(), 1u); // the diagnosis adds no message of its own

    // A caller follows the diagnosis run by run and may stop it: then no conflict is named, the
    // mix is still the normalised one, and a message says the search was cancelled.
    messages.clear();
    optimizer::FormulationRequest in{100, ex.ws.ingredientsDry, ex.ws.nutrientsDry, {}};
    int calls = 0, lastTotal = 0;
    in.diagnosisProgress = [&](int done, int total) {
        EXPECT_LE(done, total);
        lastTotal = total;
        return ++calls < 3;
    };
    const auto stopped = optimizer::formulate(ex.ws, ex.t.db(), in);
    EXPECT_TRUE(messages.shown().empty()); // told by the caller
    for (const workspace::Notice& n : stopped.notices)
        msg::msgBox(n.text, n.kind, n.title);
    EXPECT_EQ(stopped.outcome, RunOutcome::Infeasible);
    EXPECT_TRUE(stopped.diagnosisCancelled);
    EXPECT_TRUE(stopped.conflicto.empty());
    EXPECT_EQ(calls, 3);
    EXPECT_GT(lastTotal, 0);
    EXPECT_NEAR(ex.field(ex.a, "porcentaje_humeda"), 0.952381, 1e-6);
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_TRUE(messages.texts()[1].contains("Se canceló la búsqueda"));
}

TEST(FormulationRun, DryBasisWriteBackNormalisesTheWetShares) {
    TwoIngredients ex(20, 0, 0);
    // B is wetter in this formula: the as-fed shares follow from the dry ones.
    ex.t.db().exec("update formula_producto set materia_seca=45 where id_producto=" +
                   QString::number(ex.b));
    ex.load();
    ASSERT_TRUE(ex.ws.ingredientsDry);
    ScriptedMessages messages;
    ASSERT_EQ(ex.run().outcome, RunOutcome::Optimum);
    const double xa = ex.field(ex.a, "porcentaje_seca"), xb = ex.field(ex.b, "porcentaje_seca");
    EXPECT_NEAR(xa, 2.0 / 3, 1e-7); // 10 xa + 40 xb = 20 on dry matter
    EXPECT_NEAR(ex.field(ex.a, "cantidad_seca"), xa * 100, 1e-9);
    EXPECT_NEAR(ex.field(ex.b, "cantidad_humeda"), xb * 100 / 0.45, 1e-9);
    const double wa = xa * 100 / 0.9, wb = xb * 100 / 0.45;
    EXPECT_NEAR(ex.field(ex.a, "porcentaje_humeda"), wa / (wa + wb), 1e-12);
}

TEST(FormulationRun, ValidationStopsAtTheFirstFailure) {
    TwoIngredients ex(20);
    ex.load();
    auto firstMessage = [&](const QString& quantity) {
        ScriptedMessages messages;
        const auto r = ex.run(quantity);
        EXPECT_EQ(r.outcome, RunOutcome::Invalid) << quantity.toStdString();
        return messages.shown().empty() ? ScriptedMessages::Shown{} : messages.shown().front();
    };
    EXPECT_EQ(firstMessage("abc").text, "La cantidad a elaborar debe ser numérica");
    EXPECT_EQ(firstMessage("0.4").text, "La cantidad a elaborar debe ser mayor que cero");
    EXPECT_EQ(firstMessage("0.5").text, "La cantidad a elaborar debe ser mayor que cero");
    EXPECT_EQ(firstMessage("1000.6").text, "La cantidad a elaborar no puede ser mayor a 1000");
    {
        ScriptedMessages messages;
        const auto r = ex.run("1000.4");
        EXPECT_EQ(r.outcome, RunOutcome::Optimum);
        EXPECT_DOUBLE_EQ(ex.ws.batchQuantity, 1000.4);
    }

    ex.ws.ingredientsDry = true;
    ex.ws.nutrientsDry = false;
    const auto mixed = firstMessage("100");
    EXPECT_EQ(mixed.text,
              "No es posible formular nutrientes en húmeda e ingredientes en base seca");
    EXPECT_EQ(mixed.style, 0);
    ex.ws.ingredientsDry = ex.ws.nutrientsDry = false;

    auto limits = [&](QVariant minimo, QVariant maximo) {
        auto& n = ex.ws.nutrients.at(0);
        n.minimo = minimo.isValid() ? std::optional<double>(minimo.toDouble()) : std::nullopt;
        n.maximo = maximo.isValid() ? std::optional<double>(maximo.toDouble()) : std::nullopt;
    };
    limits(10.0, 10.0005);
    EXPECT_EQ(firstMessage("100").text,
              "El valor máximo debe ser mayor al mínimo en al menos el 0.01% para la propiedad "
              "<Proteína>\n\n10.00    10.00\n10.00    10.00");
    limits(12.0, 11.0);
    EXPECT_EQ(firstMessage("100").text,
              "El valor máximo debe ser mayor al mínimo para la propiedad <Proteína>");
    limits(QVariant(), QVariant());
    EXPECT_EQ(firstMessage("100").text,
              "Debe ingresar un valor mínimo o máximo para la propiedad <Proteína>");
    limits(0.0, 0.0005); // the 0.01 % rule does not apply to a minimum of 0

    auto& p = ex.ws.ingredients;
    p.at(0).minimo = 60.0;
    p.at(1).minimo = 50.0;
    const auto mins = firstMessage("100");
    EXPECT_EQ(mins.text, "La suma de los valores mínimos para los ingredientes es superior a la "
                         "cantidad total a elaborar");
    EXPECT_EQ(mins.title, "Se ha cancelado la Formulación");
    p.at(0).maximo = 60.0;
    p.at(1).minimo.reset();
    p.at(1).maximo = 30.0;
    EXPECT_EQ(firstMessage("100").text, "La suma de los valores máximos para los ingredientes no "
                                        "alcanzan la cantidad total a elaborar");

    ex.ws.ingredients.clear();
    EXPECT_EQ(firstMessage("100").text, "Debe ingresar al menos un Ingrediente");
    ex.ws.nutrients.clear();
    EXPECT_EQ(firstMessage("100").text,
              "Debe ingresar al menos una restricción para los Nutrientes");
}

TEST(FormulationRun, UnreachableMinimumShowsContributionsAndWritesNothing) {
    TwoIngredients ex(45); // B alone gives 40 × 0.9 = 36 per unit as fed
    ex.load();
    ScriptedMessages messages;
    const auto r = optimizer::formulate(ex.ws, ex.t.db(), {100, false, false, {}});
    EXPECT_EQ(r.outcome, RunOutcome::PrecheckFailed);
    EXPECT_TRUE(r.notices.empty()); // the contributions view says why
    EXPECT_TRUE(messages.shown().empty());
    ASSERT_TRUE(r.unreachable);
    const optimizer::UnreachableNutrient& u = *r.unreachable;
    EXPECT_EQ(optimizer::contributionsCaption(u.nombre, u.minimo),
              "PROBLEMA CON RESTRICCIÓN: Mínimo para Proteína = 45.00");
    QStringList rows;
    for (const workspace::ContributionRow& a : u.contributions)
        rows << QString("%1|%2|%3").arg(a.producto).arg(a.valor).arg(a.aportemaximo);
    EXPECT_EQ(rows, (QStringList{"A|9|9", "B|36|36"}));
    EXPECT_NEAR(u.maximoAlcanzable, 36, 1e-6); // within the quantity band
    EXPECT_EQ(u.nombre, "Proteína");
    EXPECT_EQ(optimizer::contributionsMessage(u.nombre),
              "No es posible alcanzar el Mínimo para la propiedad Proteína");
    EXPECT_DOUBLE_EQ(ex.field(ex.a, "cantidad_humeda"), 0);
    EXPECT_FALSE(r.figures.has_value());
}

TEST(FormulationRun, SampleFormulasReachGlpksOptimumThroughTheDatabase) {
    TempDatabase t(true);
    ScriptedMessages messages;
    store::RecordSet formulas = t.db().query("select id_formula,codigo from formulas");
    ASSERT_EQ(formulas.count(), 4);
    for (; !formulas.eof(); formulas.moveNext()) {
        SCOPED_TRACE(formulas.toString("codigo").toStdString());
        Workspace ws;
        ws.formulaId = formulas.toInt("id_formula");
        loadShown(ws, t.db());
        optimizer::FormulationRequest in{1000, ws.ingredientsDry, ws.nutrientsDry, {}};
        ASSERT_EQ(optimizer::formulate(ws, t.db(), in).outcome, RunOutcome::Optimum);

        const lp::reference::Solution glpk =
            lp::reference::solveWithGlpk(optimizer::tableauBlend(ws, t.db()));
        ASSERT_EQ(glpk.status, lp::reference::Status::Optimum);
        // The cost of one unit of mix on the basis the shares were solved on.
        double cost = 0;
        for (const workspace::FormulaIngredient& p : ws.ingredients)
            cost += ws.ingredientsDry ? p.porcentajeSeca.value_or(0) * p.costoSeca.value_or(0)
                                      : p.porcentajeHumeda.value_or(0) * p.costoHumeda.value_or(0);
        EXPECT_NEAR(cost, glpk.cost, 1e-7 * glpk.cost);
    }
}

TEST(FormulationRun, MinimumsThatFillTheBatchExactlyPassAndSolve) {
    TwoIngredients ex(15); // the only mix gives (10 × 0.6 + 40 × 0.4) × 0.9 = 19.8
    ex.t.db().exec("update formula_producto set minimo=60 where id_producto=" +
                   QString::number(ex.a));
    ex.t.db().exec("update formula_producto set minimo=40 where id_producto=" +
                   QString::number(ex.b));
    ex.load();
    ScriptedMessages messages;
    EXPECT_EQ(ex.run().outcome, RunOutcome::Optimum);
    EXPECT_TRUE(messages.shown().empty()) << messages.texts().join('\n').toStdString();
    EXPECT_NEAR(ex.field(ex.a, "cantidad_humeda"), 60, 1e-4);
    EXPECT_NEAR(ex.field(ex.b, "cantidad_humeda"), 40, 1e-4);
}

TEST(FormulationRun, AMinimumReachedOnlyThroughTheFixedIngredientsWideningPasses) {
    // B is fixed at 40 of 100 and alone holds the nutrient: 100 × 40.001 / 100 reaches 40.0005
    // only because a fixed ingredient may move 0.001 either side.
    TwoIngredients ex(0, 0, 0);
    auto& db = ex.t.db();
    const int solo = addNutrient(db, "Sólo en B");
    setComposition(db, ex.b, solo, 100);
    addFormulaNutrient(db, ex.formula, solo, 40.0005, std::nullopt);
    db.exec("update formula_producto set minimo=40, maximo=40 where id_producto=" +
            QString::number(ex.b));
    ex.load();
    ScriptedMessages messages;
    const auto r = ex.run();
    EXPECT_EQ(r.outcome, RunOutcome::Optimum) << messages.texts().join('\n').toStdString();
    // B is the dearer one: the cheapest mix holds just enough of it.
    EXPECT_NEAR(ex.field(ex.b, "cantidad_seca"), 40.0005, 1e-6);
}

TEST(FormulationRun, TheCheckOnADryBasisWeighsWithTheCataloguesDryMatter) {
    // Wet quantities, dry nutrients: the best mix (B at its maximum of 50) reaches
    // (10 dmA + 40 dmB) / (dmA + dmB). With the formula's 90 and 90 that is 25; with B's
    // catalogue dry matter of 45 it is 20, below the minimum of 22.
    TwoIngredients ex(22, 1, 0);
    auto& db = ex.t.db();
    db.exec("update formula_producto set maximo=50 where id_producto=" + QString::number(ex.b));
    ex.load();
    // The catalogue changes after the formula was opened: the run reads today's figure.
    db.exec("update productos set materia_seca=45 where id_producto=" + QString::number(ex.b));
    ASSERT_FALSE(ex.ws.ingredientsDry);
    ASSERT_TRUE(ex.ws.nutrientsDry);
    ScriptedMessages messages;
    const auto r = ex.run();
    EXPECT_EQ(r.outcome, RunOutcome::PrecheckFailed);
    ASSERT_TRUE(r.unreachable);
    EXPECT_NEAR(r.unreachable->maximoAlcanzable, 20, 1e-6);

    // And with wet nutrients each content counts at the catalogue's dry matter: B gives
    // 40 × 0.45 = 18 per unit, not 36.
    TwoIngredients wet(19, 1, 1);
    wet.load();
    wet.t.db().exec("update productos set materia_seca=45 where id_producto=" +
                    QString::number(wet.b));
    EXPECT_EQ(wet.run().outcome, RunOutcome::PrecheckFailed);
}

TEST(FormulationRun, ReadsOnlyTheMixsCompositionsOncePerRun) {
    qputenv("DOSIVANT_SQL_TRACE", "1");
    TempDatabase t(true);
    qunsetenv("DOSIVANT_SQL_TRACE");
    ScriptedMessages messages;
    Workspace ws;
    ws.formulaId = 1;
    testing::internal::CaptureStderr();
    loadShown(ws, t.db());
    const std::string load = testing::internal::GetCapturedStderr();
    optimizer::FormulationRequest in{1000, ws.ingredientsDry, ws.nutrientsDry, {}};
    testing::internal::CaptureStderr();
    ASSERT_EQ(optimizer::formulate(ws, t.db(), in).outcome, RunOutcome::Optimum);
    const std::string run = testing::internal::GetCapturedStderr();

    QList<int> nutrients;
    for (const workspace::FormulaNutrient& n : ws.nutrients)
        nutrients << n.id;
    std::sort(nutrients.begin(), nutrients.end());
    QStringList list;
    for (const int id : nutrients)
        list << QString::number(id);
    const QString statement =
        "SQL: select pp.id_propiedad,pp.valor,p.materia_seca from producto_propiedad pp, "
        "productos p where pp.id_producto=p.id_producto and pp.id_producto=? and "
        "pp.id_propiedad in(" +
        list.join(',') + ") <- ";
    for (const std::string& trace : {load, run}) {
        const QStringList lines = QString::fromStdString(trace).split('\n', Qt::SkipEmptyParts);
        QStringList compositionReads, deviationReads;
        for (const QString& line : lines)
            if (line.contains("from producto_propiedad_desvio"))
                deviationReads << line;
            else if (line.contains("producto_propiedad") && !line.contains("PRAGMA"))
                compositionReads << line;
        // The deviations of every pair of the mix in one statement.
        EXPECT_EQ(deviationReads.size(), 1) << trace;
        // One look-up per ingredient of the mix, each with its id; nothing reads a whole nutrient.
        ASSERT_EQ(compositionReads.size(), int(ws.ingredients.size())) << trace;
        QStringList ids;
        for (const workspace::FormulaIngredient& p : ws.ingredients)
            ids << statement + QString::number(p.id);
        compositionReads.sort();
        ids.sort();
        EXPECT_EQ(compositionReads, ids);
    }
}

TEST(FormulationRun, RatioAndGroupLimitsBindAndTakeTheValuesOfTheMix) {
    TwoIngredients ex(20);
    const int fibra = addNutrient(ex.t.db(), "Fibra");
    setComposition(ex.t.db(), ex.a, fibra, 5);
    setComposition(ex.t.db(), ex.b, fibra, 5);
    addFormulaNutrient(ex.t.db(), ex.formula, fibra, 0, std::nullopt);
    ex.load();
    formulas::FormulaRatio ratio;
    ratio.numerador = ex.prot;
    ratio.divisor = fibra;
    ratio.nombreNumerador = "Proteína";
    ratio.nombreDivisor = "Fibra";
    ratio.minimo = 5; // (10 a + 40 (1 - a)) / 5 >= 5 holds A to at most half the mix
    ex.ws.ratios = {ratio};
    ScriptedMessages messages;
    ASSERT_EQ(ex.run().outcome, RunOutcome::Optimum);
    EXPECT_NEAR(ex.field(ex.a, "porcentaje_humeda"), 0.5, 1e-7);
    EXPECT_NEAR(ex.ws.ratios[0].valor.value_or(0), 5, 1e-7);
    EXPECT_TRUE(std::any_of(ex.ws.analysisRows.begin(), ex.ws.analysisRows.end(),
                            [](const auto& a) { return a.tipo == "RR"; }));

    // A group of A alone capped at 40 of the batch of 100 binds in turn.
    formulas::FormulaGroup group;
    group.id = 9;
    group.nombre = "Solo A";
    group.ingredientIds = {ex.a};
    group.maximo = 40;
    ex.ws.groups = {group};
    ASSERT_EQ(ex.run().outcome, RunOutcome::Optimum);
    EXPECT_NEAR(ex.ws.groups[0].valor.value_or(0), 40, 1e-6);
    EXPECT_NEAR(ex.ws.ratios[0].valor.value_or(0), (4 + 24) / 5.0, 1e-7);
    EXPECT_TRUE(std::any_of(ex.ws.analysisRows.begin(), ex.ws.analysisRows.end(),
                            [](const auto& a) { return a.tipo == "RG"; }));
    EXPECT_TRUE(messages.shown().empty());

    // A quantity typed by hand: the figures follow, the ratio and the group with them.
    workspace::GridRow rowA{"id_producto", "nombre", ex.a, "A"};
    const auto edited = workspace::editQuantity(ex.ws, ex.t.db(), rowA, "cantidad_humeda", "60");
    ASSERT_TRUE(edited.figures);
    EXPECT_NEAR(ex.ws.groups[0].valor.value_or(0), 60, 1e-6);
    EXPECT_NEAR(ex.ws.ratios[0].valor.value_or(0), (10 * 0.5 + 40 * 0.5) / 5, 1e-6); // 60 and 60

    // A group minimum beyond the batch is told before anything is built; nothing is written,
    // and the formula is infeasible with that limit as its conflict (A reaches 50 at most).
    ex.ws.groups[0].maximo.reset();
    ex.ws.groups[0].minimo = 150;
    const auto r = ex.run();
    EXPECT_EQ(r.outcome, RunOutcome::Infeasible);
    EXPECT_TRUE(r.refusedBeforeSolving);
    ASSERT_EQ(r.conflicto.size(), 1u);
    EXPECT_EQ(r.conflicto[0].nombre, "Solo A");
    EXPECT_EQ(r.conflicto[0].limit.kind, lp::LimitRef::Group);
    EXPECT_EQ(r.conflicto[0].limit.side, lp::LimitRef::Minimum);
    EXPECT_EQ(r.conflicto[0].valor, 150);
    EXPECT_NEAR(r.conflicto[0].relajacion.value_or(0), 50, 1e-6);
    EXPECT_FALSE(r.figures);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].style, msg::Critical);
    EXPECT_TRUE(messages.texts()[0].contains("Solo A"));
    EXPECT_NEAR(ex.ws.groups[0].valor.value_or(0), 60, 1e-6);
    EXPECT_NEAR(ex.field(ex.a, "porcentaje_humeda"), 0.5, 1e-7);

    // A ratio over a nutrient the formula no longer holds is refused the same way.
    messages.clear();
    ex.ws.groups.clear();
    ex.ws.nutrients.erase(std::remove_if(ex.ws.nutrients.begin(), ex.ws.nutrients.end(),
                                         [&](const auto& n) { return n.id == fibra; }),
                          ex.ws.nutrients.end());
    EXPECT_EQ(ex.run().outcome, RunOutcome::Invalid);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(messages.texts()[0].contains("Fibra"));
}

TEST(FormulationRun, ANutrientARatioBroughtInNeedsNoLimitOfItsOwn) {
    TwoIngredients ex(20);
    const int fibra = addNutrient(ex.t.db(), "Fibra");
    setComposition(ex.t.db(), ex.a, fibra, 5);
    setComposition(ex.t.db(), ex.b, fibra, 5);
    ex.load();
    ScriptedMessages messages;
    ASSERT_TRUE(workspace::addRatio(ex.ws, ex.prot, "Proteína", fibra, "Fibra").stored);
    ASSERT_TRUE(workspace::editRatioLimit(ex.ws, 0, "minimo", "5").stored);
    EXPECT_EQ(ex.run().outcome, RunOutcome::Optimum) << messages.texts().join('|').toStdString();
    EXPECT_NEAR(ex.field(ex.a, "porcentaje_humeda"), 0.5, 1e-7);
    EXPECT_NEAR(ex.ws.nutrients.back().valor.value_or(0), 5 * 0.9, 1e-6); // Fibra's, computed

    // Without the ratio the same nutrient row asks for a limit again.
    ASSERT_TRUE(workspace::removeRatio(ex.ws, 0).stored);
    EXPECT_EQ(ex.run().outcome, RunOutcome::Invalid);
    EXPECT_EQ(messages.texts().join('|'),
              "Debe ingresar un valor mínimo o máximo para la propiedad <Fibra>");
}

namespace {

// The published chance-constrained feed mix: barley, oats, sesame flakes and groundnut meal, a
// protein minimum of 21 whose contents vary and a fat minimum of 5 whose contents do not, in a
// batch of 1 on 100 % dry matter so that the unit cost is the published one.
struct FeedMix {
    TempDatabase t;
    int protein = 0, fat = 0, formula = 0;
    std::vector<int> ingredients;
    Workspace ws;

    explicit FeedMix(double proteinMinimum = 21) {
        auto& db = t.db();
        protein = addNutrient(db, "Proteína");
        fat = addNutrient(db, "Grasa");
        formula = addFormula(db, "BM", 1, 0, 0);
        const struct {
            const char* name;
            double cost, protein, variance, fat;
        } rows[] = {{"Cebada", 24.55, 12, 0.28, 2.3},
                    {"Avena", 26.75, 11.9, 0.19, 5.6},
                    {"Sésamo", 39, 41.8, 20.5, 11.1},
                    {"Maní", 40.5, 52.1, 0.62, 1.3}};
        for (const auto& r : rows) {
            const int id = addIngredient(db, r.name, r.cost, 100);
            setComposition(db, id, protein, r.protein);
            setComposition(db, id, fat, r.fat);
            db.exec("insert into producto_propiedad_desvio (id_producto,id_propiedad,desvio) "
                    "values (" +
                    QString::number(id) + "," + QString::number(protein) + "," +
                    sql::number(std::sqrt(r.variance)) + ")");
            addFormulaIngredient(db, formula, id, std::nullopt, std::nullopt, r.cost, 100);
            ingredients.push_back(id);
        }
        addFormulaNutrient(db, formula, protein, proteinMinimum, std::nullopt);
        addFormulaNutrient(db, formula, fat, 5, std::nullopt);
        ws.formulaId = formula;
        loadShown(ws, db);
    }
    void setProbability(std::optional<double> p) {
        workspace::findNutrient(ws, protein)->probabilidad = p;
    }
    optimizer::Formulation run() { return formulateShown(ws, t.db(), "1"); }
    std::vector<double> shares() {
        std::vector<double> out;
        for (const int id : ingredients)
            out.push_back(testrows::value(ws, id, "porcentaje_humeda").toDouble());
        return out;
    }
};

} // namespace

TEST(FormulationRun, AChanceLimitHoldsWithItsProbabilityAtThePublishedCosts) {
    ScriptedMessages messages;
    for (const auto& [p, cost] : std::vector<std::pair<double, double>>{
             {0.5, 28.9426}, {0.9, 29.6779}, {0.95, 29.8943}, {0.99, 30.2372}}) {
        SCOPED_TRACE(p);
        FeedMix mix;
        mix.setProbability(p);
        const optimizer::Formulation r = mix.run();
        ASSERT_EQ(r.outcome, RunOutcome::Optimum);
        EXPECT_NEAR(mix.ws.vCostoHumeda, cost, 5e-5);
        ASSERT_EQ(r.chance.size(), 1u);
        const optimizer::ChanceFigureRow& f = r.chance[0];
        EXPECT_EQ(f.nutrientId, mix.protein);
        EXPECT_EQ(f.probabilidad, p);
        // The mean stays above the minimum by the margin, which is z times the mix's deviation.
        EXPECT_NEAR(f.media - f.margen, 21, 1e-7);
        EXPECT_NEAR(f.margen, lp::normalQuantile(p) * f.desvio, 1e-9);
        EXPECT_NEAR(workspace::findNutrient(mix.ws, mix.protein)->valor.value_or(0), f.media, 1e-7);
        if (p > 0.5) {
            EXPECT_GT(f.precioMinimo.value_or(0), 0);
            EXPECT_FALSE(mix.ws.analysisNote.isEmpty());
        }
    }
    EXPECT_TRUE(messages.shown().empty());
}

TEST(FormulationRun, WithoutDeviationsAProbabilityChangesNothingAndABadOneIsRefused) {
    ScriptedMessages messages;
    FeedMix plain;
    plain.run();
    FeedMix steady;
    steady.t.db().exec("delete from producto_propiedad_desvio");
    steady.setProbability(0.95);
    const optimizer::Formulation r = steady.run();
    EXPECT_EQ(r.outcome, RunOutcome::Optimum);
    EXPECT_EQ(steady.shares(), plain.shares());
    EXPECT_EQ(analysis(steady.ws), analysis(plain.ws));
    EXPECT_FALSE(analysis(steady.ws).isEmpty());
    EXPECT_TRUE(r.chance.empty());

    FeedMix odd;
    odd.setProbability(0.3);
    const std::vector<double> before = odd.shares();
    EXPECT_EQ(odd.run().outcome, RunOutcome::Invalid);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(messages.texts()[0].contains("probabilidad")) << messages.texts()[0].toStdString();
    EXPECT_EQ(odd.shares(), before);
}

namespace {

// What the analysis rows of a mix the chance limits moved were checked for.
struct AnalysisChecked {
    int active = 0, idle = 0, limits = 0;
    QStringList unsolved; // the moves the engine could not solve, by row
};

// Checks each analysis row of the formulated workspace against the chance-limited formula
// itself, solved again with a price or a limit moved: a price range keeps the mix just inside it
// and changes it just outside, an idle ingredient enters just past what its price must fall by,
// and a limit's price is the slope of the least cost. `beyond`: also that the mix changes just
// past a range and the idle ingredient enters, which a degenerate optimum (a quantity fixed by
// its own limits, a full group) need not do in the linear analysis either.
AnalysisChecked checkAnalysisAgainstTheFormula(Workspace& ws, store::Database& db, bool beyond) {
    AnalysisChecked checked;
    const lp::Blend blend = optimizer::tableauBlend(ws, db);
    const lp::ChanceLimits chance =
        *optimizer::chanceLimitsOf(ws, blend, workspace::readMixCompositions(db, ws));
    const lp::ChanceSolution found = lp::solveChance(blend, chance);
    EXPECT_EQ(found.status, lp::ChanceStatus::Optimum);
    if (found.status != lp::ChanceStatus::Optimum)
        return checked;
    // A move the engine fails to solve says nothing of the analysis: it is listed, not judged.
    auto solved =
        [&](const std::function<void(lp::Blend&)>& change) -> std::optional<lp::ChanceSolution> {
        lp::Blend moved = blend;
        change(moved);
        lp::ChanceSolution s = lp::solveChance(moved, chance);
        EXPECT_NE(s.status, lp::ChanceStatus::Infeasible);
        if (s.status != lp::ChanceStatus::Optimum)
            return std::nullopt;
        return s;
    };
    auto same = [&](const std::vector<double>& x) {
        for (size_t i = 0; i < x.size(); ++i)
            if (std::abs(x[i] - found.shares[i]) > 1e-6)
                return false;
        return true;
    };
    // The cost of the batch as fed, as the analysis counts it.
    auto batchCost = [&](const std::vector<double>& x) {
        const std::vector<lp::BatchLine> lines = lp::batchLines(blend, x);
        double cost = 0;
        for (size_t i = 0; i < lines.size(); ++i)
            cost += lines[i].cantidadHumeda * blend.ingredients[i].costoHumeda;
        return cost;
    };
    // A price as fed moved, its price per unit of dry matter with it.
    auto priced = [&](size_t j, double change) {
        return solved([&](lp::Blend& b) {
            b.ingredients[j].costoHumeda += change;
            b.ingredients[j].costoSeca += change / (b.ingredients[j].materiaSeca / 100);
        });
    };
    for (const workspace::SensitivityRow& row : ws.analysisRows) {
        SCOPED_TRACE(row.detalle.toStdString());
        size_t j = 0;
        while (j < blend.ingredients.size() && blend.ingredients[j].id != row.id)
            ++j;
        auto check = [&](const std::optional<lp::ChanceSolution>& s,
                         const std::function<bool(const std::vector<double>&)>& holds) {
            if (!s)
                checked.unsolved << row.detalle;
            else
                EXPECT_TRUE(holds(s->shares));
        };
        if (row.tipo == "IA") {
            ++checked.active;
            check(priced(j, 0.9 * row.valor2), same);
            if (beyond)
                check(priced(j, 1.1 * row.valor2), [&](const auto& x) { return !same(x); });
        } else if (row.tipo == "II") {
            ++checked.idle;
            EXPECT_EQ(found.shares[j], 0);
            check(priced(j, -0.9 * row.valor2), [&](const auto& x) { return x[j] < 1e-9; });
            if (beyond)
                check(priced(j, -1.1 * row.valor2), [&](const auto& x) { return x[j] > 1e-6; });
        } else if (row.tipo == "RN") {
            ++checked.limits;
            const size_t n = size_t(lp::nutrientIndex(blend, row.id));
            auto cost = [&](double by) {
                const std::optional<lp::ChanceSolution> s = solved([&](lp::Blend& b) {
                    auto& limit = row.maximum ? b.nutrients[n].maximo : b.nutrients[n].minimo;
                    *limit += by;
                });
                return s ? std::optional<double>(batchCost(s->shares)) : std::nullopt;
            };
            const double h = 1e-3;
            EXPECT_NEAR(row.valor1, batchCost(found.shares), 1e-7 * blend.cantidad);
            const std::optional<double> up = cost(h), down = cost(-h);
            if (!up || !down)
                checked.unsolved << row.detalle;
            else
                EXPECT_NEAR(row.valor2, (*up - *down) / (2 * h),
                            1e-5 * std::max(1.0, std::abs(row.valor2)));
        }
    }
    return checked;
}

} // namespace

// At 95 % the published mix is a vertex of its linearisation and every row shows; at 99 % it
// holds all four ingredients, inside a face of optima, and the rows are left out.
TEST(FormulationRun, TheAnalysisOfAMixChanceLimitsMovedHoldsForThatMix) {
    ScriptedMessages messages;
    for (const double p : {0.95, 0.99}) {
        SCOPED_TRACE(p);
        FeedMix mix;
        mix.setProbability(p);
        ASSERT_EQ(mix.run().outcome, RunOutcome::Optimum);
        const AnalysisChecked checked = checkAnalysisAgainstTheFormula(mix.ws, mix.t.db(), true);
        EXPECT_TRUE(checked.unsolved.isEmpty());
        EXPECT_EQ(checked.limits, p < 0.99 ? 2 : 0); // protein's chance minimum, fat's minimum
        EXPECT_EQ(checked.active, p < 0.99 ? 3 : 0);
        EXPECT_EQ(checked.idle, p < 0.99 ? 1 : 0); // oats
        EXPECT_EQ(mix.ws.analysisNote,
                  p < 0.99 ? optimizer::kChanceAnalysisNote : optimizer::kChanceAnalysisLeftOut);
    }
    EXPECT_TRUE(messages.shown().empty());
}

// The same on the sample broiler diet, whose ingredients are not all dry matter, with protein
// varying by 5 % of its value and its minimum held at 95 %, on each pair of bases it formulates:
// where the mix is its linearisation's vertex every row holds for it, elsewhere none is shown.
TEST(FormulationRun, TheAnalysisOfAChanceMixHoldsOnEveryBasis) {
    ScriptedMessages messages;
    int analysed = 0; // bases whose mix is its linearisation's vertex (as-fed on both, here)
    for (const auto& [dryIngredients, dryNutrients] :
         std::vector<std::pair<bool, bool>>{{false, false}, {false, true}, {true, true}}) {
        SCOPED_TRACE(QString("%1 %2").arg(dryIngredients).arg(dryNutrients).toStdString());
        TempDatabase t(true);
        auto& db = t.db();
        varySampleProtein(db);
        holdBroilerProteinAt95(db);
        Workspace ws;
        ws.formulaId = db.query("select id_formula from formulas where codigo='POLLO-INI'")
                           .valueAt(0, 0)
                           .toInt();
        loadShown(ws, db);
        ws.ingredientsDry = dryIngredients;
        ws.nutrientsDry = dryNutrients;
        ASSERT_EQ(formulateShown(ws, db, "1000").outcome, RunOutcome::Optimum);
        ASSERT_FALSE(ws.analysisNote.isEmpty()); // the probability moved the mix
        const AnalysisChecked checked = checkAnalysisAgainstTheFormula(ws, db, false);
        EXPECT_TRUE(checked.unsolved.isEmpty()) << checked.unsolved.join('|').toStdString();
        analysed += checked.limits > 0 ? 1 : 0;
        // Rows with the line that says they are the tangents', or none with the line that
        // says why.
        EXPECT_EQ(ws.analysisRows.empty(), ws.analysisNote == optimizer::kChanceAnalysisLeftOut);
        EXPECT_EQ(checked.limits > 0, !ws.analysisRows.empty());
    }
    EXPECT_GT(analysed, 0);
    EXPECT_TRUE(messages.shown().empty()) << messages.texts().join('\n').toStdString();
}

TEST(FormulationRun, AChanceLimitMetOnlyOnAverageIsNamed) {
    ScriptedMessages messages;
    FeedMix mix(45); // met on average with sesame for the fat; not at 99.99 %
    mix.setProbability(0.9999);
    const optimizer::Formulation r = mix.run();
    EXPECT_EQ(r.outcome, RunOutcome::Infeasible);
    ASSERT_FALSE(messages.texts().isEmpty());
    EXPECT_TRUE(messages.texts().last().contains("Proteína (99.99 %)"))
        << messages.texts().join('\n').toStdString();
    mix.setProbability(std::nullopt);
    messages.clear();
    EXPECT_EQ(mix.run().outcome, RunOutcome::Optimum);
}

// A minimum the best single mix reaches on average but cannot guarantee: the formulation finds
// no mix, and the screen of that minimum alone names it with the most it can guarantee.
TEST(FormulationRun, AChanceMinimumNoMixCanGuaranteeIsNamedWithItsReach) {
    ScriptedMessages messages;
    FeedMix mix(52); // groundnut alone averages 52.1
    mix.setProbability(0.9);
    const optimizer::Formulation r = mix.run();
    ASSERT_EQ(r.outcome, RunOutcome::PrecheckFailed);
    ASSERT_TRUE(r.unreachable);
    EXPECT_EQ(r.unreachable->nombre, "Proteína");
    EXPECT_NEAR(r.unreachable->maximoAlcanzable, 52.1 - lp::normalQuantile(0.9) * std::sqrt(0.62),
                1e-6);
    // Reachable with its margin, the minimum lets the formulation run and meet it.
    FeedMix lower(50);
    lower.setProbability(0.9);
    EXPECT_NE(lower.run().outcome, RunOutcome::PrecheckFailed);
}
