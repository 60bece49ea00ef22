#include "support/blend_database.h"
#include "support/ingredient_rows.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/composition_matrix.h"
#include "workspace/workspace.h"
#include "workspace/workspace_edits.h"
#include "workspace/workspace_rows.h"

#include <gtest/gtest.h>

using namespace blenddb;
using workspace::GridRow;
using workspace::Workspace;

namespace {

// A workspace of two catalogue ingredients (A: price 10, 50 % dry matter; B: price 30, 90 %)
// with one nutrient, both ingredients added through the add rule.
struct Sample {
    TempDatabase t;
    Workspace ws;
    int a, b, prot;

    Sample() {
        a = addIngredient(t.db(), "A", 10, 50);
        b = addIngredient(t.db(), "B", 30, 90);
        prot = addNutrient(t.db(), "Proteína");
        setComposition(t.db(), a, prot, 10);
        setComposition(t.db(), b, prot, 40);
        ws.ingredientsDry = false;
        ws.nutrientsDry = false;
        EXPECT_TRUE(workspace::addIngredient(ws, t.db(), a).stored);
        EXPECT_TRUE(workspace::addIngredient(ws, t.db(), b).stored);
        EXPECT_TRUE(workspace::addNutrient(ws, prot, "Proteína").stored);
    }
    GridRow ingredient(int id) const { return {"id_producto", "nombre", id, " A "}; }
    GridRow nutrient(int id) const { return {"id_propiedad", "nombre", id, "Proteína"}; }
    QVariant field(int id, const char* name) { return testrows::value(ws, id, name); }
    QVariant nutrientField(const char* name) {
        const workspace::FormulaNutrient& n = ws.nutrients.at(0);
        const QString field = QString::fromLatin1(name);
        const std::optional<double> v = field == "minimo"   ? n.minimo
                                        : field == "maximo" ? n.maximo
                                                            : n.valor;
        return v ? QVariant(*v) : QVariant();
    }
};

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

TEST(WorkspaceEdits, QuantityRoundsFollowsTheOtherBasisAndSharesOut) {
    Sample s;
    ScriptedMessages messages; // the rules show nothing themselves
    Told told;
    auto r =
        workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.a), "cantidad_humeda", "75.555");
    ASSERT_TRUE(r.figures);
    EXPECT_DOUBLE_EQ(s.field(s.a, "cantidad_humeda").toDouble(), 75.56);
    EXPECT_DOUBLE_EQ(s.field(s.a, "cantidad_seca").toDouble(), 37.78);
    r = workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.b), "cantidad_seca", "22.5");
    EXPECT_DOUBLE_EQ(s.field(s.b, "cantidad_humeda").toDouble(), 25);
    EXPECT_NEAR(s.field(s.a, "porcentaje_humeda").toDouble(), 75.56 / 100.56, 1e-12);
    EXPECT_NEAR(s.field(s.b, "porcentaje_seca").toDouble(), 22.5 / 60.28, 1e-12);
    EXPECT_EQ(r.figures->txtPorH, "100.00");
    EXPECT_NEAR(s.nutrientField("valor").toDouble(),
                10 * 0.5 * 75.56 / 100.56 + 40 * 0.9 * 25 / 100.56, 1e-9);
    EXPECT_TRUE(messages.shown().empty());

    // Refusals leave the record as it was; an empty box counts as 0, and 0 is accepted.
    for (const char* bad : {"abc", "-1"})
        EXPECT_FALSE(
            told(workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.a), "cantidad_humeda", bad))
                .stored);
    EXPECT_FALSE(told(workspace::editQuantity(s.ws, s.t.db(), {"nombre", "nombre", s.a, "A"},
                                              "cantidad_humeda", "5"))
                     .stored);
    EXPECT_EQ(told.texts,
              (QStringList{"El valor debe ser numérico", "El valor debe ser mayor que cero",
                           "Campo id_producto no válido"}));
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_DOUBLE_EQ(s.field(s.a, "cantidad_humeda").toDouble(), 75.56);
    workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.a), "cantidad_humeda", " ");
    r = workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.b), "cantidad_humeda", "0");
    EXPECT_DOUBLE_EQ(s.field(s.a, "porcentaje_humeda").toDouble(), 0);
    EXPECT_DOUBLE_EQ(s.field(s.b, "porcentaje_seca").toDouble(), 0);
    EXPECT_EQ(r.figures->txtPorH, "0.00");
    EXPECT_TRUE(r.figures->porHAlarm);
}

TEST(WorkspaceEdits, PriceAndLimitsRoundAndCheckTheirRanges) {
    Sample s;
    ScriptedMessages messages; // the rules show nothing themselves
    Told told;
    auto r = workspace::editPrice(s.ws, s.t.db(), s.ingredient(s.a), "12.345");
    EXPECT_TRUE(r.figures);
    EXPECT_EQ(r.editorText, "12.35");
    EXPECT_DOUBLE_EQ(s.field(s.a, "costo_humeda").toDouble(), 12.35);
    EXPECT_DOUBLE_EQ(s.field(s.a, "costo_seca").toDouble(), 24.7);
    EXPECT_FALSE(told(workspace::editPrice(s.ws, s.t.db(), s.ingredient(s.a), "")).stored);
    EXPECT_FALSE(told(workspace::editPrice(s.ws, s.t.db(), s.ingredient(s.a), "-3")).stored);
    EXPECT_FALSE(told(workspace::editPrice(s.ws, s.t.db(), s.ingredient(99), "3")).stored);

    EXPECT_TRUE(workspace::editIngredientLimit(s.ws, s.ingredient(s.a), "minimo", "12.34").stored);
    EXPECT_DOUBLE_EQ(s.field(s.a, "minimo").toDouble(), 12.3);
    EXPECT_TRUE(workspace::editIngredientLimit(s.ws, s.ingredient(s.a), "maximo", "1000").stored);
    EXPECT_FALSE(
        told(workspace::editIngredientLimit(s.ws, s.ingredient(s.a), "maximo", "1000.5")).stored);
    EXPECT_FALSE(
        told(workspace::editIngredientLimit(s.ws, s.ingredient(s.a), "maximo", "-0.1")).stored);
    EXPECT_FALSE(
        told(workspace::editIngredientLimit(s.ws, s.ingredient(99), "maximo", "1")).stored);
    EXPECT_DOUBLE_EQ(s.field(s.a, "maximo").toDouble(), 1000);
    EXPECT_TRUE(workspace::editIngredientLimit(s.ws, s.ingredient(s.a), "minimo", "").stored);
    EXPECT_FALSE(s.field(s.a, "minimo").isValid()); // no limit, not 0

    // The minimum if used is edited as a limit is; the count and rounding beside the quantity.
    Told weighing;
    workspace::FormulaIngredient* a = workspace::findIngredient(s.ws, s.a);
    EXPECT_EQ(workspace::ingredientEditorFor("minimo_si_se_usa"),
              workspace::CellEditor::IngredientLimit);
    EXPECT_TRUE(workspace::editIngredientLimit(s.ws, s.ingredient(s.a), "minimo_si_se_usa", "25.06")
                    .stored);
    EXPECT_EQ(a->minimoSiSeUsa, 25.1);
    EXPECT_FALSE(a->minimo); // the other limits untouched
    EXPECT_FALSE(
        weighing(workspace::editIngredientLimit(s.ws, s.ingredient(s.a), "minimo_si_se_usa", "-1"))
            .stored);
    EXPECT_TRUE(
        workspace::editIngredientLimit(s.ws, s.ingredient(s.a), "minimo_si_se_usa", "").stored);
    EXPECT_FALSE(a->minimoSiSeUsa);
    EXPECT_TRUE(workspace::editMaxIngredientes(s.ws, " 7 ").stored);
    EXPECT_EQ(s.ws.maxIngredientes, 7);
    for (const char* bad : {"0", "2.5", "siete"})
        EXPECT_FALSE(weighing(workspace::editMaxIngredientes(s.ws, bad)).stored) << bad;
    EXPECT_EQ(s.ws.maxIngredientes, 7);
    EXPECT_TRUE(workspace::editMaxIngredientes(s.ws, "").stored);
    EXPECT_FALSE(s.ws.maxIngredientes);
    EXPECT_TRUE(workspace::setRounding(s.ws, true).stored);
    EXPECT_TRUE(s.ws.redondear);
    EXPECT_EQ(weighing.texts.size(), 4);
    EXPECT_EQ(weighing.texts[0], "El valor debe ser mayor que cero");

    EXPECT_TRUE(workspace::editNutrientLimit(s.ws, s.nutrient(s.prot), "minimo", "-1.239").stored);
    EXPECT_DOUBLE_EQ(s.nutrientField("minimo").toDouble(), -1.24);
    EXPECT_TRUE(workspace::editNutrientLimit(s.ws, s.nutrient(s.prot), "maximo", "").stored);
    EXPECT_FALSE(s.nutrientField("maximo").isValid());
    EXPECT_FALSE(
        told(workspace::editNutrientLimit(s.ws, s.nutrient(s.prot), "maximo", "x")).stored);
    EXPECT_FALSE(told(workspace::editNutrientLimit(s.ws, s.nutrient(99), "maximo", "1")).stored);
    EXPECT_EQ(told.texts,
              (QStringList{"El valor debe ser mayor que cero", "No se encuentra el Ingrediente",
                           "El valor debe ser menor a 1000 unidades",
                           "El valor debe ser mayor que cero", "No se encuentra el Producto",
                           "El valor debe ser numérico", "No se encuentra el Nutriente"}));
    EXPECT_TRUE(messages.shown().empty());
}

TEST(WorkspaceEdits, EditorsAndDetailBoxesByColumn) {
    using workspace::CellEditor;
    EXPECT_EQ(workspace::ingredientEditorFor("costo_humeda"), CellEditor::Price);
    EXPECT_EQ(workspace::ingredientEditorFor("cantidad_seca"), CellEditor::Quantity);
    EXPECT_EQ(workspace::ingredientEditorFor("maximo"), CellEditor::IngredientLimit);
    EXPECT_EQ(workspace::ingredientEditorFor("materia_seca"), CellEditor::None);
    EXPECT_EQ(workspace::nutrientEditorFor("valor"), CellEditor::None);
    EXPECT_EQ(workspace::nutrientEditorFor("minimo"), CellEditor::NutrientLimit);
    EXPECT_EQ(workspace::editorStartText(CellEditor::Price, "$ 12.50"), "12.50");
    EXPECT_EQ(workspace::shareDetailText(0.123456789012), "12.3456789012");
    EXPECT_EQ(workspace::shareDetailText(0.25), "25.00");
    EXPECT_EQ(workspace::valueDetailText(2.5), "2.50");
    EXPECT_EQ(workspace::valueDetailText(QVariant()), "");
}

TEST(WorkspaceRows, AddAndRemoveIngredientsAndNutrients) {
    Sample s;
    ScriptedMessages messages; // the rules show nothing themselves
    Told told;
    const int none = addIngredient(s.t.db(), "Sin materia seca", 5, 0);
    EXPECT_FALSE(told(workspace::addIngredient(s.ws, s.t.db(), s.a)).stored);
    EXPECT_FALSE(told(workspace::addIngredient(s.ws, s.t.db(), none)).stored);
    EXPECT_FALSE(told(workspace::addNutrient(s.ws, s.prot, "Proteína")).stored);
    EXPECT_EQ(told.texts,
              (QStringList{"El Ingrediente Ya se encuentra Asginado a la Fórmula",
                           "El Ingrediente no posee materia seca definida\n\nEl ingrediente Sin "
                           "materia seca no se ha ingresado a la Fórmule",
                           "El Nutriente Ya se encuentra Asginada a la Fórmula"}));
    EXPECT_EQ(int(s.ws.ingredients.size()), 2);
    // A new ingredient: catalogue price and dry matter, minimum 0, no maximum, nothing yet.
    EXPECT_DOUBLE_EQ(s.field(s.a, "costo_seca").toDouble(), 20);
    EXPECT_DOUBLE_EQ(s.field(s.a, "minimo").toDouble(), 0);
    EXPECT_FALSE(s.field(s.a, "maximo").isValid());
    EXPECT_DOUBLE_EQ(s.field(s.a, "cantidad_humeda").toDouble(), 0);
    EXPECT_FALSE(s.nutrientField("valor").isValid());

    workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.a), "cantidad_humeda", "30");
    workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.b), "cantidad_humeda", "70");
    told.texts.clear();
    auto r = workspace::removeIngredient(s.ws, s.t.db(), s.ingredient(s.b));
    ASSERT_TRUE(r.figures);
    EXPECT_EQ(r.removedId, s.b);
    EXPECT_EQ(r.removedName, "A"); // the name as the grid showed it, trimmed
    EXPECT_DOUBLE_EQ(s.field(s.a, "porcentaje_humeda").toDouble(), 1);
    EXPECT_FALSE(told(workspace::removeIngredient(s.ws, s.t.db(), s.ingredient(s.b))).stored);
    EXPECT_FALSE(
        told(workspace::removeIngredient(s.ws, s.t.db(), {"id_producto", "codigo", s.a, ""}))
            .stored);
    r = workspace::removeIngredient(s.ws, s.t.db(), s.ingredient(s.a));
    EXPECT_EQ(int(s.ws.ingredients.size()), 0);
    EXPECT_EQ(r.figures->txtCanH, "0.00");
    EXPECT_EQ(r.figures->txtCosTot, "$ 0.00");

    // A nutrient a ratio divides stays until the ratio goes.
    const int fibra = addNutrient(s.t.db(), "Fibra");
    ASSERT_TRUE(workspace::addRatio(s.ws, s.prot, "Proteína", fibra, "Fibra").stored);
    EXPECT_FALSE(told(workspace::removeNutrient(s.ws, s.nutrient(s.prot))).stored);
    EXPECT_EQ(int(s.ws.nutrients.size()), 2);
    ASSERT_TRUE(workspace::removeRatio(s.ws, 0).stored);
    EXPECT_TRUE(workspace::removeNutrient(s.ws, s.nutrient(s.prot)).nutrientGrid);
    EXPECT_EQ(int(s.ws.nutrients.size()), 1);
    EXPECT_EQ(told.texts,
              (QStringList{"No se pudo eliminar el Ingrediente", "Campo nombre incorrecto",
                           "El Nutriente se usa en la relación Proteína / Fibra: elimine primero "
                           "la relación"}));
    // Before a row's ingredient is shown elsewhere, its grid's columns are checked the same way.
    EXPECT_FALSE(workspace::ingredientColumnsRefusal(s.ingredient(s.b)));
    const std::optional<workspace::Notice> wrong =
        workspace::ingredientColumnsRefusal({"codigo", "nombre", s.b, "B"});
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->text, "Campo id_producto incorrecto");
    EXPECT_EQ(wrong->kind, msg::Critical);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(WorkspaceRows, TakingOverCatalogueDryMatterAndPrices) {
    Sample s;
    workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.a), "cantidad_humeda", "100");
    const int c = addIngredient(s.t.db(), "C", 4, 80);
    workspace::addIngredient(s.ws, s.t.db(), c);
    s.t.db().exec("update productos set materia_seca=40, costo=11 where id_producto=" +
                  QString::number(s.a));
    s.t.db().exec("update productos set materia_seca=0 where id_producto=" + QString::number(c));
    // The workspace keeps the formula's figures; the catalogue's are read when a row is loaded.
    testrows::row(s.ws, s.a)->materiaSecaActual = 40.0;
    testrows::row(s.ws, s.a)->costoHumedaActual = 11.0;
    testrows::row(s.ws, c)->materiaSecaActual = 0.0;

    ScriptedMessages messages;
    EXPECT_DOUBLE_EQ(s.field(s.a, "materia_seca").toDouble(), 50);
    auto r = workspace::takeOverDryMatter(s.ws, s.t.db());
    ASSERT_TRUE(r.figures);
    EXPECT_DOUBLE_EQ(s.field(s.a, "materia_seca").toDouble(), 40);
    EXPECT_DOUBLE_EQ(s.field(s.a, "costo_seca").toDouble(), 25);
    EXPECT_DOUBLE_EQ(s.field(s.a, "cantidad_humeda").toDouble(), 100); // wet quantities stay
    EXPECT_DOUBLE_EQ(s.field(s.a, "cantidad_seca").toDouble(), 40);
    EXPECT_DOUBLE_EQ(s.field(c, "materia_seca").toDouble(), 80); // a dry matter of 0 is refused
    EXPECT_TRUE(messages.shown().empty()); // the caller asks first and tells afterwards
    ASSERT_EQ(r.notices.size(), 1u);
    EXPECT_EQ(r.notices[0].kind, msg::Critical);
    EXPECT_TRUE(r.notices[0].text.endsWith("Conserva su materia seca: C"));

    r = workspace::takeOverPrices(s.ws);
    EXPECT_TRUE(r.ingredientGrid);
    EXPECT_FALSE(r.figures);
    EXPECT_DOUBLE_EQ(s.field(s.a, "costo_humeda").toDouble(), 11);
    EXPECT_DOUBLE_EQ(s.field(s.a, "costo_seca").toDouble(), 27.5);
}

TEST(WorkspaceRows, RecalculationKeepsSharesOrTakesEveryNutrient) {
    Sample s;
    workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.a), "cantidad_humeda", "25");
    workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.b), "cantidad_humeda", "75");
    auto r = workspace::recalculate(s.ws, s.t.db(), 500, true);
    EXPECT_DOUBLE_EQ(s.field(s.a, "cantidad_humeda").toDouble(), 125);
    EXPECT_DOUBLE_EQ(s.field(s.a, "cantidad_seca").toDouble(), 62.5);
    EXPECT_DOUBLE_EQ(s.field(s.a, "porcentaje_humeda").toDouble(), 0.25);
    EXPECT_EQ(r.figures->cantidadText, "500.00");

    const int fibra = addNutrient(s.t.db(), "Fibra");
    const int ceniza = addNutrient(s.t.db(), "Ceniza");
    setComposition(s.t.db(), s.b, fibra, 3);
    setComposition(s.t.db(), s.b, ceniza, 0); // a zero content is not a nutrient it brings
    s.ws.ingredientsDry = true;
    s.ws.nutrientsDry = true;
    r = workspace::recalculate(s.ws, s.t.db(), 100, false);
    EXPECT_EQ(int(s.ws.nutrients.size()), 2);
    EXPECT_NEAR(s.field(s.b, "cantidad_seca").toDouble(), 100 * 67.5 / (12.5 + 67.5),
                1e-9); // dry share of B × 100
    const auto fib = std::find_if(s.ws.nutrients.begin(), s.ws.nutrients.end(),
                                  [&](const auto& n) { return n.id == fibra; });
    EXPECT_TRUE(fib != s.ws.nutrients.end());
    ASSERT_TRUE(fib != s.ws.nutrients.end());
    EXPECT_DOUBLE_EQ(fib->minimo.value_or(-1), 0);
    EXPECT_FALSE(fib->maximo.has_value());
    EXPECT_EQ(fib->unidad, "%"); // the catalogue's unit comes with the nutrient

    ScriptedMessages messages;
    EXPECT_FALSE(workspace::leaveCantidad(s.ws, ""));
    EXPECT_DOUBLE_EQ(s.ws.batchQuantity, 0);
    const std::optional<workspace::Notice> refused = workspace::leaveCantidad(s.ws, "12,5");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->text, "Debe ingresar un valor Numérico");
    EXPECT_EQ(refused->kind, msg::Critical);
    EXPECT_DOUBLE_EQ(s.ws.batchQuantity, 0);
    EXPECT_FALSE(workspace::leaveCantidad(s.ws, "750"));
    EXPECT_DOUBLE_EQ(s.ws.batchQuantity, 750);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(CompositionMatrix, RowsPerIngredientColumnsPerNutrientAndTotals) {
    Sample s;
    const int fibra = addNutrient(s.t.db(), "Fibra");
    setComposition(s.t.db(), s.a, fibra, 2); // B has no fibre at all
    workspace::addNutrient(s.ws, fibra, "Fibra");
    workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.a), "cantidad_humeda", "25.5");
    workspace::editQuantity(s.ws, s.t.db(), s.ingredient(s.b), "cantidad_humeda", "74.5");
    workspace::buildComposition(s.ws, s.t.db());
    const workspace::CompositionMatrix& m = s.ws.composition;
    ASSERT_EQ(7 + int(m.nutrientIds.size()), 7 + 2);
    EXPECT_EQ(QString::number(m.nutrientIds[0]), QString::number(s.prot));
    EXPECT_EQ(int(m.rows.size()), 3);
    const auto b =
        std::find_if(m.rows.begin(), m.rows.end(), [&](const auto& r) { return r.id == s.b; });
    ASSERT_TRUE(b != m.rows.end());
    EXPECT_FALSE(b->values[1].has_value());
    const workspace::CompositionRow& totals = m.rows[2];
    EXPECT_FALSE(totals.id.has_value());
    EXPECT_DOUBLE_EQ(totals.cantidadHumeda.value_or(0), 100);
    EXPECT_NEAR(totals.porcentajeHumeda.value_or(0), 1, 1e-12);
    // The totals are the nutrient contents of the mix, as the nutrient grid shows them.
    EXPECT_NEAR(totals.values[0].value_or(0), s.ws.nutrients.at(0).valor.value_or(0), 1e-12);
    EXPECT_NEAR(totals.values[1].value_or(0), 2 * 0.5 * 0.255, 1e-12);
}

TEST(WorkspaceEdits, AProbabilityIsTypedAsAPercentAndKeptAsAFraction) {
    Workspace ws;
    ws.nutrients.push_back({7, "Proteína", 20.0, std::nullopt, std::nullopt, std::nullopt});
    const GridRow row{"id_propiedad", "nombre", 7, "Proteína"};
    EXPECT_EQ(workspace::nutrientEditorFor("probabilidad"), workspace::CellEditor::Probability);
    const auto typed = [&](const QString& text) {
        return workspace::editNutrientProbability(ws, row, text);
    };
    EXPECT_TRUE(typed("95").stored);
    EXPECT_EQ(ws.nutrients[0].probabilidad, 0.95);
    EXPECT_TRUE(typed("99.99").stored);
    EXPECT_EQ(ws.nutrients[0].probabilidad, 0.9999);
    EXPECT_TRUE(typed("50").stored);
    EXPECT_EQ(ws.nutrients[0].probabilidad, 0.5);
    // Out of range or not a number: told, and the probability stays.
    for (const QString text : {"49.99", "99.996", "100", "abc"}) {
        const workspace::EditResult r = typed(text);
        EXPECT_FALSE(r.stored) << text.toStdString();
        EXPECT_EQ(r.notices.size(), 1u);
        EXPECT_EQ(ws.nutrients[0].probabilidad, 0.5);
    }
    EXPECT_TRUE(typed("").stored); // empty: the plain limits
    EXPECT_FALSE(ws.nutrients[0].probabilidad);
}
