#include "app/database_path.h"

#include "app/team_database.h"

#include <QRegularExpression>
#include <QStandardPaths>

namespace app {

QString defaultDatabasePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Dosivant/Dosivant.db");
}

QString resolveDatabasePath(const QString& optionValue) {
    if (!optionValue.isEmpty())
        return optionValue;
    const QString fromEnvironment = qEnvironmentVariable(kDatabaseEnvironment);
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString team = readTeamDatabase();
    if (!team.isEmpty())
        return team;
    return defaultDatabasePath();
}

QString shellQuoted(const QString& path) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:+=@%-]+$"));
    if (plain.match(path).hasMatch())
        return path;
    QString quoted = path;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

} // namespace app
