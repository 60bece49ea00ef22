#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// The checks the import makes on each remote value before it writes it: a value the working
// database would store changed (cut, replaced, out of any sensible range) is refused with the
// reason instead.
namespace import {

// Costs and composition values beyond this are taken for a fault of the source.
inline constexpr double kLargestNumber = 1e9;

// A key as written, or why it cannot be one: a whole number from 1 to 2147483647.
struct Key {
    std::optional<int> value;
    QString problem; // "la clave «101» está guardada como texto"
};
Key checkKey(const QVariant& v);

// A number as written: Null or a finite double. Two numbers are equal when they would be
// written as the same literal.
struct Number {
    bool null = true;
    double value = 0;
    bool operator==(const Number& other) const {
        return null == other.null && (null || value == other.value);
    }
};

// A remote or stored number; nothing when it is not a finite number.
std::optional<Number> numberOf(const QVariant& v);

// A number within lowest..highest, or why not ("el costo -1e+308 no está entre ...").
struct NumberCheck {
    std::optional<Number> number;
    QString problem;
};
NumberCheck checkNumber(const QVariant& v, const QString& what, double lowest, double highest);

// Why a text column's value cannot be stored as it is: bytes that are not UTF-8 (a QByteArray
// from the source) or a NUL character, which would cut the text where it is read. Empty when it
// can.
QString textProblem(const QVariant& v, const QString& what);

// The value as the conflict log shows it: control characters as their visible symbols, bytes
// that are not UTF-8 as U+FFFD.
QString printable(const QVariant& v);

// "fila 3 de productos, columna id_producto: " and the problem.
QString cellText(const QString& table, int row, const QString& column, const QString& problem);

// Whether two remote values are the same: numbers by value, anything else as stored.
bool sameValue(const QVariant& a, const QVariant& b);

} // namespace import
