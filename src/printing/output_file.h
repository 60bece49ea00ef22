#pragma once

#include <QString>

class QSaveFile;

namespace printing {

// Why a printout, document or report must not be written at `path` (one Spanish line), or empty
// when it may. Refused, whatever name leads there (links and relative parts are resolved):
// anything that is not a regular file (a folder, a device, a pipe, a link to nothing), the open
// database `databasePath` and its journals ("-journal", "-wal", "-shm", present or not), and any
// other SQLite database or journal of one. A file that does not exist yet may be written.
QString outputTargetProblem(const QString& path, const QString& databasePath = {});

// Finishes a file written through QSaveFile: pushes out what is still buffered and only then
// puts the file in place. A write that fails on the way (a full disk) leaves no file and returns
// false with `error` (Spanish) naming `path`.
bool commitOutputFile(QSaveFile& file, const QString& path, QString* error);

} // namespace printing
