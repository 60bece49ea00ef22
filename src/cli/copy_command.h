#pragma once

#include <QString>

class QTextStream;

namespace cli {

// What `dosivant copy-database --from ORIGEN --to DESTINO` names: each a database file or a
// server database (postgresql://USUARIO@SERVIDOR[:PUERTO]/BASE).
struct CopyOptions {
    QString from;
    QString to;
};

// Copies everything from one database into a new or empty one, in one transaction on the
// target, telling each table's rows as they go. Returns the exit status: 0 copied, 1 a copy
// refused or failed (nothing written).
int runCopy(const CopyOptions& options, QTextStream& out, QTextStream& err);

} // namespace cli
