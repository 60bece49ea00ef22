#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QTextStream;

namespace cli {

// The options of `dosivant formulate`, as the command-line parser leaves them.
struct FormulateOptions {
    QString database;
    QString code;               // --formula
    std::optional<int> version; // --version, with --formula
    int id = 0;                 // --id
    QString quantity;           // --quantity as typed
    bool quantityGiven = false;
    bool json = false;
    // Where the search of a formula with weighing conditions may stop; 0: no limit.
    long maxNodos = 0;      // --max-nodes (--max-nodos)
    double maxSegundos = 0; // --max-seconds (--max-segundos)
};

// Loads a stored formula, runs the least-cost formulation exactly as the workspace's button
// does and puts the result (a table, or JSON) in `output`; writes nothing to the database.
// Errors go to `err`, the run's messages to the message service. Returns the exit status.
int runFormulate(const FormulateOptions& options, QString* output, QTextStream& err);

// The same from the arguments after `formulate`, parsed as the program parses them; errors and
// messages go to standard error.
int runFormulateCommand(const QStringList& arguments, QString* output);

} // namespace cli
