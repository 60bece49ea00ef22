#include "printing/output_file.h"

#include "store/database_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace printing {

namespace {

// The file a path names once links and relative parts are resolved; for a file not made yet,
// its resolved folder and its own name.
QString resolvedPath(const QString& path) {
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

// The same naming of a database's journals as a new database file is checked against.
using store::isSqliteDatabase;
using store::journalOwner;

QString quoted(const QString& path) {
    return u'"' + QDir::toNativeSeparators(path) + u'"';
}

} // namespace

QString outputTargetProblem(const QString& path, const QString& databasePath) {
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists())
        return QStringLiteral("No se escribe en %1: es un enlace a un archivo que no existe.")
            .arg(quoted(path));
    if (info.exists() && info.isDir())
        return QStringLiteral("No se escribe en %1: es una carpeta; indique un archivo.")
            .arg(quoted(path));
    // A device, a pipe or a socket would be replaced by a file, or fed a document it cannot use.
    if (info.exists() && !info.isFile())
        return QStringLiteral("No se escribe en %1: no es un archivo común.").arg(quoted(path));

    const QString target = resolvedPath(path);
    if (!databasePath.isEmpty()) {
        const QString database = resolvedPath(databasePath);
        if (target == database)
            return QStringLiteral("No se escribe en %1: es la base de datos abierta.")
                .arg(quoted(path));
        if (journalOwner(target) == database)
            return QStringLiteral("No se escribe en %1: es el diario de la base de datos abierta.")
                .arg(quoted(path));
    }
    if (info.exists() && isSqliteDatabase(target))
        return QStringLiteral("No se escribe en %1: es una base de datos.").arg(quoted(path));
    if (const QString owner = journalOwner(target); !owner.isEmpty() && isSqliteDatabase(owner))
        return QStringLiteral("No se escribe en %1: es el diario de una base de datos.")
            .arg(quoted(path));
    return {};
}

bool commitOutputFile(QSaveFile& file, const QString& path, QString* error) {
    // QSaveFile::commit() drops the error of its own last flush and would put a short file in
    // place: the buffer is flushed here, where its failure is seen.
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("No se pudo escribir el archivo %1: %2")
                         .arg(quoted(path), file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("No se pudo guardar el archivo %1: %2")
                         .arg(quoted(path), file.errorString());
        return false;
    }
    return true;
}

} // namespace printing
