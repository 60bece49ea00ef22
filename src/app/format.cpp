#include "app/format.h"

#include "app/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace fmt {

namespace {

struct Pattern {
    QString prefix;
    QString suffix;
    int minWhole = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool percent = false;
    bool hasPlaceholders = false;
};

bool isPlaceholder(QChar c) {
    return c == '#' || c == '0' || c == '.';
}

// Reads the pattern once: literal text around one run of placeholders.
Pattern parse(const QString& text) {
    Pattern p;
    QString* literal = &p.prefix;
    bool afterDecimalPoint = false;
    bool runClosed = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == '"') {
            const qsizetype close = text.indexOf('"', i + 1);
            const qsizetype end = close < 0 ? text.size() : close;
            literal->append(text.mid(i + 1, end - i - 1));
            i = end;
            runClosed = runClosed || p.hasPlaceholders;
            continue;
        }
        if (c == '\\' && i + 1 < text.size()) {
            literal->append(text.at(++i));
            runClosed = runClosed || p.hasPlaceholders;
            continue;
        }
        if (!runClosed && isPlaceholder(c)) {
            p.hasPlaceholders = true;
            literal = &p.suffix;
            if (c == '.') {
                afterDecimalPoint = true;
            } else if (!afterDecimalPoint) {
                if (c == '0')
                    ++p.minWhole;
            } else {
                ++p.maxDecimals;
                if (c == '0')
                    p.minDecimals = p.maxDecimals;
            }
            continue;
        }
        if (c == '%' && p.hasPlaceholders && !runClosed && p.suffix.isEmpty()) {
            p.percent = true;
            runClosed = true;
            p.suffix.append(c);
            continue;
        }
        runClosed = runClosed || p.hasPlaceholders;
        literal->append(c);
    }
    return p;
}

// A finite value as its shortest decimal digits: value = 0.digits × 10^point, so digits "125"
// with point 0 is 0.125 and with point 1 is 1.25.
struct Decimal {
    bool negative = false;
    std::string digits;
    int point = 0;
};

Decimal toDecimal(double value) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string s(buf, res.ptr);
    Decimal d;
    size_t i = 0;
    if (s[i] == '-') {
        d.negative = true;
        ++i;
    }
    const size_t e = s.find('e');
    for (size_t k = i; k < e; ++k) {
        if (s[k] != '.')
            d.digits.push_back(s[k]);
    }
    d.point = std::stoi(s.substr(e + 1)) + 1;
    return d;
}

// Keeps `decimals` places, rounding half away from zero on the digits themselves.
void roundTo(Decimal& d, int decimals) {
    const long keep = long(d.point) + decimals;
    if (keep >= long(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits = "0";
        d.point = 1;
        return;
    }
    const bool up = d.digits[size_t(keep)] >= '5';
    d.digits.resize(size_t(keep));
    if (!up) {
        if (d.digits.empty()) {
            d.digits = "0";
            d.point = 1;
        }
        return;
    }
    long i = long(d.digits.size()) - 1;
    while (i >= 0 && d.digits[size_t(i)] == '9') {
        d.digits[size_t(i)] = '0';
        --i;
    }
    if (i >= 0) {
        ++d.digits[size_t(i)];
    } else {
        d.digits.insert(d.digits.begin(), '1');
        ++d.point;
    }
}

bool allZero(const std::string& s) {
    return s.find_first_not_of('0') == std::string::npos;
}

QString render(Decimal d, const Pattern& p) {
    if (p.percent)
        d.point += 2;
    roundTo(d, p.maxDecimals);

    std::string whole;
    std::string fraction;
    if (d.point > 0) {
        whole = d.digits.substr(0, std::min(size_t(d.point), d.digits.size()));
        if (size_t(d.point) > d.digits.size())
            whole.append(size_t(d.point) - d.digits.size(), '0');
        if (size_t(d.point) < d.digits.size())
            fraction = d.digits.substr(size_t(d.point));
    } else {
        fraction = std::string(size_t(-d.point), '0') + d.digits;
    }
    const size_t firstNonZero = whole.find_first_not_of('0');
    whole = firstNonZero == std::string::npos ? std::string() : whole.substr(firstNonZero);
    if (whole.size() < size_t(p.minWhole))
        whole.insert(0, size_t(p.minWhole) - whole.size(), '0');
    fraction.resize(size_t(p.maxDecimals), '0');
    while (fraction.size() > size_t(p.minDecimals) && fraction.back() == '0')
        fraction.pop_back();

    const bool negative = d.negative && !(allZero(whole) && allZero(fraction));
    QString out;
    if (negative)
        out += '-';
    out += p.prefix;
    out += QString::fromLatin1(whole.data(), qsizetype(whole.size()));
    if (!fraction.empty()) {
        out += '.';
        out += QString::fromLatin1(fraction.data(), qsizetype(fraction.size()));
    }
    out += p.suffix;
    return out;
}

QString shortest(double value) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value == 0.0 ? 0.0 : value);
    return QString::fromLatin1(buf, qsizetype(res.ptr - buf));
}

} // namespace

QString format(double value, const QString& pattern) {
    if (std::isnan(value))
        return QString();
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("∞") : QStringLiteral("-∞");
    const Pattern p = parse(pattern);
    if (!p.hasPlaceholders)
        return p.prefix + shortest(value) + p.suffix;
    return render(toDecimal(value), p);
}

QString format(const QVariant& value, const QString& pattern) {
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        const std::optional<double> number = numtext::toNumber(text);
        return number ? format(*number, pattern) : text;
    }
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok ? format(number, pattern) : value.toString();
}

double roundDecimals(double value, int decimals) {
    if (!std::isfinite(value))
        return value;
    Decimal d = toDecimal(value);
    roundTo(d, decimals);
    std::string text = d.negative ? "-0." : "0.";
    text += d.digits;
    text += 'e';
    text += std::to_string(d.point);
    double out = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), out);
    return out == 0.0 ? 0.0 : out;
}

QString price(double value) {
    return format(value, kPricePattern);
}

QString quantity(double value) {
    return format(value, kQuantityPattern);
}

QString quantityKg(double value) {
    return withUnit(quantity(value), QStringLiteral("kg"));
}

QString share(double percent) {
    return format(percent, kSharePattern);
}

int nutrientDecimals(const QString& unit) {
    const QString u = unit.trimmed().toLower();
    if (u.startsWith(QLatin1String("mcal")))
        return 3;
    if (u.startsWith(QLatin1String("kcal")))
        return 0;
    if (u == QLatin1String("ppm") || u.startsWith(QLatin1String("mg/")) ||
        u.startsWith(QLatin1String("ui")))
        return 1;
    return 2;
}

QString nutrientPattern(const QString& unit) {
    const int decimals = nutrientDecimals(unit);
    return decimals == 0 ? QStringLiteral("#####0")
                         : QStringLiteral("#####0.") + QString(decimals, u'0');
}

QString nutrientValue(double value, const QString& unit) {
    return format(value, nutrientPattern(unit));
}

QString withUnit(const QString& text, const QString& unit) {
    const QString u = unit.trimmed();
    if (text.isEmpty() || u.isEmpty())
        return text;
    return text + u' ' + u;
}

QString breakpointPattern(const std::vector<double>& values, int fewest) {
    constexpr int kMost = 8;
    for (int decimals = std::clamp(fewest, 0, kMost); decimals < kMost; ++decimals) {
        const QString pattern = QStringLiteral("0.") + QString(decimals, u'0');
        bool apart = true;
        for (std::size_t i = 1; i < values.size() && apart; ++i)
            apart = values[i] == values[i - 1] ||
                    format(values[i], pattern) != format(values[i - 1], pattern);
        if (apart)
            return pattern;
    }
    return QStringLiteral("0.") + QString(kMost, u'0');
}

} // namespace fmt
