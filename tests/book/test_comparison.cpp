#include "book/comparison.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace book;

namespace {

FormulaSnapshot version() {
    FormulaSnapshot s;
    s.titulo = "F1 versión 0";
    s.codigo = "F1";
    s.producto = "Pollo";
    s.version = "0";
    s.cantidad = 1000;
    s.costoUnitario = 0.25;
    s.ingredients = {{1, "Maíz", 0, std::nullopt, 0.6, 0.58, 0.1725},
                     {2, "Soja", 100, 400, 0.4, 0.42, 0.31},
                     {3, "Trigo", 0, 200, 0, 0, 0.2}};
    s.nutrients = {{10, "Proteína", 20, std::nullopt, 21.5}, {11, "Fibra", std::nullopt, 5, 3.2}};
    s.ratios = {{20, 21, "Calcio / Fósforo", 1.8, 2.2, 2.0}};
    s.groups = {{30, 0, "Granos", std::nullopt, 70, 60}};
    return s;
}

// The concept and the cell (0 minimum, 1 maximum, 2 value, 3 price) of each difference.
QStringList differences(const Comparison& c) {
    QStringList out;
    for (const ComparisonRow& r : c.rows)
        for (int i = 0; i < kSideCells; ++i)
            if (r.differs[size_t(i)])
                out << QString("%1:%2").arg(r.concepto).arg(i);
    return out;
}

} // namespace

TEST(Comparison, EqualVersionsHaveNoDifference) {
    const Comparison c = compareFormulas(version(), version());
    EXPECT_EQ(c.differences(), 0);
    EXPECT_EQ(c.rows.size(), 7u + 3 + 2 + 1 + 1);
    EXPECT_EQ(differencesText(c), "Las dos versiones son iguales.");
    EXPECT_TRUE(comparisonGrid(c, true).rows.empty());
}

TEST(Comparison, ShowsEveryDifference) {
    FormulaSnapshot b = version();
    b.titulo = "F1 versión 1";
    b.producto = "Pollo parrillero";
    b.version = "1";
    b.cantidad = 500;
    b.secaIng = false;
    b.secaNut = false;
    b.costoUnitario = 0.26;
    b.ingredients[0].minimo = 10; // Maíz: minimum and share
    b.ingredients[0].porcentajeHumeda = 0.55;
    b.ingredients[1].maximo = std::nullopt;         // Soja: maximum
    b.ingredients.erase(b.ingredients.begin() + 2); // Trigo: left only
    b.ingredients.push_back({4, "Afrechillo", 0, 50, 0.05, 0.05, std::nullopt});
    b.nutrients[0].valor = 21.5001; // shown with four decimals
    b.nutrients[1].maximo = 6;
    b.nutrients.push_back({12, "Calcio", 1, 1.1, 1.05});
    b.ingredients[1].precio = 0.3125;                                  // Soja: a dearer price
    b.ratios[0].minimo = 1.9;                                          // the ratio's minimum
    b.ratios.push_back({20, 22, "Calcio / Fósforo disp.", 2, 3, 2.5}); // same numerator
    b.groups[0].valor = 70;                                            // the group's share
    const Comparison c = compareFormulas(version(), b);
    EXPECT_EQ(differences(c), QStringList({"Producto:2",
                                           "Versión:2",
                                           "Cantidad a elaborar:2",
                                           "Base de los ingredientes:2",
                                           "Base de los nutrientes:2",
                                           "Costo unitario (húmeda):2",
                                           "Afrechillo:0",
                                           "Afrechillo:1",
                                           "Afrechillo:2",
                                           "Maíz:0",
                                           "Maíz:2",
                                           "Soja:1",
                                           "Soja:3",
                                           "Trigo:0",
                                           "Trigo:1",
                                           "Trigo:2",
                                           "Trigo:3",
                                           "Calcio:0",
                                           "Calcio:1",
                                           "Calcio:2",
                                           "Fibra:1",
                                           "Proteína:2",
                                           "Calcio / Fósforo:0",
                                           "Calcio / Fósforo disp.:0",
                                           "Calcio / Fósforo disp.:1",
                                           "Calcio / Fósforo disp.:2",
                                           "Granos:2"}));
    EXPECT_EQ(c.differences(), 16);
    for (const book::ComparisonRow& row : c.rows)
        if (row.concepto == "Cantidad a elaborar") {
            EXPECT_EQ(row.left[2], "1000.00 kg"); // a quantity says it is kilograms
            EXPECT_EQ(row.right[2], "500.00 kg");
        }
    EXPECT_EQ(c.leftTitle, "F1 versión 0");
    EXPECT_EQ(c.rightTitle, "F1 versión 1");

    // The grid: a title line per section, the differing cells of both sides highlighted.
    const grid::GridContent all = comparisonGrid(c);
    EXPECT_EQ(all.rowCount(), int(c.rows.size()) + 5);
    int highlighted = 0;
    for (const auto& row : all.rows)
        for (const grid::CellStyle& cell : row)
            highlighted += cell.background == kDifference;
    EXPECT_EQ(highlighted, 2 * 27);
    EXPECT_EQ(all.cell(0, 0).text, "Fórmula");
    EXPECT_EQ(all.cell(0, 0).background, grid::kGrey);
    const grid::GridContent only = comparisonGrid(c, true);
    EXPECT_EQ(only.rowCount(), 16 + 5);
    EXPECT_EQ(differencesText(c), "16 líneas con diferencias (resaltadas).");
    // Each price shows with four decimals; a ratio's value like a nutrient's.
    const auto soja = std::find_if(c.rows.begin(), c.rows.end(),
                                   [](const ComparisonRow& r) { return r.concepto == "Soja"; });
    ASSERT_NE(soja, c.rows.end());
    EXPECT_EQ(soja->left[3], "$ 0.3100");
    EXPECT_EQ(soja->right[3], "$ 0.3125");
    EXPECT_EQ(all.cell(int(c.rows.size()) + 5 - 2, 0).text,
              "Grupos de ingredientes (límites y valor de la mezcla)");
}
