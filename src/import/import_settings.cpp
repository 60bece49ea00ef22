#include "import/import_settings.h"

#include <QSettings>
#include <QStandardPaths>

namespace import {

QString defaultSettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Dosivant/dosivant.ini");
}

QString remotePassword(const QString& settingsPath) {
    const QSettings settings(settingsPath, QSettings::IniFormat);
    return settings.value(QStringLiteral("Importacion/Password"), kDefaultRemotePassword)
        .toString();
}

QString remoteConnectionText(const QString& dsnPath, const QString& password) {
    return QStringLiteral("Provider=MSDASQL;FILEDSN=") + dsnPath + QStringLiteral(";Password='") +
           password + '\'';
}

} // namespace import
