#include "app/startup.h"

#include "app/database_path.h"
#include "app/last_error.h"
#include "app/messages.h"
#include "app/regional_check.h"
#include "store/server_address.h"
#include "store/server_connection.h"

#include <QFileInfo>
#include <QLocale>
#include <QSqlDatabase>
#include <exception>

namespace app {

namespace {

struct StartupFailure {
    int number;
    QString description;
    QString title = {}; // empty: the step under way
};

void openConnectionChecks(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists())
        throw StartupFailure{kErrDatabaseMissing, missingDatabaseDescription(path)};
    if (!file.isFile() || !file.isReadable())
        throw StartupFailure{kErrDatabaseDenied,
                             QStringLiteral("No se puede abrir \"%1\": no es un archivo o no "
                                            "tiene permiso para leerlo.")
                                 .arg(path)};
}

void reportFailure(int number, const QString& description, const QString& title) {
    setLastError(number, description);
    msg::msgBox(QStringLiteral("Error nro.: ") + QString::number(number) + u'\n' + description,
                msg::Critical, title);
}

} // namespace

QString missingDatabaseDescription(const QString& databasePath) {
    return QStringLiteral("No se encuentra el archivo de base de datos \"%1\".\n"
                          "Para crear una base de datos nueva con los datos de ejemplo, "
                          "ejecute:\ndosivant create-database %2 --sample")
        .arg(databasePath, shellQuoted(databasePath));
}

StartupResult runStartup(RegionalSettings& settings, const QString& databasePath) {
    StartupResult result;
    result.step = kStepComienzo;
    try {
        result.step = kStepRegional;
        if (!checkRegionalSettings(settings))
            return result;
        QLocale::setDefault(QLocale::c());

        result.step = kStepConexion1;
        const bool onServer = store::isServerAddress(databasePath);
        if (onServer && !QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            throw StartupFailure{kErrNoSqliteDriver,
                                 QStringLiteral("No se encuentra el controlador PostgreSQL de Qt "
                                                "(QPSQL). Instale el paquete libqt6sql6-psql."),
                                 kTitleServerDatabase};
        if (!onServer && !QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
            throw StartupFailure{kErrNoSqliteDriver,
                                 QStringLiteral("No se encuentra el controlador SQLite de Qt "
                                                "(QSQLITE). Instale el paquete "
                                                "libqt6sql6-sqlite.")};

        result.step = kStepConexion2;
        if (!onServer)
            openConnectionChecks(databasePath);
        try {
            result.cnBase = store::Database::openFile(databasePath);
        } catch (const store::StoreError& e) {
            QString title;
            if (onServer)
                title = dynamic_cast<const store::ServerConnectionError*>(&e)
                            ? kTitleServerConnection
                            : kTitleServerDatabase;
            throw StartupFailure{kErrDatabaseUnusable,
                                 QStringLiteral("No se puede abrir la base de datos \"%1\": %2")
                                     .arg(store::withoutPassword(databasePath), e.message()),
                                 title};
        }

        // The look-up record set and the command are roles of the open database itself.
        result.step = kStepConexion3;
        result.ok = true;
    } catch (const StartupFailure& f) {
        reportFailure(f.number, f.description, f.title.isEmpty() ? result.step : f.title);
        result.cnBase.reset();
    } catch (const std::exception& e) {
        reportFailure(kErrUnexpected, QString::fromUtf8(e.what()), result.step);
        result.cnBase.reset();
    }
    return result;
}

} // namespace app
