#include "example_blends.h"
#include "optimizer/engine/solution.h"

#include <gtest/gtest.h>

namespace lp {
namespace {

TEST(WriteBack, AsFedSharesOfTheWorkedExample) {
    const Blend b = examples::twoIngredientBlend();
    const std::vector<BatchLine> l = batchLines(b, {0.59259258, 0.40740741});
    EXPECT_NEAR(l[0].cantidadHumeda, 59.259258, 5e-7);
    EXPECT_NEAR(l[1].cantidadHumeda, 40.740741, 5e-7);
    EXPECT_NEAR(l[0].cantidadSeca, 53.333332, 5e-7);
    EXPECT_NEAR(l[1].cantidadSeca, 36.666667, 5e-7);
    EXPECT_DOUBLE_EQ(l[0].porcentajeHumeda, 0.59259258);
    EXPECT_NEAR(l[0].porcentajeSeca, 0.5925926, 5e-8);
    EXPECT_NEAR(l[1].porcentajeSeca, 0.4074074, 5e-8);
}

TEST(WriteBack, DrySharesAndAnEmptyMix) {
    Blend b;
    b.secaIng = b.secaNut = true;
    b.cantidad = 100;
    b.ingredients = {examples::ingredient(1, "Húmedo", 1, 50),
                     examples::ingredient(2, "Seco", 1, 100)};
    std::vector<BatchLine> l = batchLines(b, {0.6, 0.4});
    EXPECT_DOUBLE_EQ(l[0].cantidadSeca, 60);
    EXPECT_DOUBLE_EQ(l[0].cantidadHumeda, 120);
    EXPECT_DOUBLE_EQ(l[1].cantidadHumeda, 40);
    EXPECT_DOUBLE_EQ(l[0].porcentajeSeca, 0.6);
    EXPECT_DOUBLE_EQ(l[0].porcentajeHumeda, 0.75);
    EXPECT_DOUBLE_EQ(l[1].porcentajeHumeda, 0.25);

    l = batchLines(b, {0, 0}); // totals of 0 give shares of 0, not a division by 0
    EXPECT_EQ(l[0].porcentajeHumeda, 0);
    EXPECT_EQ(l[1].cantidadHumeda, 0);
}

} // namespace
} // namespace lp
