#include "optimizer/conflict_table.h"
#include "optimizer/engine/conflict.h"

#include <gtest/gtest.h>

using lp::Blend;
using lp::ConflictLimit;
using lp::LimitRef;

namespace {

// A batch of 1000 as fed of maize, limestone (capped at 20) and dicalcium phosphate, with a
// calcium minimum and a phosphorus maximum. The phosphorus cap holds the phosphate down, so
// with limestone capped calcium tops out near 1.09: a minimum of 1.2 cannot be met, though
// each nutrient alone is within reach.
Blend calciumBlend() {
    Blend b;
    b.cantidad = 1000;
    auto ingredient = [&](int id, const char* name, double dm, double cost) {
        lp::Ingredient i;
        i.id = id;
        i.nombre = name;
        i.materiaSeca = i.materiaSecaCatalogo = dm;
        i.costoHumeda = cost;
        i.costoSeca = cost * 100 / dm;
        b.ingredients.push_back(i);
    };
    ingredient(1, "Maíz", 88, 0.20);
    ingredient(2, "Calcáreo", 99, 0.05);
    ingredient(3, "Fosfato dicálcico", 97, 0.80);
    ingredient(4, "Harina de soja", 89, 0.40);
    b.ingredients[1].maximo = 20;
    b.ingredients[0].minimo = 300; // no part of the conflict
    lp::Nutrient ca{10, "Calcio", 1.2, std::nullopt};
    lp::Nutrient p{11, "Fósforo", std::nullopt, 0.5};
    lp::Nutrient prot{12, "Proteína", 15.0, std::nullopt}; // met by soy, no part of it either
    b.nutrients = {ca, p, prot};
    b.valor = {{0.02, 38, 22, 0.3}, {0.28, 0, 18, 0.7}, {9, 0, 0, 50}};
    return b;
}

// Maize and soy meal with minimums of 700 and 400 in a batch of 1000.
Blend twoMinimumsBlend() {
    Blend b = calciumBlend();
    b.nutrients[0].minimo.reset();
    b.nutrients[2].minimo.reset();
    b.ingredients[0].minimo = 700;
    b.ingredients[3].minimo = 400;
    return b;
}

Blend onlyLimits(const Blend& blend, const std::vector<ConflictLimit>& keep) {
    Blend b = blend;
    for (const LimitRef& l : lp::userLimits(blend)) {
        const bool kept = std::any_of(keep.begin(), keep.end(), [&](const ConflictLimit& c) {
            return c.limit.kind == l.kind && c.limit.side == l.side && c.limit.index == l.index;
        });
        if (!kept)
            b = lp::withLimit(b, l, std::nullopt);
    }
    return b;
}

// What every diagnosis must show on re-solving: the set cannot hold, any smaller one can, and
// each limit moved to its relaxation solves at the cost given, while a slightly tighter value
// does not.
void expectSound(const Blend& blend, const std::vector<ConflictLimit>& conflict) {
    ASSERT_FALSE(conflict.empty());
    const Blend set = onlyLimits(blend, conflict);
    EXPECT_FALSE(lp::probe(set).feasible);
    for (const ConflictLimit& c : conflict) {
        SCOPED_TRACE(c.nombre);
        EXPECT_EQ(lp::limitValue(blend, c.limit), c.valor);
        EXPECT_TRUE(lp::probe(lp::withLimit(set, c.limit, std::nullopt)).feasible);
        ASSERT_EQ(c.relajacion.has_value(), c.costo.has_value());
        if (!c.relajacion)
            continue;
        const bool minimum = c.limit.side == LimitRef::Minimum;
        EXPECT_TRUE(minimum ? *c.relajacion < c.valor : *c.relajacion > c.valor);
        const lp::Probe at = lp::probe(lp::withLimit(blend, c.limit, c.relajacion));
        ASSERT_TRUE(at.feasible);
        ASSERT_TRUE(at.costo);
        EXPECT_DOUBLE_EQ(*at.costo, *c.costo);
        const double tighter = *c.relajacion + 1e-4 * (c.valor - *c.relajacion);
        EXPECT_FALSE(lp::probe(lp::withLimit(blend, c.limit, tighter)).feasible);
    }
}

} // namespace

TEST(Conflict, CalciumAboveWhatCappedLimestoneAllows) {
    const Blend b = calciumBlend();
    ASSERT_FALSE(lp::probe(b).feasible);
    const std::vector<ConflictLimit> conflict = lp::diagnoseConflict(b);
    ASSERT_EQ(conflict.size(), 3u);
    EXPECT_EQ(conflict[0].nombre, "Calcio");
    EXPECT_EQ(conflict[0].limit.side, LimitRef::Minimum);
    EXPECT_EQ(conflict[1].nombre, "Fósforo");
    EXPECT_EQ(conflict[1].limit.side, LimitRef::Maximum);
    EXPECT_EQ(conflict[2].nombre, "Calcáreo");
    EXPECT_EQ(conflict[2].limit.kind, LimitRef::Ingredient);
    EXPECT_EQ(conflict[2].limit.side, LimitRef::Maximum);
    for (const ConflictLimit& c : conflict)
        EXPECT_TRUE(c.relajacion) << c.nombre;
    EXPECT_GT(*conflict[0].relajacion, 1.0);
    expectSound(b, conflict);
}

TEST(Conflict, IngredientMinimumsAboveTheWholeBatch) {
    const Blend b = twoMinimumsBlend();
    const std::vector<ConflictLimit> conflict = lp::diagnoseConflict(b);
    ASSERT_EQ(conflict.size(), 2u);
    EXPECT_EQ(conflict[0].nombre, "Maíz");
    EXPECT_EQ(conflict[1].nombre, "Harina de soja");
    EXPECT_NEAR(*conflict[0].relajacion, 600, 1e-3);
    EXPECT_NEAR(*conflict[1].relajacion, 300, 1e-3);
    // Maize 600 and soy 400 as fed, or 700 and 300: nothing cheaper fits beside them.
    EXPECT_NEAR(*conflict[0].costo, 0.6 * 0.20 + 0.4 * 0.40, 1e-6);
    EXPECT_NEAR(*conflict[1].costo, 0.7 * 0.20 + 0.3 * 0.40, 1e-6);
    expectSound(b, conflict);
}

TEST(Conflict, NoRelaxationWhenAnotherConflictRemains) {
    Blend b = twoMinimumsBlend();
    b.nutrients[0].minimo = 1.2; // the calcium conflict as well
    const std::vector<ConflictLimit> conflict = lp::diagnoseConflict(b);
    ASSERT_EQ(conflict.size(), 2u);
    for (const ConflictLimit& c : conflict) {
        EXPECT_FALSE(c.relajacion) << c.nombre;
        EXPECT_FALSE(c.costo) << c.nombre;
    }
    expectSound(b, conflict);
}

TEST(Conflict, NothingToDiagnoseOnAFeasibleBlend) {
    Blend b = calciumBlend();
    b.nutrients[0].minimo = 0.9;
    ASSERT_TRUE(lp::probe(b).feasible);
    EXPECT_TRUE(lp::diagnoseConflict(b).empty());
}

TEST(Conflict, RowsShowEachLimitAndSayWhenMovingItAloneIsNotEnough) {
    ConflictLimit fixedCost;
    fixedCost.limit = {LimitRef::Nutrient, LimitRef::Minimum, 0};
    fixedCost.nombre = "Calcio  ";
    fixedCost.valor = 1.2;
    fixedCost.relajacion = 1.0464271;
    fixedCost.costo = 0.27456;
    ConflictLimit stuck;
    stuck.limit = {LimitRef::Ingredient, LimitRef::Maximum, 2};
    stuck.nombre = "Calcáreo";
    stuck.valor = 20;
    ConflictLimit ratio = stuck;
    ratio.limit = {LimitRef::Ratio, LimitRef::Minimum, 0};
    ratio.nombre = "Calcio / Fósforo";
    ratio.valor = 2;
    ConflictLimit group = stuck;
    group.limit = {LimitRef::Group, LimitRef::Maximum, 0};
    group.nombre = "Granos";
    group.valor = 450;
    const std::vector<QStringList> rows = optimizer::conflictRows({fixedCost, stuck, ratio, group});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].join('|'), "Nutriente|Calcio|Mínimo|1.200|1.046|$ 0.2746");
    EXPECT_EQ(rows[1].join('|'), "Ingrediente|Calcáreo|Máximo|20.00|No basta con cambiarla|");
    EXPECT_EQ(rows[2].join('|'), "Relación|Calcio / Fósforo|Mínimo|2.000|No basta con cambiarla|");
    EXPECT_EQ(rows[3].join('|'), "Grupo|Granos|Máximo|450.00|No basta con cambiarla|");
    EXPECT_EQ(optimizer::conflictHeaders().size(), rows[0].size());
}
