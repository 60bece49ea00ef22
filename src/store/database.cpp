#include "store/database.h"

#include "store/sample_catalogue.h"
#include "store/schema.h"
#include "store/sql_dialect.h"
#include "store/unicode_like.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <cstdio>
#include <optional>
#include <sqlite3.h>

namespace store {

class DatabasePrivate {
public:
    QString path;
    long long statementsRun = 0; // exec() calls: tells a guard whether its step wrote anything
    QString connectionName;
    bool trace = qEnvironmentVariableIntValue("DOSIVANT_SQL_TRACE") == 1;
    int failCountdown = 0;
    int transactionDepth = 0;
    bool rollbackOnly = false;

    sqlite3* handle = nullptr; // the same connection, for reading query results directly

    QSqlDatabase connection() const { return QSqlDatabase::database(connectionName, false); }

    void traceLine(const QString& line) const {
        if (trace)
            std::fprintf(stderr, "SQL: %s\n", line.toUtf8().constData());
    }

    // The test fault switch: counts statements down and fails the one it reaches.
    void checkFault(const QString& sql) {
        if (failCountdown > 0 && --failCountdown == 0)
            throw StoreError(QStringLiteral("Fallo simulado en la sentencia: ") + sql);
    }
};

namespace {

sqlite3* sqliteHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

QString openConnection(const QString& path) {
    const QString name = QStringLiteral("dosivant-") + QUuid::createUuid().toString(QUuid::Id128);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
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
    return name;
}

} // namespace

Database::Database(std::unique_ptr<DatabasePrivate> p) : d(std::move(p)) {}

Database::~Database() {
    const QString name = d->connectionName;
    {
        QSqlDatabase db = d->connection();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

std::unique_ptr<Database> Database::openFile(const QString& path) {
    if (!QFileInfo(path).isFile())
        throw StoreError(QStringLiteral("No se encontró el archivo de base de datos ") + path);
    auto p = std::make_unique<DatabasePrivate>();
    p->path = path;
    p->connectionName = openConnection(path);
    p->handle = sqliteHandle(p->connection());
    auto db = std::unique_ptr<Database>(new Database(std::move(p)));
    // A file that is not a database (or lacks the tables) fails here, not at the first view.
    db->query(QStringLiteral("select max(id_producto) from productos"));
    return db;
}

void Database::createFile(const QString& path, bool withSample) {
    const QFileInfo target(path);
    if (target.exists())
        throw StoreError(QStringLiteral("Ya existe el archivo ") + path +
                         QStringLiteral("; no se sobrescribe."));
    if (!QDir().mkpath(target.absolutePath()))
        throw StoreError(QStringLiteral("No se pudo crear la carpeta ") + target.absolutePath());
    const QString temporary = target.absoluteFilePath() + QStringLiteral(".creando");
    QFile::remove(temporary);
    try {
        auto p = std::make_unique<DatabasePrivate>();
        p->path = temporary;
        p->connectionName = openConnection(temporary);
        p->handle = sqliteHandle(p->connection());
        Database db(std::move(p));
        Transaction tx(db);
        for (const QString& statement : schemaStatements())
            db.exec(statement);
        if (withSample)
            loadSampleCatalogue(db);
        tx.commit();
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    if (!QFile::rename(temporary, target.absoluteFilePath())) {
        QFile::remove(temporary);
        throw StoreError(QStringLiteral("No se pudo crear el archivo ") + path);
    }
}

QString Database::path() const {
    return d->path;
}

int Database::exec(const QString& sql) {
    ++d->statementsRun;
    const QString translated = translateSql(sql);
    d->checkFault(translated);
    d->traceLine(translated);
    QSqlQuery q(d->connection());
    if (!q.exec(translated))
        throw StoreError(q.lastError().text() + QStringLiteral(" [") + translated + ']');
    return q.numRowsAffected();
}

namespace {

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

} // namespace

// Query results are read straight from the connection's SQLite handle: the same connection and
// transaction as every other statement, without the copy Qt's result cache makes of each row.
RecordSet Database::query(const QString& sql) {
    const QString translated = translateSql(sql);
    d->checkFault(translated);
    d->traceLine(translated);
    const QByteArray text = translated.toUtf8();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(d->handle, text.constData(), int(text.size()), &st, nullptr) !=
        SQLITE_OK) {
        const QString error = QString::fromUtf8(sqlite3_errmsg(d->handle));
        sqlite3_finalize(st);
        throw StoreError(error + QStringLiteral(" [") + translated + ']');
    }
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
    RecordSet rs;
    for (int c = 0; c < columns; ++c)
        rs.appendField(QString::fromUtf8(sqlite3_column_name(st, c)),
                       types[size_t(c)].value_or(FieldType::Char), 0, true);
    const QString error =
        rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(d->handle));
    sqlite3_finalize(st);
    if (!error.isEmpty())
        throw StoreError(error + QStringLiteral(" [") + translated + ']');

    for (auto& row : rows)
        rs.appendRow(std::move(row));
    if (rs.count() > 0)
        rs.moveFirst();
    return rs;
}

int Database::nextKey(const QString& table, const QString& column) {
    RecordSet rs =
        query(QStringLiteral("select max(") + column + QStringLiteral(") from ") + table);
    if (rs.count() == 0)
        throw StoreError(QStringLiteral("No se pudo recuperar el id"));
    rs.moveFirst();
    const QVariant v = rs.value(0);
    return v.isValid() ? v.toInt() + 1 : 1;
}

void Database::failStatementAfter(int n) {
    d->failCountdown = n;
}

Database::Transaction::Transaction(Database& db)
    : db_(db), statementsAtStart_(db.d->statementsRun) {
    if (db_.d->transactionDepth++ == 0) {
        outermost_ = true;
        db_.d->rollbackOnly = false;
        db_.d->traceLine(QStringLiteral("BEGIN"));
        if (!db_.d->connection().transaction()) {
            --db_.d->transactionDepth;
            throw StoreError(QStringLiteral("No se pudo iniciar la transacción: ") +
                             db_.d->connection().lastError().text());
        }
    }
}

Database::Transaction::~Transaction() {
    if (done_)
        return;
    --db_.d->transactionDepth;
    if (outermost_) {
        db_.d->traceLine(QStringLiteral("ROLLBACK"));
        db_.d->connection().rollback();
    } else if (db_.d->statementsRun != statementsAtStart_) {
        db_.d->rollbackOnly = true; // an inner step gave up: the whole write must not stand
    }
    // An inner step that gave up before running any statement (a refused check) has nothing to
    // undo, and the outer write may go on, as when an editor refuses a value and the user
    // corrects it within the same save.
}

void Database::Transaction::commit() {
    if (done_)
        return;
    done_ = true;
    --db_.d->transactionDepth;
    if (!outermost_)
        return;
    if (db_.d->rollbackOnly) {
        db_.d->traceLine(QStringLiteral("ROLLBACK"));
        db_.d->connection().rollback();
        throw StoreError(QStringLiteral("La operación no se completó y fue deshecha."));
    }
    db_.d->traceLine(QStringLiteral("COMMIT"));
    if (!db_.d->connection().commit()) {
        const QString error = db_.d->connection().lastError().text();
        db_.d->traceLine(QStringLiteral("ROLLBACK"));
        db_.d->connection().rollback();
        throw StoreError(QStringLiteral("No se pudo confirmar la operación: ") + error);
    }
}

} // namespace store
