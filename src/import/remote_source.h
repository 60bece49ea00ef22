#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

namespace import {

// The database the import reads from, named by the File DSN: a database of this program
// (SQLite), opened read-only, or a legacy Access file whose three catalogue tables are first
// copied into a temporary SQLite database. Either way the import's statements run on SQLite
// unchanged, on a connection of the source's own.
class RemoteSource {
public:
    // Opens the source named by the DBQ line of the File DSN in a connection text
    // ("...FILEDSN=<file>;Password='...'"). Null when there is no File DSN, when the file is
    // neither kind of database, or when it lacks the three tables or their columns.
    static std::unique_ptr<RemoteSource> open(const QString& connectionText);
    // The same for a database file named directly.
    static std::unique_ptr<RemoteSource> openFile(const QString& path);

    ~RemoteSource();
    RemoteSource(const RemoteSource&) = delete;
    RemoteSource& operator=(const RemoteSource&) = delete;

    bool isAccessCopy() const { return copyDir_ != nullptr; }

    // A forward-only, read-only pass over a query's rows.
    class Rows {
    public:
        ~Rows();
        Rows(Rows&&) noexcept;
        Rows& operator=(Rows&&) = delete;
        // Moves to the next row; false past the last one. Throws store::StoreError when the
        // source fails while reading.
        bool next();
        // The column's value in the current row as stored: qlonglong, double or QString;
        // invalid for Null; QByteArray for a blob and for a text that is not valid UTF-8, which
        // no text column of the program may hold as it is.
        QVariant value(int column) const;
        // How many rows the query returns.
        int count() const { return count_; }

    private:
        friend class RemoteSource;
        struct Query;
        Rows(std::unique_ptr<Query> q, int count);
        std::unique_ptr<Query> q_;
        int count_ = 0;
    };

    // Runs a query. Throws store::StoreError when the source refuses it.
    Rows query(const QString& sql);

private:
    RemoteSource(QString connectionName, std::unique_ptr<QTemporaryDir> copyDir);
    QString connectionName_;
    std::unique_ptr<QTemporaryDir> copyDir_;
};

// The file named in a connection text's FILEDSN= part.
QString dsnFileOf(const QString& connectionText);

} // namespace import
