#pragma once

#include <QString>
#include <QVariant>
#include <vector>

// Numbers as the program shows them, with the classic pattern texts: format(value, "#####0.00").
// "." is the decimal separator and there is never a thousands separator.
//
// Pattern: [literal text] placeholders [%] [literal text]
//   placeholders  "#" and "0" before ".", then "0" and "#" after it. A "0" is a digit always
//                 shown; a "#" a digit shown only when it is needed. "#####0.00" shows at least
//                 one whole digit and exactly two decimals; "0.00###" two to five decimals, with
//                 trailing zeros beyond the second dropped. Whole digits are never cut: a large
//                 value shows all its digits.
//   "%"           right after the placeholders: the value is shown multiplied by 100, followed
//                 by "%" ("##0.00%": 0.25 -> "25.00%").
//   literal text  anything else before or after the placeholders, copied as written: "$ " in
//                 "$ #####0.00", " %" in "#####0.00 %" (no multiplication: there is a blank
//                 before it). Text in double quotes or after "\" is always literal.
//
// Rounding is half away from zero on the decimal value the user sees, so 0.125 -> "0.13",
// 2.675 -> "2.68", -2.5 with "0" -> "-3". A result that shows only zeros has no sign
// (-0.001 -> "0.00"). A minus sign goes before any literal prefix ("-$ 5.00").
// An empty pattern shows the shortest text that reads back as the same double.
namespace fmt {

QString format(double value, const QString& pattern);

// Null (an invalid or null QVariant) and an empty text show "". A text that passes the numeric
// test is formatted as its number; any other text is returned unchanged. Non-finite values show
// "" (NaN) or "∞" / "-∞".
QString format(const QVariant& value, const QString& pattern);

// The value rounded to `decimals` places by the same rule as format(), so that a stored value
// and the text shown for it agree (12.25 -> 12.3 with one decimal).
double roundDecimals(double value, int decimals);

// The kinds of figure the program shows, each with its decimals decided here once so that a
// price reads alike in every grid, message, printout and table of the command line.
//   price      prices and costs per unit of mix: 4 decimals ("0.1725")
//   quantity   kilograms of a formula, a stock or a plan: 2 decimals ("1000.00")
//   share      a share of the mix as a percentage: 2 decimals ("12.50")
//   nutrient   a nutrient's value or limit: the decimals its unit reads with (nutrientDecimals)
//   limit      a limit whose unit is unknown (the conflict lists): 3 decimals
inline const QString kPricePattern = QStringLiteral("#####0.0000");
inline const QString kQuantityPattern = QStringLiteral("#####0.00");
inline const QString kSharePattern = QStringLiteral("##0.00");
inline const QString kLimitPattern = QStringLiteral("#####0.000");

QString price(double value);
QString quantity(double value);   // "1000.00"
QString quantityKg(double value); // "1000.00 kg"
QString share(double percent);    // 12.5 -> "12.50"

// The decimals of a nutrient measured in `unit`: energy in Mcal 3, in kcal 0, parts per million
// and units per kg 1, anything else (%, g/kg) 2.
int nutrientDecimals(const QString& unit);
QString nutrientPattern(const QString& unit);
QString nutrientValue(double value, const QString& unit);

// The text followed by the unit ("12.50 %", "3.200 Mcal"); an empty text or unit stays as is.
QString withUnit(const QString& text, const QString& unit);

// A pattern with the fewest decimals, at least `fewest` (the decimals of the kind of figure
// ranged: 4 for a price) and at most eight, that shows each two neighbouring values of the
// ordered list as different texts: the breakpoints of a ranging.
QString breakpointPattern(const std::vector<double>& values, int fewest = 2);

} // namespace fmt
