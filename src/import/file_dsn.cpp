#include "import/file_dsn.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace import {

namespace {

constexpr int kDsnLines = 13;
constexpr int kDriverLines = 11;

const QString kDefaultDirKey = QStringLiteral("DefaultDir=");
const QString kDbqKey = QStringLiteral("DBQ=");

// Lines of the file, without their CR LF (a file saved with bare LF reads the same).
std::optional<QStringList> readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line opens no new line
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines;
}

} // namespace

QString defaultDsnPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Dosivant/dosivant2.dsn");
}

QStringList defaultDriverLines() {
    return {
        QStringLiteral("[ODBC]"),
        QStringLiteral("DRIVER=Microsoft Access Driver (*.mdb)"),
        QStringLiteral("UID=admin"),
        QStringLiteral("UserCommitSync=Yes"),
        QStringLiteral("Threads=3"),
        QStringLiteral("SafeTransactions=0"),
        QStringLiteral("PageTimeout=5"),
        QStringLiteral("MaxScanRows=8"),
        QStringLiteral("MaxBufferSize=2048"),
        QStringLiteral("FIL=MS Access"),
        QStringLiteral("DriverId=25"),
    };
}

std::optional<DsnValues> readDsn(const QString& path) {
    const auto lines = readLines(path);
    if (!lines || lines->size() < kDsnLines)
        return std::nullopt;
    // By position, as the file's readers always did: whatever stands before the value's
    // offset is not checked.
    return DsnValues{lines->at(11).mid(kDefaultDirKey.size()), lines->at(12).mid(kDbqKey.size())};
}

bool writeDsn(const QString& path, const QString& defaultDir, const QString& dbq) {
    QStringList lines = defaultDriverLines();
    if (QFileInfo::exists(path)) {
        const auto existing = readLines(path);
        if (existing && existing->size() >= kDriverLines)
            lines = existing->mid(0, kDriverLines);
    }
    lines << kDefaultDirKey + defaultDir << kDbqKey + dbq;

    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QString& line : lines)
        file.write((line + QStringLiteral("\r\n")).toUtf8());
    return file.commit();
}

QString displayValue(const QString& value) {
    return value.left(kDsnValueDisplayLength);
}

QString folderOf(const QString& fullPath) {
    const QString name = QFileInfo(fullPath).fileName();
    return fullPath.left(fullPath.size() - (name.size() + 1));
}

} // namespace import
