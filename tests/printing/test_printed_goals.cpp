#include "catalog/composition.h"
#include "catalog/nutrients.h"
#include "formulas/formula_lookup.h"
#include "optimizer/sample_formulas.h"
#include "printing/formula_printout.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <gtest/gtest.h>

// The goals a user may print, with the formula's value of each in its mix as fed: the formula's
// nutrients first, then the catalogue's others (a footprint brought in as a nutrient among them).
TEST(PrintedGoals, ValuesOfTheMixAsFedForTheFormulasAndTheCataloguesNutrients) {
    TempDatabase t(true);
    ScriptedMessages messages;
    store::Database& db = t.db();
    optimizer::formulateSampleFormulas(db);
    const int id = formulas::findFormula(db, {"POLLO-INI", std::nullopt, 0});
    workspace::LoadedFormula loaded = workspace::loadFormula(db, id);
    const workspace::Workspace& ws = loaded.ws;
    ASSERT_FALSE(ws.nutrientsDry); // the broiler's values are as fed, as the goals' are

    const int footprint = catalog::createNutrient(db, {"Huella de carbono", "kg CO2e/kg"});
    // 0.5 per kilogram as fed in every ingredient: 0.5 in any mix.
    for (const workspace::FormulaIngredient& i : ws.ingredients)
        catalog::updateCompositionValue(db, i.id, footprint,
                                        0.5 * 100 / i.materiaSecaActual.value_or(i.materiaSeca));

    const std::vector<printing::PrintedGoal> choices = printing::goalChoices(db, ws);
    ASSERT_GT(choices.size(), ws.nutrients.size());
    for (std::size_t k = 0; k < ws.nutrients.size(); ++k) {
        EXPECT_EQ(choices[k].id, ws.nutrients[k].id);
        ASSERT_TRUE(choices[k].valor);
        EXPECT_NEAR(*choices[k].valor, ws.nutrients[k].valor.value_or(-1),
                    1e-9 * std::max(1.0, *choices[k].valor))
            << choices[k].nombre.toStdString();
    }
    const auto carbon =
        std::find_if(choices.begin(), choices.end(),
                     [&](const printing::PrintedGoal& g) { return g.id == footprint; });
    ASSERT_NE(carbon, choices.end());
    EXPECT_EQ(carbon->unidad, "kg CO2e/kg");
    EXPECT_EQ(printing::goalText(*carbon),
              "Huella de carbono: 0.5000 kg CO2e/kg · 500.00 kg CO2e/t");

    // Chosen by id, in the order given; an id the catalogue lacks is left out.
    const std::vector<printing::PrintedGoal> chosen =
        printing::printedGoals(db, ws, {footprint, 999999, ws.nutrients[0].id});
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0].id, footprint);
    EXPECT_EQ(chosen[1].valor, choices[0].valor);

    // A workspace without a mix has no values to print.
    workspace::Workspace unmixed = ws;
    for (workspace::FormulaIngredient& i : unmixed.ingredients)
        i.porcentajeHumeda.reset();
    EXPECT_FALSE(printing::printedGoals(db, unmixed, {footprint}).front().valor);
}
