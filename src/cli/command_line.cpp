#include "cli/command_line.h"

#include "cli/formulate_command.h"
#include "cli/import_command.h"
#include "store/database.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <exception>

namespace cli {

namespace {

const QString kDatabaseOption = QStringLiteral("--database");

Invocation invalid(const QString& error, const QString& offending = {}) {
    Invocation inv;
    inv.kind = Invocation::Invalid;
    inv.error = error;
    inv.offending = offending;
    return inv;
}

Invocation parseCreateDatabase(const QStringList& args) {
    Invocation inv;
    inv.kind = Invocation::CreateDatabase;
    for (int i = 2; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QStringLiteral("--sample"))
            inv.sample = true;
        else if (a == QStringLiteral("--help") || a == QStringLiteral("-h"))
            inv.kind = Invocation::Help;
        else if (a.startsWith(u'-') || !inv.database.isEmpty())
            return invalid(QStringLiteral("argumento no reconocido (unknown argument): %1").arg(a),
                           a);
        else
            inv.database = a;
    }
    if (inv.kind == Invocation::CreateDatabase && inv.database.isEmpty())
        return invalid(QStringLiteral("create-database necesita la ruta del archivo nuevo "
                                      "(create-database needs the path of the new file)"));
    return inv;
}

Invocation parseWindow(const QStringList& args) {
    Invocation inv;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QStringLiteral("--help") || a == QStringLiteral("-h")) {
            inv.kind = Invocation::Help;
        } else if (a == kDatabaseOption) {
            if (i + 1 >= args.size() || args.at(i + 1).isEmpty())
                return invalid(QStringLiteral("--database necesita una ruta (--database needs a "
                                              "path)"),
                               a);
            inv.database = args.at(++i);
        } else if (a.startsWith(kDatabaseOption + u'=')) {
            inv.database = a.mid(kDatabaseOption.size() + 1);
            if (inv.database.isEmpty())
                return invalid(QStringLiteral("--database necesita una ruta (--database needs a "
                                              "path)"),
                               a);
        } else {
            return invalid(QStringLiteral("argumento no reconocido (unknown argument): %1").arg(a),
                           a);
        }
    }
    return inv;
}

} // namespace

Invocation parseCommandLine(const QStringList& args) {
    if (args.size() >= 2 && args.at(1) == QStringLiteral("create-database"))
        return parseCreateDatabase(args);
    if (args.size() >= 2 && args.at(1) == QStringLiteral("formulate")) {
        Invocation inv;
        inv.kind = Invocation::Formulate;
        inv.rest = args.mid(2);
        return inv;
    }
    if (args.size() >= 2 && args.at(1) == QStringLiteral("import")) {
        Invocation inv;
        inv.kind = Invocation::Import;
        inv.rest = args.mid(2);
        return inv;
    }
    return parseWindow(args);
}

bool needsWindow(const QStringList& args) {
    const Invocation inv = parseCommandLine(args);
    if (inv.kind == Invocation::Window)
        return true;
    return inv.kind == Invocation::Invalid && inv.offending.startsWith(u'-') &&
           !inv.offending.startsWith(QStringLiteral("--"));
}

QString usageText() {
    return QStringLiteral(
        "Uso (usage):\n"
        "  dosivant [--database RUTA]\n"
        "      abre la ventana principal con la base de datos RUTA\n"
        "  dosivant create-database RUTA [--sample]\n"
        "      crea una base de datos nueva en RUTA; con --sample, con los datos de ejemplo\n"
        "  dosivant formulate ARGUMENTOS...\n"
        "      formula una fórmula guardada sin abrir la ventana (formulate --help)\n"
        "  dosivant import --database RUTA --from ORIGEN [--yes]\n"
        "      importa ingredientes, nutrientes y composiciones de ORIGEN (SQLite o Access)\n"
        "  dosivant --help\n"
        "      muestra esta ayuda\n"
        "\n"
        "La base de datos es la de --database; si no se indica, la de la variable DOSIVANT_DB;\n"
        "si tampoco, $XDG_DATA_HOME/Dosivant/Dosivant.db.\n");
}

int createDatabaseCommand(const QString& path, bool sample, QTextStream& out, QTextStream& err) {
    if (QFileInfo::exists(path)) {
        err << QStringLiteral("dosivant: ya existe \"%1\"; no se reemplaza "
                              "(the file already exists and is left as it is)\n")
                   .arg(path);
        return 1;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        err << QStringLiteral("dosivant: no se puede crear la carpeta \"%1\" "
                              "(cannot create the folder)\n")
                   .arg(folder);
        return 1;
    }
    try {
        store::Database::createFile(path, sample);
    } catch (const store::StoreError& e) {
        err << QStringLiteral("dosivant: no se pudo crear la base de datos \"%1\" "
                              "(could not create the database): %2\n")
                   .arg(path, e.message());
        return 1;
    } catch (const std::exception& e) {
        err << QStringLiteral("dosivant: no se pudo crear la base de datos \"%1\" "
                              "(could not create the database): %2\n")
                   .arg(path, QString::fromUtf8(e.what()));
        return 1;
    }
    out << QStringLiteral("Base de datos creada (database created): %1\n").arg(path);
    return 0;
}

int runWithoutWindow(const Invocation& inv, QTextStream& out, QTextStream& err) {
    switch (inv.kind) {
    case Invocation::Help:
        out << usageText();
        return 0;
    case Invocation::CreateDatabase:
        return createDatabaseCommand(inv.database, inv.sample, out, err);
    case Invocation::Formulate:
        out.flush();
        err.flush();
        return runFormulateCommand(inv.rest);
    case Invocation::Import:
        out.flush();
        err.flush();
        return runImportCommand(inv.rest);
    case Invocation::Invalid:
        err << QStringLiteral("dosivant: ") << inv.error << u'\n' << usageText();
        return 2;
    case Invocation::Window:
        break;
    }
    err << QStringLiteral("dosivant: la ventana no se abre desde aquí (no window here)\n");
    return 2;
}

} // namespace cli
