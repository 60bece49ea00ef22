#pragma once

#include <QString>
#include <QVariant>

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

} // namespace fmt
