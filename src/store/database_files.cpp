#include "store/database_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace store {

namespace {

const QString kCompanionSuffixes[] = {QStringLiteral("-journal"), QStringLiteral("-wal"),
                                      QStringLiteral("-shm")};

// The path with its folder's links resolved (the file itself need not exist).
QString inResolvedFolder(const QString& path) {
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

QString quoted(const QString& path) {
    return u'"' + QDir::toNativeSeparators(path) + u'"';
}

} // namespace

QString journalOwner(const QString& path) {
    for (const QString& suffix : kCompanionSuffixes)
        if (path.endsWith(suffix))
            return path.chopped(suffix.size());
    return {};
}

bool isSqliteDatabase(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    static const QByteArray kHeader("SQLite format 3\0", 16);
    return file.read(kHeader.size()) == kHeader;
}

QString databaseFileProblem(const QString& path) {
    const QString target = inResolvedFolder(path);
    if (const QString owner = journalOwner(target); !owner.isEmpty() && isSqliteDatabase(owner))
        return QStringLiteral(
                   "No se escribe una base de datos en %1: es el nombre del diario de la "
                   "base de datos %2, y SQLite lo borraría la próxima vez que la "
                   "modifique. Elija otro nombre.")
            .arg(quoted(path), quoted(owner));
    if (QFileInfo::exists(target))
        return {}; // its own journal, if any, belongs to it
    for (const QString& suffix : kCompanionSuffixes)
        if (QFileInfo::exists(target + suffix))
            return QStringLiteral("No se crea una base de datos en %1: junto a ella queda %2, el "
                                  "diario de una base de datos anterior, que SQLite aplicaría a la "
                                  "nueva. Bórrelo o elija otro nombre.")
                .arg(quoted(path), quoted(path + suffix));
    return {};
}

} // namespace store
