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
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <cstdio>
#include <sqlite3.h>

namespace store {

class DatabasePrivate {
public:
    QString path;
    QString connectionName;
    bool trace = qEnvironmentVariableIntValue("DOSIVANT_SQL_TRACE") == 1;
    int failCountdown = 0;
    int transactionDepth = 0;
    bool rollbackOnly = false;

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
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0 ||
        !installUnicodeLike(*static_cast<sqlite3* const*>(handle.constData()))) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw StoreError(QStringLiteral("No se pudo preparar la conexión a ") + path);
    }
    QSqlQuery(db).exec(QStringLiteral("PRAGMA foreign_keys = OFF"));
    return name;
}

FieldType typeOf(QMetaType::Type t) {
    switch (t) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return FieldType::Integer32;
    case QMetaType::Double:
    case QMetaType::Float:
        return FieldType::Double;
    default:
        return FieldType::Char;
    }
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
    const QString translated = translateSql(sql);
    d->checkFault(translated);
    d->traceLine(translated);
    QSqlQuery q(d->connection());
    if (!q.exec(translated))
        throw StoreError(q.lastError().text() + QStringLiteral(" [") + translated + ']');
    return q.numRowsAffected();
}

RecordSet Database::query(const QString& sql) {
    const QString translated = translateSql(sql);
    d->checkFault(translated);
    d->traceLine(translated);
    QSqlQuery q(d->connection());
    q.setForwardOnly(true);
    if (!q.exec(translated))
        throw StoreError(q.lastError().text() + QStringLiteral(" [") + translated + ']');

    const QSqlRecord record = q.record();
    const int columns = record.count();
    std::vector<std::vector<QVariant>> rows;
    while (q.next()) {
        auto row = std::vector<QVariant>(size_t(columns));
        for (int c = 0; c < columns; ++c) {
            const QVariant v = q.value(c);
            if (!v.isNull())
                row[size_t(c)] = v;
        }
        rows.push_back(std::move(row));
    }

    RecordSet rs;
    for (int c = 0; c < columns; ++c) {
        // Expressions such as max(id) carry no declared type: take it from the values.
        auto type = QMetaType::Type(record.field(c).metaType().id());
        if (type == QMetaType::UnknownType || type == QMetaType::QString) {
            for (const auto& row : rows) {
                if (row[size_t(c)].isValid()) {
                    const auto valueType = QMetaType::Type(row[size_t(c)].typeId());
                    if (type == QMetaType::UnknownType || valueType != QMetaType::QString)
                        type = valueType;
                    break;
                }
            }
        }
        rs.appendField(record.fieldName(c), typeOf(type), 0, true);
    }
    for (auto& row : rows) {
        rs.addNew();
        for (int c = 0; c < columns; ++c)
            rs.setValue(c, row[size_t(c)]);
    }
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

Database::Transaction::Transaction(Database& db) : db_(db) {
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
    } else {
        db_.d->rollbackOnly = true; // an inner step gave up: the whole write must not stand
    }
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
