#pragma once

#include "store/database.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace store {

// A stored value the program cannot use: text in a number column, an infinite number, a key
// beyond 32 bits, a row repeated where the keys allow one. Reading never turns it into 0.
class StoredValueError : public StoreError {
public:
    using StoreError::StoreError;
};

// Where a stored value lies, for the message: the table, its row (as "id_formula=3,
// id_producto=7") and the column.
struct StoredCell {
    QString table;
    QString row;
    QString column;
};

// A number column as read by Database::forEachRow: Null is nullopt; an integer, a finite real or
// a text that reads as one ("." decimals) is its value; anything else throws StoredValueError.
std::optional<double> storedNumber(const QVariant& raw, const StoredCell& cell);

// A key or a flag: a whole number within 32 bits; Null and anything else throw.
qint32 storedInteger(const QVariant& raw, const StoredCell& cell);

// "El valor «x» de la columna c de la tabla t (row) ...": the start of every such message.
QString describeCell(const StoredCell& cell);

} // namespace store
