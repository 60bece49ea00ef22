#pragma once

#include <QString>

namespace store {

class Database;

// Whether the database holds the table (a file or a server database).
bool hasTable(Database& db, const QString& table);

// Whether the table of the database has the column.
bool hasColumn(Database& db, const QString& table, const QString& column);

// Makes the tables of the ratio and group limits (schema.h, addedTableStatements) that a
// database made before them lacks, with their indexes, and the added columns (addedColumns) it
// lacks, in one transaction; nothing else is touched. A database that cannot be written (read-only,
// damaged, locked) is left as it is: its readers then find no ratio, group or limit.
void createAddedTables(Database& db);

// A server database made before an index of the schema gets it, each on its own. An index the
// stored rows break (a formula version stored twice) or the user may not make (a role without
// rights on the tables) is left out, and the database is used as it is.
void createMissingServerIndexes(Database& db);

} // namespace store
