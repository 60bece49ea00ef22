#include "printing/mix_chart_page.h"
#include "printout_fixture.h"
#include "recording_canvas.h"

#include <gtest/gtest.h>

namespace {

void setCost(workspace::Workspace& ws, const QString& name, double total) {
    for (workspace::FormulaIngredient& i : ws.ingredients)
        if (i.nombre == name)
            i.costoTotal = total;
}

workspace::Workspace formulated() {
    workspace::Workspace ws;
    ws.batchQuantity = 1000;
    addNutrient(ws, "Proteína", 20, 30, 20.0000001); // on its minimum, within round-off
    addNutrient(ws, "Calcio", 0.8, 1.2, 1.0);
    addNutrient(ws, "Fibra", QVariant(), 5, 5.0);          // on its maximum
    addNutrient(ws, "Sodio", 0.1, QVariant(), QVariant()); // no value yet: no bar
    addIngredient(ws, "Maíz", 600, 0.6, 680, 0.68);
    addIngredient(ws, "Soja", 300, 0.3, 320, 0.32);
    addIngredient(ws, "Trigo", 0, 0, 0, 0);
    setCost(ws, "Maíz", 120);
    setCost(ws, "Soja", 150);
    setCost(ws, "Trigo", 0);
    return ws;
}

} // namespace

// The bars of the mix: nutrients with a value, red where a limit binds; ingredients in the mix
// by their cost per unit of it, dearest first.
TEST(MixCharts, BarsOfTheMix) {
    const optimizer::MixCharts c = optimizer::mixCharts(formulated());
    ASSERT_EQ(c.nutrientes.size(), 3u);
    EXPECT_TRUE(c.nutrientes[0].binds);
    EXPECT_FALSE(c.nutrientes[1].binds);
    EXPECT_TRUE(c.nutrientes[2].binds);
    EXPECT_FALSE(optimizer::bindsAt(20.001, 20.0));
    EXPECT_FALSE(optimizer::bindsAt(20, std::nullopt));
    ASSERT_EQ(c.costos.size(), 2u);
    EXPECT_EQ(c.costos[0].nombre, "Soja");
    EXPECT_DOUBLE_EQ(c.costos[0].costoPorUnidad, 0.15);
    EXPECT_DOUBLE_EQ(c.costos[1].costoPorUnidad, 0.12);
    EXPECT_TRUE(optimizer::mixCharts(workspace::Workspace{}).costos.empty());
}

// The chart page: the page header, each nutrient's bar dark blue exactly where a limit binds, its
// limits marked, every cost bar proportional to the dearest, all inside the area.
TEST(MixCharts, ChartPageDrawsInsideItsArea) {
    RecordingCanvas page;
    const optimizer::MixCharts c = optimizer::mixCharts(formulated());
    printing::imprimeGraficos(page, c, "Iniciador", QDate(2026, 12, 7));
    EXPECT_TRUE(page.find("Nutrientes de la mezcla y sus límites"));
    EXPECT_TRUE(page.find("Costo por unidad de mezcla, por ingrediente"));
    EXPECT_TRUE(page.find("20.00  [20.00 ; 30.00]"));
    EXPECT_TRUE(page.find("5.00  [- ; 5.00]"));
    EXPECT_TRUE(page.find("$ 0.1500"));
    EXPECT_TRUE(
        page.find("azul oscuro: el valor está justo en un límite; marcas: mínimo y máximo"));
    const QColor onLimit(25, 55, 120), blue(70, 120, 190);
    QList<QRectF> reds, blues;
    for (const auto& f : page.fills) {
        if (f.colour == onLimit)
            reds << f.rect;
        if (f.colour == blue)
            blues << f.rect;
    }
    EXPECT_EQ(reds.size(), 2);
    ASSERT_EQ(blues.size(), 3); // calcium, then both cost bars
    EXPECT_NEAR(blues[2].width() / blues[1].width(), 0.12 / 0.15, 1e-9);
    int thick = 0;
    for (const auto& l : page.lines)
        thick += l.drawWidth == 4 ? 1 : 0;
    EXPECT_EQ(thick, 5); // the limits of the three nutrients
    const QRectF area(0, 0, page.pageSize().width(), printing::kPageBreakAt);
    EXPECT_TRUE(area.contains(page.extent())) << page.extent().bottom();

    // Many rows shrink to fit the page; what does not fit is counted.
    RecordingCanvas big;
    workspace::Workspace many = bigFormula(60, 80);
    many.batchQuantity = 1000;
    for (int i = 1; i <= 80; ++i)
        setCost(many, QStringLiteral("Ingrediente %1").arg(i), i);
    printing::imprimeGraficos(big, optimizer::mixCharts(many), "Grande", QDate(2026, 12, 7));
    EXPECT_EQ(big.pages, 1);
    EXPECT_LE(big.extent().bottom(), printing::kPageBreakAt);
    int shown = 0;
    for (const auto& f : big.fills)
        shown += f.colour == blue || f.colour == onLimit ? 1 : 0;
    EXPECT_TRUE(
        big.find(QStringLiteral("y %1 filas más que no caben en la página").arg(140 - shown)))
        << shown;
}
