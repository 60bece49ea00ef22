#include "app/views/grid_binding.h"

#include "app/busy_pointer.h"
#include "store/record_set.h"

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
        rs.appendRow(
            {i, QStringLiteral("A%1").arg(i), QStringLiteral("Ingrediente %1").arg(i), i * 1.005});
    }
    return rs;
}

const std::vector<grid::Column> kColumns{
    {"", 0}, {"Código", 1000}, {"Descripción", 2000}, {"Costo", 1000, grid::kRight, "#####0.00"}};

// A shown grid bound with the ingredient columns.
struct BoundGrid : ::testing::Test {
    QTableWidget table;
    GridBinding binding{&table};

    void SetUp() override {
        table.resize(600, 300);
        binding.setColumns(kColumns);
        table.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    }
    QLabel* txtnohubo() const { return table.findChild<QLabel*>("txtnohubo"); }
    int twips(int twips) const { return grid::twipsToPixels(twips, table.logicalDpiX()); }
};

} // namespace

TEST_F(BoundGrid, ShowsTheRecordSetWithHeaderWidthsFormatsAndTheNoMatchOverlay) {
    binding.bind(ingredients(3));
    ASSERT_EQ(table.columnCount(), 4);
    ASSERT_EQ(table.rowCount(), 3);
    EXPECT_EQ(binding.boundField(0), "id_producto");
    EXPECT_EQ(binding.boundField(3), "costo");
    EXPECT_EQ(binding.boundField(4), "");
    EXPECT_TRUE(table.isColumnHidden(0));
    EXPECT_EQ(table.columnWidth(2), twips(2000));

    QTableWidgetItem* header = table.horizontalHeaderItem(3);
    EXPECT_EQ(header->text(), "Costo");
    EXPECT_EQ(header->background().color(), QColor(128, 128, 128));
    EXPECT_EQ(header->foreground().color(), QColor(255, 255, 255));
    EXPECT_EQ(table.item(1, 3)->text(), "2.01");
    EXPECT_EQ(table.item(1, 3)->textAlignment(), int(grid::kRight));
    EXPECT_EQ(table.editTriggers(), QAbstractItemView::NoEditTriggers);
    ASSERT_NE(txtnohubo(), nullptr);
    EXPECT_EQ(txtnohubo()->text(), "No hubo coincidencias");
    EXPECT_FALSE(txtnohubo()->isVisible());

    binding.bind(ingredients(0)); // a search that found nothing
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(table.horizontalHeaderItem(2)->text(), "Descripción"); // the header stays
    EXPECT_TRUE(txtnohubo()->isVisible());
    EXPECT_TRUE(table.rect().contains(txtnohubo()->geometry()));
    EXPECT_GE(txtnohubo()->geometry().top(), table.horizontalHeader()->height());
    binding.bind(ingredients(1));
    EXPECT_FALSE(txtnohubo()->isVisible());
    binding.bind(ingredients(0));
    binding.clear(); // "Limpiar": header only, no overlay
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_FALSE(txtnohubo()->isVisible());
}

TEST_F(BoundGrid, PaintsCoreDecisionsAndFillsTheRemainingWidth) {
    binding.setFillColumn(2);
    grid::GridContent content = grid::gridContent(ingredients(2), kColumns);
    content.cell(0, 2).bold = true;
    content.cell(1, 3).background = grid::kRed;
    content.cell(1, 3).foreground = grid::kWhite;
    binding.show(content);
    EXPECT_TRUE(table.item(0, 2)->font().bold());
    EXPECT_FALSE(table.item(1, 2)->font().bold());
    EXPECT_EQ(table.item(1, 3)->background().color(), QColor(255, 0, 0));
    EXPECT_EQ(table.item(1, 3)->foreground().color(), QColor(255, 255, 255));
    EXPECT_EQ(table.item(0, 3)->background().style(), Qt::NoBrush);

    const double dpi = table.logicalDpiX();
    auto fill = [&](bool scrollBar) {
        return twips(
            grid::remainingWidthTwips(grid::pixelsToTwips(table.width(), dpi), 2000, scrollBar));
    };
    EXPECT_EQ(table.columnWidth(2), fill(false));
    table.resize(800, 300);
    QTest::qWait(10);
    EXPECT_EQ(table.columnWidth(2), fill(false));
    binding.bind(ingredients(60)); // more rows than fit: room for the scroll bar
    EXPECT_EQ(table.columnWidth(2), fill(true));

    binding.paintCell(0, 1, {"X", grid::kLeft, grid::kGreen, std::nullopt, false, "Cambió"});
    EXPECT_EQ(table.item(0, 1)->text(), "X");
    EXPECT_EQ(table.item(0, 1)->toolTip(), "Cambió"); // what the colour mark means
    EXPECT_EQ(table.item(0, 1)->background().color(), QColor(0, 192, 0));
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
    {
        app::BusyPointer outer;
        {
            app::BusyPointer inner;
            inner.release();
            inner.release(); // gives back nothing more: the outer guard still shows its hourglass
            ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_THROW(
        [] {
            app::BusyPointer busy;
            throw std::runtime_error("falla");
        }(),
        std::runtime_error);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
