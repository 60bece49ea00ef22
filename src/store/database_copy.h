#pragma once

#include <QString>
#include <functional>

namespace store {

class Database;

// Copies every table of the schema, row by row and value by value, from one database to another
// (a file to a server or back, or file to file). The target is created when it does not exist
// (a missing file, or a server database without the program's tables) and the whole copy is one
// transaction on it: it either holds everything afterwards or is as it was. A target that
// already holds rows is refused. progress(table, rows) is called after each table. Throws
// StoreError with a Spanish message.
void copyDatabase(const QString& from, const QString& to,
                  const std::function<void(const QString& table, int rows)>& progress = {});

// Copies the rows of every table of the schema from `from` into the empty tables of `to`, inside
// the caller's transaction on `to`. Throws StoreError when a table of `to` holds rows.
void copyRows(Database& from, Database& to,
              const std::function<void(const QString& table, int rows)>& progress = {});

} // namespace store
