#include "cli/copy_command.h"

#include "store/database.h"
#include "store/database_copy.h"

#include <QTextStream>

namespace cli {

namespace {

const QString kUsage = QStringLiteral(
    "Uso: dosivant copy-database --from ORIGEN --to DESTINO\n\n"
    "Copia ingredientes, nutrientes, composiciones y fórmulas con todas sus versiones de ORIGEN a\n"
    "DESTINO, en una sola transacción. ORIGEN y DESTINO son un archivo o una base de datos del\n"
    "servidor (postgresql://USUARIO@SERVIDOR[:PUERTO]/BASE). DESTINO no existe todavía o está\n"
    "vacío; una base con datos no se toca.\n");

} // namespace

int runCopyCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    QString from, to;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QStringLiteral("--help")) {
            out << kUsage;
            return 0;
        }
        if (a != QStringLiteral("--from") && a != QStringLiteral("--to")) {
            err << QStringLiteral("dosivant: argumento no reconocido (unknown argument): %1\n%2")
                       .arg(a, kUsage);
            return 1;
        }
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
            err << QStringLiteral("dosivant: falta el valor de %1 (missing value)\n").arg(a);
            return 1;
        }
        (a == QStringLiteral("--from") ? from : to) = args[++i];
    }
    if (from.isEmpty() || to.isEmpty()) {
        err << QStringLiteral("dosivant: copy-database necesita --from y --to\n") << kUsage;
        return 1;
    }
    try {
        store::copyDatabase(from, to, [&](const QString& table, int rows) {
            out << QStringLiteral("%1: %2 filas\n").arg(table).arg(rows);
            out.flush();
        });
    } catch (const std::exception& e) {
        err << QStringLiteral("dosivant: no se copió la base de datos (nothing was copied): %1\n")
                   .arg(QString::fromUtf8(e.what()));
        return 1;
    }
    out << QStringLiteral("Base de datos copiada (database copied): %1 -> %2\n").arg(from, to);
    return 0;
}

} // namespace cli
