#include "cli/copy_command.h"

#include "cli/shown_text.h"
#include "store/database_copy.h"

#include <QTextStream>

namespace cli {

int runCopy(const CopyOptions& o, QTextStream& out, QTextStream& err) {
    try {
        store::copyDatabase(o.from, o.to, [&](const QString& table, int rows) {
            out << QStringLiteral("%1: %2 filas\n").arg(table).arg(rows);
            out.flush();
        });
    } catch (const std::exception& e) {
        err << QStringLiteral("dosivant: no se copió la base de datos (nothing was copied): %1\n")
                   .arg(QString::fromUtf8(e.what()));
        return 1;
    }
    out << QStringLiteral("Base de datos copiada (database copied): %1 -> %2\n")
               .arg(shownText(o.from), shownText(o.to));
    return 0;
}

} // namespace cli
