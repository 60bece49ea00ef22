#include "cli/create_database_command.h"

#include "cli/command.h"
#include "optimizer/sample_formulas.h"
#include "store/database.h"
#include "store/server_address.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <exception>

namespace cli {

int runCreateDatabase(const CreateDatabaseOptions& o, QTextStream& out, QTextStream& err) {
    const QString& path = o.path;
    const bool sample = o.sample;
    const bool onServer = store::isServerAddress(path);
    const auto exists = [&] {
        if (onServer)
            err << QStringLiteral("dosivant: la base de datos \"%1\" ya tiene las tablas del "
                                  "programa; no se reemplaza (the database is not empty)\n")
                       .arg(store::withoutPassword(path));
        else
            err << QStringLiteral("dosivant: ya existe \"%1\"; no se reemplaza "
                                  "(the file already exists and is left as it is)\n")
                       .arg(path);
        return 1;
    };
    if (!onServer && QFileInfo::exists(path))
        return exists();
    const QString folder = QFileInfo(path).absolutePath();
    if (!onServer && !QDir().mkpath(folder)) {
        err << QStringLiteral("dosivant: no se puede crear la carpeta \"%1\" "
                              "(cannot create the folder)\n")
                   .arg(folder);
        return 1;
    }
    try {
        // The sample formulas are stored formulated, so the first one opened shows a mix.
        store::Database::createFile(path, sample, [sample](store::Database& db) {
            if (sample)
                optimizer::formulateSampleFormulas(db);
        });
    } catch (const store::FileExistsError&) {
        return exists(); // another run made it first
    } catch (const std::exception& e) {
        err << QStringLiteral("dosivant: no se pudo crear la base de datos \"%1\" "
                              "(could not create the database): %2\n")
                   .arg(store::withoutPassword(path), QString::fromUtf8(e.what()));
        return 1;
    }
    out << QStringLiteral("Base de datos creada (database created): %1\n").arg(path);
    return 0;
}

namespace {

class CreateDatabaseCommand final : public CommandWith<CreateDatabaseOptions> {
public:
    QString name() const override { return QStringLiteral("create-database"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant create-database RUTA [--sample]\n"
                              "      crea una base de datos nueva en RUTA\n");
    }
    std::vector<OptionSpec> options() const override {
        return {
            {{"sample"}, {}, "la llena con los datos de ejemplo (21 ingredientes, 4 fórmulas)"}};
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant create-database RUTA [--sample]\n\nCrea una base de datos nueva "
            "en RUTA; nunca reemplaza un archivo.\nRUTA puede ser una base de datos vacía "
            "de un servidor PostgreSQL,\npostgresql://USUARIO@SERVIDOR[:PUERTO]/BASE: se "
            "crean en ella las tablas.\n\nOpciones:\n");
    }
    QString read(const QCommandLineParser& parser, CreateDatabaseOptions& o) const override {
        const QStringList paths = parser.positionalArguments();
        if (paths.isEmpty())
            return QStringLiteral("create-database necesita la ruta del archivo nuevo "
                                  "(create-database needs the path of the new file).");
        if (paths.size() > 1)
            return unknownArgument(paths[1]);
        if (paths[0].isEmpty())
            return QStringLiteral("la ruta del archivo nuevo está vacía (empty path).");
        o.path = paths[0];
        o.sample = parser.isSet("sample");
        return {};
    }
    int run(const CreateDatabaseOptions& o, QTextStream& out, QTextStream& err) const override {
        return runCreateDatabase(o, out, err);
    }
};

} // namespace

const Command& createDatabaseCommand() {
    static const CreateDatabaseCommand command;
    return command;
}

} // namespace cli
