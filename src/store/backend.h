#pragma once

#include "store/database.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace store {

// The engine behind one run of a PreparedStatement. Values arrive already checked and typed:
// qlonglong, double, QString or invalid (Null). Failures are StoreErrors whose message ends with
// the statement as boundText() writes it.
struct PreparedStatementHandle {
    virtual ~PreparedStatementHandle() = default;
    virtual int parameterCount() const = 0;
    // False when the statement has no parameter of that number.
    virtual bool bind(int index, const QVariant& value) = 0;
    virtual QString boundText() const = 0;
    // Runs a write with the values bound and returns the rows it changed.
    virtual int execute() = 0;
    // Runs the query on its first call after a reset() and moves to the next row.
    virtual bool next() = 0;
    virtual QVariant value(int column) const = 0;
    // Ready to run again: no rows held, no values bound.
    virtual void reset() = 0;
};

// A query's rows as a record set with these fields, on its first row. Throws StoreError naming
// the statement when the rows cannot be one (two columns of one name).
RecordSet resultRecordSet(const std::vector<FieldDef>& fields,
                          std::vector<std::vector<QVariant>> rows, const QString& statement);

// One connection of Database: a SQLite file or a PostgreSQL server. Database keeps what both
// share (the test fault switch, the trace, the transaction guards' depth); a backend runs the
// statements, already translated into its dialect, in its own engine.
class Backend {
public:
    Backend(QString path, QString connectionName);
    virtual ~Backend();
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    virtual bool isServer() const = 0;
    // The program's SQL text in the dialect of the engine.
    virtual QString translate(const QString& sql) const = 0;
    // Empty while writes may go on; else why they are refused (a damaged file).
    virtual QString damageMessage() { return {}; }
    // True when the engine opened the database so that nothing can be written to it.
    virtual bool openedReadOnly() const { return false; }

    virtual int execute(const QString& statement) = 0;
    virtual RecordSet select(const QString& statement) = 0;
    virtual void eachRow(const QString& statement, const std::vector<QVariant>& parameters,
                         const std::function<void(const Database::Row&)>& onRow) = 0;
    virtual std::unique_ptr<PreparedStatementHandle> prepare(const QString& statement) = 0;

    // Holds the key of table.column for this transaction where writers on other connections
    // could otherwise take the same new key.
    virtual void lockKey(const QString& table, const QString& column) {
        Q_UNUSED(table);
        Q_UNUSED(column);
    }
    virtual void setLockWait(std::function<bool(int attempt)> wait) { lockWait = std::move(wait); }

    // Starts a transaction; throws StoreError when it cannot.
    virtual void begin(Database::Transaction::WriteLock lock) = 0;
    // False with the reason in *error when the engine refuses to commit.
    bool commit(QString* error);
    void rollback();

    QSqlDatabase connection() const { return QSqlDatabase::database(connectionName_, false); }
    void traceLine(const QString& line) const;

    const QString path;
    const bool trace;
    long long statementsRun = 0; // writes run: tells a guard whether its step wrote anything
    int failCountdown = 0;
    int transactionDepth = 0;
    bool rollbackOnly = false;

    // The test fault switch: counts statements down and tells whether this one must fail.
    bool faultDue() { return failCountdown > 0 && --failCountdown == 0; }
    static StoreError simulatedFault(const QString& sql);
    void refuseWriteToDamagedFile();

protected:
    std::function<bool(int)> lockWait;

private:
    QString connectionName_;
};

} // namespace store
