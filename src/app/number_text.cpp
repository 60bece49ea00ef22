#include "app/number_text.h"

#include <charconv>
#include <cmath>
#include <string>

namespace numtext {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Checks the grammar on the trimmed Latin-1 text and returns it without a leading "+", which
// std::from_chars does not take.
std::optional<std::string> numericBody(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    for (QChar c : trimmed) {
        if (c.unicode() > 0x7f)
            return std::nullopt;
    }
    std::string s = trimmed.toStdString();
    size_t i = 0;
    if (s[i] == '+' || s[i] == '-')
        ++i;
    size_t intDigits = 0;
    while (i < s.size() && isDigit(s[i])) {
        ++i;
        ++intDigits;
    }
    size_t fracDigits = 0;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++fracDigits;
        }
    }
    if (intDigits + fracDigits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    if (s[0] == '+')
        s.erase(0, 1);
    return s;
}

} // namespace

std::optional<double> toNumber(const QString& text) {
    const std::optional<std::string> body = numericBody(text);
    if (!body)
        return std::nullopt;
    double value = 0.0;
    const char* first = body->data();
    const char* last = first + body->size();
    const auto [end, ec] = std::from_chars(first, last, value);
    // Out of range (1e999) or not finite: not a number a user could mean.
    if (ec != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isNumber(const QString& text) {
    return toNumber(text).has_value();
}

double toDouble(const QString& text, double fallback) {
    return toNumber(text).value_or(fallback);
}

double roundHalfEven(double value) {
    if (!std::isfinite(value))
        return value;
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5)
        return floor;
    if (diff > 0.5)
        return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

} // namespace numtext
