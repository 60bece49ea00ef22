#include "import/remote_source.h"

#include "import/access_file.h"
#include "import/file_dsn.h"
#include "store/database.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QUuid>
#include <sqlite3.h>

namespace import {

namespace {

const QStringList kTables = {QStringLiteral("productos"), QStringLiteral("propiedades"),
                             QStringLiteral("producto_propiedad")};

// One query per table that names every column the import reads: a source missing one is
// refused when it is opened, before anything is written.
const QStringList kShapeChecks = {
    QStringLiteral("select id_producto,codigo,nombre,unidad,costo,materia_seca from productos "
                   "where 0"),
    QStringLiteral("select id_propiedad,nombre,unidad from propiedades where 0"),
    QStringLiteral("select id_producto,id_propiedad,valor from producto_propiedad where 0"),
};

bool isSqliteFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(16) == QByteArray("SQLite format 3\0", 16);
}

void closeConnection(const QString& name) {
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// A read-only connection to a SQLite file with the three tables, or an empty name.
QString openReadOnly(const QString& path) {
    const QString name =
        QStringLiteral("dosivant-remote-") + QUuid::createUuid().toString(QUuid::Id128);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        bool usable = db.open();
        for (const QString& check : kShapeChecks) {
            if (!usable)
                break;
            QSqlQuery q(db);
            usable = q.exec(check);
        }
        if (usable) {
            // The compositions are read in nutrient order through an index, so table pages
            // are visited out of order: map the file rather than reading it page by page.
            QSqlQuery(db).exec(QStringLiteral("PRAGMA mmap_size=1073741824"));
            return name;
        }
    }
    closeConnection(name);
    return {};
}

// The query without a closing ORDER BY, which never changes how many rows there are. Counted
// with it, SQLite reads every row through the order's index: a second whole pass over a
// catalogue's compositions before the first row is read.
QString withoutOrder(const QString& sql) {
    const int at = int(sql.lastIndexOf(QStringLiteral(" ORDER BY "), -1, Qt::CaseInsensitive));
    if (at < 0)
        return sql;
    const QStringView tail = QStringView(sql).mid(at);
    if (tail.contains(u')') || tail.contains(u'\'') || tail.contains(u'"'))
        return sql; // not a closing clause of the outer query
    return sql.left(at);
}

} // namespace

// The rows are read straight from SQLite, so that a value comes as it is stored: Qt's driver
// would turn bytes that are not UTF-8 into U+FFFD, and the import would store a changed text.
struct RemoteSource::Rows::Query {
    ~Query() { sqlite3_finalize(st); }
    sqlite3_stmt* st = nullptr;
};

RemoteSource::Rows::Rows(std::unique_ptr<Query> q, int count) : q_(std::move(q)), count_(count) {}
RemoteSource::Rows::~Rows() = default;
RemoteSource::Rows::Rows(Rows&&) noexcept = default;

bool RemoteSource::Rows::next() {
    const int rc = sqlite3_step(q_->st);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        throw store::StoreError(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(q_->st))));
    return false;
}

QVariant RemoteSource::Rows::value(int column) const {
    sqlite3_stmt* st = q_->st;
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(st, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(st, column));
    case SQLITE_TEXT: {
        const QByteArray bytes(reinterpret_cast<const char*>(sqlite3_column_text(st, column)),
                               sqlite3_column_bytes(st, column));
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(bytes);
        return utf8.hasError() ? QVariant(bytes) : QVariant(text);
    }
    default:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(st, column)),
                                   sqlite3_column_bytes(st, column)));
    }
}

QString dsnFileOf(const QString& connectionText) {
    static const QString key = QStringLiteral("FILEDSN=");
    const int at = connectionText.indexOf(key, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    const int start = at + int(key.size());
    const int end = connectionText.indexOf(u';', start);
    return connectionText.mid(start, end < 0 ? -1 : end - start);
}

std::unique_ptr<RemoteSource> RemoteSource::open(const QString& connectionText) {
    const auto dsn = readDsn(dsnFileOf(connectionText));
    if (!dsn)
        return nullptr;
    return openFile(dsn->dbq);
}

std::unique_ptr<RemoteSource> RemoteSource::openFile(const QString& path) {
    if (!QFileInfo(path).isFile())
        return nullptr;
    if (isSqliteFile(path)) {
        const QString name = openReadOnly(path);
        if (name.isEmpty())
            return nullptr;
        return std::unique_ptr<RemoteSource>(new RemoteSource(name, nullptr));
    }
    if (isAccessFile(path)) {
        auto dir = std::make_unique<QTemporaryDir>();
        if (!dir->isValid())
            return nullptr;
        const QString copy = dir->filePath(QStringLiteral("origen.db"));
        try {
            copyAccessTables(path, copy, kTables);
        } catch (const AccessError&) {
            return nullptr;
        }
        const QString name = openReadOnly(copy);
        if (name.isEmpty())
            return nullptr;
        return std::unique_ptr<RemoteSource>(new RemoteSource(name, std::move(dir)));
    }
    return nullptr;
}

RemoteSource::RemoteSource(QString connectionName, std::unique_ptr<QTemporaryDir> copyDir)
    : connectionName_(std::move(connectionName)), copyDir_(std::move(copyDir)) {}

RemoteSource::~RemoteSource() {
    closeConnection(connectionName_);
}

RemoteSource::Rows RemoteSource::query(const QString& sql) {
    const QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    // The row count is asked first; the rows themselves are then read once, forward only.
    QSqlQuery counter(db);
    if (!counter.exec(QStringLiteral("select count(*) from (") + withoutOrder(sql) + u')') ||
        !counter.next())
        throw store::StoreError(counter.lastError().text() + QStringLiteral(" [") + sql + u']');
    const int count = counter.value(0).toInt();
    counter.finish();

    auto q = std::make_unique<Rows::Query>();
    const QVariant handle = db.driver()->handle();
    sqlite3* connection = qstrcmp(handle.typeName(), "sqlite3*") == 0
                              ? *static_cast<sqlite3* const*>(handle.constData())
                              : nullptr;
    const QByteArray text = sql.toUtf8();
    if (!connection || sqlite3_prepare_v2(connection, text.constData(), int(text.size()), &q->st,
                                          nullptr) != SQLITE_OK)
        throw store::StoreError(
            (connection ? QString::fromUtf8(sqlite3_errmsg(connection)) : QString()) +
            QStringLiteral(" [") + sql + u']');
    return Rows(std::move(q), count);
}

} // namespace import
