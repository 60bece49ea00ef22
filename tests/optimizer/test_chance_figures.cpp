#include "optimizer/chance_figures.h"
#include "store/database.h"
#include "store/record_set.h"
#include "store/sql_text.h"
#include "support/chance_sample.h"
#include "support/loaded_workspace.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/formula_save.h"
#include "workspace/unsaved_changes.h"
#include "workspace/workspace.h"
#include "workspace/workspace_edits.h"

#include <gtest/gtest.h>

using workspace::Workspace;

namespace {

// The sample broiler starter with protein varying by 5 % of its value in every ingredient and
// its protein limits held at 95 %.
struct ChanceBroiler {
    TempDatabase t{true};
    Workspace ws;

    ChanceBroiler() {
        auto& db = t.db();
        varySampleProtein(db);
        holdBroilerProteinAt95(db);
        ws.formulaId = formulaId("POLLO-INI");
        loadShown(ws, db);
    }
    int formulaId(const QString& code) {
        store::RecordSet rs =
            t.db().query("select id_formula from formulas where codigo=" + sql::text(code) +
                         " order by version desc");
        return rs.count() ? rs.toInt("id_formula") : 0;
    }
};

void expectSameFigures(const std::vector<optimizer::ChanceFigureRow>& shown,
                       const std::vector<optimizer::ChanceFigureRow>& formulated,
                       double tolerance) {
    ASSERT_EQ(shown.size(), formulated.size());
    for (size_t k = 0; k < shown.size(); ++k) {
        EXPECT_EQ(shown[k].nutrientId, formulated[k].nutrientId);
        EXPECT_EQ(shown[k].nombre, formulated[k].nombre);
        EXPECT_EQ(shown[k].probabilidad, formulated[k].probabilidad);
        EXPECT_NEAR(shown[k].media, formulated[k].media, tolerance);
        EXPECT_NEAR(shown[k].desvio, formulated[k].desvio, tolerance);
        EXPECT_NEAR(shown[k].margen, formulated[k].margen, tolerance);
    }
}

} // namespace

// The figures of the mix as it stands are those the formulation that found it reports, on every
// pair of bases, and a formula stored with that mix and loaded again shows them without being
// formulated; only the limits' prices wait for a formulation.
TEST(ChanceFigures, AStoredMixShowsTheFiguresItsFormulationGave) {
    ScriptedMessages messages;
    for (const bool dryIngredients : {false, true})
        for (const bool dryNutrients : {false, true}) {
            if (dryIngredients && !dryNutrients)
                continue; // refused by the formulation
            SCOPED_TRACE(QString("%1 %2").arg(dryIngredients).arg(dryNutrients).toStdString());
            ChanceBroiler b;
            // The sample is stored unformulated, every share 0: no mix to give figures of.
            EXPECT_TRUE(optimizer::chanceFiguresOfMix(b.ws, b.t.db()).empty());
            b.ws.ingredientsDry = dryIngredients;
            b.ws.nutrientsDry = dryNutrients;
            const optimizer::Formulation r = formulateShown(b.ws, b.t.db(), "1000");
            ASSERT_EQ(r.outcome, optimizer::RunOutcome::Optimum);
            ASSERT_EQ(r.chance.size(), 1u);
            EXPECT_TRUE(r.chance[0].precioMinimo.has_value());
            const std::vector<optimizer::ChanceFigureRow> now =
                optimizer::chanceFiguresOfMix(b.ws, b.t.db());
            expectSameFigures(now, r.chance, 1e-9);
            EXPECT_FALSE(now[0].precioMinimo || now[0].precioMaximo);

            workspace::saveFormulaRows(b.ws, b.t.db(), b.ws.formulaId);
            b.t.db().exec(QString("update formulas set tipoBase=%1, tipoBaseNutrientes=%2 where "
                                  "id_formula=%3")
                              .arg(dryIngredients ? 0 : 1)
                              .arg(dryNutrients ? 0 : 1)
                              .arg(b.ws.formulaId));
            Workspace reloaded;
            reloaded.formulaId = b.ws.formulaId;
            loadShown(reloaded, b.t.db());
            ASSERT_EQ(reloaded.ingredientsDry, dryIngredients);
            ASSERT_EQ(reloaded.nutrientsDry, dryNutrients);
            // The stored quantities carry the mix to their own decimals.
            expectSameFigures(optimizer::chanceFiguresOfMix(reloaded, b.t.db()), r.chance, 1e-4);
        }
    EXPECT_TRUE(messages.shown().empty()) << messages.texts().join('\n').toStdString();
}

// A workspace without a mix, without probabilities or whose deviations are all 0 shows none.
TEST(ChanceFigures, NoMixOrNoVariedLimitShowsNone) {
    ScriptedMessages messages;
    ChanceBroiler b;
    for (workspace::FormulaIngredient& p : b.ws.ingredients)
        p.porcentajeSeca = p.porcentajeHumeda = std::nullopt;
    EXPECT_TRUE(optimizer::chanceFiguresOfMix(b.ws, b.t.db()).empty());

    ChanceBroiler steady;
    steady.t.db().exec("delete from producto_propiedad_desvio");
    formulateShown(steady.ws, steady.t.db(), "1000");
    EXPECT_TRUE(optimizer::chanceFiguresOfMix(steady.ws, steady.t.db()).empty());

    ChanceBroiler plain;
    for (workspace::FormulaNutrient& n : plain.ws.nutrients)
        n.probabilidad.reset();
    formulateShown(plain.ws, plain.t.db(), "1000");
    EXPECT_TRUE(optimizer::chanceFiguresOfMix(plain.ws, plain.t.db()).empty());
}

// The window's figures keep a formulation's prices only while the workspace is the one it
// formulated: a changed probability, limit or mix gives the figures of the mix as it stands.
TEST(ChanceFigures, AFormulationsPricesLastUntilTheWorkspaceChanges) {
    ScriptedMessages messages;
    ChanceBroiler b;
    optimizer::ChanceFigureSource source;
    const std::vector<optimizer::ChanceFigureRow> loaded = source.figures(b.ws, b.t.db());
    for (const optimizer::ChanceFigureRow& f : loaded)
        EXPECT_FALSE(f.precioMinimo.has_value());

    const optimizer::Formulation r = formulateShown(b.ws, b.t.db(), "1000");
    source.formulated(b.ws, r.chance);
    ASSERT_EQ(source.figures(b.ws, b.t.db()).size(), 1u);
    EXPECT_EQ(source.figures(b.ws, b.t.db())[0].precioMinimo, r.chance[0].precioMinimo);

    const int protein = r.chance[0].nutrientId;
    workspace::FormulaNutrient* n = workspace::findNutrient(b.ws, protein);
    const workspace::GridRow row{"id_propiedad", "nombre", protein, n->nombre};
    ASSERT_TRUE(workspace::editNutrientProbability(b.ws, row, "99").stored);
    std::vector<optimizer::ChanceFigureRow> edited = source.figures(b.ws, b.t.db());
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0].probabilidad, 0.99);
    EXPECT_FALSE(edited[0].precioMinimo.has_value());
    // The same mix: the same mean and deviation, the margin of the new probability.
    EXPECT_NEAR(edited[0].media, r.chance[0].media, 1e-9);
    EXPECT_NEAR(edited[0].margen, 2.3263478740408408 * edited[0].desvio, 1e-9);

    source.forget();
    ASSERT_TRUE(workspace::editNutrientProbability(b.ws, row, "95").stored);
    EXPECT_FALSE(source.figures(b.ws, b.t.db())[0].precioMinimo.has_value());
    EXPECT_TRUE(messages.shown().empty()) << messages.texts().join('\n').toStdString();
}
