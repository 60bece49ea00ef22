#include "support/blend_database.h"
#include "support/temp_database.h"
#include "workspace/results.h"
#include "workspace/unsaved_changes.h"
#include "workspace/workspace.h"
#include "workspace/workspace_grids.h"

#include <gtest/gtest.h>

using namespace blenddb;
using workspace::Workspace;

namespace {

void addRow(Workspace& ws, int id, const QString& name, double dm, double cost, double ch,
            std::optional<double> minimo = {}, std::optional<double> maximo = {}) {
    workspace::FormulaIngredient p;
    p.id = id;
    p.nombre = name;
    p.materiaSeca = dm;
    p.costoHumeda = cost;
    p.costoSeca = cost / (dm / 100);
    p.cantidadHumeda = ch;
    p.cantidadSeca = ch * dm / 100;
    p.minimo = minimo;
    p.maximo = maximo;
    p.materiaSecaActual = dm;
    p.costoHumedaActual = cost;
    p.costoTotal = ch * cost;
    ws.ingredients.push_back(p);
}

// Shares from the quantities, as a quantity edit leaves them.
void shareOut(Workspace& ws) {
    double h = 0, s = 0;
    for (const workspace::FormulaIngredient& p : ws.ingredients) {
        h += *p.cantidadHumeda;
        s += *p.cantidadSeca;
    }
    for (workspace::FormulaIngredient& p : ws.ingredients) {
        p.porcentajeHumeda = *p.cantidadHumeda / h;
        p.porcentajeSeca = *p.cantidadSeca / s;
    }
}

} // namespace

TEST(Results, TotalsNutrientValuesAndOrder) {
    TempDatabase t;
    auto& db = t.db();
    const int a = addIngredient(db, "A", 10, 80); // catalogue dry matter 80
    const int b = addIngredient(db, "B", 30, 90);
    const int c = addIngredient(db, "C (no está)", 1, 90);
    const int prot = addNutrient(db, "Proteína");
    setComposition(db, a, prot, 10);
    setComposition(db, b, prot, 40);
    setComposition(db, c, prot, 1000); // not in the workspace: skipped

    Workspace ws;
    ws.ingredientsDry = false;
    ws.nutrientsDry = false;
    addRow(ws, b, "B", 90, 30, 25);
    addRow(ws, a, "A", 50, 10, 75); // the formula's own dry matter differs from the catalogue
    shareOut(ws);
    ws.nutrients.push_back({prot, "Proteína", {}, {}, {}, {}});

    auto f = workspace::actuResultados(ws, db);
    EXPECT_EQ(f.txtCanH, "100.00");
    EXPECT_EQ(f.txtCanS, "60.00"); // 75 × 0.5 + 25 × 0.9
    EXPECT_EQ(f.txtPorH, "100.00");
    EXPECT_FALSE(f.porHAlarm);
    EXPECT_EQ(f.txtCosTot, "$ 1500.00");
    EXPECT_EQ(f.txtCosH, "$ 15.0000"); // a cost per unit: four decimals
    EXPECT_EQ(f.txtMatSeca, "60.00 %");
    EXPECT_EQ(f.cantidadText, "100.00"); // as fed
    EXPECT_DOUBLE_EQ(ws.vCostoHumeda, 15);
    EXPECT_DOUBLE_EQ(ws.vMateriaSeca, 60);
    // Wet rule: catalogue dry matter, not the formula's.
    EXPECT_NEAR(ws.nutrients.at(0).valor.value_or(0), 10 * 0.8 * 0.75 + 40 * 0.9 * 0.25, 1e-12);
    ASSERT_FALSE(ws.ingredients.empty());
    EXPECT_EQ(ws.ingredients[0].id, a); // largest share first
    EXPECT_DOUBLE_EQ(ws.ingredients[0].costoTotal.value_or(0), 750);

    // Dry rule: composition × dry share; shares that miss 100 raise the alarm.
    ws.ingredientsDry = true;
    ws.nutrientsDry = true;
    for (workspace::FormulaIngredient& p : ws.ingredients)
        p.porcentajeSeca = p.porcentajeSeca.value_or(0) * 0.9999;
    f = workspace::actuResultados(ws, db);
    EXPECT_EQ(f.txtPorS, "99.99");
    EXPECT_TRUE(f.porSAlarm);
    EXPECT_EQ(f.cantidadText, "60.00");
    EXPECT_NEAR(ws.nutrients.at(0).valor.value_or(0), (10 * 37.5 / 60 + 40 * 22.5 / 60) * 0.9999,
                1e-12);
}

TEST(Results, EqualSharesComeByAscendingIdAndRowsWithoutAShareLast) {
    TempDatabase t;
    Workspace ws;
    ws.ingredientsDry = false;
    ws.nutrientsDry = false;
    addRow(ws, 9, "Sin cifras", 90, 1, 0);
    addRow(ws, 5, "E", 90, 1, 25);
    addRow(ws, 2, "B", 90, 1, 25);
    addRow(ws, 3, "C", 90, 1, 50);
    shareOut(ws);
    ws.ingredients[0].porcentajeHumeda.reset();
    const auto f = workspace::actuResultados(ws, t.db());
    std::vector<int> order;
    for (const workspace::FormulaIngredient& p : ws.ingredients)
        order.push_back(p.id);
    EXPECT_EQ(order, (std::vector<int>{3, 2, 5, 9}));
    EXPECT_EQ(f.txtPorH, "100.00");
    EXPECT_EQ(f.txtCosTot, "$ 100.00");
}

TEST(WorkspaceGrids, SignalsMixLimitsAndCatalogueChanges) {
    Workspace ws;
    ws.ingredientsDry = false;
    addRow(ws, 1, "En la mezcla", 88, 0.2, 40, 50.0, std::nullopt); // below its minimum
    addRow(ws, 2, "Fuera", 90, 0.3, 0, std::nullopt, 10.0);
    addRow(ws, 3, "Al máximo", 90, 0.3, 60.001, std::nullopt, 60.0); // rounding, not an excess
    shareOut(ws);
    ws.ingredients[1].costoHumedaActual = 0.35; // price changed in the catalogue
    ws.ingredients[1].materiaSecaActual = 91.0; // dry matter changed

    grid::GridContent g = workspace::ingredientGrid(ws);
    ASSERT_EQ(g.columnCount(), 18);
    EXPECT_EQ(g.header[12].text, "B.Húmeda kg");
    // The minimum if used comes last, empty where the ingredient has none.
    EXPECT_EQ(g.header[17].text, "Mín. si se usa");
    EXPECT_EQ(g.cell(0, 17).text, "");
    EXPECT_EQ(g.header[1].background, grid::kGrey);
    EXPECT_EQ(g.columns[0].widthTwips, 0);
    EXPECT_EQ(g.columns[5].widthTwips, 80);
    EXPECT_EQ(g.cell(0, 5).background, grid::kGrey);
    EXPECT_TRUE(g.cell(0, 1).bold);
    EXPECT_TRUE(g.cell(0, 13).bold);
    EXPECT_EQ(g.cell(0, 13).text, "40.00");
    EXPECT_EQ(g.cell(0, 12).background, grid::kRed);
    EXPECT_EQ(g.cell(0, 12).foreground, grid::kWhite);
    EXPECT_EQ(g.cell(0, 2).text, "88.00 %");
    EXPECT_EQ(g.cell(0, 4).text, "$ 0.2000"); // a price: four decimals
    EXPECT_EQ(g.cell(0, 14).text, "$ 8.00");
    // Out of the mix: dimmed but for the separators, empty quantities and cost.
    EXPECT_FALSE(g.cell(1, 1).bold);
    EXPECT_EQ(g.cell(1, 1).background, grid::kDimmed);
    EXPECT_EQ(g.cell(1, 8).background, grid::kGrey);
    EXPECT_EQ(g.cell(1, 12).text, "");
    EXPECT_EQ(g.cell(1, 14).text, "");
    EXPECT_EQ(g.cell(1, 4).background, grid::kGreen);
    EXPECT_EQ(g.cell(1, 2).background, grid::kRed);
    // Each mark says what it means where the pointer rests.
    EXPECT_EQ(g.cell(1, 4).toolTip, "Verde: el precio del catálogo cambió desde que se grabó la "
                                    "fórmula (hoy $ 0.3500)");
    EXPECT_EQ(g.cell(1, 2).toolTip, "Rojo: la materia seca del catálogo es otra (91)");
    EXPECT_EQ(g.cell(0, 12).toolTip, "Rojo: fuera de sus límites Mínimo y Máximo");
    EXPECT_TRUE(g.cell(2, 4).toolTip.isEmpty());
    EXPECT_FALSE(g.cell(2, 12).background == grid::kRed);

    // The dry basis reads the dry columns.
    ws.ingredientsDry = true;
    g = workspace::ingredientGrid(ws);
    EXPECT_TRUE(g.cell(0, 9).bold);
    EXPECT_FALSE(g.cell(0, 12).bold);
}

TEST(WorkspaceGrids, ABoldRowShowsItsFiguresAndARemainderOfZeroIsNotBold) {
    Workspace ws;
    ws.ingredientsDry = false;
    addRow(ws, 1, "Mezcla", 88, 0.2, 999.996, 0.0); // shows 1000.00
    addRow(ws, 2, "Resto", 90, 0.3, 0.004);         // both figures round to 0.00
    addRow(ws, 3, "Negativo", 90, 0.3, -1e-9);      // a remainder below 0
    addRow(ws, 4, "Lote chico", 90, 0.3, 0.004);    // its share shows, its quantity does not
    shareOut(ws);
    ws.ingredients[3].porcentajeHumeda = 0.003;

    const grid::GridContent g = workspace::ingredientGrid(ws);
    EXPECT_TRUE(g.cell(0, 1).bold);
    EXPECT_EQ(g.cell(0, 12).text, "1000.00");
    for (int row : {1, 2}) {
        SCOPED_TRACE(row);
        for (int c : {1, 12, 13})
            EXPECT_FALSE(g.cell(row, c).bold) << c;
        EXPECT_EQ(g.cell(row, 12).text, "");
        EXPECT_EQ(g.cell(row, 13).text, "");
        EXPECT_EQ(g.cell(row, 1).background, grid::kDimmed);
    }
    // In bold, so with both figures, the one that rounds to 0 included.
    EXPECT_TRUE(g.cell(3, 1).bold);
    EXPECT_TRUE(g.cell(3, 12).bold);
    EXPECT_EQ(g.cell(3, 12).text, "0.00");
    EXPECT_EQ(g.cell(3, 13).text, "0.30");
    EXPECT_FALSE(g.cell(3, 1).background == grid::kDimmed);
}

TEST(WorkspaceGrids, NutrientAlarmsAndChangesSinceSaved) {
    Workspace ws;
    auto add = [&](const char* name, QVariant mn, QVariant mx, double valor, QVariant before) {
        auto opt = [](const QVariant& v) {
            return v.isValid() ? std::optional<double>(v.toDouble()) : std::nullopt;
        };
        ws.nutrients.push_back({0, name, opt(mn), opt(mx), valor, opt(before)});
    };
    add("Solo mínimo", 3.0, QVariant(), 2.994, 2.994); // shows 2.99 < 3.00
    add("Solo mínimo alto", 3.0, QVariant(), 1e6, 1e6);
    add("Redondeo", 3.0, QVariant(), 2.996, 3.0); // shows 3.00: no alarm, no change
    add("Cambiado", QVariant(), 5.0, 4.0, 4.5);
    grid::GridContent g = workspace::nutrientGrid(ws, true);
    EXPECT_EQ(g.cell(0, 6).background, grid::kRed);
    EXPECT_FALSE(g.cell(1, 6).background.has_value());
    EXPECT_FALSE(g.cell(2, 6).background.has_value());
    EXPECT_FALSE(g.cell(2, 1).background.has_value());
    EXPECT_EQ(g.cell(3, 1).background, grid::kGreen);
    EXPECT_EQ(g.cell(3, 1).toolTip, "Verde: el valor cambió respecto de la versión grabada (4.50)");
    EXPECT_EQ(g.cell(3, 6).text, "4.00");
    EXPECT_EQ(g.columns[3].widthTwips, 1200);
    EXPECT_EQ(g.cell(0, 2).background, grid::kGrey);
    g = workspace::nutrientGrid(ws, false); // only while loading
    EXPECT_FALSE(g.cell(3, 1).background.has_value());
}

// A limit or probability edited and not yet saved is green and says what was saved; saving (a
// new saved state) takes the marks away. A probability alone is a change the window asks to save.
TEST(WorkspaceGrids, NutrientLimitsEditedSinceSavedAreGreen) {
    Workspace ws;
    ws.nutrients.push_back({1, "Proteína", 20.0, std::nullopt, 21.0, 21.0, "%", 0.95});
    ws.nutrients.push_back({2, "Calcio", 0.9, 1.1, 1.0, 1.0, "%"});
    const workspace::SavedState saved = workspace::savedState(ws);
    grid::GridContent g = workspace::nutrientGrid(ws, false, &saved);
    for (int row : {0, 1})
        for (int c : {3, 4, 9})
            EXPECT_FALSE(g.cell(row, c).background.has_value()) << row << ' ' << c;

    ws.nutrients[0].probabilidad = 0.99;
    ws.nutrients[1].minimo.reset();
    ws.nutrients[1].probabilidad = 0.9;
    EXPECT_FALSE(workspace::savedState(ws) == saved);
    g = workspace::nutrientGrid(ws, false, &saved);
    EXPECT_EQ(g.cell(0, 9).text, "99.00");
    EXPECT_EQ(g.cell(0, 9).background, grid::kGreen);
    EXPECT_EQ(g.cell(0, 9).toolTip, "Verde: cambió desde que se grabó la fórmula (era 95.00)");
    EXPECT_FALSE(g.cell(0, 3).background.has_value());
    EXPECT_EQ(g.cell(1, 3).background, grid::kGreen);
    EXPECT_EQ(g.cell(1, 3).toolTip, "Verde: cambió desde que se grabó la fórmula (era 0.90)");
    EXPECT_EQ(g.cell(1, 9).toolTip, "Verde: cambió desde que se grabó la fórmula (estaba vacío)");
    EXPECT_FALSE(g.cell(1, 4).background.has_value());
    // The red alarm of the value is not hidden by the marks.
    ws.nutrients[1].valor = 2.0;
    EXPECT_EQ(workspace::nutrientGrid(ws, false, &saved).cell(1, 6).background, grid::kRed);

    // A nutrient added since: its limits typed are new.
    ws.nutrients.push_back({3, "Fósforo", 0.4, std::nullopt, 0.5, std::nullopt, "%"});
    g = workspace::nutrientGrid(ws, false, &saved);
    EXPECT_EQ(g.cell(2, 3).background, grid::kGreen);
    EXPECT_FALSE(g.cell(2, 9).background.has_value());

    const workspace::SavedState again = workspace::savedState(ws);
    g = workspace::nutrientGrid(ws, false, &again);
    for (int row : {0, 1, 2})
        for (int c : {3, 4, 9})
            EXPECT_FALSE(g.cell(row, c).background.has_value()) << row << ' ' << c;
}

// Each nutrient reads in its own unit: its decimals, the unit in a column of its own, the limits
// as plain numbers that keep every decimal a limit holds, and the red mark as the cell reads.
TEST(WorkspaceGrids, NutrientsReadInTheirOwnUnit) {
    Workspace ws;
    auto add = [&](const char* name, const char* unit, std::optional<double> mn, double valor,
                   double before) {
        ws.nutrients.push_back({0, name, mn, std::nullopt, valor, before, unit});
    };
    add("Proteína", "%", 20.0, 21.456, 21.456);
    add("Energía", "Mcal/kg", 2.85, 2.8496, 2.8504);     // reads 2.850 either way
    add("Energía neta", "kcal", 2850.5, 2849.6, 2849.6); // reads 2850 against 2850.5
    add("Sin unidad", "", 1.0, 0.996, 0.996);
    const grid::GridContent g = workspace::nutrientGrid(ws, true);
    int unit = -1;
    for (int c = 0; c < g.columnCount(); ++c)
        if (g.fields[size_t(c)] == "unidad")
            unit = c;
    ASSERT_GE(unit, 0);
    EXPECT_EQ(g.header[size_t(unit)].text, "Unidad");
    EXPECT_GT(g.columns[size_t(unit)].widthTwips, 0);
    const QStringList units{g.cell(0, unit).text, g.cell(1, unit).text, g.cell(2, unit).text,
                            g.cell(3, unit).text};
    EXPECT_EQ(units, (QStringList{"%", "Mcal/kg", "kcal", ""}));
    EXPECT_EQ(g.cell(0, 6).text, "21.46");
    EXPECT_EQ(g.cell(1, 6).text, "2.850");
    EXPECT_EQ(g.cell(1, 3).text, "2.850");
    EXPECT_EQ(g.cell(2, 6).text, "2850");
    EXPECT_EQ(g.cell(2, 3).text, "2850.5"); // the limit's own decimal is not hidden
    EXPECT_EQ(g.cell(0, 3).text, "20.00");
    EXPECT_FALSE(g.cell(1, 1).background.has_value()); // no change the user can read
    EXPECT_FALSE(g.cell(1, 6).background.has_value());
    EXPECT_EQ(g.cell(2, 6).background, grid::kRed);
    EXPECT_FALSE(g.cell(3, 6).background.has_value()); // 1.00 as shown
}

TEST(Results, AfterADryRecountRowsComeInDryShareOrder) {
    TempDatabase t;
    Workspace ws;
    ws.ingredientsDry = true;
    ws.nutrientsDry = true;
    // A is first by its as-fed share, B by its dry share.
    addRow(ws, 1, "A húmedo", 30, 1, 60);
    addRow(ws, 2, "B seco", 90, 1, 40);
    shareOut(ws);
    workspace::actuResultados(ws, t.db());
    EXPECT_EQ(ws.ingredients.at(0).nombre, "B seco");
    ws.ingredientsDry = false;
    ws.nutrientsDry = false;
    workspace::actuResultados(ws, t.db());
    EXPECT_EQ(ws.ingredients.at(0).nombre, "A húmedo");
}
