#include "optimizer/analysis_grids.h"
#include "optimizer/formulation_run.h"
#include "store/sql_text.h"
#include "support/blend_database.h"
#include "support/ingredient_rows.h"
#include "support/loaded_workspace.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/formula_loader.h"
#include "workspace/formula_save.h"
#include "workspace/workspace.h"

#include <algorithm>
#include <gtest/gtest.h>

using optimizer::analysisGrid;
using optimizer::analysisTabs;
using optimizer::RunOutcome;
using workspace::Workspace;

namespace {

void addAnalysis(Workspace& ws, const QString& tipo, const QString& detalle, double v1, double v2,
                 double v3) {
    ws.analysisRows.push_back({tipo, detalle, v1, v2, v3});
}

// The texts of the data rows of a grid, columns 1 to 4 joined.
QStringList rowTexts(const grid::GridContent& g) {
    QStringList out;
    for (int r = 0; r < g.rowCount(); ++r)
        out << QStringList{g.cell(r, 1).text, g.cell(r, 2).text, g.cell(r, 3).text,
                           g.cell(r, 4).text}
                   .join('|');
    return out;
}

int formulaId(store::Database& db, const QString& code) {
    store::RecordSet rs =
        db.query("select id_formula from formulas where codigo=" + sql::text(code) +
                 " order by version desc");
    return rs.count() ? rs.toInt("id_formula") : 0;
}

optimizer::Formulation formulate(Workspace& ws, store::Database& db, const QString& quantity) {
    return formulateShown(ws, db, quantity);
}

} // namespace

TEST(AnalysisGrids, EachTabListsItsKindByValor2WithItsHeadersAndFormats) {
    Workspace ws;
    addAnalysis(ws, "IA", "Maíz", 0.25, 0.0125, 0.2625);
    addAnalysis(ws, "IA", "Soja", 0.48, 0, 0.48); // no increase before the mix changes
    addAnalysis(ws, "II", "Afrecho", 0.2, 0.031, 0.169);
    addAnalysis(ws, "RN", "Mínimo para Proteína", 274.7324, 3.14159, 277.874);
    addAnalysis(ws, "RN", "Máximo para Fibra", 274.7324, -1.5, 273.2324);
    addAnalysis(ws, "RI", "Máximo para Premezcla", 274.7324, -0.0625, 274.6699);

    const auto& tabs = analysisTabs();
    ASSERT_EQ(tabs.size(), 6u);
    EXPECT_EQ(tabs[0].tabCaption, "Ingredientes Activos");
    EXPECT_EQ(tabs[2].gridName, "FlexGrid3"); // ingredient restrictions on the third tab
    EXPECT_EQ(tabs[3].gridName, "FlexGrid2");
    EXPECT_EQ(tabs[4].tipo, "RR");
    EXPECT_EQ(tabs[5].tipo, "RG");

    const grid::GridContent ia = analysisGrid(ws.analysisRows, tabs[0]);
    EXPECT_EQ(rowTexts(ia),
              (QStringList{"Soja|0.4800|0.0000|0.4800", "Maíz|0.2500|0.0125|0.2625"}));
    EXPECT_EQ(ia.columns[0].widthTwips, 0);
    EXPECT_EQ(ia.columns[2].widthTwips, 1500);
    EXPECT_EQ(ia.header[2].text, "Precio Actual");
    EXPECT_EQ(ia.header[3].text, "Máxima Variación");
    EXPECT_EQ(ia.header[4].text, "Precio Máximo");
    EXPECT_EQ(ia.header[1].background, grid::kGrey);

    const grid::GridContent ii = analysisGrid(ws.analysisRows, tabs[1]);
    EXPECT_EQ(rowTexts(ii), (QStringList{"Afrecho|0.2000|0.0310|0.1690"}));
    EXPECT_EQ(ii.header[3].text, "Excedente");
    EXPECT_EQ(ii.header[4].text, "Precio Oportuno");

    const grid::GridContent rn = analysisGrid(ws.analysisRows, tabs[3]);
    EXPECT_EQ(rowTexts(rn), (QStringList{"Máximo para Fibra|274.73|-1.5000|273.23",
                                         "Mínimo para Proteína|274.73|3.1416|277.87"}));
    EXPECT_EQ(rn.header[1].text, "Por cada unidad de aumento en la restricción");
    // With the nutrient rows the restriction names the unit its increase is measured in.
    workspace::SensitivityRow energy{"RN", "Mínimo para Energía", 274.73, 0.5, 275.23};
    energy.about = workspace::SensitivityRow::About::Nutrient;
    energy.id = 9;
    workspace::FormulaNutrient energyRow;
    energyRow.id = 9;
    energyRow.unidad = "Mcal/kg";
    EXPECT_EQ(rowTexts(analysisGrid({energy}, tabs[3], {energyRow})),
              (QStringList{"Mínimo para Energía (Mcal/kg)|274.73|0.5000|275.23"}));
    energy.about = workspace::SensitivityRow::About::Ingredient; // an ingredient of that id
    EXPECT_EQ(rowTexts(analysisGrid({energy}, tabs[3], {energyRow})),
              (QStringList{"Mínimo para Energía|274.73|0.5000|275.23"}));
    EXPECT_EQ(rowTexts(analysisGrid(ws.analysisRows, tabs[2])),
              (QStringList{"Máximo para Premezcla|274.73|-0.0625|274.67"}));

    // An empty ratio or group tab says whether the formula limits none or none binds.
    EXPECT_EQ(optimizer::analysisEmptyText(ws, tabs[5]),
              "La fórmula no tiene límites de grupos de ingredientes.");
    EXPECT_EQ(optimizer::analysisEmptyText(ws, tabs[4]),
              "La fórmula no tiene límites de relaciones entre nutrientes.");
    formulas::FormulaGroup granos;
    granos.minimo = 40.0;
    ws.groups.push_back(granos);
    EXPECT_EQ(optimizer::analysisEmptyText(ws, tabs[5]),
              "Ningún límite de grupo está en su tope: ninguno cambia el costo.");
    EXPECT_EQ(optimizer::analysisEmptyText(ws, tabs[1]), "");
    ws.groups.clear();

    // The workspace's own rows keep their order and show every kind.
    EXPECT_EQ(int(ws.analysisRows.size()), 6);
    EXPECT_EQ(ws.analysisRows[0].detalle, "Maíz");
}

TEST(ResultViewsOnSample, BroilerDietAnalysisAndASaveThatReadsBackTheSameFigures) {
    TempDatabase t(true);
    auto& db = t.db();
    ScriptedMessages messages;
    Workspace ws;
    ws.formulaId = formulaId(db, "POLLO-INI");
    ASSERT_GT(ws.formulaId, 0);
    loadShown(ws, db);
    ASSERT_EQ(formulate(ws, db, "1000").outcome, RunOutcome::Optimum);
    EXPECT_NEAR(ws.vCostoHumeda, 0.2749198, 5e-7);

    // Every sensitivity row is on exactly one tab, each tab by valor2 ascending.
    int listed = 0;
    for (const auto& tab : analysisTabs()) {
        const grid::GridContent g = analysisGrid(ws.analysisRows, tab);
        listed += g.rowCount();
        for (int r = 1; r < g.rowCount(); ++r)
            EXPECT_LE(g.cell(r - 1, 3).text.toDouble(), g.cell(r, 3).text.toDouble());
    }
    EXPECT_EQ(listed, int(ws.analysisRows.size()));
    EXPECT_GT(analysisGrid(ws.analysisRows, analysisTabs()[0]).rowCount(), 0);

    // Saved as a new version and reopened: the same mix, limits and prices.
    auto snapshot = [](Workspace& w) {
        QStringList rows;
        std::vector<workspace::FormulaIngredient> byId = w.ingredients;
        std::sort(byId.begin(), byId.end(),
                  [](const auto& x, const auto& y) { return x.id < y.id; });
        for (const workspace::FormulaIngredient& p : byId)
            rows << QString("%1|%2|%3|%4|%5|%6")
                        .arg(p.id)
                        .arg(p.porcentajeHumeda.value_or(0), 0, 'g', 12)
                        .arg(p.cantidadSeca.value_or(0), 0, 'g', 12)
                        .arg(testrows::value(p, "minimo").toString(),
                             testrows::value(p, "maximo").toString())
                        .arg(p.costoHumeda.value_or(0));
        return rows;
    };
    const QStringList mix = snapshot(ws);
    formulas::HeaderInput header;
    header.code = "POLLO-INI";
    header.product = "Pollo";
    header.newVersion = true;
    header.cantidad = 1000;
    header.secaIng = header.secaNut = false;
    header.today = QDate(2026, 12, 6);
    const workspace::SaveResult saved =
        workspace::saveFormula(ws, db, formulas::openHeader(db, ws.formulaId), header);
    ASSERT_EQ(saved.outcome, workspace::SaveResult::Saved);
    Workspace reopened;
    reopened.formulaId = formulaId(db, "POLLO-INI");
    EXPECT_EQ(reopened.formulaId, ws.formulaId);
    loadShown(reopened, db);
    EXPECT_EQ(snapshot(reopened), mix);
    EXPECT_NEAR(reopened.vCostoHumeda, 0.2749198, 5e-7);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(ResultViewsOnSample, AFailedCheckHandsTheGreatestReachableValueToTheView) {
    TempDatabase t(true);
    auto& db = t.db();
    ScriptedMessages messages;
    Workspace ws;
    ws.formulaId = formulaId(db, "POLLO-INI");
    loadShown(ws, db);
    auto& n = ws.nutrients.at(0);
    n.minimo = 1e6; // far beyond any mix
    n.maximo.reset();
    const QString nutrient = n.nombre.trimmed();

    const auto r = optimizer::formulate(ws, db, {1000, ws.ingredientsDry, ws.nutrientsDry, {}});
    ASSERT_EQ(r.outcome, RunOutcome::PrecheckFailed) << messages.texts().join('\n').toStdString();
    ASSERT_TRUE(r.unreachable);
    EXPECT_TRUE(optimizer::contributionsCaption(r.unreachable->nombre, r.unreachable->minimo)
                    .startsWith("PROBLEMA CON RESTRICCIÓN: Mínimo para " + nutrient));
    // The greatest reachable value, for the view, falls short of the minimum asked.
    EXPECT_GT(r.unreachable->maximoAlcanzable, 0);
    EXPECT_LT(r.unreachable->maximoAlcanzable, r.unreachable->minimo);
    EXPECT_GT(optimizer::largestContribution(r.unreachable->contributions), 0);
}
