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

// A write refused because SQLite's quick check found the file damaged; the message says how to
// recover the data.
class DamagedFileError : public StoreError {
public:
    using StoreError::StoreError;
};

// No new key is left below the largest key the program can hold (2147483647).
class KeyRangeError : public StoreError {
public:
    using StoreError::StoreError;
};

class Backend;
class PreparedStatement;

// The one connection of the program: runs statements (the command), opens queries into record
// sets (the look-up record set) and groups writes into transactions. Statements are passed in
// the program's own SQL text; the dialect layer translates them for the engine behind: a SQLite
// file or a PostgreSQL server, each a backend of its own (store/backend.h).
class Database {
public:
    // ReadOnly: SQLite opens the file read-only, so nothing is ever written to it (not even a
    // missing index) and every write is refused; for the commands that only read.
    enum class OpenMode { ReadWrite, ReadOnly };

    // Opens an existing database file. Throws StoreError when the file is missing, is not a
    // database, or lacks a table or column the program reads (the message names them). Creates
    // any missing index of the schema, unless opened ReadOnly or the file is read-only.
    // A damaged file (SQLite's quick check fails) opens, but every write is refused with
    // damageMessage().
    static std::unique_ptr<Database> openFile(const QString& path,
                                              OpenMode mode = OpenMode::ReadWrite);
    // Creates a new database file with the schema (and the sample catalogue when asked), written
    // to a temporary file of its own in the target folder and moved into place only while the
    // path is still free. Throws FileExistsError when a file is (or appears) at the path.
    // finish, when given, runs last inside the transaction that fills the new file.
    static void createFile(const QString& path, bool withSample,
                           const std::function<void(Database&)>& finish = {});

    // A team database on a PostgreSQL server, named "postgresql://USER@HOST[:PORT]/NAME";
    // openFile and createFile hand such a name over to these. openServer checks the tables and
    // columns as openFile does. createServer fills an empty server database in one transaction
    // and throws FileExistsError when it already holds any table of the program.
    static std::unique_ptr<Database> openServer(const QString& url);
    static void createServer(const QString& url, bool withSample,
                             const std::function<void(Database&)>& finish = {});
    // True for a server database, false for a file.
    bool isServer() const;

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QString path() const;

    // Runs SQLite's quick check of the pages and indexes once per connection (later calls
    // return the first answer): empty when the file is sound, else the message that says it is
    // damaged and how to recover it. Every write asks it first.
    QString damageMessage();

    // Runs an insert, update, delete or DDL statement; returns the rows it changed.
    int exec(const QString& sql);
    // Runs a query and returns its rows as a record set: Integer32 for integer columns,
    // Double for real ones, Char for text. A result with two columns of one name is a
    // StoreError naming the statement. A stored integer beyond 32 bits in a table's integer
    // column is never cut: it is a StoredValueError naming the table, the row and the column.
    // (A computed column whose values pass 32 bits, such as a sum, is read as Double.)
    RecordSet query(const QString& sql);

    // One row of a prepared query, as stored: qlonglong, double, QString or invalid (Null).
    using Row = std::vector<QVariant>;
    // Runs a query with "?" parameters (int, qlonglong, double, QString) and hands each row to
    // onRow. The statement is prepared once per connection and kept for the next call with the
    // same text, so a statement repeated for many keys is parsed once.
    void forEachRow(const QString& sql, const std::vector<QVariant>& parameters,
                    const std::function<void(const Row&)>& onRow);

    // Prepares a statement with "?" parameters once, to be run many times with other values
    // (the rows of an import): SQLite parses its text only here. Throws StoreError naming the
    // statement when the text is not valid. The statement must not outlive the database.
    PreparedStatement prepare(const QString& sql);

    // New key for table.column: its maximum plus 1, 1 on an empty table. Throws StoreError
    // "No se pudo recuperar el id" when the query returns no row, and KeyRangeError when the
    // maximum is already the largest 32-bit key (or beyond it).
    int nextKey(const QString& table, const QString& column);

    // While another connection holds a lock a statement needs, `wait` is called before each new
    // try (attempt counts from 0); it may sleep, and returns whether to try again. Without it a
    // locked database fails at once. An empty function removes it.
    void setLockWait(std::function<bool(int attempt)> wait);

    // RAII transaction: rolled back unless commit() is called. Nested guards join the
    // outermost one. A writer that reads before it writes takes the write lock at once
    // (WriteLock::Now): a read-only transaction cannot wait for the lock later, since the
    // writer holding it may be waiting for that very read to end.
    class Transaction {
    public:
        enum class WriteLock { Deferred, Now };
        explicit Transaction(Database& db, WriteLock lock = WriteLock::Deferred);
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
    explicit Database(std::unique_ptr<Backend> backend);
    std::unique_ptr<Backend> d;
};

struct PreparedStatementHandle;

// A statement of Database::prepare: bind its values (parameters count from 1), then execute()
// a write or step through a query's rows with next(). Each run is one statement for the
// transaction guard, the SQL trace (written with the values in place) and the test fault
// switch, like exec() and query(). After a run the values are cleared, so a value not bound
// again is Null rather than the previous row's.
class PreparedStatement {
public:
    ~PreparedStatement();
    PreparedStatement(PreparedStatement&& other) noexcept;
    PreparedStatement& operator=(PreparedStatement&& other) noexcept;

    int parameterCount() const;

    // An int, qlonglong, double or QString value; an invalid QVariant binds Null. A number that
    // is not finite is refused (SQLite would store Null in its place).
    PreparedStatement& bind(int index, const QVariant& value);
    PreparedStatement& bind(int index, double value);
    PreparedStatement& bind(int index, qlonglong value);
    PreparedStatement& bind(int index, int value) { return bind(index, qlonglong(value)); }
    PreparedStatement& bind(int index, const QString& value);
    PreparedStatement& bindNull(int index);

    // Runs a write with the values bound and returns the rows it changed.
    int execute();

    // Runs a query on its first call and moves to the next row: false past the last one, when
    // the statement is ready to be run again. reset() abandons the rows not read.
    bool next();
    // The current row's column (from 0) as stored: qlonglong, double, QString or invalid (Null).
    QVariant value(int column) const;
    void reset();

    // The statement's text with the values bound so far written in, as the trace shows it.
    QString boundText() const;

private:
    friend class Database;
    PreparedStatement(Backend* db, std::unique_ptr<PreparedStatementHandle> handle);
    void start();
    PreparedStatement& bindChecked(int index, const QVariant& value);
    [[noreturn]] void fail(const QString& why);

    Backend* db_;
    std::unique_ptr<PreparedStatementHandle> h_;
    bool running_ = false;
};

} // namespace store
