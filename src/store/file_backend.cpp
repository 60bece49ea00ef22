#include "store/file_backend.h"

#include "store/quoted_statement.h"
#include "store/sql_dialect.h"
#include "store/stored_values.h"
#include "store/unicode_like.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <cmath>
#include <limits>
#include <optional>
#include <sqlite3.h>

namespace store {

namespace {

struct StatementFinalizer {
    void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};
// A prepared statement that is finalized on every way out.
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// A path as one word of a shell command: quoted unless it is plain.
QString shellWord(const QString& path) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+:-]+$"));
    if (plain.match(path).hasMatch())
        return path;
    return '\'' + QString(path).replace('\'', QStringLiteral("'\\''")) + '\'';
}

QString damagedFileMessage(const QString& path, const QString& finding) {
    const QFileInfo file(path);
    const QString recovered =
        file.dir().filePath(file.completeBaseName() + QStringLiteral("-recuperado.") +
                            (file.suffix().isEmpty() ? QStringLiteral("db") : file.suffix()));
    return QStringLiteral("El archivo de base de datos %1 está dañado (SQLite informa: %2). "
                          "No se graba nada en él, para no extender el daño.\n"
                          "Para recuperar sus datos, cierre el programa y ejecute:\n"
                          "sqlite3 %3 .recover | sqlite3 %4\n"
                          "Luego revise el archivo recuperado y úselo en lugar del dañado "
                          "(guarde una copia del dañado).")
        .arg(path, finding.simplified().left(300), shellWord(path), shellWord(recovered));
}

sqlite3* sqliteHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

QString openConnection(const QString& path, bool readOnly) {
    const QString name = QStringLiteral("dosivant-") + QUuid::createUuid().toString(QUuid::Id128);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    if (readOnly)
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open()) {
        const QString error = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw StoreError(QStringLiteral("No se pudo abrir la base de datos ") + path + ": " +
                         error);
    }
    sqlite3* handle = sqliteHandle(db);
    if (!handle || !installUnicodeLike(handle)) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw StoreError(QStringLiteral("No se pudo preparar la conexión a ") + path);
    }
    QSqlQuery(db).exec(QStringLiteral("PRAGMA foreign_keys = OFF"));
    // The composition rows of a mix lie scattered over a large catalogue's pages; a cache of
    // 32 MB (instead of SQLite's 2 MB) keeps them between runs instead of reading them again.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size = -32768"));
    return name;
}

// Declared column types map to field types; an expression such as max(id) has none and takes the
// type of its values.
std::optional<FieldType> declaredType(const char* decltype_) {
    if (!decltype_)
        return std::nullopt;
    const QByteArray t = QByteArray(decltype_).toLower();
    if (t.contains("int"))
        return FieldType::Integer32;
    if (t.contains("doub") || t.contains("real") || t.contains("floa"))
        return FieldType::Double;
    return FieldType::Char;
}

FieldType storageType(int sqliteType) {
    switch (sqliteType) {
    case SQLITE_INTEGER:
        return FieldType::Integer32;
    case SQLITE_FLOAT:
        return FieldType::Double;
    default:
        return FieldType::Char;
    }
}

QVariant columnValue(sqlite3_stmt* st, int c) {
    switch (sqlite3_column_type(st, c)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(st, c)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(st, c));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(st, c)));
    }
    }
}

// Null and text are read as before; a number must be a whole one within 32 bits to be held by an
// Integer32 field unchanged.
bool fitsInteger32(const QVariant& v) {
    constexpr qlonglong kLow = std::numeric_limits<qint32>::min();
    constexpr qlonglong kHigh = std::numeric_limits<qint32>::max();
    switch (v.typeId()) {
    case QMetaType::LongLong:
        return v.toLongLong() >= kLow && v.toLongLong() <= kHigh;
    case QMetaType::Double: {
        const double x = v.toDouble();
        return std::isfinite(x) && x > double(kLow) - 0.5 && x < double(kHigh) + 0.5;
    }
    default:
        return true;
    }
}

// The row of a stored value, for its message: the primary-key columns of its table that the
// result holds ("id_formula=3"), else its place in the result.
QString rowOfValue(sqlite3* handle, sqlite3_stmt* st, const std::vector<QVariant>& row,
                   size_t rowIndex, const char* table) {
    QStringList keys;
    for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const char* t = sqlite3_column_table_name(st, c);
        const char* origin = sqlite3_column_origin_name(st, c);
        int primaryKey = 0;
        if (!t || !origin || qstrcmp(t, table) != 0 ||
            sqlite3_table_column_metadata(handle, sqlite3_column_database_name(st, c), t, origin,
                                          nullptr, nullptr, nullptr, &primaryKey,
                                          nullptr) != SQLITE_OK ||
            !primaryKey)
            continue;
        const QString key =
            QString::fromUtf8(origin) + '=' +
            (row[size_t(c)].isValid() ? row[size_t(c)].toString() : QStringLiteral("Null"));
        if (!keys.contains(key))
            keys << key;
    }
    return keys.isEmpty() ? QStringLiteral("fila %1 del resultado").arg(rowIndex + 1)
                          : keys.join(QStringLiteral(", "));
}

// An integer column whose values pass 32 bits: a table's column is refused rather than cut (the
// key of a formula list must never name another formula); a computed one is read as Double.
void refuseCutIntegers(sqlite3* handle, sqlite3_stmt* st,
                       const std::vector<std::vector<QVariant>>& rows,
                       std::vector<std::optional<FieldType>>& types) {
    for (size_t c = 0; c < types.size(); ++c) {
        if (types[c] != FieldType::Integer32)
            continue;
        for (size_t r = 0; r < rows.size(); ++r) {
            if (fitsInteger32(rows[r][c]))
                continue;
            const char* table = sqlite3_column_table_name(st, int(c));
            if (!table) {
                types[c] = FieldType::Double;
                break;
            }
            // Throws the stored-value message for a value that does not fit.
            storedInteger(rows[r][c],
                          {QString::fromUtf8(table), rowOfValue(handle, st, rows[r], r, table),
                           QString::fromUtf8(sqlite3_column_origin_name(st, int(c)))});
        }
    }
}

StatementPtr prepareStatement(sqlite3* handle, const QString& translated) {
    const QByteArray text = translated.toUtf8();
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &st, nullptr);
    StatementPtr owned(st);
    if (rc != SQLITE_OK)
        throw StoreError(QString::fromUtf8(sqlite3_errmsg(handle)) + u' ' +
                         quotedStatement(translated));
    return owned;
}

// Binds a value as typed (qlonglong, double, QString or invalid); false when there is no such
// parameter.
bool bindValue(sqlite3_stmt* st, int index, const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return sqlite3_bind_int64(st, index, v.toLongLong()) == SQLITE_OK;
    case QMetaType::Double:
        return sqlite3_bind_double(st, index, v.toDouble()) == SQLITE_OK;
    case QMetaType::UnknownType:
        return sqlite3_bind_null(st, index) == SQLITE_OK;
    default: {
        const QByteArray text = v.toString().toUtf8();
        return sqlite3_bind_text(st, index, text.constData(), int(text.size()), SQLITE_TRANSIENT) ==
               SQLITE_OK;
    }
    }
}

// A kept statement is reset on every way out, so it holds no read lock between uses.
struct ResetOnExit {
    sqlite3_stmt* st;
    ~ResetOnExit() {
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
    }
};

extern "C" int callLockWait(void* wait, int attempt) {
    return (*static_cast<std::function<bool(int)>*>(wait))(attempt) ? 1 : 0;
}

// A statement of Database::prepare on a file: SQLite parses the text once.
class FileStatement : public PreparedStatementHandle {
public:
    FileStatement(sqlite3* handle, StatementPtr st, QString text)
        : handle_(handle), st_(std::move(st)), text_(std::move(text)) {}

    int parameterCount() const override { return sqlite3_bind_parameter_count(st_.get()); }
    bool bind(int index, const QVariant& value) override {
        return bindValue(st_.get(), index, value);
    }
    QString boundText() const override {
        char* expanded = sqlite3_expanded_sql(st_.get());
        if (!expanded)
            return text_;
        const QString text = QString::fromUtf8(expanded);
        sqlite3_free(expanded);
        return text;
    }
    int execute() override {
        const int rc = sqlite3_step(st_.get());
        if (rc != SQLITE_DONE && rc != SQLITE_ROW)
            fail();
        const int changed = sqlite3_changes(handle_);
        reset();
        return changed;
    }
    bool next() override {
        const int rc = sqlite3_step(st_.get());
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            fail();
        reset();
        return false;
    }
    QVariant value(int column) const override {
        if (column < 0 || column >= sqlite3_data_count(st_.get()))
            return {};
        return columnValue(st_.get(), column);
    }
    void reset() override {
        sqlite3_reset(st_.get());
        sqlite3_clear_bindings(st_.get());
    }

private:
    [[noreturn]] void fail() {
        const QString why = QString::fromUtf8(sqlite3_errmsg(handle_));
        const QString text = boundText();
        reset();
        throw StoreError(why + u' ' + quotedStatement(text));
    }

    sqlite3* handle_;
    StatementPtr st_;
    QString text_;
};

class FileBackend : public Backend {
public:
    FileBackend(const QString& path, bool readOnly, bool madeJustNow)
        : Backend(path, openConnection(path, readOnly)), handle_(sqliteHandle(connection())) {
        if (madeJustNow)
            damage_ = QString(); // a new file, sound by construction
    }
    ~FileBackend() override { finalizePrepared(); }

    bool isServer() const override { return false; }
    QString translate(const QString& sql) const override { return translateSql(sql); }
    bool openedReadOnly() const override { return sqlite3_db_readonly(handle_, "main") != 0; }

    // SQLite's quick check reads every page and index of the file: about half a second on a
    // large catalogue, too much for every opening, so it is asked once per connection, before
    // the first write.
    QString damageMessage() override {
        if (damage_)
            return *damage_;
        sqlite3_stmt* raw = nullptr;
        int rc = sqlite3_prepare_v2(handle_, "PRAGMA quick_check(1)", -1, &raw, nullptr);
        QString finding;
        if (rc == SQLITE_OK && (rc = sqlite3_step(raw)) == SQLITE_ROW) {
            finding = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
            rc = SQLITE_OK;
        }
        const QString error = QString::fromUtf8(sqlite3_errmsg(handle_));
        sqlite3_finalize(raw);
        const int primary = rc & 0xff;
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
            return {}; // not known yet: the write itself meets the lock, and the next one asks
        if (rc != SQLITE_OK)
            finding = error; // a damaged file may fail the check itself
        damage_ = finding == QStringLiteral("ok") ? QString() : damagedFileMessage(path, finding);
        return *damage_;
    }

    int execute(const QString& statement) override {
        QSqlQuery q(connection());
        if (!q.exec(statement))
            throw StoreError(q.lastError().text() + u' ' + quotedStatement(statement));
        return q.numRowsAffected();
    }

    // Query results are read straight from the connection's SQLite handle: the same connection
    // and transaction as every other statement, without the copy Qt's result cache makes of
    // each row.
    RecordSet select(const QString& statement) override {
        const StatementPtr owned = prepareStatement(handle_, statement);
        sqlite3_stmt* st = owned.get();
        const int columns = sqlite3_column_count(st);
        auto types = std::vector<std::optional<FieldType>>(size_t(columns));
        for (int c = 0; c < columns; ++c)
            types[size_t(c)] = declaredType(sqlite3_column_decltype(st, c));

        std::vector<std::vector<QVariant>> rows;
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            auto row = std::vector<QVariant>(size_t(columns));
            for (int c = 0; c < columns; ++c) {
                row[size_t(c)] = columnValue(st, c);
                if (!types[size_t(c)] && row[size_t(c)].isValid())
                    types[size_t(c)] = storageType(sqlite3_column_type(st, c));
            }
            rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE)
            throw StoreError(QString::fromUtf8(sqlite3_errmsg(handle_)) + u' ' +
                             quotedStatement(statement));
        refuseCutIntegers(handle_, st, rows, types);
        std::vector<FieldDef> fields;
        for (int c = 0; c < columns; ++c)
            fields.push_back({QString::fromUtf8(sqlite3_column_name(st, c)),
                              types[size_t(c)].value_or(FieldType::Char), 0, true});
        return resultRecordSet(fields, std::move(rows), statement);
    }

    void eachRow(const QString& statement, const std::vector<QVariant>& parameters,
                 const std::function<void(const Database::Row&)>& onRow) override {
        sqlite3_stmt* st = prepared_.value(statement);
        if (!st) {
            // Texts that vary (a list of keys) must not pile up for the life of the connection.
            if (prepared_.size() >= 64)
                finalizePrepared();
            st = prepareStatement(handle_, statement).release();
            prepared_.insert(statement, st);
        }
        ResetOnExit reset{st};
        if (sqlite3_bind_parameter_count(st) != int(parameters.size()))
            throw StoreError(QStringLiteral("La sentencia espera otro número de valores ") +
                             quotedStatement(statement));
        for (size_t i = 0; i < parameters.size(); ++i)
            bindValue(st, int(i) + 1, parameters[i]);
        const int columns = sqlite3_column_count(st);
        Database::Row row = Database::Row(size_t(columns));
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c)
                row[size_t(c)] = columnValue(st, c);
            onRow(row);
        }
        if (rc != SQLITE_DONE)
            throw StoreError(QString::fromUtf8(sqlite3_errmsg(handle_)) + u' ' +
                             quotedStatement(statement));
    }

    std::unique_ptr<PreparedStatementHandle> prepare(const QString& statement) override {
        return std::make_unique<FileStatement>(handle_, prepareStatement(handle_, statement),
                                               statement);
    }

    void setLockWait(std::function<bool(int attempt)> wait) override {
        lockWait = std::move(wait);
        if (lockWait)
            sqlite3_busy_handler(handle_, callLockWait, &lockWait);
        else
            sqlite3_busy_handler(handle_, nullptr, nullptr);
    }

    void begin(Database::Transaction::WriteLock lock) override {
        QSqlDatabase db = connection();
        bool begun = false;
        QString error;
        if (lock == Database::Transaction::WriteLock::Now) {
            traceLine(QStringLiteral("BEGIN IMMEDIATE"));
            QSqlQuery begin(db);
            begun = begin.exec(QStringLiteral("BEGIN IMMEDIATE"));
            error = begin.lastError().text();
        } else {
            traceLine(QStringLiteral("BEGIN"));
            begun = db.transaction();
            error = db.lastError().text();
        }
        if (!begun)
            throw StoreError(QStringLiteral("No se pudo iniciar la transacción: ") + error);
    }

private:
    // Statements still open would keep the connection from closing.
    void finalizePrepared() {
        for (sqlite3_stmt* st : std::as_const(prepared_))
            sqlite3_finalize(st);
        prepared_.clear();
    }

    sqlite3* handle_; // the same connection, for reading query results directly
    QHash<QString, sqlite3_stmt*> prepared_; // statements of forEachRow, by their text
    std::optional<QString> damage_;          // the quick check's answer, once asked
};

} // namespace

std::unique_ptr<Backend> openDatabaseFile(const QString& path, bool readOnly, bool madeJustNow) {
    return std::make_unique<FileBackend>(path, readOnly, madeJustNow);
}

} // namespace store
