#pragma once

#include <QString>
#include <functional>

namespace store {
class Database;
}

namespace catalog {

// Inserts a row under a new key, the table's maximum plus 1 (or `firstKey` when given). When
// another window of the program took that key between the look-up and the insert, the next free
// key is tried instead, a few times, before the failure is passed on. Returns the key used.
int insertWithNewKey(store::Database& db, const QString& table, const QString& keyColumn,
                     const std::function<QString(int key)>& insertSql, int firstKey = 0);

} // namespace catalog
