#pragma once

#include <QString>
#include <optional>

class QTextStream;

namespace cli {

// The options of `dosivant ranging`, as the command-line parser leaves them.
struct RangingOptions {
    QString database;
    QString code;               // --formula
    std::optional<int> version; // --version, with --formula
    int id = 0;                 // --id
    QString precio;             // --precio INGREDIENTE
    QString limite;             // --limite TIPO:NOMBRE:minimo|maximo
    double desde = 0, hasta = 0;
    bool json = false;
};

// Loads a stored formula, ranges the price or limit over [desde, hasta] and puts the intervals
// (a table, or JSON) in `output`; writes nothing to the database. Returns the exit status: 0,
// 3 when no value of the range gives a mix, 1 for a mistake in the options or the database.
int runRanging(const RangingOptions& options, QString* output, QTextStream& err);

} // namespace cli
