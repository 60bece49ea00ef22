#include "app/grid_style.h"

#include "store/record_set.h"

#include <QDate>
#include <gtest/gtest.h>
#include <utility>

using namespace grid;

TEST(GridStyle, ClassicColourLongs) {
    // Red is the low byte; the button face without a window system has its classic look;
    // a long beyond 24 bits or a system index nobody uses is no colour.
    const std::pair<long, QRgb> colours[] = {{kGrey, 0x808080},   {kWhite, 0xffffff},
                                             {kRed, 0xff0000},    {kGreen, 0x00c000},
                                             {kDimmed, 0xe0e0e0}, {kButtonFace, 0xf0f0f0}};
    for (const auto& [value, rgb] : colours)
        EXPECT_EQ(colorFromLong(value), QColor(rgb)) << value;
    EXPECT_FALSE(colorFromLong(0x1000000).isValid());
    EXPECT_FALSE(colorFromLong(-2147483647).isValid());
    EXPECT_EQ(colorFromLong(rgbLong(1, 2, 3)), QColor(1, 2, 3));
    EXPECT_EQ(longFromColor(QColor(0, 0, 255)), 16711680L);
}

TEST(GridStyle, TwipsAndRemainingWidth) {
    EXPECT_EQ(twipsToPixels(1440), 96);
    EXPECT_EQ(twipsToPixels(1000), 67);
    EXPECT_EQ(twipsToPixels(1440, 120.0), 120);
    EXPECT_EQ(pixelsToTwips(96), 1440);
    EXPECT_EQ(pixelsToTwips(200, 192.0), 1500);
    EXPECT_EQ(remainingWidthTwips(9000, 3100, false), 5830);
    EXPECT_EQ(remainingWidthTwips(9000, 3100, true), 5590);
    EXPECT_EQ(remainingWidthTwips(1000, 3100, true), 0);
}

TEST(GridStyle, CellTextFollowsTheColumn) {
    const Column cost{"Costo", 1000, kRight, "#####0.00"};
    EXPECT_EQ(cellText(12.345, cost), "12.35");
    EXPECT_EQ(cellText(QVariant(), cost), "");
    EXPECT_EQ(cellText(QStringLiteral("7.5"), cost), "7.50");

    Column share{"%", 700, kRight, "##0.00"};
    share.scale = 100;
    EXPECT_EQ(cellText(0.285, share), "28.50");

    Column total{"Costo", 1000, kRight, "$ #####0.00"};
    total.blankZero = true;
    EXPECT_EQ(cellText(-0.004, total), "");
    EXPECT_EQ(cellText(0.01, total), "$ 0.01");

    const Column plain{"Descripción"};
    EXPECT_EQ(cellText(QStringLiteral("Maíz"), plain), "Maíz");
    EXPECT_EQ(cellText(0.1, plain), "0.1");
    EXPECT_EQ(cellText(QDate(2009, 2, 1), Column{"Creación", 1200, kLeft, "dd/mm/yyyy"}),
              "01/02/2009");
}

TEST(GridStyle, ContentOfABoundRecordSet) {
    store::RecordSet rs;
    rs.appendField("id_producto", store::FieldType::Integer32);
    rs.appendField("nombre", store::FieldType::Char, 50);
    rs.appendField("costo", store::FieldType::Double, 0, true);
    rs.appendField("materia_seca", store::FieldType::Double);
    rs.appendRow({7, QStringLiteral("Maíz"), 0.125, QVariant()});
    rs.appendRow({QVariant(), QStringLiteral("Soja"), QVariant(), 90.0});

    const std::vector<Column> columns{
        {"", 0}, {"Descripción", 3000}, {"Costo", 1000, kRight, "#####0.00"}};
    GridContent content = gridContent(rs, columns);
    ASSERT_EQ(content.columnCount(), 4);
    ASSERT_EQ(content.rowCount(), 2);
    EXPECT_EQ(content.fieldColumn("NOMBRE"), 1);
    EXPECT_EQ(content.fieldColumn("codigo"), -1);
    EXPECT_EQ(content.header[2], (CellStyle{"Costo", kRight, kGrey, kWhite, false, {}}));
    EXPECT_EQ(content.header[3].text, "materia_seca"); // beyond the given columns
    EXPECT_EQ(content.cell(0, 0).text, "7");
    EXPECT_EQ(content.cell(0, 1).text, "Maíz");
    EXPECT_EQ(content.cell(0, 2),
              (CellStyle{"0.13", kRight, std::nullopt, std::nullopt, false, {}}));
    EXPECT_EQ(content.cell(1, 2).text, ""); // Null cost
    EXPECT_EQ(content.cell(1, 3).text, "90");

    content.setColumnBackground(3, kDimmed);
    EXPECT_EQ(content.cell(0, 3).background, kDimmed);
    EXPECT_EQ(content.cell(1, 3).background, kDimmed);
}
