#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The file that names the import source: an ODBC File DSN of 13 lines, kept in the per-user
// configuration folder. Readers take the values by line number, as the drivers' own tools
// write it; lines 1 to 11 are driver settings an administrator may have changed, so a rewrite
// keeps them.
namespace import {

inline const QString kSinOrigen = QStringLiteral("No se ha definido el origen");

// Values are shown cut to this many characters.
inline constexpr int kDsnValueDisplayLength = 100;

struct DsnValues {
    QString defaultDir; // line 12, after "DefaultDir="
    QString dbq;        // line 13, after "DBQ=": the source file, whole
};

// <per-user config folder>/Dosivant/dosivant2.dsn, beside the regional settings.
QString defaultDsnPath();

// The 11 driver lines a File DSN written from scratch starts with.
QStringList defaultDriverLines();

// The values of the File DSN at path. Nothing when the file is missing or unreadable, and also
// when it has fewer than 13 lines: such a file (cut short by hand or written by another tool)
// cannot be read by line number, so it counts as no source at all rather than a half-read one.
std::optional<DsnValues> readDsn(const QString& path);

// Writes the File DSN: the first 11 lines of the existing file when it has them (else the
// default driver lines), then "DefaultDir=" and "DBQ=" with the values, each line ended by CR LF.
// The file is replaced only once completely written. False when it cannot be written.
bool writeDsn(const QString& path, const QString& defaultDir, const QString& dbq);

// A value as the views show it: its first 100 characters.
QString displayValue(const QString& value);

// The folder of a chosen file, without the final separator: the full path less the file name
// and the separator before it.
QString folderOf(const QString& fullPath);

} // namespace import
