#pragma once

#include <QString>
#include <optional>

class QTextStream;

namespace cli {

// The options of `dosivant tradeoff`, as the command-line parser leaves them.
struct TradeoffOptions {
    QString database;
    QString code;               // --formula
    std::optional<int> version; // --version, with --formula
    int id = 0;                 // --id
    QString objetivo;           // --goal NUTRIENTE
    bool aumentar = false;      // --raise: the goal is raised rather than lowered
    bool json = false;
};

// Loads a stored formula and puts the curve of its least cost against the goal (a table, or
// JSON) in `output`; writes nothing to the database. Returns the exit status: 0 when the curve
// was computed (one vertex included), 1 for a mistake in the options, the database or the goal's
// name, and for a formula that has no curve (infeasible: its conflict goes to `err`).
int runTradeoff(const TradeoffOptions& options, QString* output, QTextStream& err);

} // namespace cli
