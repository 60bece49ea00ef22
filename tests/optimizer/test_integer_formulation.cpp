#include "optimizer/formulation_run.h"
#include "optimizer/ranging_target.h"
#include "optimizer/stored_formulation.h"
#include "support/blend_database.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace blenddb;
using optimizer::RunOutcome;

namespace {

// Bracken and McCormick's feed as a stored formula of 100 units as fed: barley, oats, sesame
// flakes and groundnut meal, protein at least 21 and fat at least 5.
struct PublishedFeed {
    TempDatabase t;
    int formula = 0;
    int ids[4] = {};

    PublishedFeed() {
        auto& db = t.db();
        const char* names[] = {"Cebada", "Avena", "Escamas de sésamo", "Harina de maní"};
        const double cost[] = {24.55, 26.75, 39, 40.5};
        const double protein[] = {12, 11.9, 41.8, 52.1};
        const double fat[] = {2.3, 5.6, 11.1, 1.3};
        const int prot = addNutrient(db, "Proteína");
        const int grasa = addNutrient(db, "Grasa");
        formula = addFormula(db, "BMC", 100, 1, 1);
        for (int j = 0; j < 4; ++j) {
            ids[j] = addIngredient(db, names[j], cost[j], 100);
            setComposition(db, ids[j], prot, protein[j]);
            setComposition(db, ids[j], grasa, fat[j]);
            addFormulaIngredient(db, formula, ids[j], std::nullopt, std::nullopt, cost[j], 100);
        }
        addFormulaNutrient(db, formula, prot, 21, std::nullopt);
        addFormulaNutrient(db, formula, grasa, 5, std::nullopt);
    }

    void exec(const QString& sql) { t.db().exec(sql); }
    QString f() const { return QString::number(formula); }

    optimizer::StoredRun run(const optimizer::StoredRunOptions& options = {}) {
        return optimizer::formulateStored(t.db(), formula, options);
    }
};

double quantity(const workspace::Workspace& ws, int id) {
    return workspace::findIngredient(ws, id)->cantidadHumeda.value_or(0);
}

} // namespace

TEST(IntegerFormulation, PublishedFeedLosesOatsToTheMinimumIfUsedAndIsAnalysedFixed) {
    PublishedFeed feed;
    ScriptedMessages messages;
    // As a plain linear formula: no search, no integer figures.
    optimizer::StoredRun plain = feed.run();
    ASSERT_EQ(plain.formulation.outcome, RunOutcome::Optimum);
    EXPECT_FALSE(plain.formulation.entero);
    EXPECT_NEAR(plain.ws->vCostoHumeda, 28.9426, 5e-5);
    EXPECT_GT(quantity(*plain.ws, feed.ids[1]), 0); // oats in the continuous mix

    // Every ingredient 5 % of the batch if used, through the one stored-formula call the book,
    // the plans and the command line use.
    feed.exec("insert into formula_uso_minimo (id_formula,id_producto,minimo) select " + feed.f() +
              ",id_producto,5 from formula_producto where id_formula=" + feed.f());
    const optimizer::StoredRun run = feed.run();
    ASSERT_EQ(run.formulation.outcome, RunOutcome::Optimum);
    EXPECT_TRUE(run.notices.empty());
    ASSERT_TRUE(run.formulation.entero);
    const optimizer::IntegerFigures& e = *run.formulation.entero;
    EXPECT_TRUE(e.probado);
    EXPECT_EQ(e.brecha, 0);
    EXPECT_GE(e.nodos, 1);
    EXPECT_NEAR(e.costoContinuo, 28.9426, 5e-5);
    EXPECT_NEAR(e.costo, 28.9835, 5e-5);
    EXPECT_EQ(e.costo, run.ws->vCostoHumeda);
    EXPECT_EQ(quantity(*run.ws, feed.ids[1]), 0); // oats leave the mix
    for (const workspace::FormulaIngredient& p : run.ws->ingredients) {
        const double q = p.cantidadHumeda.value_or(0);
        EXPECT_TRUE(q == 0 || q >= 5 - 1e-9) << p.nombre.toStdString() << " " << q;
    }
    // The analysis is that of the mix with the choices fixed: oats held out (its maximum 0),
    // so its row reports it at 0, and the nutrient rows are there.
    EXPECT_FALSE(run.ws->analysisRows.empty());
    bool nutrientRow = false;
    for (const workspace::SensitivityRow& r : run.ws->analysisRows)
        nutrientRow = nutrientRow || r.tipo.trimmed() == "RN";
    EXPECT_TRUE(nutrientRow);
    // The ranging reads the same programme: oats held out, the others at their minimum if used.
    workspace::Workspace formulated = *run.ws;
    const std::optional<optimizer::StoredBlend> ranged =
        optimizer::formulatedBlend(formulated, feed.t.db());
    ASSERT_TRUE(ranged);
    for (const lp::Ingredient& ing : ranged->blend.ingredients) {
        if (ing.id == feed.ids[1]) {
            EXPECT_EQ(ing.maximo, 0.0);
        } else if (quantity(*run.ws, ing.id) > 0) {
            EXPECT_GE(ing.minimo.value_or(0), 5.0) << ing.nombre;
        }
    }

    // At most two ingredients.
    feed.exec("insert into formula_opciones (id_formula,max_ingredientes,redondear) values (" +
              feed.f() + ",2,0)");
    const optimizer::StoredRun two = feed.run();
    ASSERT_EQ(two.formulation.outcome, RunOutcome::Optimum);
    int used = 0;
    for (const workspace::FormulaIngredient& p : two.ws->ingredients)
        used += p.cantidadHumeda.value_or(0) > 0 ? 1 : 0;
    EXPECT_LE(used, 2);
    EXPECT_GE(two.formulation.entero->costo, e.costo - 1e-9);
}

TEST(IntegerFormulation, RoundingWeighsWholeStepsOrExplainsWhichConditionHasNoMix) {
    PublishedFeed feed;
    ScriptedMessages messages;
    // Barley and sesame on the 5 kg scale; a step weighs nothing until the formula rounds.
    for (const int j : {0, 2})
        feed.exec("insert into producto_pesada (id_producto,paso) values (" +
                  QString::number(feed.ids[j]) + ",5)");
    EXPECT_FALSE(feed.run().formulation.entero);
    feed.exec("insert into formula_opciones (id_formula,max_ingredientes,redondear) values (" +
              feed.f() + ",Null,1)");
    const optimizer::StoredRun run = feed.run();
    ASSERT_EQ(run.formulation.outcome, RunOutcome::Optimum);
    ASSERT_TRUE(run.formulation.entero);
    EXPECT_TRUE(run.formulation.entero->probado);
    EXPECT_GE(run.formulation.entero->costo, run.formulation.entero->costoContinuo);
    for (const int j : {0, 2}) {
        const double q = quantity(*run.ws, feed.ids[j]);
        EXPECT_NEAR(q / 5, std::round(q / 5), 1e-9) << q;
    }
    for (const workspace::FormulaNutrient& n : run.ws->nutrients)
        EXPECT_GE(n.valor.value_or(0), n.minimo.value_or(0) - 1e-9) << n.nombre.toStdString();

    // Protein held in a band no 5 kg step of the two reaches, with the other two out: the
    // limits alone have a mix, the rounding none, and the notice names both.
    feed.exec("update formula_producto set maximo=0 where id_formula=" + feed.f() +
              " and id_producto in (" + QString::number(feed.ids[1]) + "," +
              QString::number(feed.ids[3]) + ")");
    feed.exec("update formula_propiedad set minimo=21.1, maximo=21.4 where id_formula=" + feed.f() +
              " and id_propiedad in (select id_propiedad from propiedades where "
              "nombre='Proteína')");
    feed.exec("update formula_propiedad set minimo=0 where id_formula=" + feed.f() +
              " and id_propiedad in (select id_propiedad from propiedades where nombre='Grasa')");
    const optimizer::StoredRun none = feed.run();
    ASSERT_EQ(none.formulation.outcome, RunOutcome::Infeasible)
        << (none.notices.empty() ? std::string() : none.notices[0].text.toStdString());
    EXPECT_TRUE(none.formulation.conflicto.empty());
    ASSERT_TRUE(none.formulation.entero);
    EXPECT_TRUE(none.formulation.entero->probado);
    ASSERT_EQ(none.notices.size(), 1u);
    EXPECT_TRUE(none.notices[0].text.contains("ningún redondeo a pasos de 5 kg"))
        << none.notices[0].text.toStdString();
    EXPECT_TRUE(none.notices[0].text.contains("Proteína")) << none.notices[0].text.toStdString();
    EXPECT_TRUE(none.notices[0].text.contains("con 100 kg")) << none.notices[0].text.toStdString();

    // The limits alone without a mix: the continuous diagnosis as for any formula.
    feed.exec("update formula_propiedad set minimo=60, maximo=Null where id_formula=" + feed.f() +
              " and id_propiedad in (select id_propiedad from propiedades where "
              "nombre='Proteína')");
    const optimizer::StoredRun limits = feed.run();
    EXPECT_EQ(limits.formulation.outcome, RunOutcome::PrecheckFailed);
    EXPECT_FALSE(limits.formulation.entero);
}

TEST(IntegerFormulation, ANodeLimitStopsWithTheBestMixFoundAndSaysSo) {
    PublishedFeed feed;
    ScriptedMessages messages;
    feed.exec("insert into formula_uso_minimo (id_formula,id_producto,minimo) select " + feed.f() +
              ",id_producto,5 from formula_producto where id_formula=" + feed.f());
    optimizer::StoredRunOptions options;
    options.maxNodos = 1;
    const optimizer::StoredRun run = feed.run(options);
    ASSERT_TRUE(run.formulation.entero);
    EXPECT_FALSE(run.formulation.entero->probado);
    EXPECT_EQ(run.formulation.entero->nodos, 1);
    ASSERT_EQ(run.formulation.outcome, RunOutcome::Optimum);
    ASSERT_EQ(run.notices.size(), 1u);
    EXPECT_TRUE(run.notices[0].text.startsWith("La búsqueda se detuvo: brecha "))
        << run.notices[0].text.toStdString();
    EXPECT_EQ(run.notices[0].text, optimizer::integerStoppedText(*run.formulation.entero));
    EXPECT_TRUE(run.notices[0].text.contains(QStringLiteral("encontrada en 1 nodo, pero")))
        << run.notices[0].text.toStdString();
    EXPECT_GT(run.formulation.entero->brecha, 0);
}

// The search for a weighable mix takes only linear limits: with a probability on protein as
// well, the formula is refused, saying why, rather than searched without the probability.
TEST(IntegerFormulation, WeighingConditionsWithAProbabilityAreRefusedTogether) {
    PublishedFeed feed;
    ScriptedMessages messages;
    feed.exec("insert into formula_uso_minimo (id_formula,id_producto,minimo) select " + feed.f() +
              ",id_producto,5 from formula_producto where id_formula=" + feed.f());
    feed.exec("insert into producto_propiedad_desvio (id_producto,id_propiedad,desvio) select "
              "id_producto,id_propiedad,1 from producto_propiedad pp where id_propiedad=(select "
              "id_propiedad from propiedades where nombre='Proteína')");
    feed.exec("insert into formula_propiedad_probabilidad (id_formula,id_propiedad,probabilidad) "
              "select " +
              feed.f() + ",id_propiedad,0.95 from propiedades where nombre='Proteína'");
    const optimizer::StoredRun both = feed.run();
    EXPECT_EQ(both.formulation.outcome, RunOutcome::Invalid);
    EXPECT_FALSE(both.formulation.figures);
    ASSERT_FALSE(both.formulation.notices.empty());
    EXPECT_TRUE(both.formulation.notices.back().text.contains("todavía no se pueden formular"));

    // Either alone formulates.
    feed.exec("delete from formula_uso_minimo");
    EXPECT_EQ(feed.run().formulation.outcome, RunOutcome::Optimum);
}
