#pragma once

#include "cli/list_command.h"

#include <QString>

class QTextStream;

namespace app {
class RegionalSettings;
}

namespace cli {

// What `dosivant prices --database RUTA --from LISTA.csv [--yes]` names.
using PricesOptions = ListOptions;

// Reads the price list, prints what it changes and its conflicts; with --yes applies the changes
// in one transaction. Without --yes the database is opened read-only: nothing is written. Numbers
// in the list take the decimal mark of the regional settings. Exit status: 0 done (shown or
// applied), 3 done with lines in conflict that are not applied, 1 a file that is not a price
// list, a database that cannot be opened or a failed apply (nothing written).
int runPrices(const PricesOptions& options, app::RegionalSettings& settings, QTextStream& out,
              QTextStream& err);

} // namespace cli
