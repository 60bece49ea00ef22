#include "app/grid_style.h"

#include "app/busy_pointer.h"
#include "store/record_set.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace grid;

TEST(GridStyle, ClassicColourLongs) {
    EXPECT_EQ(colorFromLong(kGrey), QColor(128, 128, 128));
    EXPECT_EQ(colorFromLong(kWhite), QColor(255, 255, 255));
    EXPECT_EQ(colorFromLong(kRed), QColor(255, 0, 0)); // red is the low byte
    EXPECT_EQ(colorFromLong(kGreen), QColor(0, 192, 0));
    EXPECT_EQ(colorFromLong(kDimmed), QColor(224, 224, 224));
    EXPECT_EQ(colorFromLong(rgbLong(1, 2, 3)), QColor(1, 2, 3));
    EXPECT_EQ(rgbLong(128, 128, 128), kGrey);
    EXPECT_EQ(longFromColor(QColor(0, 0, 255)), 16711680L);
    EXPECT_FALSE(colorFromLong(0x1000000).isValid());
    // The button face without a window system has its classic look.
    EXPECT_EQ(colorFromLong(kButtonFace), QColor(240, 240, 240));
    EXPECT_FALSE(colorFromLong(-2147483647).isValid()); // an index nobody uses
}

TEST(GridStyle, TwipsAndRemainingWidth) {
    EXPECT_EQ(twipsToPixels(1440), 96);
    EXPECT_EQ(twipsToPixels(15), 1);
    EXPECT_EQ(twipsToPixels(1000), 67);
    EXPECT_EQ(twipsToPixels(1440, 120.0), 120);
    EXPECT_EQ(pixelsToTwips(96), 1440);
    EXPECT_EQ(pixelsToTwips(200, 192.0), 1500);
    EXPECT_EQ(remainingWidthTwips(9000, 3100, false), 5830);
    EXPECT_EQ(remainingWidthTwips(9000, 3100, true), 5590);
    EXPECT_EQ(remainingWidthTwips(1000, 3100, true), 0);
}

TEST(GridStyle, CellTextFollowsTheColumn) {
    Column cost{"Costo", 1000, kRight, "#####0.00"};
    EXPECT_EQ(cellText(12.345, cost), "12.35");
    EXPECT_EQ(cellText(QVariant(), cost), "");
    EXPECT_EQ(cellText(QStringLiteral("7.5"), cost), "7.50");

    Column share{"%", 700, kRight, "##0.00"};
    share.scale = 100;
    EXPECT_EQ(cellText(0.25, share), "25.00");
    EXPECT_EQ(cellText(0.285, share), "28.50");

    Column total{"Costo", 1000, kRight, "$ #####0.00"};
    total.blankZero = true;
    EXPECT_EQ(cellText(0.001, total), "");
    EXPECT_EQ(cellText(-0.004, total), "");
    EXPECT_EQ(cellText(0.01, total), "$ 0.01");

    Column plain{"Descripción"};
    EXPECT_EQ(cellText(QStringLiteral("Maíz"), plain), "Maíz");
    EXPECT_EQ(cellText(0.1, plain), "0.1");
    EXPECT_EQ(cellText(7, plain), "7");

    Column date{"Creación", 1200, kLeft, "dd/mm/yyyy"};
    EXPECT_EQ(cellText(QDate(2009, 2, 1), date), "01/02/2009");
}

TEST(GridStyle, ContentOfABoundRecordSet) {
    store::RecordSet rs;
    rs.appendField("id_producto", store::FieldType::Integer32);
    rs.appendField("nombre", store::FieldType::Char, 50);
    rs.appendField("costo", store::FieldType::Double, 0, true);
    rs.appendField("materia_seca", store::FieldType::Double);
    rs.addNew();
    rs.setValue("id_producto", 7);
    rs.setValue("nombre", "Maíz");
    rs.setValue("costo", 0.125);
    rs.setValue("materia_seca", 88.0);
    rs.addNew();
    rs.setValue("id_producto", 9);
    rs.setValue("nombre", "Soja");
    rs.setValue("materia_seca", 90.0);

    const std::vector<Column> columns{
        {"", 0}, {"Descripción", 3000}, {"Costo", 1000, kRight, "#####0.00"}};
    GridContent content = gridContent(rs, columns);
    ASSERT_EQ(content.columnCount(), 4);
    ASSERT_EQ(content.rowCount(), 2);
    EXPECT_EQ(content.fieldColumn("NOMBRE"), 1);
    EXPECT_EQ(content.fieldColumn("codigo"), -1);
    EXPECT_EQ(content.header[2].text, "Costo");
    EXPECT_EQ(content.header[2].background, kGrey);
    EXPECT_EQ(content.header[2].foreground, kWhite);
    EXPECT_EQ(content.header[2].alignment, kRight);
    EXPECT_EQ(content.header[3].text, "materia_seca"); // beyond the given columns
    EXPECT_EQ(content.cell(0, 0).text, "7");
    EXPECT_EQ(content.cell(0, 1).text, "Maíz");
    EXPECT_EQ(content.cell(0, 2).text, "0.13");
    EXPECT_EQ(content.cell(0, 2).alignment, kRight);
    EXPECT_FALSE(content.cell(0, 2).background.has_value());
    EXPECT_EQ(content.cell(1, 2).text, ""); // Null cost
    EXPECT_EQ(content.cell(1, 3).text, "90");

    content.setColumnBackground(3, kDimmed);
    EXPECT_EQ(content.cell(0, 3).background, kDimmed);
    EXPECT_EQ(content.cell(1, 3).background, kDimmed);

    rs.setSort("nombre DESC"); // the grid follows the record set's order
    EXPECT_EQ(gridContent(rs, columns).cell(0, 1).text, "Soja");
}

TEST(BusyPointer, DoesNothingWithoutAWindowSystem) {
    // The core tests run with a plain QCoreApplication: the guard must neither crash nor
    // leave anything behind.
    app::BusyPointer outer;
    {
        app::BusyPointer inner;
        inner.release();
        inner.release();
    }
    SUCCEED();
}
