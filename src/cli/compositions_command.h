#pragma once

#include "cli/list_command.h"

#include <QString>

class QTextStream;

namespace app {
class RegionalSettings;
}

namespace cli {

// What `dosivant compositions --database RUTA --from LISTA.csv [--yes] [--create-nutrients]`
// names.
struct CompositionsOptions : ListOptions {
    bool createNutrients = false;
};

// Reads the composition list, prints what it changes, the nutrients it would create (with
// --create-nutrients; without it their lines are conflicts) and its conflicts; with --yes applies
// the changes in one transaction. Without --yes the database is opened read-only. Exit status as
// `prices`: 0 done, 3 done with lines in conflict that are not applied, 1 a file that is not a
// composition list, a database that cannot be opened or a failed apply (nothing written).
int runCompositions(const CompositionsOptions& options, app::RegionalSettings& settings,
                    QTextStream& out, QTextStream& err);

} // namespace cli
