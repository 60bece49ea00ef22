#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace store {

// The program's SQL, after translateSql, rewritten for a PostgreSQL server outside quoted text:
// "name like 'pattern'" compares both sides folded the way the SQLite side folds them (case and
// accents ignored), ORDER BY puts Null first in ascending order as SQLite does, and
// "PRAGMA table_info(t)" reads the server's catalogue. Everything else the program writes (True,
// trim(), ISO date texts, comma joins, `pp.*`) the server takes as it is.
QString translateForServer(const QString& sql);

// The schema of a new server database: the same tables, keys and indexes as a new file, with the
// server's names for the types (double precision, byte-order text comparison as in SQLite).
QStringList serverSchemaStatements();
// One statement of the schema with the server's names for the types.
QString serverSchemaStatement(QString statement);
// Any statements of the schema (schema.h) with the server's names for the types, as above.
QStringList serverStatements(const QStringList& statements);

// The statement with each "?" outside quoted text replaced by its value written as a literal:
// whole numbers as they are, doubles in their shortest exact form, texts quoted as given (not
// trimmed), an invalid QVariant as NULL. Throws StoreError when the counts differ or a double
// is not finite.
QString withParameters(const QString& sql, const std::vector<QVariant>& values);

// The number of "?" placeholders outside quoted text.
int parameterCount(const QString& sql);

} // namespace store
