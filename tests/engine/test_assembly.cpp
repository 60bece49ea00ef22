#include "example_blends.h"
#include "optimizer/engine/tableau.h"

#include <gtest/gtest.h>

namespace lp {
namespace {

using examples::ingredient;

TEST(Assembly, WorkedExampleLayout) {
    const Tableau t = assemble(examples::twoIngredientBlend());
    EXPECT_EQ(t.N, 2);
    EXPECT_EQ(t.K, 1);
    EXPECT_EQ(t.L, 2);
    EXPECT_EQ(t.M, 5);
    EXPECT_EQ(t.C, 7);
    EXPECT_EQ(t.rhs(), 8);
    EXPECT_EQ(t.colProducto, (std::vector<int>{0, 1, 2}));
    EXPECT_DOUBLE_EQ(t.factorSeca[1], 0.9);
    const std::vector<std::string> labels{"",
                                          "Mínimo para Proteína",
                                          "Mínimo para A",
                                          "Mínimo para B",
                                          "Cantidad > 1.0000001",
                                          "Cantidad < 0.0000009"};
    EXPECT_EQ(t.etiquetaFila, labels);
    // Cost row, nutrient minimum (negated, times dry matter), ingredient minimums, quantity band.
    const std::vector<std::vector<double>> expected{
        {1, 10, 30, 0, 0, 0, 0, 0, 0},        {0, -9, -36, 1, 0, 0, 0, 0, -20},
        {0, -1, 0, 0, 1, 0, 0, 0, 0},         {0, 0, -1, 0, 0, 1, 0, 0, 0},
        {0, 1, 1, 0, 0, 0, 1, 0, 1.00000001}, {0, -1, -1, 0, 0, 0, 0, 1, -0.99999999}};
    for (int r = 0; r <= t.M; ++r)
        for (int c = 0; c <= t.rhs(); ++c)
            EXPECT_DOUBLE_EQ(t.at(r, c), expected[r][c]) << "row " << r << " column " << c;
    for (int r = 1; r <= t.M; ++r)
        EXPECT_EQ(t.varBasica[r], t.N + r);
}

TEST(Assembly, NutrientRowsOnEachBasis) {
    Blend b = examples::twoIngredientBlend();
    b.nutrients = {{7, "  Calcio  ", 2.0, 4.0}};
    b.valor = {{1, 10}};
    b.ingredients[1].materiaSeca = 50;
    b.ingredients[1].costoSeca = 60;

    Tableau t = assemble(b); // as fed / as fed: content times dry matter
    EXPECT_EQ(t.etiquetaFila[1], "Mínimo para Calcio");
    EXPECT_EQ(t.etiquetaFila[2], "Máximo para Calcio");
    EXPECT_DOUBLE_EQ(t.at(1, 2), -5);
    EXPECT_DOUBLE_EQ(t.at(1, t.rhs()), -2);
    EXPECT_DOUBLE_EQ(t.at(2, 2), 5);
    EXPECT_DOUBLE_EQ(t.at(2, t.rhs()), 4);

    b.secaNut = true; // as-fed shares, dry-basis limit: (a - limit) dm, right-hand side 0
    t = assemble(b);
    EXPECT_DOUBLE_EQ(t.at(1, 1), -(1 - 2) * 0.9);
    EXPECT_DOUBLE_EQ(t.at(1, 2), -(10 - 2) * 0.5);
    EXPECT_DOUBLE_EQ(t.at(2, 2), (10 - 4) * 0.5);
    EXPECT_EQ(t.at(1, t.rhs()), 0);
    EXPECT_EQ(t.at(2, t.rhs()), 0);

    b.secaIng = true; // dry shares: the content itself, dry costs in the cost row
    t = assemble(b);
    EXPECT_DOUBLE_EQ(t.at(1, 2), -10);
    EXPECT_DOUBLE_EQ(t.at(1, t.rhs()), -2);
    EXPECT_DOUBLE_EQ(t.at(0, 2), 60);
}

TEST(Assembly, IngredientLimitsAndSizes) {
    Blend b;
    b.cantidad = 100;
    b.ingredients = {ingredient(3, "Fijo", 1, 90, 40.0, 40.0), ingredient(5, "Libre", 2, 90),
                     ingredient(9, "Tope", 3, 90, std::nullopt, 25.0)};
    b.nutrients = {{1, "Fósforo", 0.5, 0.8}};
    b.valor = {{0.2, 0, 0.9}}; // no composition row for the second ingredient: 0
    const Tableau t = assemble(b);
    // Three ingredients, two with a maximum, one nutrient with both limits.
    EXPECT_EQ(t.L, 5);
    EXPECT_EQ(t.M, 2 + 5 + 2);
    EXPECT_EQ(t.rhs(), t.N + t.M + 1);
    EXPECT_EQ(t.at(1, 2), 0);
    // A fixed ingredient is widened by 0.001 units either side.
    EXPECT_EQ(t.etiquetaFila[3], "Mínimo para Fijo");
    EXPECT_DOUBLE_EQ(t.at(3, t.rhs()), -0.39999);
    EXPECT_EQ(t.etiquetaFila[4], "Máximo para Fijo");
    EXPECT_DOUBLE_EQ(t.at(4, t.rhs()), 0.40001);
    EXPECT_EQ(t.etiquetaFila[5], "Mínimo para Libre");
    EXPECT_EQ(t.at(5, t.rhs()), 0);
    EXPECT_EQ(t.etiquetaFila[7], "Máximo para Tope");
    EXPECT_DOUBLE_EQ(t.at(7, 3), 1);
    EXPECT_DOUBLE_EQ(t.at(7, t.rhs()), 0.25);
}

} // namespace
} // namespace lp
