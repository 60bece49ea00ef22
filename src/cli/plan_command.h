#pragma once

#include <QString>

class QTextStream;

namespace cli {

// The options of `dosivant plan`, as the command-line parser leaves them.
struct PlanOptions {
    QString database;
    QString plan; // --plan NOMBRE
    bool json = false;
    bool save = false;
    QString pdf; // --pdf ARCHIVO: the result printed, empty for none
    // --stored-versions: the versions the plan names at their saved prices, instead of the
    // highest version of each code at today's prices.
    bool storedVersions = false;
    // --max-nodes, --max-seconds: where the search of formulas with weighing conditions stops.
    long maxNodos = 0;
    double maxSegundos = 0;
};

// Formulates every formula of the stored plan at once under its stock and puts the result (a
// table, or JSON) in `output`; with save, stores each planned mix as a new version of its
// formula, all or none; with pdf, first writes the solved plan's printout there (a target that
// must not be written, or a write that fails, is status 1 with nothing written or saved). Returns
// the exit status: 0 optimum; 3 no plan meets every limit (or the engine gave up); 4 a formula
// stopped before formulating; 1 a mistake in the options, a plan not found or a database error.
int runPlan(const PlanOptions& options, QString* output, QTextStream& err);

} // namespace cli
