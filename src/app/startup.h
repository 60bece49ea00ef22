#pragma once

#include "app/regional_settings.h"
#include "store/database.h"

#include <QString>
#include <memory>

namespace app {

// The steps of start-up, in order; a failure message is titled with the step under way.
inline const QString kStepComienzo = QStringLiteral("Comienzo");
inline const QString kStepRegional = QStringLiteral("Configuración Regional");
inline const QString kStepConexion1 = QStringLiteral("Crea conexión 1");
inline const QString kStepConexion2 = QStringLiteral("Crea conexión 2");
inline const QString kStepConexion3 = QStringLiteral("Crea conexión 3");

// The titles of start-up failures on a server database: the user is told what failed, not the
// step (a file's failures keep the step as their title).
inline const QString kTitleServerConnection = QStringLiteral("No se pudo conectar con el servidor");
inline const QString kTitleServerDatabase =
    QStringLiteral("No se pudo abrir la base de datos del servidor");

// Error numbers of start-up failures, after the classic database-engine numbers users and
// support already know.
inline constexpr int kErrUnexpected = 51;         // anything not foreseen below
inline constexpr int kErrNoSqliteDriver = 3170;   // Qt's SQLite driver is not installed
inline constexpr int kErrDatabaseMissing = 3024;  // no file at the database path
inline constexpr int kErrDatabaseUnusable = 3049; // the file is not a usable database
inline constexpr int kErrDatabaseDenied = 3051;   // not a file, or it cannot be read

struct StartupResult {
    bool ok = false; // the start-up flag
    QString step;    // the step reached (the failing one when ok is false)
    std::unique_ptr<store::Database> cnBase;
};

// Checks the regional settings and opens the working database. Every failure has already been
// reported to the user when this returns; the program then ends without showing a window.
// After a successful check numbers are formatted with "." whatever the system locale says.
StartupResult runStartup(RegionalSettings& settings, const QString& databasePath);

// The Spanish description of a missing database, with the command that creates one.
QString missingDatabaseDescription(const QString& databasePath);

} // namespace app
