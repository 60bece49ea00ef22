#include "workspace/composition_grid.h"
#include "workspace/recalc_quantity.h"
#include "workspace/workspace.h"

#include <gtest/gtest.h>
#include <tuple>

using workspace::Workspace;

namespace {

// A composition matrix of 3 ingredients and 4 nutrients (ids 7, 3, 12, 40), as the workspace
// builds it; nutrient 40 is no longer in the workspace's nutrient rows.
Workspace withMatrix() {
    Workspace ws;
    for (auto [id, name, unit] : std::vector<std::tuple<int, QString, QString>>{
             {7, "Proteína", "%"}, {3, "Calcio", ""}, {12, "Fósforo disp.", "ppm"}}) {
        ws.nutrients.push_back({id, name, {}, {}, {}, {}, unit});
    }
    workspace::CompositionMatrix& m = ws.composition;
    m.nutrientIds = {7, 3, 12, 40};
    const auto none = std::nullopt;
    m.rows.push_back({1, "Maíz", 225.0, 0.255, 255.0, 0.255, {2.3, 0.01, none, 0.5}});
    m.rows.push_back({2, "Soja", 500.0, 0.5, 560.0, 0.56, {20.5, 0.15, 0.1, 0.0}});
    m.rows.push_back({3, "Carbonato", 245.0, 0.245, 185.0, 0.185, {none, 9.2, none, 0.0}});
    m.rows.push_back({none, {}, 970.0, 1.0, 1000.0, 1.0, {22.8, 9.36, 0.1, 0.5}});
    return ws;
}

} // namespace

TEST(CompositionGrid, LayoutFormatsAndTheTotalsRow) {
    const Workspace ws = withMatrix();
    const grid::GridContent g = workspace::compositionGrid(ws);
    EXPECT_EQ(g.columnCount(), 11);
    EXPECT_EQ(g.rowCount(), 4); // 3 ingredients and the totals, under the header
    const std::vector<int> widths = {0, 2950, 1000, 850, 1000, 850, 80, 2000, 2000, 2000, 2000};
    for (int c = 0; c < g.columnCount(); ++c)
        EXPECT_EQ(g.columns[size_t(c)].widthTwips, widths[size_t(c)]) << c;
    QStringList headers;
    for (const auto& h : g.header)
        headers << h.text;
    EXPECT_EQ(headers, (QStringList{"", "Ingrediente", "Mat.Seca kg", "", "Mat.Húmeda kg", "", "",
                                    "Proteína (%)", "Calcio", "Fósforo disp. (ppm)", "40"}));
    EXPECT_EQ(g.header[7].background, grid::kGrey);
    EXPECT_EQ(g.header[7].foreground, grid::kWhite);

    EXPECT_EQ(g.cell(0, 1).text, "Maíz");
    EXPECT_EQ(g.cell(0, 2).text, "225.00");
    EXPECT_EQ(g.cell(0, 3).text, "25.50%");
    EXPECT_EQ(g.cell(0, 7).text, "2.30");
    EXPECT_EQ(g.cell(0, 9).text, "");    // no composition entry for that nutrient
    EXPECT_EQ(g.cell(1, 9).text, "0.1"); // parts per million read with one decimal
    EXPECT_EQ(g.cell(2, 7).text, "");
    for (int r = 0; r < g.rowCount(); ++r)
        EXPECT_EQ(g.cell(r, 6).background, grid::kGrey);
    EXPECT_FALSE(g.cell(0, 2).bold);
    EXPECT_FALSE(g.cell(0, 2).background.has_value());

    const int totals = 3;
    EXPECT_EQ(g.cell(totals, 1).text, "");
    EXPECT_EQ(g.cell(totals, 5).text, "100.00%");
    EXPECT_EQ(g.cell(totals, 8).text, "9.36");
    for (int c : {2, 3, 4, 5, 7, 8, 9, 10}) {
        EXPECT_TRUE(g.cell(totals, c).bold) << c;
        EXPECT_EQ(g.cell(totals, c).background, grid::kDimmed) << c;
    }
    EXPECT_FALSE(g.cell(totals, 1).bold);
    EXPECT_EQ(g.cell(totals, 6).background, grid::kGrey);
}

TEST(RecalcQuantity, RefusesTextAndNumbersNotAboveZero) {
    using workspace::checkRecalcQuantity;
    for (const QString text : {"", "abc", "1,5", "5 kg"}) {
        const auto q = checkRecalcQuantity(text);
        EXPECT_FALSE(q.quantity) << text.toStdString();
        EXPECT_EQ(q.message, "La cantidad debe ser un dato numérico válido");
    }
    for (const QString text : {"0", "-5", "0.0"}) {
        const auto q = checkRecalcQuantity(text);
        EXPECT_FALSE(q.quantity);
        EXPECT_EQ(q.message, "La cantidad debe ser mayor que cero");
    }
    const auto q = checkRecalcQuantity(" 500.5 ");
    ASSERT_TRUE(q.quantity);
    EXPECT_DOUBLE_EQ(*q.quantity, 500.5);
    EXPECT_TRUE(q.message.isEmpty());
    EXPECT_EQ(workspace::recalcBasisText(true), "Materia Seca");
    EXPECT_EQ(workspace::recalcBasisText(false), "Materia Húmeda");
}
