#include "app/format.h"

#include <QVariant>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using fmt::format;

TEST(Format, FixedAndOptionalDecimals) {
    EXPECT_EQ(format(3.14159, "#####0.00"), "3.14");
    EXPECT_EQ(format(3.14159, "#####0.00000"), "3.14159");
    EXPECT_EQ(format(0.0, "0.00"), "0.00");
    EXPECT_EQ(format(5.0, "0"), "5");
    EXPECT_EQ(format(42.0, "00000"), "00042");
    EXPECT_EQ(format(0.5, "#.00"), ".50");
    EXPECT_EQ(format(1.5, "0.00###"), "1.50");
    EXPECT_EQ(format(1.234567, "0.00###"), "1.23457");
    EXPECT_EQ(format(0.123456789012, "0.00########"), "0.123456789");
    EXPECT_EQ(format(0.1 + 0.2, "#####0.00########"), "0.30"); // no binary noise
    EXPECT_EQ(format(1.005, "#####0.00##"), "1.005");
}

TEST(Format, RoundsHalfAwayFromZeroOnTheDecimalValue) {
    // 2.675 and 1.005 lie just below the half in binary; the user typed the half.
    EXPECT_EQ(format(0.125, "0.00"), "0.13");
    EXPECT_EQ(format(2.675, "0.00"), "2.68");
    EXPECT_EQ(format(1.005, "0.00"), "1.01");
    EXPECT_EQ(format(0.994, "0.00"), "0.99");
    EXPECT_EQ(format(0.995, "0.00"), "1.00");
    EXPECT_EQ(format(99999.995, "#####0.00"), "100000.00");
    EXPECT_EQ(format(2.5, "0"), "3");
    EXPECT_EQ(format(0.004, "0.00"), "0.00");
}

TEST(Format, NegativesAndZero) {
    EXPECT_EQ(format(-2.5, "0"), "-3");
    EXPECT_EQ(format(-0.125, "0.00"), "-0.13");
    EXPECT_EQ(format(-0.0, "0.00"), "0.00");
    EXPECT_EQ(format(-0.001, "0.00"), "0.00"); // no "-0.00"
    EXPECT_EQ(format(-0.004, "##0.00%"), "-0.40%");
    EXPECT_EQ(format(-5.0, "$ #####0.00"), "-$ 5.00");
}

TEST(Format, LargeAndTinyValuesKeepEveryWholeDigit) {
    EXPECT_EQ(format(123456789.126, "#####0.00"), "123456789.13");
    EXPECT_EQ(format(1e20, "0.00"), "100000000000000000000.00");
    EXPECT_EQ(format(-9007199254740993.0, "0"), "-9007199254740992"); // nearest double
    EXPECT_EQ(format(1e-300, "0.00###"), "0.00");
    EXPECT_EQ(format(1.5e-7, "0.00########"), "0.00000015");
}

TEST(Format, PercentPrefixesAndSuffixes) {
    EXPECT_EQ(format(0.25, "##0.00%"), "25.00%");
    EXPECT_EQ(format(0.285, "##0.00%"), "28.50%");
    EXPECT_EQ(format(0.00285, "0%"), "0%");
    EXPECT_EQ(format(0.005, "0%"), "1%"); // the decimal 0.5 %, not 0.5000000000000001 %
    EXPECT_EQ(format(12.5, "#####0.00 %"), "12.50 %"); // a suffix, not a percentage
    EXPECT_EQ(format(12.5, "$ #####0.00"), "$ 12.50");
    EXPECT_EQ(format(3.0, "0.00\"%\""), "3.00%");
    EXPECT_EQ(format(3.0, "0.00\\%"), "3.00%");
    EXPECT_EQ(format(3.0, "Nro \\#0"), "Nro #3");
}

TEST(Format, VariantsNullTextsAndOddValues) {
    EXPECT_EQ(format(QVariant(), "#####0.00"), "");
    EXPECT_EQ(format(QVariant(QMetaType::fromType<double>()), "#####0.00"), "");
    EXPECT_EQ(format(QVariant(QString()), "0.00"), "");
    EXPECT_EQ(format(QVariant(QStringLiteral(" 12.345 ")), "#########0.00###"), "12.345");
    EXPECT_EQ(format(QVariant(QStringLiteral("abc")), "0.00"), "abc");
    EXPECT_EQ(format(QVariant(7), "#####0.00"), "7.00");
    EXPECT_EQ(format(std::numeric_limits<double>::quiet_NaN(), "0.00"), "");
    EXPECT_EQ(format(std::numeric_limits<double>::infinity(), "0.00"), QStringLiteral("∞"));
    EXPECT_EQ(format(0.1, ""), "0.1");
    EXPECT_EQ(format(-0.0, ""), "0");
}

TEST(Format, RoundDecimalsAgreesWithTheShownText) {
    EXPECT_EQ(fmt::roundDecimals(12.25, 1), 12.3);
    EXPECT_EQ(fmt::roundDecimals(2.675, 2), 2.68);
    EXPECT_EQ(fmt::roundDecimals(-2.675, 2), -2.68);
    EXPECT_EQ(fmt::roundDecimals(-0.001, 2), 0.0);
    EXPECT_FALSE(std::signbit(fmt::roundDecimals(-0.001, 2)));
    EXPECT_EQ(fmt::roundDecimals(99.995, 2), 100.0);
    EXPECT_EQ(fmt::roundDecimals(1234.5, 0), 1235.0);
    EXPECT_EQ(fmt::roundDecimals(1e20, 2), 1e20);
}

// One price reads alike everywhere: 0.1725 is never "0.17" in one grid and "0.173" in the next.
TEST(Format, KindsOfFigureAndTheirUnits) {
    EXPECT_EQ(fmt::price(0.1725), "0.1725");
    EXPECT_EQ(fmt::price(0.167), "0.1670");
    EXPECT_EQ(fmt::quantityKg(1000), "1000.00 kg");
    EXPECT_EQ(fmt::share(12.3456), "12.35");

    EXPECT_EQ(fmt::nutrientValue(3.2, "Mcal"), "3.200");
    EXPECT_EQ(fmt::nutrientValue(3.2, " mcal/kg "), "3.200");
    EXPECT_EQ(fmt::nutrientValue(2850.4, "kcal/kg"), "2850");
    EXPECT_EQ(fmt::nutrientValue(12.345, "ppm"), "12.3");
    EXPECT_EQ(fmt::nutrientValue(0.4567, "%"), "0.46");
    EXPECT_EQ(fmt::nutrientValue(0.4567, ""), "0.46");

    EXPECT_EQ(fmt::withUnit("3.200", "Mcal"), "3.200 Mcal");
    EXPECT_EQ(fmt::withUnit("0.46", " % "), "0.46 %");
    EXPECT_EQ(fmt::withUnit("0.46", ""), "0.46");
    EXPECT_EQ(fmt::withUnit("", "%"), ""); // nothing to qualify
}

TEST(Format, BreakpointsGetTheDecimalsThatTellNeighboursApart) {
    EXPECT_EQ(fmt::breakpointPattern({}), "0.00");
    EXPECT_EQ(fmt::breakpointPattern({0, 1.5, 3}), "0.00");
    EXPECT_EQ(fmt::breakpointPattern({0.1, 0.125, 0.126}), "0.000");
    EXPECT_EQ(fmt::breakpointPattern({0.12501, 0.12503}), "0.00000");
    EXPECT_EQ(fmt::breakpointPattern({2, 2, 3}), "0.00"); // equal ends are not neighbours apart
    EXPECT_EQ(fmt::breakpointPattern({1, 1 + 1e-12}), "0.00000000"); // at most eight
    // A price keeps its four decimals even where two would tell the ends apart.
    EXPECT_EQ(fmt::breakpointPattern({0, 0.372092, 5}, 4), "0.0000");
    EXPECT_EQ(fmt::breakpointPattern({0.37209, 0.37211}, 4), "0.00000");
}
