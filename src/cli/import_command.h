#pragma once

#include <QStringList>

class QTextStream;

namespace cli {

// `dosivant import --database PATH --from SOURCE [--yes]`: the import of the window, from a
// SQLite or Access file, for scripts and nightly catalogue updates. Asks the confirmation on
// the terminal unless --yes; progress and the conflict log go to standard error. Exit status:
// 0 finished, 3 cancelled (a "no", or Ctrl-C, which keeps what finished), 1 an error or a bad
// command line.
int runImportCommand(const QStringList& arguments);
int runImportCommand(const QStringList& arguments, QTextStream& in, QTextStream& err);

} // namespace cli
