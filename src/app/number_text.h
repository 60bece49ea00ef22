#pragma once

#include <QString>
#include <optional>

// The one numeric test of the program and the conversions that go with it. Numbers are typed
// and shown with "." as the decimal separator (the regional settings are enforced at start-up),
// so the test does not depend on the machine's locale.
//
// A text counts as a number when, after trimming leading and trailing blanks, it is
//   [sign] digits [ "." [digits] ]   or   [sign] "." digits
// optionally followed by an exponent "e" or "E", [sign], digits; sign is "+" or "-"; digits are
// ASCII 0-9; the value must fit a double (neither overflow nor underflow). So "12", "-3.5", "+.5",
// "7.", " 1e3 " are numbers, and
// "", " ", "1,5", "1.000,5", "1 000", "$5", "5%", "0x10", "1e", "inf", "nan", "1e999" are not.
namespace numtext {

bool isNumber(const QString& text);

// The value of a text that passes isNumber; nothing otherwise.
std::optional<double> toNumber(const QString& text);

// The value of a text that passes isNumber; `fallback` otherwise.
double toDouble(const QString& text, double fallback = 0.0);

// Nearest whole number, halves to the even one: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -2.5 -> -2.
// This is how a typed quantity becomes a whole number, so 0.5 counts as zero.
double roundHalfEven(double value);

} // namespace numtext
