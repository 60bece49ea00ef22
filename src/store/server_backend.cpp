#include "store/server_backend.h"

#include "store/server_address.h"
#include "store/server_connection.h"
#include "store/server_dialect.h"
#include "store/sql_dialect.h"
#include "store/sql_text.h"

#include <QSqlError>
#include <QSqlQuery>

namespace store {

namespace {

// A statement of Database::prepare on the server: prepared there once, in the form a write
// takes on the server, and run with its values bound by the driver.
class ServerStatement : public PreparedStatementHandle {
public:
    ServerStatement(const QSqlDatabase& db, QString text)
        : query_(db), text_(std::move(text)), count_(store::parameterCount(text_)) {
        query_.setForwardOnly(true);
        const QString form = serverWriteForm(text_, &singleInsert_);
        // The server checks the text (tables, columns) now, as SQLite does when it parses it.
        if (!query_.prepare(form))
            throw serverError(query_.lastError(), text_);
        values_.resize(size_t(count_));
    }

    int parameterCount() const override { return count_; }
    bool bind(int index, const QVariant& value) override {
        if (index < 1 || index > count_)
            return false;
        values_[size_t(index - 1)] = value;
        return true;
    }
    QString boundText() const override { return withParameters(text_, values_); }

    int execute() override {
        const std::vector<QVariant> values = takeValues();
        runPrepared(query_, text_, values);
        const int changed = query_.numRowsAffected();
        query_.finish();
        // One row of values and none written: it repeats a key or a unique code.
        if (changed == 0 && singleInsert_)
            throw repeatedKeyError(withParameters(text_, values));
        return changed;
    }

    bool next() override {
        if (!running_) {
            const std::vector<QVariant> values = takeValues();
            runPrepared(query_, text_, values);
            rows_ = serverResultRows(query_, text_, values);
            query_.finish();
            nextRow_ = 0;
            running_ = true;
        }
        if (nextRow_ < rows_.size()) {
            ++nextRow_;
            return true;
        }
        reset();
        return false;
    }

    QVariant value(int column) const override {
        if (nextRow_ == 0 || nextRow_ > rows_.size())
            return {};
        const Database::Row& row = rows_[nextRow_ - 1];
        return column >= 0 && size_t(column) < row.size() ? row[size_t(column)] : QVariant();
    }

    void reset() override {
        values_.assign(size_t(count_), QVariant());
        rows_.clear();
        nextRow_ = 0;
        running_ = false;
    }

private:
    // The values of this run; the next run starts with none bound, as on a file.
    std::vector<QVariant> takeValues() {
        std::vector<QVariant> values = std::move(values_);
        values_.assign(size_t(count_), QVariant());
        return values;
    }

    QSqlQuery query_;
    QString text_;
    int count_;
    bool singleInsert_ = false;
    std::vector<QVariant> values_;
    std::vector<Database::Row> rows_;
    size_t nextRow_ = 0;
    bool running_ = false;
};

class ServerBackend : public Backend {
public:
    explicit ServerBackend(const QString& url)
        : Backend(url, openServerConnection(parseServerAddress(url))) {}

    bool isServer() const override { return true; }
    QString translate(const QString& sql) const override {
        return translateForServer(translateSql(sql));
    }
    // The server keeps its own pages: there is no file to check.

    int execute(const QString& statement) override { return serverWrite(connection(), statement); }
    RecordSet select(const QString& statement) override {
        return serverQuery(connection(), statement);
    }
    void eachRow(const QString& statement, const std::vector<QVariant>& parameters,
                 const std::function<void(const Database::Row&)>& onRow) override {
        serverRows(connection(), statement, parameters, onRow);
    }
    std::unique_ptr<PreparedStatementHandle> prepare(const QString& statement) override {
        return std::make_unique<ServerStatement>(connection(), statement);
    }

    // A transaction-scoped advisory lock per key column: a second writer waits at this point
    // until the first commits or rolls back, and then reads the maximum with the first one's row
    // in it. It is part of allocating the key, not a statement of the program: the fault switch
    // skips it. Ingredients and nutrients share one lock: a new one of either kind writes a
    // composition row for every one of the other kind, so two created at once must see each
    // other, or the pair would get no row.
    void lockKey(const QString& table, const QString& column) override {
        const QString t = table.toLower();
        const QString name = t == QStringLiteral("productos") || t == QStringLiteral("propiedades")
                                 ? QStringLiteral("producto_propiedad")
                                 : t + u'.' + column.toLower();
        traceLine(QStringLiteral("select pg_advisory_xact_lock(hashtext(") + sql::text(name) +
                  QStringLiteral("))"));
        serverExec(connection(), QStringLiteral("select pg_advisory_xact_lock(hashtext(?))"),
                   {name});
    }

    // A server makes a writer wait for another's locks by itself: the wait is only kept.

    // A server takes its write locks row by row as the statements run; BEGIN IMMEDIATE is
    // SQLite's alone.
    void begin(Database::Transaction::WriteLock) override {
        traceLine(QStringLiteral("BEGIN"));
        QSqlDatabase db = connection();
        if (db.transaction())
            return;
        if (isConnectionLost(db.lastError()))
            throw serverError(db.lastError(), QStringLiteral("BEGIN"));
        throw StoreError(QStringLiteral("No se pudo iniciar la transacción: ") +
                         db.lastError().text());
    }
};

} // namespace

std::unique_ptr<Backend> openServerBackend(const QString& url) {
    return std::make_unique<ServerBackend>(url);
}

} // namespace store
