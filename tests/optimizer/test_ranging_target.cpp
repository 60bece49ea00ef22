#include "formulas/formula_lookup.h"
#include "optimizer/analysis_grids.h"
#include "optimizer/engine/engine.h"
#include "optimizer/ranging_target.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/workspace.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

optimizer::StoredBlend broiler(TempDatabase& t) {
    const int id = formulas::findFormula(t.db(), {"POLLO-INI", std::nullopt, 0});
    const auto stored = optimizer::loadStoredBlend(t.db(), id);
    if (!stored)
        throw std::runtime_error("the broiler starter does not load");
    return *stored;
}

using About = workspace::SensitivityRow::About;

workspace::SensitivityRow analysisRow(const QString& tipo, About about, int id,
                                      bool maximum = false, int divisorId = 0) {
    workspace::SensitivityRow row;
    row.tipo = tipo;
    row.about = about;
    row.id = id;
    row.divisorId = divisorId;
    row.maximum = maximum;
    return row;
}

int idOf(const auto& rows, const std::string& name) {
    for (const auto& row : rows)
        if (row.nombre == name)
            return row.id;
    throw std::runtime_error("no row named " + name);
}

// The broiler starter with a calcium to phosphorus ratio and a cap on animal proteins.
lp::Blend withRatioAndGroup(lp::Blend b) {
    b.ratios = {
        {idOf(b.nutrients, "Calcio"), idOf(b.nutrients, "Fósforo disponible"), "", 1.8, 2.2}};
    b.groups = {{4,
                 "Proteínas animales",
                 {idOf(b.ingredients, "Harina de pescado 62%"),
                  idOf(b.ingredients, "Harina de carne y hueso 50%"), 9999},
                 std::nullopt,
                 50.0}};
    return b;
}

} // namespace

// Ratio and group limits as targets: typed by name (a ratio also by its two nutrients'), their
// captions, ranges and units, the rows of the analysis that lead to them; a group's limit ranges,
// a ratio's is refused in the user's words.
TEST(RangingTarget, RatioAndGroupLimits) {
    TempDatabase t(true);
    ScriptedMessages messages;
    const optimizer::StoredBlend s = broiler(t);
    lp::Blend b = withRatioAndGroup(s.blend);
    EXPECT_EQ(optimizer::rangingTargets(b).size(), b.ingredients.size() + lp::userLimits(b).size());

    QString error;
    const auto group = optimizer::limitTarget(b, "grupo: proteínas :Máximo", &error);
    ASSERT_TRUE(group) << error.toStdString();
    EXPECT_EQ(group->limit.kind, lp::LimitRef::Group);
    EXPECT_EQ(optimizer::targetCaption(b, *group), "Máximo del grupo Proteínas animales");
    EXPECT_EQ(optimizer::defaultRange(b, *group).hasta, 200);
    const optimizer::RangingLabels gl = optimizer::rangingLabels(b, *group, s.units);
    EXPECT_EQ(gl.parameter, "Máximo (Kg)");
    EXPECT_EQ(gl.slope, "Precio sombra ($ por Kg)");
    const lp::Ranging gr = optimizer::rangeTarget(b, *group, 0, 200);
    ASSERT_EQ(gr.status, lp::RangingStatus::Ok);
    EXPECT_LT(gr.tramos.front().pendiente, 0); // a tighter cap costs more
    EXPECT_EQ(gr.tramos.back().pendiente, 0);
    EXPECT_EQ(optimizer::targetOfAnalysisRow(b, analysisRow("RG", About::Group, 4, true)), group);

    const auto ratio =
        optimizer::limitTarget(b, "relacion:calcio / fósforo disponible:minimo", &error);
    ASSERT_TRUE(ratio) << error.toStdString();
    EXPECT_EQ(ratio->limit.kind, lp::LimitRef::Ratio);
    EXPECT_EQ(optimizer::targetCaption(b, *ratio),
              "Mínimo de la relación Calcio / Fósforo disponible");
    EXPECT_EQ(optimizer::defaultRange(b, *ratio).desde, 0.9);
    EXPECT_EQ(optimizer::rangingLabels(b, *ratio, s.units).parameter, "Mínimo");
    const lp::Ranging rr = optimizer::rangeTarget(b, *ratio, 1, 3);
    EXPECT_TRUE(rr.tramos.empty());
    EXPECT_TRUE(optimizer::rangingProblem(rr, *ratio).contains("El límite de una relación"));
    const int calcio = idOf(b.nutrients, "Calcio"),
              fosforo = idOf(b.nutrients, "Fósforo disponible");
    EXPECT_EQ(
        optimizer::targetOfAnalysisRow(b, analysisRow("RR", About::Ratio, calcio, false, fosforo)),
        ratio);
    EXPECT_FALSE(optimizer::targetOfAnalysisRow(
        b, analysisRow("RR", About::Ratio, fosforo, false, calcio))); // P / Ca is not limited

    // A named ratio goes by its name and still by its nutrients'.
    b.ratios[0].nombre = "Ca/P";
    EXPECT_EQ(optimizer::limitTarget(b, "relación:ca/p:maximo", &error)->limit.side,
              lp::LimitRef::Maximum);
    EXPECT_EQ(optimizer::targetCaption(b, *ratio), "Mínimo de la relación Ca/P");
    EXPECT_TRUE(optimizer::limitTarget(b, "relacion:Calcio / Fósforo disponible:minimo", &error));
    EXPECT_FALSE(optimizer::limitTarget(b, "relacion:Lisina / Sodio:minimo", &error));
    EXPECT_EQ(error, "La fórmula no tiene la relación Lisina / Sodio. Sus relaciones son: Ca/P");
    b.groups.clear();
    EXPECT_FALSE(optimizer::limitTarget(b, "grupo:Granos:minimo", &error));
    EXPECT_EQ(error, "La fórmula no tiene el grupo Granos. No tiene grupos");
}

// The stored broiler starter as the ranging sees it: its own batch quantity (never formulated in
// a fresh database, so its quantity box would show 0), the catalogue units and every target.
TEST(RangingTarget, StoredFormulaTargetsAndTexts) {
    TempDatabase t(true);
    ScriptedMessages messages;
    const optimizer::StoredBlend s = broiler(t);
    const lp::Blend& b = s.blend;
    EXPECT_EQ(b.cantidad, 1000);
    EXPECT_TRUE(messages.texts().isEmpty());
    ASSERT_EQ(s.units.ingredient.size(), b.ingredients.size());
    EXPECT_EQ(s.units.ingredient[0], "Kg");

    const std::vector<optimizer::RangingTarget> all = optimizer::rangingTargets(b);
    EXPECT_EQ(all.size(), b.ingredients.size() + lp::userLimits(b).size());
    EXPECT_EQ(optimizer::targetCaption(b, all.front()),
              "Precio de " + QString::fromStdString(b.ingredients[0].nombre).trimmed());

    QString error;
    const auto protein = optimizer::limitTarget(b, "Nutriente: proteína BRUTA :mínimo", &error);
    ASSERT_TRUE(protein) << error.toStdString();
    EXPECT_EQ(optimizer::targetCaption(b, *protein), "Mínimo de Proteína bruta");
    EXPECT_EQ(*optimizer::currentValue(b, *protein), 23);
    const optimizer::RangeBounds pr = optimizer::defaultRange(b, *protein);
    EXPECT_EQ(pr.desde, 11.5);
    EXPECT_EQ(pr.hasta, 34.5);
    const optimizer::RangingLabels pl = optimizer::rangingLabels(b, *protein, s.units);
    EXPECT_EQ(pl.parameter, "Mínimo (%)");
    EXPECT_EQ(pl.slope, "Precio sombra ($ por %)");
    EXPECT_EQ(pl.slopeKey, "precio_sombra");

    const auto fishCap = optimizer::limitTarget(b, "ingrediente:pescado:maximo", &error);
    ASSERT_TRUE(fishCap) << error.toStdString();
    EXPECT_EQ(optimizer::targetCaption(b, *fishCap), "Máximo de Harina de pescado 62%");
    EXPECT_EQ(optimizer::defaultRange(b, *fishCap).hasta, 200); // a fifth of the batch over 2 x 50
    EXPECT_EQ(optimizer::rangingLabels(b, *fishCap, s.units).parameter, "Máximo (Kg)");

    const auto fish = optimizer::priceTarget(b, "harina de pescado 62%", &error);
    ASSERT_TRUE(fish);
    EXPECT_EQ(optimizer::defaultRange(b, *fish).hasta, 3);
    EXPECT_EQ(optimizer::rangingLabels(b, *fish, s.units).parameter, "Precio ($/Kg)");

    // Mistakes name what is wrong.
    EXPECT_FALSE(optimizer::limitTarget(b, "nutriente:Proteína bruta:medio", &error));
    EXPECT_EQ(error, "Indique minimo o maximo, no medio");
    EXPECT_FALSE(optimizer::limitTarget(b, "nutriente:Vitamina Z:minimo", &error));
    EXPECT_TRUE(error.startsWith("La fórmula no tiene el nutriente Vitamina Z. Sus nutrientes "
                                 "son: Calcio, Energía metabolizable aves, Extracto"))
        << error.toStdString();
}

// Every row of the broiler's analysis leads to the price or the limit it is about, which is the
// one its label names; a row about nothing the blend holds leads nowhere.
TEST(RangingTarget, AnalysisRowsLeadToWhatTheyAreAbout) {
    TempDatabase t(true);
    ScriptedMessages messages;
    const lp::Blend b = broiler(t).blend;
    const lp::SolvedBlend solved = lp::assembleAndSolve(b);
    ASSERT_EQ(solved.result.outcome, lp::Outcome::Optimum);
    QSet<QString> kinds;
    for (const lp::AnalysisRow& a : lp::sensitivityRows(solved.tableau, b)) {
        SCOPED_TRACE(a.tipo + " " + a.detalle);
        const workspace::SensitivityRow row = optimizer::sensitivityRow(a);
        const auto target = optimizer::targetOfAnalysisRow(b, row);
        ASSERT_TRUE(target);
        kinds << row.tipo;
        if (target->kind == optimizer::RangingTarget::Price)
            EXPECT_EQ(b.ingredients[target->ingredient].nombre, a.detalle);
        else
            EXPECT_EQ(lp::rowLabel(b, target->limit), a.detalle);
    }
    EXPECT_EQ(kinds, (QSet<QString>{"IA", "II", "RN", "RR", "RI"}));

    EXPECT_FALSE(optimizer::targetOfAnalysisRow(b, analysisRow("RN", About::Nutrient, 9999)));
    EXPECT_FALSE(optimizer::targetOfAnalysisRow(b, analysisRow("IA", About::Ingredient, 9999)));
    const int maize = idOf(b.ingredients, "Maíz amarillo grano");
    EXPECT_FALSE(optimizer::targetOfAnalysisRow(b, analysisRow("XX", About::Ingredient, maize)));
}

// An ingredient and a nutrient of the same name give their limits the same label: each row still
// leads to its own.
TEST(RangingTarget, RowsThatShareALabelLeadToTheirOwnTarget) {
    TempDatabase t(true);
    ScriptedMessages messages;
    lp::Blend b = broiler(t).blend;
    const int premix = idOf(b.ingredients, "Premezcla vitamínico-mineral");
    const int fibre = idOf(b.nutrients, "Fibra bruta");
    b.nutrients[size_t(lp::nutrientIndex(b, fibre))].nombre = "Premezcla vitamínico-mineral";
    b.nutrients[size_t(lp::nutrientIndex(b, fibre))].minimo = 1.0;

    workspace::SensitivityRow ingredient = analysisRow("RI", About::Ingredient, premix);
    workspace::SensitivityRow nutrient = analysisRow("RN", About::Nutrient, fibre);
    ingredient.detalle = nutrient.detalle = "Mínimo para Premezcla vitamínico-mineral";
    const auto ofIngredient = optimizer::targetOfAnalysisRow(b, ingredient);
    const auto ofNutrient = optimizer::targetOfAnalysisRow(b, nutrient);
    ASSERT_TRUE(ofIngredient && ofNutrient);
    EXPECT_EQ(ofIngredient->limit.kind, lp::LimitRef::Ingredient);
    EXPECT_EQ(b.ingredients[ofIngredient->limit.index].id, premix);
    EXPECT_EQ(ofNutrient->limit.kind, lp::LimitRef::Nutrient);
    EXPECT_EQ(b.nutrients[ofNutrient->limit.index].id, fibre);
    EXPECT_EQ(lp::rowLabel(b, ofIngredient->limit), lp::rowLabel(b, ofNutrient->limit));

    // The side is the row's too.
    nutrient.maximum = true;
    const auto maximum = optimizer::targetOfAnalysisRow(b, nutrient);
    ASSERT_TRUE(maximum);
    EXPECT_EQ(maximum->limit.side, lp::LimitRef::Maximum);
    EXPECT_EQ(maximum->limit.index, ofNutrient->limit.index);
}

// The lines and the chart points follow the intervals: steps at both ends of each, the cost
// through every breakpoint, and the end of the mixes said.
TEST(RangingTarget, LinesAndChartPoints) {
    lp::Ranging r;
    r.status = lp::RangingStatus::Ok;
    r.tramos = {{0, 1, 10, 12, 2, {}, {}}, {1, 3, 12, 18, 3, {}, {}}};
    r.infactibleDesde = 3;
    const auto steps = optimizer::slopeSteps(r);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[1].x, 1);
    EXPECT_EQ(steps[1].y, 2);
    EXPECT_EQ(steps[2].x, 1);
    EXPECT_EQ(steps[2].y, 3);
    const auto cost = optimizer::costPoints(r);
    ASSERT_EQ(cost.size(), 3u);
    EXPECT_EQ(cost[2].x, 3);
    EXPECT_EQ(cost[2].y, 18);
    optimizer::RangingLabels labels;
    labels.slope = "Precio sombra ($ por %)";
    const QStringList lines = optimizer::rangingLines(r, labels);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith("Precio sombra ($ por %)"));
    EXPECT_EQ(lines[2].simplified(), "1.00 3.00 12.00 18.00 3.0000"); // a shadow price
    EXPECT_EQ(lines[3], "Sin mezcla posible por encima de 3.00");
    // Breakpoints close together get the decimals that tell them apart, all ends alike; the
    // slope of a price is the kilograms of its ingredient.
    lp::Ranging close = r;
    close.tramos = {{0.1, 0.12504, 10, 12, 2, {}, {}},
                    {0.12504, 0.1251, 12, 18, 566.270255, {}, {}}};
    labels.slopeKey = "cantidad";
    const std::vector<QStringList> cells = optimizer::rangingCells(close, labels);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].join('|'), "0.1000|0.1250|10.00|12.00|2.00");
    EXPECT_EQ(cells[1].join('|'), "0.1250|0.1251|12.00|18.00|566.27");
    const optimizer::RangingTarget price{optimizer::RangingTarget::Price, 0, {}};
    EXPECT_TRUE(optimizer::rangingProblem(r, price).isEmpty());
    r.status = lp::RangingStatus::NotLinear;
    EXPECT_TRUE(optimizer::rangingProblem(r, price).contains("base húmeda"));
}

// A price or a limit is named by the ingredient's code first, then a whole name, then a part of
// one name only; a text naming several rows lists them; a name may hold ':' inside --limite.
TEST(RangingTarget, CodesNamesAndAmbiguities) {
    TempDatabase t(true);
    ScriptedMessages messages;
    const optimizer::StoredBlend s = broiler(t);
    lp::Blend b = s.blend;
    ASSERT_EQ(s.codes.size(), b.ingredients.size());
    const auto ingredientNamed = [&](const optimizer::RangingTarget& target) {
        return QString::fromStdString(b.ingredients[target.ingredient].nombre).trimmed();
    };

    QString error;
    const auto soy = optimizer::priceTarget(b, " SOJA48 ", &error, s.codes);
    ASSERT_TRUE(soy) << error.toStdString();
    EXPECT_EQ(ingredientNamed(*soy), "Harina de soja 48% descascarada");
    const auto fish = optimizer::priceTarget(b, "PESCADO", &error, s.codes);
    ASSERT_TRUE(fish) << error.toStdString();
    EXPECT_EQ(ingredientNamed(*fish), "Harina de pescado 62%");
    const auto fishCap = optimizer::limitTarget(b, "ingrediente:PESCADO:maximo", &error, s.codes);
    ASSERT_TRUE(fishCap) << error.toStdString();
    EXPECT_EQ(optimizer::targetCaption(b, *fishCap), "Máximo de Harina de pescado 62%");

    // "soja" is in two names: both are listed with their codes, and nothing is chosen.
    EXPECT_FALSE(optimizer::priceTarget(b, "soja", &error, s.codes));
    EXPECT_TRUE(error.startsWith("\"soja\" nombra varios ingredientes de la fórmula: "))
        << error.toStdString();
    EXPECT_TRUE(error.contains("Aceite de soja (ACSOJA)"));
    EXPECT_TRUE(error.contains("Harina de soja 48% descascarada (SOJA48)"));
    EXPECT_TRUE(error.endsWith("escriba el código o el nombre completo"));
    EXPECT_FALSE(optimizer::priceTarget(b, "Avena", &error, s.codes));
    EXPECT_TRUE(error.contains("Sus ingredientes son: ")) << error.toStdString();
    EXPECT_TRUE(error.contains("Maíz amarillo grano (MAIZ)"));

    // A code comes before a name that holds it; a whole name before a part of another.
    b.ingredients[0].nombre = "Trigo SOJA48";
    EXPECT_EQ(ingredientNamed(*optimizer::priceTarget(b, "SOJA48", &error, s.codes)),
              "Harina de soja 48% descascarada");
    b.ingredients[0].nombre = "Harina de soja";
    const auto whole = optimizer::priceTarget(b, "harina de soja", &error, s.codes);
    ASSERT_TRUE(whole) << error.toStdString();
    EXPECT_EQ(whole->ingredient, 0u);
    // Two rows of one whole name are an ambiguity, not the first of them.
    b.nutrients[1].nombre = b.nutrients[0].nombre;
    EXPECT_FALSE(optimizer::limitTarget(
        b, "nutriente:" + QString::fromStdString(b.nutrients[0].nombre) + ":minimo", &error));
    EXPECT_TRUE(error.contains("nombra varios nutrientes")) << error.toStdString();
    EXPECT_TRUE(error.endsWith("escriba el nombre completo"));

    // The name runs from the first ':' to the last.
    b.nutrients[1].nombre = "Ca:P disponible";
    const auto colon = optimizer::limitTarget(b, "nutriente:ca:p disponible:maximo", &error);
    ASSERT_TRUE(colon) << error.toStdString();
    EXPECT_EQ(colon->limit.index, 1u);
    EXPECT_EQ(colon->limit.side, lp::LimitRef::Maximum);
    EXPECT_FALSE(optimizer::limitTarget(b, "nutriente:minimo", &error));
    EXPECT_TRUE(error.startsWith("Indique el límite como TIPO:NOMBRE:minimo"));
}
