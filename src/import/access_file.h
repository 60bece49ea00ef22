#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

// Microsoft Access databases (.mdb, .accdb) read with mdbtools. Their statements cannot be run
// where they lie (mdbtools' SQL has no NOT IN), so tables are copied into SQLite and queried
// there.
namespace import {

class AccessError : public std::runtime_error {
public:
    explicit AccessError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// True when the file starts like a Jet or ACE database.
bool isAccessFile(const QString& path);

// The user tables of the file, in catalogue order. Throws AccessError when it cannot be read.
QStringList accessTableNames(const QString& path);

// Copies the named tables (matched without regard to case; every user table when names is
// empty) into the SQLite database file sqlitePath, created new, one SQLite table of the same
// name per table. Column types carry over: whole numbers and yes/no as INTEGER (yes = 1),
// floating, currency and decimal numbers as DOUBLE with their exact value, dates as DATE in
// ISO text ("yyyy-MM-dd", with " HH:mm:ss" when there is a time), text and memo as UTF-8 text
// whatever the file's own encoding (Windows code page or UTF-16). Null stays Null; mdbtools
// cannot tell an empty text from Null, so empty text arrives as Null. Binary and OLE values are
// not copied (Null). Throws AccessError when a table is missing or the file cannot be read.
void copyAccessTables(const QString& path, const QString& sqlitePath, const QStringList& names);

} // namespace import
