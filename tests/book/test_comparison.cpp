#include "book/comparison.h"

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
    s.ingredients = {{1, "Maíz", 0, std::nullopt, 0.6, 0.58},
                     {2, "Soja", 100, 400, 0.4, 0.42},
                     {3, "Trigo", 0, 200, 0, 0}};
    s.nutrients = {{10, "Proteína", 20, std::nullopt, 21.5}, {11, "Fibra", std::nullopt, 5, 3.2}};
    return s;
}

// The concept and the cell (0 minimum, 1 maximum, 2 value) of each difference.
QStringList differences(const Comparison& c) {
    QStringList out;
    for (const ComparisonRow& r : c.rows)
        for (int i = 0; i < 3; ++i)
            if (r.differs[size_t(i)])
                out << QString("%1:%2").arg(r.concepto).arg(i);
    return out;
}

} // namespace

TEST(Comparison, EqualVersionsHaveNoDifference) {
    const Comparison c = compareFormulas(version(), version());
    EXPECT_EQ(c.differences(), 0);
    EXPECT_EQ(c.rows.size(), 7u + 3 + 2);
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
    b.ingredients.push_back({4, "Afrechillo", 0, 50, 0.05, 0.05});
    b.nutrients[0].valor = 21.5001; // shown with four decimals
    b.nutrients[1].maximo = 6;
    b.nutrients.push_back({12, "Calcio", 1, 1.1, 1.05});
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
                                           "Trigo:0",
                                           "Trigo:1",
                                           "Trigo:2",
                                           "Calcio:0",
                                           "Calcio:1",
                                           "Calcio:2",
                                           "Fibra:1",
                                           "Proteína:2"}));
    EXPECT_EQ(c.differences(), 13);
    EXPECT_EQ(c.leftTitle, "F1 versión 0");
    EXPECT_EQ(c.rightTitle, "F1 versión 1");

    // The grid: a title line per section, the differing cells of both sides highlighted.
    const grid::GridContent all = comparisonGrid(c);
    EXPECT_EQ(all.rowCount(), int(c.rows.size()) + 3);
    int highlighted = 0;
    for (const auto& row : all.rows)
        for (const grid::CellStyle& cell : row)
            highlighted += cell.background == kDifference;
    EXPECT_EQ(highlighted, 2 * 20);
    EXPECT_EQ(all.cell(0, 0).text, "Fórmula");
    EXPECT_EQ(all.cell(0, 0).background, grid::kGrey);
    const grid::GridContent only = comparisonGrid(c, true);
    EXPECT_EQ(only.rowCount(), 13 + 3);
    EXPECT_EQ(differencesText(c), "13 líneas con diferencias (resaltadas).");
}
