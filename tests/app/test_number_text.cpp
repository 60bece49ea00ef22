#include "app/number_text.h"

#include <gtest/gtest.h>
#include <utility>

TEST(NumberText, WhichTextsCountAsNumbers) {
    const std::pair<const char*, double> numbers[] = {
        {"12", 12.0},       {"-3.5", -3.5},       {"+.5", 0.5}, {"7.", 7.0},
        {"  1e3 ", 1000.0}, {"\t2.5E-1\n", 0.25}, {"0.1", 0.1}, {"-0", 0.0}};
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(numtext::toNumber(text), value) << text;

    for (const char* text :
         {"",  "   ", "1,5", "1.000,5", "1 000", "$5",  "5%",    "0x10", "1e",  "e5", ".",
          "-", "+-1", "--1", "1.2.3",   "inf",   "nan", "1e999", "abc",  "12a", "- 5"})
        EXPECT_FALSE(numtext::isNumber(text)) << text;
    // Non-ASCII digits and the fullwidth forms are not typed numbers either.
    EXPECT_FALSE(numtext::isNumber(QStringLiteral("١٢")));
    EXPECT_FALSE(numtext::isNumber(QStringLiteral("１２")));
    EXPECT_EQ(numtext::toDouble("abc", -1.0), -1.0);
    EXPECT_EQ(numtext::toDouble(" 4.25 "), 4.25);
}

TEST(NumberText, WholeNumbersRoundHalvesToEven) {
    // A batch of 0.5 counts as zero.
    const std::pair<double, double> cases[] = {{0.5, 0.0},   {0.51, 1.0},      {1.5, 2.0},
                                               {2.5, 2.0},   {1000.5, 1000.0}, {1001.5, 1002.0},
                                               {-2.5, -2.0}, {-2.6, -3.0},     {1e20, 1e20}};
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(numtext::roundHalfEven(value), rounded) << value;
}
