#include "store/file_creation.h"

#include "store/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

// Whether the open file `fd` is still the file at `path` (not removed or replaced meanwhile).
bool sameFile(int fd, const QString& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

OwnedTemporary::OwnedTemporary(const QString& target) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = target + '.' + QUuid::createUuid().toString(QUuid::Id128).left(12) +
                             QStringLiteral(".creando");
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno != EEXIST)
                break;
            continue;
        }
        // Another run's clean-up may have taken the new file for a dead one between its
        // creation and the lock: then it is gone, and another name is tried.
        if (::flock(fd, LOCK_EX) == 0 && sameFile(fd, name)) {
            name_ = name;
            fd_ = fd;
            return;
        }
        ::close(fd);
    }
    throw StoreError(QStringLiteral("No se pudo crear un archivo temporal junto a ") + target);
}

OwnedTemporary::~OwnedTemporary() {
    ::close(fd_);
}

// Moves `from` to `to` only while `to` does not exist: true when moved, false when `to` exists.
bool moveIntoFreePath(const QString& from, const QString& to) {
    const QByteArray f = QFile::encodeName(from), t = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // File systems without the no-replace rename: a hard link fails on an existing name too.
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        if (::link(f.constData(), t.constData()) == 0) {
            ::unlink(f.constData());
            return true;
        }
        if (errno == EEXIST)
            return false;
        // Nor hard links (some network and removable file systems): look, then rename.
        if (errno == EPERM || errno == ENOTSUP || errno == ENOSYS) {
            if (QFileInfo::exists(to))
                return false;
            if (::rename(f.constData(), t.constData()) == 0)
                return true;
        }
    }
    throw StoreError(QStringLiteral("No se pudo crear el archivo ") + to + ": " +
                     QString::fromLocal8Bit(std::strerror(errno)));
}

// The temporaries of runs that were killed: "<target>.<12 hex digits>.creando" (the names of
// OwnedTemporary) that no run holds locked, with their journals, and journals left without
// their file. The user's own "<target>.creando" has no such name, and a run under way holds its
// file locked until the file is in place.
void removeStaleTemporaries(const QString& target) {
    const QFileInfo t(target);
    const QDir dir = t.dir();
    static const QStringList kCompanions = {QStringLiteral("-journal"), QStringLiteral("-wal"),
                                            QStringLiteral("-shm")};
    const QRegularExpression ours(
        QStringLiteral("^(") + QRegularExpression::escape(t.fileName()) +
        QStringLiteral("\\.[0-9a-f]{12}\\.creando)(-journal|-wal|-shm)?$"));
    QStringList stems;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (const auto m = ours.match(name); m.hasMatch() && !stems.contains(m.captured(1)))
            stems << m.captured(1);
    for (const QString& stemName : std::as_const(stems)) {
        const QString stem = dir.filePath(stemName);
        const int fd = ::open(QFile::encodeName(stem).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            const bool dead = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, stem);
            if (dead)
                QFile::remove(stem);
            ::close(fd);
            if (!dead)
                continue; // in use: a run under way holds it
        } else if (QFileInfo::exists(stem)) {
            continue; // not ours to judge
        }
        // A run keeps its journals only while its file is there: without it they are left over.
        for (const QString& companion : kCompanions)
            QFile::remove(stem + companion);
    }
}

} // namespace store
