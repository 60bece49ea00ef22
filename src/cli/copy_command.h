#pragma once

#include <QStringList>

class QTextStream;

namespace cli {

// `dosivant copy-database --from ORIGEN --to DESTINO`: copies everything from a database file or
// server database into a new or empty one, in one transaction on the target. Returns the exit
// status: 0 copied, 1 a mistake on the command line or a copy refused or failed (nothing written).
int runCopyCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace cli
