#include "widgets/grid_binding.h"

#include "app/busy_pointer.h"
#include "store/record_set.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

store::RecordSet ingredients(int rows) {
    store::RecordSet rs;
    rs.appendField("id_producto", store::FieldType::Integer32);
    rs.appendField("codigo", store::FieldType::Char, 20);
    rs.appendField("nombre", store::FieldType::Char, 50);
    rs.appendField("costo", store::FieldType::Double, 0, true);
    for (int i = 1; i <= rows; ++i) {
        rs.addNew();
        rs.setValue("id_producto", i);
        rs.setValue("codigo", QStringLiteral("A%1").arg(i));
        rs.setValue("nombre", QStringLiteral("Ingrediente %1").arg(i));
        rs.setValue("costo", i * 1.005);
    }
    return rs;
}

std::vector<grid::Column> columns() {
    return {{"", 0},
            {"Código", 1000},
            {"Descripción", 2000},
            {"Costo", 1000, grid::kRight, "#####0.00"}};
}

} // namespace

TEST(GridBinding, ShowsTheRecordSetWithHeaderWidthsAndFormats) {
    QTableWidget table;
    table.setObjectName("FlexGrid1");
    table.resize(600, 300);
    GridBinding binding(&table);
    binding.setColumns(columns());
    binding.bind(ingredients(3));
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));

    ASSERT_EQ(table.columnCount(), 4);
    ASSERT_EQ(table.rowCount(), 3);
    EXPECT_EQ(binding.boundField(0), "id_producto");
    EXPECT_EQ(binding.boundField(3), "costo");
    EXPECT_EQ(binding.boundField(4), "");

    const double dpi = table.logicalDpiX();
    EXPECT_TRUE(table.isColumnHidden(0));
    EXPECT_EQ(table.columnWidth(1), grid::twipsToPixels(1000, dpi));
    EXPECT_EQ(table.columnWidth(2), grid::twipsToPixels(2000, dpi));

    QTableWidgetItem* header = table.horizontalHeaderItem(3);
    EXPECT_EQ(header->text(), "Costo");
    EXPECT_EQ(header->background().color(), QColor(128, 128, 128));
    EXPECT_EQ(header->foreground().color(), QColor(255, 255, 255));
    EXPECT_EQ(table.horizontalHeaderItem(1)->text(), "Código");

    EXPECT_EQ(table.item(0, 1)->text(), "A1");
    EXPECT_EQ(table.item(1, 3)->text(), "2.01");
    EXPECT_EQ(table.item(1, 3)->textAlignment(), int(grid::kRight));
    EXPECT_EQ(table.item(1, 2)->textAlignment(), int(grid::kLeft));
    EXPECT_EQ(table.editTriggers(), QAbstractItemView::NoEditTriggers);

    auto* txtnohubo = table.findChild<QLabel*>("txtnohubo");
    ASSERT_NE(txtnohubo, nullptr);
    EXPECT_EQ(txtnohubo->text(), "No hubo coincidencias");
    EXPECT_FALSE(txtnohubo->isVisible());
}

TEST(GridBinding, PaintsCoreDecisionsAndFillsTheRemainingWidth) {
    QTableWidget table;
    table.resize(600, 300);
    GridBinding binding(&table);
    binding.setColumns(columns());
    binding.setFillColumn(2);

    store::RecordSet rs = ingredients(2);
    grid::GridContent content = grid::gridContent(rs, columns());
    content.cell(0, 2).bold = true;
    content.cell(1, 3).background = grid::kRed;
    content.cell(1, 3).foreground = grid::kWhite;
    binding.show(content);
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));

    EXPECT_TRUE(table.item(0, 2)->font().bold());
    EXPECT_FALSE(table.item(1, 2)->font().bold());
    EXPECT_EQ(table.item(1, 3)->background().color(), QColor(255, 0, 0));
    EXPECT_EQ(table.item(1, 3)->foreground().color(), QColor(255, 255, 255));
    EXPECT_EQ(table.item(0, 3)->background().style(), Qt::NoBrush);

    const double dpi = table.logicalDpiX();
    auto expectedFill = [&] {
        const int twips =
            grid::remainingWidthTwips(grid::pixelsToTwips(table.width(), dpi), 2000, false);
        return grid::twipsToPixels(twips, dpi);
    };
    EXPECT_EQ(table.columnWidth(2), expectedFill());
    table.resize(800, 300);
    QTest::qWait(10);
    EXPECT_EQ(table.columnWidth(2), expectedFill());

    // More rows than fit: the fill column leaves room for the scroll bar.
    binding.bind(ingredients(60));
    const int withScrollBar = grid::twipsToPixels(
        grid::remainingWidthTwips(grid::pixelsToTwips(table.width(), dpi), 2000, true), dpi);
    EXPECT_EQ(table.columnWidth(2), withScrollBar);

    binding.paintCell(0, 1, {"X", grid::kLeft, grid::kGreen, std::nullopt, false});
    EXPECT_EQ(table.item(0, 1)->text(), "X");
    EXPECT_EQ(table.item(0, 1)->background().color(), QColor(0, 192, 0));
}

TEST(GridBinding, NoMatchOverlayAfterAnEmptySearch) {
    QTableWidget table;
    table.resize(600, 300);
    GridBinding binding(&table);
    binding.setColumns(columns());
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    auto* txtnohubo = table.findChild<QLabel*>("txtnohubo");
    ASSERT_NE(txtnohubo, nullptr);

    binding.bind(ingredients(0));
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(table.columnCount(), 4); // the header stays
    EXPECT_EQ(table.horizontalHeaderItem(2)->text(), "Descripción");
    EXPECT_TRUE(txtnohubo->isVisible());
    EXPECT_TRUE(table.rect().contains(txtnohubo->geometry()));
    EXPECT_GT(txtnohubo->geometry().top(), table.horizontalHeader()->height() - 1);

    binding.bind(ingredients(1));
    EXPECT_FALSE(txtnohubo->isVisible());
    EXPECT_EQ(binding.dataRowCount(), 1);

    binding.bind(ingredients(0));
    binding.clear(); // "Limpiar": header only, no overlay
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_FALSE(txtnohubo->isVisible());
}

TEST(BusyPointer, HourglassUntilEveryExitPath) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        app::BusyPointer busy;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        { app::BusyPointer nested; }
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
        busy.release(); // handing over to a modal window
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    auto failing = [] {
        app::BusyPointer busy;
        throw std::runtime_error("falla");
    };
    EXPECT_THROW(failing(), std::runtime_error);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
