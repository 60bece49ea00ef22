#pragma once

#include <QString>

namespace app {

// The environment variable that names the working database when no option does.
inline constexpr char kDatabaseEnvironment[] = "DOSIVANT_DB";

// <per-user data folder>/Dosivant/Dosivant.db, i.e. $XDG_DATA_HOME/Dosivant/Dosivant.db.
QString defaultDatabasePath();

// The working database: the --database option when given, else DOSIVANT_DB when set and not
// empty, else the team's server database when one is set (team_database.h), else the default
// path.
QString resolveDatabasePath(const QString& optionValue);

// A path written so that it can be pasted into a shell as one argument.
QString shellQuoted(const QString& path);

} // namespace app
