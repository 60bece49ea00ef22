#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace cli {

// The options of `dosivant reformulate`, as the command-line parser leaves them.
struct ReformulateOptions {
    QString database;
    QStringList codes; // --formula, repeated; none: every formula
    bool save = false;
    bool json = false;
};

// Re-formulates the highest version of each formula chosen at today's catalogue prices and dry
// matter and writes the worklist (a table, or one JSON object per formula and line) to `out`;
// with save, the optimum ones become new versions, all in one transaction. Progress and errors go
// to `err`. Returns the exit status.
int runReformulate(const ReformulateOptions& options, QTextStream& out, QTextStream& err);

} // namespace cli
