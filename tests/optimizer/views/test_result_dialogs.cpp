#include "optimizer/formulation_run.h"
#include "optimizer/views/frmAnalisis.h"
#include "optimizer/views/frmAportes.h"
#include "store/sql_text.h"
#include "support/loaded_workspace.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using workspace::Workspace;

namespace {

QString headerText(QTableWidget* grid, int column) {
    return grid->horizontalHeaderItem(column)->text();
}

// The sample broiler diet, formulated for 1000 units.
void formulateBroilerDiet(Workspace& ws, store::Database& db) {
    store::RecordSet rs =
        db.query("select id_formula from formulas where codigo=" + sql::text("POLLO-INI"));
    ws.formulaId = rs.toInt("id_formula");
    loadShown(ws, db);
    ASSERT_EQ(optimizer::formulate(ws, db, {1000, ws.ingredientsDry, ws.nutrientsDry, {}}).outcome,
              optimizer::RunOutcome::Optimum);
}

} // namespace

TEST(AportesView, ShowsTheContributionsTheGreatestValueAndSaysWhyOnce) {
    ScriptedMessages messages;
    std::vector<workspace::ContributionRow> rows;
    rows.push_back({QString("Carbonato de calcio"), 30.0, 38.0, 1.14});
    rows.push_back({QString("Maíz"), std::nullopt, 0.02, 0.02});

    optimizer::frmAportes view(rows, 1.0612345,
                               "PROBLEMA CON RESTRICCIÓN: Mínimo para Calcio = 1.20", "Calcio  ");
    EXPECT_EQ(view.windowTitle(), "PROBLEMA CON RESTRICCIÓN: Mínimo para Calcio = 1.20");
    EXPECT_EQ(view.findChild<QLabel*>("Label1_0")->text(),
              "Máximo valor a alcanzar con los ingredientes acutales");
    EXPECT_EQ(view.findChild<QLabel*>("Label1_1")->text(), "1.06123");
    auto* grid = view.findChild<QTableWidget*>("FlexGrid1");
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(headerText(grid, 0), "Ingrediente");
    EXPECT_EQ(headerText(grid, 3), "Aporte Máximo");
    EXPECT_EQ(grid->item(0, 0)->text(), "Carbonato de calcio");
    EXPECT_EQ(grid->item(0, 2)->text(), "38.00");
    EXPECT_EQ(grid->item(1, 1)->text(), "");
    view.setMaximoAlcanzable(2);
    EXPECT_EQ(view.findChild<QLabel*>("Label1_1")->text(), "2.00");
    EXPECT_TRUE(messages.shown().empty()); // nothing said before the view comes up

    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    QTRY_COMPARE(int(messages.shown().size()), 1);
    EXPECT_EQ(messages.shown()[0].text,
              "No es posible alcanzar el Mínimo para la propiedad Calcio");
    EXPECT_EQ(messages.shown()[0].style, msg::Critical);
    EXPECT_EQ(messages.shown()[0].title, "Se ha cancelado la Formulación");
    QWidget other;
    other.show();
    other.activateWindow();
    view.activateWindow();
    QTest::qWait(20);
    EXPECT_EQ(messages.shown().size(), 1u); // once, not at every activation

    QSignalSpy accepted(&view, &QDialog::accepted);
    view.findChild<QPushButton*>("cmdClose")->click();
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_FALSE(view.isVisible());
}

TEST(AportesView, WithoutARunFigureShowsTheLargestSingleContribution) {
    ScriptedMessages messages;
    std::vector<workspace::ContributionRow> rows;
    rows.push_back({QString("A"), std::nullopt, 9.0, 9.0});
    rows.push_back({QString("B"), 50.0, 40.0, 20.0});
    optimizer::frmAportes view(rows, std::nullopt, "Aportes", "A");
    EXPECT_EQ(view.findChild<QLabel*>("Label1_1")->text(), "20.00");
}

TEST(AnalisisView, SixTabsOfTheBroilerDietAndOnlyHeadersAfterAnInfeasibleRun) {
    TempDatabase t(true);
    ScriptedMessages messages;
    Workspace ws;
    formulateBroilerDiet(ws, t.db());
    const QString before = ws.analysisRows[0].detalle;

    {
        optimizer::frmAnalisis view(ws);
        EXPECT_EQ(view.windowTitle(), "Análisis de los Resultados");
        auto* tabs = view.findChild<QTabWidget*>("SSTab1");
        ASSERT_EQ(tabs->count(), 6);
        EXPECT_EQ(tabs->tabText(4), "Relaciones");
        EXPECT_EQ(tabs->currentIndex(), 0);
        EXPECT_EQ(tabs->tabText(1), "Ingredientes Inactivos");
        EXPECT_EQ(tabs->tabText(2), "Restricciones de Ingredientes");
        EXPECT_EQ(tabs->widget(2)->objectName(), "FlexGrid3");
        EXPECT_EQ(tabs->widget(3)->objectName(), "FlexGrid2");
        int rows = 0;
        for (const char* name :
             {"FlexGrid0", "FlexGrid1", "FlexGrid2", "FlexGrid3", "FlexGrid4", "FlexGrid5"})
            rows += view.findChild<QTableWidget*>(name)->rowCount();
        EXPECT_EQ(rows, int(ws.analysisRows.size()));
        // The broiler's calcium to phosphorus ratio binds.
        EXPECT_EQ(view.findChild<QTableWidget*>("FlexGrid4")->rowCount(), 1);

        auto* active = view.findChild<QTableWidget*>("FlexGrid0");
        ASSERT_GT(active->rowCount(), 1);
        EXPECT_TRUE(active->isColumnHidden(0));
        EXPECT_FALSE(active->isColumnHidden(1));
        EXPECT_EQ(headerText(active, 3), "Máxima Variación");
        EXPECT_GE(active->columnWidth(3), active->horizontalHeader()->sectionSizeHint(3));
        for (int r = 1; r < active->rowCount(); ++r)
            EXPECT_LE(active->item(r - 1, 3)->text().toDouble(),
                      active->item(r, 3)->text().toDouble());
        EXPECT_EQ(headerText(view.findChild<QTableWidget*>("FlexGrid2"), 1),
                  "Por cada unidad de aumento en la restricción");
        EXPECT_FALSE(active->findChild<QLabel*>("txtnohubo")->isVisible());
    }
    EXPECT_EQ(ws.analysisRows[0].detalle, before); // the view only reads

    ws.analysisRows.clear(); // as an infeasible run leaves it
    optimizer::frmAnalisis empty(ws);
    empty.show();
    for (auto [name, price] :
         std::vector<std::pair<const char*, const char*>>{{"FlexGrid0", "Precio Actual"},
                                                          {"FlexGrid1", "Precio Actual"},
                                                          {"FlexGrid2", "Costo Actual"},
                                                          {"FlexGrid3", "Costo Actual"}}) {
        auto* grid = empty.findChild<QTableWidget*>(name);
        EXPECT_EQ(grid->rowCount(), 0) << name;
        EXPECT_EQ(headerText(grid, 2), price) << name;
        EXPECT_FALSE(grid->findChild<QLabel*>("txtnohubo")->isVisible());
    }
    EXPECT_TRUE(messages.shown().empty());
}

TEST(AnalisisView, AnEmptyRatioOrGroupTabSaysWhy) {
    Workspace ws;
    ws.analysisRows.push_back({"IA", "Maíz", 0.25, 0.0125, 0.2625});
    formulas::FormulaRatio ratio;
    ratio.maximo = 2.0; // limited, but not at its bound
    ws.ratios.push_back(ratio);
    formulas::FormulaGroup unlimited; // listed without a minimum or a maximum
    unlimited.nombre = "Granos";
    ws.groups.push_back(unlimited);
    auto says = [](const QDialog& view, const char* grid) {
        auto* label = view.findChild<QTableWidget*>(grid)->findChild<QLabel*>("txtnohubo");
        return label->isHidden() ? QString() : label->text();
    };
    {
        optimizer::frmAnalisis view(ws);
        EXPECT_EQ(says(view, "FlexGrid5"),
                  "La fórmula no tiene límites de grupos de ingredientes.");
        EXPECT_EQ(says(view, "FlexGrid4"),
                  "Ningún límite de relación está en su tope: ninguno cambia el costo.");
        EXPECT_EQ(says(view, "FlexGrid0"), "");
    }
    ws.analysisRows.push_back({"RG", "Máximo para Granos", 270.0, -1.0, 269.0});
    ws.ratios.clear();
    optimizer::frmAnalisis view(ws);
    EXPECT_EQ(view.findChild<QTableWidget*>("FlexGrid5")->rowCount(), 1);
    EXPECT_EQ(says(view, "FlexGrid5"), "");
    EXPECT_EQ(says(view, "FlexGrid4"),
              "La fórmula no tiene límites de relaciones entre nutrientes.");
}

// With the tab of limits held with a probability the window widens so that every tab caption
// shows, and the line about the analysis stands above the tabs only when there is one.
TEST(AnalysisView, EveryTabCaptionShowsAndTheNoteOnlyWhenThereIsOne) {
    Workspace ws;
    {
        optimizer::frmAnalisis plain(ws);
        EXPECT_EQ(plain.findChild<QLabel*>("lblNotaAnalisis"), nullptr);
    }
    ws.analysisNote = optimizer::kChanceAnalysisNote;
    optimizer::frmAnalisis view(ws, nullptr, std::nullopt,
                                {{1, "Proteína bruta", 0.95, 23.99, 0.6, 0.99, std::nullopt, 0.0}});
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto* note = view.findChild<QLabel*>("lblNotaAnalisis");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(), optimizer::kChanceAnalysisNote);
    auto* tabs = view.findChild<QTabWidget*>("SSTab1");
    ASSERT_EQ(tabs->count(), 7);
    const QTabBar* bar = tabs->tabBar();
    for (int k = 0; k < tabs->count(); ++k) {
        const QRect caption = bar->tabRect(k);
        EXPECT_TRUE(bar->rect().contains(caption)) << tabs->tabText(k).toStdString();
    }
    // A price no formulation found stays blank.
    auto* grid = view.findChild<QTableWidget*>("grdProbabilidad");
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(headerText(grid, 6), "Precio del mínimo");
    EXPECT_TRUE(!grid->item(0, 6) || grid->item(0, 6)->text().isEmpty());
    EXPECT_FALSE(grid->item(0, 7)->text().isEmpty());
}
