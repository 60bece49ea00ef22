#include "support/blend_database.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/basis_rule.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <gtest/gtest.h>

using namespace blenddb;
using workspace::Workspace;

TEST(FormulaLoader, EmptyWorkspaceStartsDryWithNoRows) {
    TempDatabase t(true);
    const workspace::LoadedFormula loaded = workspace::loadFormula(t.db(), 0);
    EXPECT_FALSE(loaded.refusal);
    EXPECT_FALSE(loaded.header.found);
    EXPECT_TRUE(loaded.header.cantidad.isEmpty());
    EXPECT_TRUE(loaded.ws.ingredientsDry);
    EXPECT_TRUE(loaded.ws.nutrientsDry);
    EXPECT_EQ(int(loaded.ws.ingredients.size()), 0);
    EXPECT_EQ(int(loaded.ws.nutrients.size()), 0);
    EXPECT_EQ(int(loaded.ws.analysisRows.size()), 0);

    // The window's workspace takes a load, keeping the analysis of its last formulation.
    Workspace ws;
    ws.ingredients.push_back({});
    ws.analysisRows.push_back({QStringLiteral("IA"), QStringLiteral("Maíz"), 1, 2, 3});
    workspace::adoptLoaded(ws, loaded.ws, 12);
    EXPECT_EQ(ws.formulaId, 12);
    EXPECT_EQ(int(ws.ingredients.size()), 0);
    EXPECT_EQ(int(ws.analysisRows.size()), 1);
}

TEST(FormulaLoader, LoadsHeaderBasesLimitsAndIngredients) {
    TempDatabase t;
    auto& db = t.db();
    const int maiz = addIngredient(db, "Maíz", 0.2, 88);
    const int soja = addIngredient(db, "Soja", 0.4, 90);
    const int seco = addIngredient(db, "Sin materia seca", 0.1, 50);
    const int prot = addNutrient(db, "Proteína");
    const int ca = addNutrient(db, "Calcio");
    setComposition(db, maiz, prot, 10);
    setComposition(db, soja, prot, 50);
    // Stored dry quantities with wet nutrients come up as wet and wet.
    const int f = addFormula(db, "F1", 999.5, 0, 1, 3);
    addFormulaIngredient(db, f, maiz, 100, std::nullopt, 0.25, 87, 0.8); // stored price differs
    addFormulaIngredient(db, f, soja, std::nullopt, 400, 0.4, 90, 0.2);
    addFormulaIngredient(db, f, seco, std::nullopt, std::nullopt, 0.1, 0, 0);
    addFormulaNutrient(db, f, prot, 15, std::nullopt, 99);
    addFormulaNutrient(db, f, ca, std::nullopt, 2);

    ScriptedMessages messages; // the load shows nothing
    workspace::LoadedFormula loaded = workspace::loadFormula(db, f);
    ASSERT_FALSE(loaded.refusal);
    const Workspace& ws = loaded.ws;
    const workspace::FormulaHeader& header = loaded.header;
    ASSERT_TRUE(header.found);
    EXPECT_EQ(ws.formulaId, 0); // the caller's to set
    EXPECT_EQ(header.codigo, "F1");
    EXPECT_EQ(header.version, "3");
    EXPECT_EQ(header.fechaCreacion, "01/02/2009");
    EXPECT_EQ(header.fechaModificacion, "");
    EXPECT_EQ(ws.batchQuantity, 1000); // 999.5 rounds to the even whole number
    EXPECT_FALSE(ws.ingredientsDry);
    EXPECT_FALSE(ws.nutrientsDry);
    EXPECT_EQ(workspace::nutrientTabCaption(ws), "Base Húmeda");

    ASSERT_EQ(loaded.notices.size(), 1u);
    EXPECT_EQ(loaded.notices[0].text,
              "El Ingrediente no posee materia seca definida\n\nEl ingrediente Sin "
              "materia seca no se ha ingresado a la Fórmula");
    EXPECT_EQ(loaded.notices[0].kind, 16);
    ASSERT_EQ(int(ws.ingredients.size()), 2);
    const workspace::FormulaIngredient& p = ws.ingredients[0]; // largest as-fed share first
    EXPECT_EQ(p.id, maiz);
    EXPECT_DOUBLE_EQ(p.costoHumeda.value_or(0), 0.25);
    EXPECT_DOUBLE_EQ(p.costoSeca.value_or(0), 0.25 / 0.87);
    EXPECT_DOUBLE_EQ(p.materiaSecaActual.value_or(0), 88);
    EXPECT_DOUBLE_EQ(p.costoHumedaActual.value_or(0), 0.2);
    EXPECT_FALSE(p.maximo.has_value());

    ASSERT_EQ(ws.nutrients.size(), 2u);
    const workspace::FormulaNutrient* n = &ws.nutrients[0]; // by name
    EXPECT_EQ(n->nombre, "Calcio");
    EXPECT_TRUE(!n->minimo);
    EXPECT_TRUE(!n->valorAnterior);
    n = &ws.nutrients[1];
    EXPECT_DOUBLE_EQ(n->valorAnterior.value_or(0), 99);
    // Recomputed from today's catalogue, wet basis with catalogue dry matter.
    EXPECT_NEAR(n->valor.value_or(0), 10 * 0.88 * 0.8 + 50 * 0.9 * 0.2, 1e-12);
    // The quantity box shows the batch total of the loaded mix (none yet).
    EXPECT_EQ(header.cantidad, "0.00");

    EXPECT_TRUE(messages.texts().isEmpty());

    // A missing header is refused, with nothing of the formula left.
    addFormulaNutrient(db, 77, prot, 1, std::nullopt); // a row without its formula
    const workspace::LoadedFormula missing = workspace::loadFormula(db, 77);
    ASSERT_TRUE(missing.refusal);
    EXPECT_EQ(missing.refusal->text, "No se pudo establecer la Fórmula");
    EXPECT_EQ(missing.refusal->kind, 16);
    EXPECT_FALSE(missing.header.found);
    EXPECT_EQ(int(missing.ws.nutrients.size()), 0);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(BasisRule, DryQuantitiesWithWetNutrientsNeverExists) {
    Workspace ws;
    workspace::chooseIngredientBasis(ws, false);
    workspace::chooseNutrientBasis(ws, false);
    EXPECT_EQ(workspace::nutrientTabCaption(ws), "Base Húmeda");
    workspace::chooseIngredientBasis(ws, true); // switches the nutrients to dry
    EXPECT_TRUE(ws.nutrientsDry);
    EXPECT_EQ(workspace::nutrientTabCaption(ws), "Base Seca");
    workspace::chooseNutrientBasis(ws, false); // switches the quantities to wet
    EXPECT_FALSE(ws.ingredientsDry);
    EXPECT_FALSE(ws.nutrientsDry);
    workspace::chooseNutrientBasis(ws, true);
    EXPECT_FALSE(ws.ingredientsDry);
    EXPECT_TRUE(ws.nutrientsDry);
}

TEST(FormulaLoader, QuantityBeyondSixteenBitsIsKeptWhole) {
    TempDatabase t;
    const int f = blenddb::addFormula(t.db(), "GRANDE", 40000.4, 1, 1);
    EXPECT_EQ(workspace::loadFormula(t.db(), f).ws.batchQuantity,
              40000); // not wrapped to a negative 16-bit value
}
