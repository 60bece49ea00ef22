#pragma once

#include <QString>

namespace import {

// The password the remote connection passes, unless the per-user settings file names another
// ([Importacion] Password=...).
inline const QString kDefaultRemotePassword = QStringLiteral("murta362");

// <per-user config folder>/Dosivant/dosivant.ini
QString defaultSettingsPath();

QString remotePassword(const QString& settingsPath = defaultSettingsPath());

// The connection text of the remote source: the File DSN and the password.
QString remoteConnectionText(const QString& dsnPath, const QString& password);

} // namespace import
