#include "app/team_database.h"

#include "store/database.h"
#include "store/server_address.h"

#include <QSettings>
#include <QStandardPaths>

namespace app {

namespace {

const QString kKey = QStringLiteral("equipo/base_de_datos");

} // namespace

QString teamSettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Dosivant/equipo.ini");
}

QString readTeamDatabase(const QString& settingsPath) {
    return QSettings(settingsPath, QSettings::IniFormat).value(kKey).toString().trimmed();
}

QString saveTeamDatabase(const QString& address, const QString& settingsPath) {
    const QString trimmed = address.trimmed();
    if (!trimmed.isEmpty()) {
        try {
            store::parseServerAddress(trimmed);
        } catch (const store::StoreError& e) {
            return e.message();
        }
    }
    QSettings settings(settingsPath, QSettings::IniFormat);
    if (trimmed.isEmpty())
        settings.remove(kKey);
    else
        settings.setValue(kKey, trimmed);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return QStringLiteral("No se pudo guardar la configuración en ") + settingsPath;
    return {};
}

} // namespace app
