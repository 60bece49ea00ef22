#include "store/stored_values.h"

#include <cmath>
#include <limits>

namespace store {

QString describeCell(const StoredCell& cell) {
    return QStringLiteral("la columna %1 de la tabla %2 (%3)")
        .arg(cell.column, cell.table, cell.row);
}

namespace {

QString shown(const QVariant& raw) {
    return raw.isValid() ? raw.toString() : QStringLiteral("Null");
}

} // namespace

std::optional<double> storedNumber(const QVariant& raw, const StoredCell& cell) {
    double value = 0;
    switch (raw.typeId()) {
    case QMetaType::UnknownType:
        return std::nullopt;
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        value = raw.toDouble();
        break;
    default: {
        bool ok = false;
        value = raw.toString().trimmed().toDouble(&ok);
        if (!ok)
            throw StoredValueError(QStringLiteral("El valor «%1» de %2 no es un número.")
                                       .arg(shown(raw), describeCell(cell)));
    }
    }
    if (!std::isfinite(value))
        throw StoredValueError(QStringLiteral("El valor «%1» de %2 no es un número finito.")
                                   .arg(shown(raw), describeCell(cell)));
    return value;
}

qint32 storedInteger(const QVariant& raw, const StoredCell& cell) {
    if (raw.typeId() == QMetaType::LongLong || raw.typeId() == QMetaType::Int) {
        const qlonglong v = raw.toLongLong();
        if (v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max())
            return qint32(v);
    }
    throw StoredValueError(QStringLiteral("El valor «%1» de %2 no es un número entero de 32 bits.")
                               .arg(shown(raw), describeCell(cell)));
}

} // namespace store
