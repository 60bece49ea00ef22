#include "optimizer/stored_formulation.h"
#include "support/blend_database.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using namespace blenddb;
using optimizer::RunOutcome;

// A stored formula formulated without a window: A (10) and B (30) at 90 % dry matter, protein
// (A 10, B 40) at least 20, a batch of 100 on wet quantities and dry nutrients. The formula
// holds A at an old price of 12 and a third ingredient whose stored dry matter is 0.
TEST(StoredFormulation, LoadsTakesOverTodayAndFormulatesShowingNothing) {
    TempDatabase t;
    auto& db = t.db();
    const int a = addIngredient(db, "A", 10, 90);
    const int b = addIngredient(db, "B", 30, 90);
    const int c = addIngredient(db, "C", 5, 90);
    const int prot = addNutrient(db, "Proteína");
    setComposition(db, a, prot, 10);
    setComposition(db, b, prot, 40);
    const int f = addFormula(db, "EJ", 100, 1, 0);
    addFormulaIngredient(db, f, a, std::nullopt, std::nullopt, 12, 90, 1);
    addFormulaIngredient(db, f, b, std::nullopt, std::nullopt, 30, 90);
    addFormulaIngredient(db, f, c, std::nullopt, std::nullopt, 5, 0);
    addFormulaNutrient(db, f, prot, 20, std::nullopt);
    ScriptedMessages messages;

    optimizer::StoredRunOptions options;
    options.todaysPrices = true;
    options.keepAsLoaded = true;
    const optimizer::StoredRun run = optimizer::formulateStored(db, f, options);
    ASSERT_FALSE(run.refusal);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(run.header.codigo, "EJ");
    ASSERT_TRUE(run.ws);
    EXPECT_EQ(run.ws->formulaId, f);
    // The ingredient without dry matter was left out, and said so; nothing else was told.
    ASSERT_EQ(run.notices.size(), 1u);
    EXPECT_TRUE(run.notices[0].text.contains("El ingrediente C no se ha ingresado"));
    // The stored mix (all A as fed) kept at its stored price; the same mix at today's price.
    ASSERT_TRUE(run.asLoaded);
    EXPECT_DOUBLE_EQ(run.asLoaded->ingredients.at(0).costoHumeda.value_or(0), 12);
    EXPECT_DOUBLE_EQ(run.ws->ingredients.at(0).costoHumeda.value_or(0) +
                         run.ws->ingredients.at(1).costoHumeda.value_or(0),
                     40); // A at today's 10, B at 30
    EXPECT_NEAR(run.costoMezclaHoy, 10, 1e-9);
    EXPECT_EQ(run.formulation.outcome, RunOutcome::Optimum);
    EXPECT_NEAR(run.ws->batchQuantity, 100, 1e-9); // the stored batch
    ASSERT_TRUE(run.formulation.figures);

    // Another batch, on the stored prices: the same shares, the stored copy not kept.
    options = {};
    options.cantidad = 437.5;
    const optimizer::StoredRun other = optimizer::formulateStored(db, f, options);
    EXPECT_EQ(other.formulation.outcome, RunOutcome::Optimum);
    EXPECT_DOUBLE_EQ(other.ws->batchQuantity, 437.5);
    EXPECT_FALSE(other.asLoaded);
    // The same protein on A at 12 rather than 10 costs more per unit.
    EXPECT_GT(other.ws->vCostoHumeda, run.ws->vCostoHumeda + 1e-6);

    // A batch the checks refuse comes back as a refused quantity with its notice last.
    options.cantidad = 1500;
    const optimizer::StoredRun tooBig = optimizer::formulateStored(db, f, options);
    EXPECT_EQ(tooBig.formulation.outcome, RunOutcome::Invalid);
    EXPECT_TRUE(tooBig.formulation.quantityRefused);
    EXPECT_EQ(tooBig.notices.back().text, "La cantidad a elaborar no puede ser mayor a 1000");

    // A formula that is not there is refused by name, and nothing is formulated.
    const optimizer::StoredRun missing = optimizer::formulateStored(db, f + 100, {});
    ASSERT_TRUE(missing.refusal);
    EXPECT_EQ(missing.refusal->text, "No se pudo establecer la Fórmula");
    EXPECT_FALSE(missing.ws);
    EXPECT_TRUE(messages.shown().empty());
}
