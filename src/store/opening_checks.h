#pragma once

#include "store/database.h"

#include <QStringList>
#include <functional>

namespace store {

// Every table and column the program reads must be there, so that a database made by another
// tool fails at its opening with a message that names what is missing (a StoreError) rather than
// later, in the middle of a view or a run.
void checkTablesAndColumns(Database& db);

// Creates the schema's indexes that a writable file lacks.
void createMissingIndexes(Database& db);

// A new database, file or server, gets its tables, the change counters, the sample catalogue
// when asked and the caller's last step, all in one transaction.
void fillNewDatabase(Database& db, const QStringList& schema, bool withSample,
                     const std::function<void(Database&)>& finish);

} // namespace store
