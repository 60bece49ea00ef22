#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace cli {

// The options of `dosivant import`, as the command-line parser leaves them.
struct ImportOptions {
    QString database; // --database
    QString source;   // --from
    bool yes = false; // --yes
};

// `dosivant import --database PATH --from SOURCE [--yes]`: the import of the window, from a
// SQLite or Access file, for scripts and nightly catalogue updates. Asks the confirmation on
// the terminal unless --yes; progress and the conflict log go to `err`. Exit status: 0 finished,
// 3 cancelled (a "no", or Ctrl-C, which keeps what finished), 1 an error or a bad command line.
int runImport(const ImportOptions& options, QTextStream& in, QTextStream& err);

// The same from the arguments after `import`, parsed as the program parses them.
int runImportCommand(const QStringList& arguments, QTextStream& in, QTextStream& err);

} // namespace cli
