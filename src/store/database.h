#pragma once

#include "store/record_set.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace store {

// A failed statement, open or key allocation. what() is UTF-8; message() the same as QString.
class StoreError : public std::runtime_error {
public:
    explicit StoreError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

private:
    QString message_;
};

// createFile found a file at the path (perhaps made by another run at the same moment).
class FileExistsError : public StoreError {
public:
    using StoreError::StoreError;
};

class DatabasePrivate;

// The one connection of the program: runs statements (the command), opens queries into record
// sets (the look-up record set) and groups writes into transactions. Statements are passed in
// the program's own SQL text; the dialect layer translates them for SQLite.
class Database {
public:
    // Opens an existing database file. Throws StoreError when the file is missing, is not a
    // database, or lacks a table or column the program reads (the message names them). Creates
    // any missing index of the schema, unless the file is read-only.
    static std::unique_ptr<Database> openFile(const QString& path);
    // Creates a new database file with the schema (and the sample catalogue when asked), written
    // to a temporary file of its own in the target folder and moved into place only while the
    // path is still free. Throws FileExistsError when a file is (or appears) at the path.
    // finish, when given, runs last inside the transaction that fills the new file.
    static void createFile(const QString& path, bool withSample,
                           const std::function<void(Database&)>& finish = {});

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QString path() const;

    // Runs an insert, update, delete or DDL statement; returns the rows it changed.
    int exec(const QString& sql);
    // Runs a query and returns its rows as a record set: Integer32 for integer columns,
    // Double for real ones, Char for text. A result with two columns of one name is a
    // StoreError naming the statement.
    RecordSet query(const QString& sql);

    // One row of a prepared query, as stored: qlonglong, double, QString or invalid (Null).
    using Row = std::vector<QVariant>;
    // Runs a query with "?" parameters (int, qlonglong, double, QString) and hands each row to
    // onRow. The statement is prepared once per connection and kept for the next call with the
    // same text, so a statement repeated for many keys is parsed once.
    void forEachRow(const QString& sql, const std::vector<QVariant>& parameters,
                    const std::function<void(const Row&)>& onRow);

    // New key for table.column: its maximum plus 1, 1 on an empty table. Throws StoreError
    // "No se pudo recuperar el id" when the query returns no row.
    int nextKey(const QString& table, const QString& column);

    // RAII transaction: rolled back unless commit() is called. Nested guards join the
    // outermost one.
    class Transaction {
    public:
        explicit Transaction(Database& db);
        ~Transaction();
        void commit();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

    private:
        Database& db_;
        bool done_ = false;
        bool outermost_ = false;
        long long statementsAtStart_ = 0;
    };

    // Test-only: the Nth statement from now (1 = the next one) fails as if the engine had
    // refused it. 0 switches the fault off.
    void failStatementAfter(int n);

private:
    explicit Database(std::unique_ptr<DatabasePrivate> d);
    std::unique_ptr<DatabasePrivate> d;
};

} // namespace store
