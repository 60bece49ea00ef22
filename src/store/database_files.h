#pragma once

#include <QString>

namespace store {

// The database whose companion file a path names, by SQLite's naming: "s.db" for "s.db-journal"
// (the rollback journal), "s.db-wal" (the write-ahead log) and "s.db-shm" (its index); empty
// when the name is no companion's. SQLite deletes such a file, or replays it into the
// database, the next time the database is written.
QString journalOwner(const QString& path);

// True when the file begins with SQLite's header.
bool isSqliteDatabase(const QString& path);

// Why no database may be written at `path` (one Spanish sentence), or empty when it may: its
// name is a companion's of an existing database, which SQLite would delete or replay into that
// database; or, for a file not made yet, a companion of `path` is already there (an old
// journal), which SQLite would replay into the new database.
QString databaseFileProblem(const QString& path);

} // namespace store
