#include "cli/copy_command.h"

#include "cli/command.h"
#include "cli/shown_text.h"
#include "store/database_copy.h"

#include <QCommandLineParser>
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

namespace {

class CopyDatabaseCommand final : public CommandWith<CopyOptions> {
public:
    QString name() const override { return QStringLiteral("copy-database"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant copy-database --from ORIGEN --to DESTINO\n"
                              "      copia toda la base de datos ORIGEN a DESTINO (archivo o "
                              "servidor)\n");
    }
    std::vector<OptionSpec> options() const override {
        return {
            {{"from"}, "ORIGEN", "la base de datos que se copia: archivo o servidor (obligatoria)"},
            {{"to"}, "DESTINO", "la base de datos nueva o vacía que la recibe (obligatoria)"},
        };
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant copy-database --from ORIGEN --to DESTINO\n\n"
            "Copia ingredientes, nutrientes, composiciones y fórmulas con todas sus versiones de "
            "ORIGEN a\nDESTINO, en una sola transacción. ORIGEN y DESTINO son un archivo o una "
            "base de datos del\nservidor (postgresql://USUARIO@SERVIDOR[:PUERTO]/BASE). DESTINO no "
            "existe todavía o es una\nbase de datos sin filas (en el servidor, una base sin "
            "tablas); una base con datos no se\ntoca, ni un archivo vacío, que no es una base de "
            "datos.\n\nOpciones:\n");
    }
    QString read(const QCommandLineParser& parser, CopyOptions& o) const override {
        if (!parser.isSet("from") || !parser.isSet("to"))
            return QStringLiteral("copy-database necesita --from y --to");
        o.from = parser.value("from");
        o.to = parser.value("to");
        for (const char* name : {"from", "to"})
            if (parser.value(name).isEmpty())
                return QStringLiteral("falta el valor de --%1").arg(QLatin1String(name));
        return {};
    }
    int run(const CopyOptions& o, QTextStream& out, QTextStream& err) const override {
        return runCopy(o, out, err);
    }
};

} // namespace

const Command& copyDatabaseCommand() {
    static const CopyDatabaseCommand command;
    return command;
}

} // namespace cli
