#include "app/number_text.h"

#include <gtest/gtest.h>

using numtext::isNumber;
using numtext::roundHalfEven;
using numtext::toNumber;

TEST(NumberText, AcceptsPointDecimalsWithSignExponentAndBlanks) {
    EXPECT_EQ(toNumber("12"), 12.0);
    EXPECT_EQ(toNumber("-3.5"), -3.5);
    EXPECT_EQ(toNumber("+.5"), 0.5);
    EXPECT_EQ(toNumber("7."), 7.0);
    EXPECT_EQ(toNumber("  1e3 "), 1000.0);
    EXPECT_EQ(toNumber("\t2.5E-1\n"), 0.25);
    EXPECT_EQ(toNumber("0.1"), 0.1); // exact round trip, no locale involved
    EXPECT_EQ(toNumber("-0"), 0.0);
}

TEST(NumberText, RefusesWhatAUserDidNotMeanAsANumber) {
    for (const char* text :
         {"",  "   ", "1,5", "1.000,5", "1 000", "$5",  "5%",    "0x10", "1e",  "e5", ".",
          "-", "+-1", "--1", "1.2.3",   "inf",   "nan", "1e999", "abc",  "12a", "- 5"})
        EXPECT_FALSE(isNumber(text)) << text;
    // Non-ASCII digits and the fullwidth forms are not typed numbers either.
    EXPECT_FALSE(isNumber(QStringLiteral("١٢")));
    EXPECT_FALSE(isNumber(QStringLiteral("１２")));
    EXPECT_EQ(numtext::toDouble("abc", -1.0), -1.0);
    EXPECT_EQ(numtext::toDouble(" 4.25 "), 4.25);
}

TEST(NumberText, WholeNumbersRoundHalvesToEven) {
    EXPECT_EQ(roundHalfEven(0.5), 0.0); // a batch of 0.5 counts as zero
    EXPECT_EQ(roundHalfEven(0.51), 1.0);
    EXPECT_EQ(roundHalfEven(1.5), 2.0);
    EXPECT_EQ(roundHalfEven(2.5), 2.0);
    EXPECT_EQ(roundHalfEven(3.5), 4.0);
    EXPECT_EQ(roundHalfEven(1000.4), 1000.0);
    EXPECT_EQ(roundHalfEven(1000.5), 1000.0);
    EXPECT_EQ(roundHalfEven(1001.5), 1002.0);
    EXPECT_EQ(roundHalfEven(-2.5), -2.0);
    EXPECT_EQ(roundHalfEven(-2.6), -3.0);
    EXPECT_EQ(roundHalfEven(1e20), 1e20);
}
