#include "support/scripted_messages.h"
#include "workspace/workspace.h"
#include "workspace/workspace_edits.h"
#include "workspace/workspace_grids.h"

#include <gtest/gtest.h>

using workspace::Workspace;

namespace {

Workspace withCalcium() {
    Workspace ws;
    ws.batchQuantity = 1000;
    ws.nutrients.push_back({7, "Calcio", 0.9, 1.1, 1.0, {}});
    return ws;
}

formulas::FormulaGroup group(int id, const QString& name) {
    formulas::FormulaGroup g;
    g.id = id;
    g.nombre = name;
    g.ingredientIds = {1, 2};
    g.maximo = 3; // a limit it came with is not taken: a group enters without limits
    return g;
}

// What the rules told the user, in order: each refusal comes back as a critical notice.
struct Told {
    QStringList texts;
    workspace::EditResult operator()(workspace::EditResult r) {
        for (const workspace::Notice& n : r.notices) {
            EXPECT_EQ(n.kind, msg::Critical);
            texts << n.text;
        }
        return r;
    }
};

} // namespace

TEST(LimitRows, RatiosAreAddedOnceOverTwoNutrientsAndJoinMissingOnesWithoutLimits) {
    ScriptedMessages messages; // the rules show nothing themselves
    Told told;
    Workspace ws = withCalcium();
    workspace::EditResult r = told(workspace::addRatio(ws, 7, "Calcio", 7, "Calcio"));
    EXPECT_FALSE(r.stored);
    EXPECT_EQ(told.texts, QStringList{"El numerador y el divisor deben ser nutrientes distintos"});

    told.texts.clear();
    r = workspace::addRatio(ws, 7, "Calcio", 8, "Fósforo disponible ");
    EXPECT_TRUE(r.stored && r.limitGrids && r.nutrientGrid);
    ASSERT_EQ(ws.nutrients.size(), 2u);
    EXPECT_EQ(ws.nutrients[1].id, 8);
    EXPECT_FALSE(ws.nutrients[1].minimo || ws.nutrients[1].maximo);
    ASSERT_EQ(ws.ratios.size(), 1u);
    EXPECT_EQ(ws.ratios[0].nombre(), "Calcio / Fósforo disponible");
    EXPECT_TRUE(messages.shown().empty());

    r = told(workspace::addRatio(ws, 7, "Calcio", 8, "Fósforo disponible"));
    EXPECT_FALSE(r.stored);
    EXPECT_EQ(ws.ratios.size(), 1u);
    EXPECT_EQ(told.texts, QStringList{"La relación ya existe en la Fórmula"});
    // The inverse is another ratio; both nutrients are there already.
    r = workspace::addRatio(ws, 8, "Fósforo disponible", 7, "Calcio");
    EXPECT_TRUE(r.stored);
    EXPECT_FALSE(r.nutrientGrid);
    EXPECT_EQ(ws.nutrients.size(), 2u);

    // Limits: any number, two decimals, empty for none; text refused, nothing changed.
    told.texts.clear();
    EXPECT_TRUE(workspace::editRatioLimit(ws, 0, "minimo", "1.799").stored);
    EXPECT_TRUE(workspace::editRatioLimit(ws, 0, "Maximo", "2.2").stored);
    EXPECT_EQ(ws.ratios[0].minimo, 1.8);
    EXPECT_EQ(ws.ratios[0].maximo, 2.2);
    EXPECT_FALSE(told(workspace::editRatioLimit(ws, 0, "maximo", "dos")).stored);
    EXPECT_EQ(ws.ratios[0].maximo, 2.2);
    EXPECT_FALSE(told(workspace::editRatioLimit(ws, 5, "maximo", "2")).stored);
    EXPECT_EQ(told.texts,
              (QStringList{"El valor debe ser numérico", "No se encuentra la Relación"}));
    EXPECT_TRUE(workspace::editRatioLimit(ws, 0, "maximo", " ").stored);
    EXPECT_FALSE(ws.ratios[0].maximo);
    EXPECT_TRUE(messages.shown().empty());

    // The grid: names, limits, the value in red when outside them.
    ws.ratios[0].valor = 1.7;
    grid::GridContent g = workspace::ratioGrid(ws);
    ASSERT_EQ(g.rowCount(), 2);
    EXPECT_EQ(g.cell(0, 0).text, "Calcio");
    EXPECT_EQ(g.cell(0, 1).text, "Fósforo disponible");
    EXPECT_EQ(g.cell(0, 3).text, "1.80");
    EXPECT_EQ(g.cell(0, 6).text, "1.7000");
    EXPECT_EQ(g.cell(0, 6).background, grid::kRed);
    ws.ratios[0].valor = 1.8;
    EXPECT_NE(workspace::ratioGrid(ws).cell(0, 6).background, grid::kRed);

    EXPECT_TRUE(workspace::removeRatio(ws, 0).stored);
    EXPECT_FALSE(workspace::removeRatio(ws, 1).stored);
    ASSERT_EQ(ws.ratios.size(), 1u);
    EXPECT_EQ(ws.ratios[0].numerador, 8);
}

TEST(LimitRows, GroupsTakeLimitsLikeIngredientsAndShowTheirShareOfTheBatch) {
    ScriptedMessages messages; // the rules show nothing themselves
    Told told;
    Workspace ws = withCalcium();
    EXPECT_TRUE(workspace::addGroup(ws, group(4, "Granos")).stored);
    EXPECT_FALSE(told(workspace::addGroup(ws, group(4, "Granos"))).stored);
    EXPECT_EQ(told.texts, QStringList{"El Grupo ya existe en la Fórmula"});
    ASSERT_EQ(ws.groups.size(), 1u);
    EXPECT_FALSE(ws.groups[0].maximo);
    EXPECT_EQ(ws.groups[0].ingredientIds, (std::vector<int>{1, 2}));

    told.texts.clear();
    EXPECT_TRUE(workspace::editGroupLimit(ws, 0, "minimo", "450.04").stored);
    EXPECT_EQ(ws.groups[0].minimo, 450.0);
    EXPECT_FALSE(told(workspace::editGroupLimit(ws, 0, "maximo", "1000.5")).stored);
    EXPECT_FALSE(told(workspace::editGroupLimit(ws, 0, "maximo", "-1")).stored);
    EXPECT_FALSE(told(workspace::editGroupLimit(ws, 0, "maximo", "x")).stored);
    EXPECT_FALSE(ws.groups[0].maximo);
    EXPECT_EQ(told.texts,
              (QStringList{"El valor debe ser menor a 1000 unidades",
                           "El valor debe ser mayor que cero", "El valor debe ser numérico"}));
    EXPECT_TRUE(messages.shown().empty());

    ws.groups[0].valor = 400;
    grid::GridContent g = workspace::groupGrid(ws);
    ASSERT_EQ(g.rowCount(), 1);
    EXPECT_EQ(g.cell(0, 0).text, "Granos");
    EXPECT_EQ(g.cell(0, 2).text, "450.00");
    EXPECT_EQ(g.cell(0, 5).text, "400.00");
    EXPECT_EQ(g.cell(0, 5).background, grid::kRed);
    EXPECT_EQ(g.cell(0, 6).text, "40.00");
    ws.groups[0].valor = 450;
    EXPECT_NE(workspace::groupGrid(ws).cell(0, 5).background, grid::kRed);

    EXPECT_TRUE(workspace::removeGroup(ws, 0).stored);
    EXPECT_TRUE(ws.groups.empty());
}
