#pragma once

#include <QString>

class QTextStream;

namespace cli {

// What `dosivant create-database RUTA [--sample]` names.
struct CreateDatabaseOptions {
    QString path;        // a new file, or an empty database on a server
    bool sample = false; // --sample: filled with the sample catalogue and formulas
};

// Creates the database; never replaces a file nor fills a server database that has the
// program's tables. Returns the exit status: 0 created, 1 refused or failed.
int runCreateDatabase(const CreateDatabaseOptions& options, QTextStream& out, QTextStream& err);

} // namespace cli
