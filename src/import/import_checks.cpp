#include "import/import_checks.h"

#include <cmath>
#include <limits>

namespace import {

namespace {

QString numberText(double d) {
    return QString::number(d, 'g', 10);
}

bool isNumeric(const QVariant& v) {
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong ||
           v.typeId() == QMetaType::Int;
}

} // namespace

Key checkKey(const QVariant& v) {
    constexpr qlonglong largest = std::numeric_limits<qint32>::max();
    const auto outOfRange = [](const QString& shown, bool tooLarge) {
        return Key{std::nullopt, tooLarge
                                     ? QStringLiteral("la clave %1 no cabe en 32 bits").arg(shown)
                                     : QStringLiteral("la clave %1 no es mayor que 0").arg(shown)};
    };
    switch (v.typeId()) {
    case QMetaType::UnknownType:
        return {std::nullopt, QStringLiteral("la clave está vacía")};
    case QMetaType::LongLong:
    case QMetaType::Int: {
        const qlonglong key = v.toLongLong();
        if (key < 1 || key > largest)
            return outOfRange(QString::number(key), key > largest);
        return {int(key), {}};
    }
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (!std::isfinite(d) || d != std::floor(d))
            return {std::nullopt,
                    QStringLiteral("la clave «%1» no es un número entero").arg(numberText(d))};
        if (d < 1 || d > double(largest))
            return outOfRange(numberText(d), d > double(largest));
        return {int(d), {}};
    }
    case QMetaType::QString:
        return {std::nullopt,
                QStringLiteral("la clave «%1» está guardada como texto").arg(printable(v))};
    default:
        return {std::nullopt, QStringLiteral("la clave no es un número")};
    }
}

std::optional<Number> numberOf(const QVariant& v) {
    if (!v.isValid())
        return Number{};
    if (!isNumeric(v))
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d))
        return std::nullopt;
    return Number{false, d == 0 ? 0.0 : d}; // -0 is written as 0
}

NumberCheck checkNumber(const QVariant& v, const QString& what, double lowest, double highest) {
    const std::optional<Number> n = numberOf(v);
    if (!n)
        return {std::nullopt, what + QStringLiteral(" no es un número")};
    if (!n->null && (n->value < lowest || n->value > highest))
        return {std::nullopt,
                QStringLiteral("%1 %2 no está entre %3 y %4")
                    .arg(what, numberText(n->value), numberText(lowest), numberText(highest))};
    return {n, {}};
}

QString textProblem(const QVariant& v, const QString& what) {
    if (v.typeId() == QMetaType::QByteArray)
        return what + QStringLiteral(" no es un texto UTF-8 válido");
    if (v.typeId() == QMetaType::QString && v.toString().contains(QChar(0)))
        return what + QStringLiteral(" contiene un carácter nulo");
    return {};
}

QString printable(const QVariant& v) {
    QString text =
        v.typeId() == QMetaType::QByteArray ? QString::fromUtf8(v.toByteArray()) : v.toString();
    for (QChar& c : text) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode()); // the Control Pictures block: ␀, ␉, ␊ ...
        else if (c.unicode() == 0x7f)
            c = QChar(0x2421);
    }
    return text;
}

QString cellText(const QString& table, int row, const QString& column, const QString& problem) {
    return QStringLiteral("fila %1 de %2, columna %3: %4").arg(row).arg(table, column, problem);
}

bool sameValue(const QVariant& a, const QVariant& b) {
    const auto na = numberOf(a), nb = numberOf(b);
    if (na && nb)
        return *na == *nb;
    return a == b;
}

} // namespace import
