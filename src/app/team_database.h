#pragma once

#include <QString>

namespace app {

// The team's server database, kept in the per-user settings so that the program opens it when
// neither --database nor DOSIVANT_DB names another: <config folder>/Dosivant/equipo.ini.
QString teamSettingsPath();

// The stored address; empty when none (the program then uses its file).
QString readTeamDatabase(const QString& settingsPath = teamSettingsPath());

// Stores the address of a server database ("postgresql://USUARIO@SERVIDOR[:PUERTO]/BASE"); an
// empty text removes it. Returns a Spanish message saying what is wrong with the address or the
// settings file, or an empty text when stored.
QString saveTeamDatabase(const QString& address, const QString& settingsPath = teamSettingsPath());

} // namespace app
