#include "store/database.h"

#include "store/added_tables.h"
#include "store/database_files.h"
#include "store/quoted_statement.h"
#include "store/read_only.h"
#include "store/revisions.h"
#include "store/sample_catalogue.h"
#include "store/schema.h"
#include "store/server_address.h"
#include "store/server_connection.h"
#include "store/server_dialect.h"
#include "store/sql_dialect.h"
#include "store/sql_text.h"
#include "store/stored_values.h"
#include "store/unicode_like.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

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
    std::function<bool(int)> lockWait;
    bool server = false; // a PostgreSQL server instead of a file: no SQLite handle

    // The program's SQL text in the dialect of the engine behind the connection.
    QString translate(const QString& sql) const {
        const QString text = translateSql(sql);
        return server ? translateForServer(text) : text;
    }
    QHash<QString, sqlite3_stmt*> prepared; // statements of forEachRow, by their text
    std::optional<QString> damage;          // the quick check's answer, once asked

    // SQLite's quick check reads every page and index of the file: about half a second on a
    // large catalogue, too much for every opening, so it is asked once per connection, before
    // the first write.
    QString checkDamage() {
        if (server)
            return {}; // the server keeps its own pages; there is no file to check
        if (damage)
            return *damage;
        sqlite3_stmt* raw = nullptr;
        int rc = sqlite3_prepare_v2(handle, "PRAGMA quick_check(1)", -1, &raw, nullptr);
        QString finding;
        if (rc == SQLITE_OK && (rc = sqlite3_step(raw)) == SQLITE_ROW) {
            finding = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
            rc = SQLITE_OK;
        }
        const QString error = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(raw);
        const int primary = rc & 0xff;
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
            return {}; // not known yet: the write itself meets the lock, and the next one asks
        if (rc != SQLITE_OK)
            finding = error; // a damaged file may fail the check itself
        damage = finding == QStringLiteral("ok") ? QString() : damagedFileMessage(path, finding);
        return *damage;
    }
    void refuseWriteToDamagedFile() {
        const QString message = checkDamage();
        if (!message.isEmpty())
            throw DamagedFileError(message);
    }

    ~DatabasePrivate() { finalizePrepared(); }

    // Statements still open would keep the connection from closing.
    void finalizePrepared() {
        for (sqlite3_stmt* st : std::as_const(prepared))
            sqlite3_finalize(st);
        prepared.clear();
    }

    QSqlDatabase connection() const { return QSqlDatabase::database(connectionName, false); }

    void traceLine(const QString& line) const {
        if (trace)
            std::fprintf(stderr, "SQL: %s\n", line.toUtf8().constData());
    }

    // The test fault switch: counts statements down and tells whether this one must fail.
    bool faultDue() { return failCountdown > 0 && --failCountdown == 0; }
    static StoreError simulatedFault(const QString& sql) {
        return StoreError(QStringLiteral("Fallo simulado en la sentencia: ") + sql);
    }
    void checkFault(const QString& sql) {
        if (faultDue())
            throw simulatedFault(sql);
    }
};

namespace {

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

} // namespace

Database::Database(std::unique_ptr<DatabasePrivate> p) : d(std::move(p)) {}

Database::~Database() {
    d->finalizePrepared();
    const QString name = d->connectionName;
    {
        QSqlDatabase db = d->connection();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

namespace {

// Every table and column the program reads must be there, so that a file made by another tool
// fails here with a message that names what is missing rather than later, in the middle of a
// view or a run.
void checkTablesAndColumns(Database& db) {
    for (const TableColumns& t : schemaTables()) {
        RecordSet info = db.query(QStringLiteral("PRAGMA table_info(") + t.table + ')');
        if (info.count() == 0 && t.addedLater)
            continue; // made after this check when the database can be written
        if (info.count() == 0)
            throw StoreError(QStringLiteral("La base de datos no tiene la tabla %1.").arg(t.table));
        QStringList present;
        for (info.moveFirst(); !info.eof(); info.moveNext())
            present << info.toString(QStringLiteral("name"));
        for (const QString& column : t.columns)
            if (!present.contains(column, Qt::CaseInsensitive) && !isAddedColumn(t.table, column))
                throw StoreError(
                    QStringLiteral("La tabla %1 de la base de datos no tiene la columna %2.")
                        .arg(t.table, column));
    }
    for (const ForbiddenColumn& f : forbiddenColumns()) {
        RecordSet info = db.query(QStringLiteral("PRAGMA table_info(") + f.table + ')');
        for (info.moveFirst(); !info.eof(); info.moveNext())
            if (info.toString(QStringLiteral("name")).compare(f.column, Qt::CaseInsensitive) == 0)
                throw StoreError(QStringLiteral("La tabla %1 de la base de datos tiene una columna "
                                                "%2 que repite la de la tabla %3; quítela para "
                                                "usar el archivo.")
                                     .arg(f.table, f.column, f.joinedTable));
    }
}

// The index statements of the schema whose index the file lacks.
QStringList missingIndexStatements(Database& db) {
    static const QRegularExpression indexName(QStringLiteral("INDEX IF NOT EXISTS (\\w+) "));
    QStringList present;
    RecordSet rs = db.query(QStringLiteral("select name from sqlite_master where type='index'"));
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        present << rs.toString(QStringLiteral("name"));
    QStringList missing;
    for (const QString& statement : schemaIndexStatements())
        if (!present.contains(indexName.match(statement).captured(1), Qt::CaseInsensitive))
            missing << statement;
    return missing;
}

// A file made by another tool or an old installation may lack the indexes, and then every
// composition query reads the whole table. A read-only file is used as it is, and a file that
// has them all is not written at all.
void createMissingIndexes(Database& db, sqlite3* handle) {
    if (sqlite3_db_readonly(handle, "main") != 0)
        return;
    const QStringList missing = missingIndexStatements(db);
    if (missing.isEmpty())
        return;
    try {
        Database::Transaction tx(db);
        for (const QString& statement : missing) {
            try {
                db.exec(statement);
            } catch (const StoreError&) {
                // Rows that break a unique index of the schema: the file still works without it.
            }
        }
        tx.commit();
    } catch (const StoreError&) {
        // Locked or not writable after all: the indexes only make it faster.
    }
}

// A new database, file or server, gets its tables, the change counters, the sample catalogue
// when asked and the caller's last step, all in one transaction.
void fillNewDatabase(Database& db, const QStringList& schema, bool withSample,
                     const std::function<void(Database&)>& finish) {
    Database::Transaction tx(db);
    for (const QString& statement : schema)
        db.exec(statement);
    ensureRevisionTable(db);
    if (withSample)
        loadSampleCatalogue(db);
    if (finish)
        finish(db);
    tx.commit();
}

} // namespace

std::unique_ptr<Database> Database::openFile(const QString& path, OpenMode mode) {
    if (isServerAddress(path)) {
        auto db = openServer(path);
        if (mode == OpenMode::ReadOnly)
            readOnlyTransactions(*db);
        return db;
    }
    if (!QFileInfo(path).isFile())
        throw StoreError(QStringLiteral("No se encontró el archivo de base de datos ") + path);
    auto p = std::make_unique<DatabasePrivate>();
    p->path = path;
    const bool readOnly = mode == OpenMode::ReadOnly || !QFileInfo(path).isWritable();
    p->connectionName = openConnection(path, readOnly);
    p->handle = sqliteHandle(p->connection());
    auto db = std::unique_ptr<Database>(new Database(std::move(p)));
    // A file that is not a database fails here, not at the first view.
    db->query(QStringLiteral("select count(*) from sqlite_master"));
    checkTablesAndColumns(*db);
    if (!readOnly)
        createAddedTables(*db);
    createMissingIndexes(*db, db->d->handle);
    // A command that only reads never writes, not even the table of change counters: nothing
    // is saved over anything through it.
    if (!readOnly)
        ensureRevisionTable(*db);
    return db;
}

QString Database::damageMessage() {
    return d->checkDamage();
}

namespace {

// Whether the open file `fd` is still the file at `path` (not removed or replaced meanwhile).
bool sameFile(int fd, const QString& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// A new, empty file of our own next to the target, which another run can never pick, held
// locked (flock) for as long as this object lives. The lock ends with the process however it
// ends, so a file of our naming that nobody holds locked was left by a run that was killed.
class OwnedTemporary {
public:
    explicit OwnedTemporary(const QString& target) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString name = target + '.' +
                                 QUuid::createUuid().toString(QUuid::Id128).left(12) +
                                 QStringLiteral(".creando");
            const int fd = ::open(QFile::encodeName(name).constData(),
                                  O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
            if (fd < 0) {
                if (errno != EEXIST)
                    break;
                continue;
            }
            // Another run's clean-up may have taken the new file for a dead one between its
            // creation and the lock: then it is gone, and another name is tried.
            if (::flock(fd, LOCK_EX) == 0 && sameFile(fd, name)) {
                name_ = name;
                fd_ = fd;
                return;
            }
            ::close(fd);
        }
        throw StoreError(QStringLiteral("No se pudo crear un archivo temporal junto a ") + target);
    }
    ~OwnedTemporary() { ::close(fd_); }
    OwnedTemporary(const OwnedTemporary&) = delete;
    OwnedTemporary& operator=(const OwnedTemporary&) = delete;

    const QString& name() const { return name_; }

private:
    QString name_;
    int fd_ = -1;
};

// Moves `from` to `to` only while `to` does not exist: true when moved, false when `to` exists.
bool moveIntoFreePath(const QString& from, const QString& to) {
    const QByteArray f = QFile::encodeName(from), t = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // File systems without the no-replace rename: a hard link fails on an existing name too.
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        if (::link(f.constData(), t.constData()) == 0) {
            ::unlink(f.constData());
            return true;
        }
        if (errno == EEXIST)
            return false;
        // Nor hard links (some network and removable file systems): look, then rename.
        if (errno == EPERM || errno == ENOTSUP || errno == ENOSYS) {
            if (QFileInfo::exists(to))
                return false;
            if (::rename(f.constData(), t.constData()) == 0)
                return true;
        }
    }
    throw StoreError(QStringLiteral("No se pudo crear el archivo ") + to + ": " +
                     QString::fromLocal8Bit(std::strerror(errno)));
}

// The temporaries of runs that were killed: "<target>.<12 hex digits>.creando" (the names of
// OwnedTemporary) that no run holds locked, with their journals, and journals left without
// their file. The user's own "<target>.creando" has no such name, and a run under way holds its
// file locked until the file is in place.
void removeStaleTemporaries(const QString& target) {
    const QFileInfo t(target);
    const QDir dir = t.dir();
    static const QStringList kCompanions = {QStringLiteral("-journal"), QStringLiteral("-wal"),
                                            QStringLiteral("-shm")};
    const QRegularExpression ours(
        QStringLiteral("^(") + QRegularExpression::escape(t.fileName()) +
        QStringLiteral("\\.[0-9a-f]{12}\\.creando)(-journal|-wal|-shm)?$"));
    QStringList stems;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (const auto m = ours.match(name); m.hasMatch() && !stems.contains(m.captured(1)))
            stems << m.captured(1);
    for (const QString& stemName : std::as_const(stems)) {
        const QString stem = dir.filePath(stemName);
        const int fd = ::open(QFile::encodeName(stem).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            const bool dead = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, stem);
            if (dead)
                QFile::remove(stem);
            ::close(fd);
            if (!dead)
                continue; // in use: a run under way holds it
        } else if (QFileInfo::exists(stem)) {
            continue; // not ours to judge
        }
        // A run keeps its journals only while its file is there: without it they are left over.
        for (const QString& companion : kCompanions)
            QFile::remove(stem + companion);
    }
}

FileExistsError fileExists(const QString& path) {
    return FileExistsError(QStringLiteral("Ya existe el archivo ") + path +
                           QStringLiteral("; no se sobrescribe."));
}

} // namespace

void Database::createFile(const QString& path, bool withSample,
                          const std::function<void(Database&)>& finish) {
    if (isServerAddress(path))
        return createServer(path, withSample, finish);
    const QFileInfo target(path);
    if (target.exists())
        throw fileExists(path);
    if (!QDir().mkpath(target.absolutePath()))
        throw StoreError(QStringLiteral("No se pudo crear la carpeta ") + target.absolutePath());
    if (const QString problem = databaseFileProblem(path); !problem.isEmpty())
        throw StoreError(problem);
    removeStaleTemporaries(target.absoluteFilePath());
    const OwnedTemporary owned(target.absoluteFilePath());
    const QString& temporary = owned.name();
    try {
        {
            auto p = std::make_unique<DatabasePrivate>();
            p->path = temporary;
            p->connectionName = openConnection(temporary, false);
            p->handle = sqliteHandle(p->connection());
            p->damage = QString(); // a new file, sound by construction
            Database db(std::move(p));
            fillNewDatabase(db, schemaStatements(), withSample, finish);
        }
        if (!moveIntoFreePath(temporary, target.absoluteFilePath()))
            throw fileExists(path);
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
}

QString Database::path() const {
    return d->path;
}

int Database::exec(const QString& sql) {
    d->refuseWriteToDamagedFile();
    ++d->statementsRun;
    const QString translated = d->translate(sql);
    d->checkFault(translated);
    d->traceLine(translated);
    if (d->server)
        return serverWrite(d->connection(), translated);
    QSqlQuery q(d->connection());
    if (!q.exec(translated))
        throw StoreError(q.lastError().text() + u' ' + quotedStatement(translated));
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

} // namespace

// Query results are read straight from the connection's SQLite handle: the same connection and
// transaction as every other statement, without the copy Qt's result cache makes of each row.
RecordSet Database::query(const QString& sql) {
    const QString translated = d->translate(sql);
    d->checkFault(translated);
    d->traceLine(translated);
    if (d->server)
        return serverQuery(d->connection(), translated);
    const StatementPtr owned = prepareStatement(d->handle, translated);
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
        throw StoreError(QString::fromUtf8(sqlite3_errmsg(d->handle)) + u' ' +
                         quotedStatement(translated));
    refuseCutIntegers(d->handle, st, rows, types);
    RecordSet rs;
    try {
        for (int c = 0; c < columns; ++c)
            rs.appendField(QString::fromUtf8(sqlite3_column_name(st, c)),
                           types[size_t(c)].value_or(FieldType::Char), 0, true);
        for (auto& row : rows)
            rs.appendRow(std::move(row));
    } catch (const RecordSetError& e) {
        throw StoreError(
            QStringLiteral("La consulta devuelve un resultado que no se puede leer (") +
            QString::fromUtf8(e.what()) + QStringLiteral(") ") + quotedStatement(translated));
    }
    if (rs.count() > 0)
        rs.moveFirst();
    return rs;
}

namespace {

void bindParameter(sqlite3_stmt* st, int index, const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        sqlite3_bind_int64(st, index, v.toLongLong());
        break;
    case QMetaType::Double:
        sqlite3_bind_double(st, index, v.toDouble());
        break;
    case QMetaType::UnknownType:
        sqlite3_bind_null(st, index);
        break;
    default: {
        const QByteArray text = v.toString().toUtf8();
        sqlite3_bind_text(st, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
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

} // namespace

void Database::forEachRow(const QString& sql, const std::vector<QVariant>& parameters,
                          const std::function<void(const Row&)>& onRow) {
    const QString translated = d->translate(sql);
    d->checkFault(translated);
    if (d->trace) {
        QStringList values;
        for (const QVariant& v : parameters)
            values << (v.isValid() ? v.toString() : QStringLiteral("Null"));
        d->traceLine(translated + QStringLiteral(" <- ") + values.join(','));
    }
    if (d->server)
        return serverRows(d->connection(), withParameters(translated, parameters), onRow);
    sqlite3_stmt* st = d->prepared.value(translated);
    if (!st) {
        // Texts that vary (a list of keys) must not pile up for the life of the connection.
        if (d->prepared.size() >= 64)
            d->finalizePrepared();
        st = prepareStatement(d->handle, translated).release();
        d->prepared.insert(translated, st);
    }
    ResetOnExit reset{st};
    if (sqlite3_bind_parameter_count(st) != int(parameters.size()))
        throw StoreError(QStringLiteral("La sentencia espera otro número de valores ") +
                         quotedStatement(translated));
    for (size_t i = 0; i < parameters.size(); ++i)
        bindParameter(st, int(i) + 1, parameters[i]);
    const int columns = sqlite3_column_count(st);
    Row row = Row(size_t(columns));
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c)
            row[size_t(c)] = columnValue(st, c);
        onRow(row);
    }
    if (rc != SQLITE_DONE)
        throw StoreError(QString::fromUtf8(sqlite3_errmsg(d->handle)) + u' ' +
                         quotedStatement(translated));
}

struct PreparedStatementHandle {
    StatementPtr st; // null on a server: the values are written into the text at each run
    std::vector<QVariant> values;
    std::vector<Database::Row> rows;
    size_t nextRow = 0;
};

PreparedStatement Database::prepare(const QString& sql) {
    const QString translated = d->translate(sql);
    auto handle = std::make_unique<PreparedStatementHandle>();
    if (!d->server)
        handle->st = prepareStatement(d->handle, translated);
    else // the server checks the text (tables, columns) now, as SQLite does when it parses it
        serverExec(d->connection(),
                   QStringLiteral("EXPLAIN ") +
                       withParameters(translated, std::vector<QVariant>(
                                                      size_t(store::parameterCount(translated)))));
    return PreparedStatement(d.get(), std::move(handle), translated);
}

PreparedStatement::PreparedStatement(DatabasePrivate* db,
                                     std::unique_ptr<PreparedStatementHandle> handle, QString text)
    : db_(db), h_(std::move(handle)), text_(std::move(text)) {}

PreparedStatement::~PreparedStatement() = default;
PreparedStatement::PreparedStatement(PreparedStatement&& other) noexcept = default;
PreparedStatement& PreparedStatement::operator=(PreparedStatement&& other) noexcept = default;

int PreparedStatement::parameterCount() const {
    if (db_->server)
        return store::parameterCount(text_);
    return sqlite3_bind_parameter_count(h_->st.get());
}

void PreparedStatement::fail(const QString& why) {
    const QString text = boundText();
    reset();
    throw StoreError(why + u' ' + quotedStatement(text));
}

namespace {

bool bound(int rc) {
    return rc == SQLITE_OK;
}

} // namespace

PreparedStatement& PreparedStatement::bind(int index, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return bind(index, value.toLongLong());
    case QMetaType::Double:
        return bind(index, value.toDouble());
    case QMetaType::UnknownType:
        return bindNull(index);
    case QMetaType::QString:
        return bind(index, value.toString());
    default:
        fail(QStringLiteral("Valor de un tipo que no se puede guardar (%1) en el parámetro %2")
                 .arg(QString::fromLatin1(value.typeName()))
                 .arg(index));
    }
}

PreparedStatement& PreparedStatement::bind(int index, double value) {
    if (!std::isfinite(value))
        fail(QStringLiteral("Número no válido en el parámetro %1").arg(index));
    if (db_->server)
        return bindOnServer(index, QVariant(value));
    if (!bound(sqlite3_bind_double(h_->st.get(), index, value)))
        fail(QStringLiteral("No existe el parámetro %1").arg(index));
    return *this;
}

PreparedStatement& PreparedStatement::bind(int index, qlonglong value) {
    if (db_->server)
        return bindOnServer(index, QVariant(value));
    if (!bound(sqlite3_bind_int64(h_->st.get(), index, value)))
        fail(QStringLiteral("No existe el parámetro %1").arg(index));
    return *this;
}

PreparedStatement& PreparedStatement::bind(int index, const QString& value) {
    if (db_->server)
        return bindOnServer(index, QVariant(value));
    const QByteArray text = value.toUtf8();
    if (!bound(sqlite3_bind_text(h_->st.get(), index, text.constData(), int(text.size()),
                                 SQLITE_TRANSIENT)))
        fail(QStringLiteral("No existe el parámetro %1").arg(index));
    return *this;
}

PreparedStatement& PreparedStatement::bindNull(int index) {
    if (db_->server)
        return bindOnServer(index, QVariant());
    if (!bound(sqlite3_bind_null(h_->st.get(), index)))
        fail(QStringLiteral("No existe el parámetro %1").arg(index));
    return *this;
}

PreparedStatement& PreparedStatement::bindOnServer(int index, const QVariant& value) {
    if (index < 1 || index > parameterCount())
        fail(QStringLiteral("No existe el parámetro %1").arg(index));
    h_->values.resize(size_t(parameterCount()));
    h_->values[size_t(index - 1)] = value;
    return *this;
}

QString PreparedStatement::boundText() const {
    if (db_->server) {
        std::vector<QVariant> values = h_->values;
        values.resize(size_t(parameterCount()));
        return withParameters(text_, values);
    }
    char* expanded = sqlite3_expanded_sql(h_->st.get());
    if (!expanded)
        return text_;
    const QString text = QString::fromUtf8(expanded);
    sqlite3_free(expanded);
    return text;
}

// A run: counted by the fault switch and traced with its values, as exec() and query() are.
void PreparedStatement::start() {
    if (db_->faultDue()) {
        const QString text = boundText();
        reset();
        throw DatabasePrivate::simulatedFault(text);
    }
    if (db_->trace)
        db_->traceLine(boundText());
    running_ = true;
}

int PreparedStatement::execute() {
    if (running_)
        reset();
    db_->refuseWriteToDamagedFile();
    ++db_->statementsRun;
    start();
    if (db_->server) {
        const QString text = boundText();
        reset();
        return serverWrite(db_->connection(), text);
    }
    const int rc = sqlite3_step(h_->st.get());
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        fail(QString::fromUtf8(sqlite3_errmsg(db_->handle)));
    const int changed = sqlite3_changes(db_->handle);
    reset();
    return changed;
}

bool PreparedStatement::next() {
    if (db_->server)
        return nextOnServer();
    if (!running_)
        start();
    const int rc = sqlite3_step(h_->st.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        fail(QString::fromUtf8(sqlite3_errmsg(db_->handle)));
    reset();
    return false;
}

bool PreparedStatement::nextOnServer() {
    if (!running_) {
        const QString text = boundText();
        start();
        h_->rows.clear();
        h_->nextRow = 0;
        serverRows(db_->connection(), text,
                   [&](const Database::Row& row) { h_->rows.push_back(row); });
    }
    if (h_->nextRow < h_->rows.size()) {
        ++h_->nextRow;
        return true;
    }
    reset();
    return false;
}

QVariant PreparedStatement::value(int column) const {
    if (db_->server) {
        if (!running_ || h_->nextRow == 0 || h_->nextRow > h_->rows.size())
            return {};
        const Database::Row& row = h_->rows[h_->nextRow - 1];
        return column >= 0 && size_t(column) < row.size() ? row[size_t(column)] : QVariant();
    }
    if (!running_ || column < 0 || column >= sqlite3_data_count(h_->st.get()))
        return {};
    return columnValue(h_->st.get(), column);
}

void PreparedStatement::reset() {
    if (!h_)
        return;
    if (db_->server) {
        h_->values.clear();
        h_->rows.clear();
        h_->nextRow = 0;
        running_ = false;
        return;
    }
    sqlite3_reset(h_->st.get());
    sqlite3_clear_bindings(h_->st.get());
    running_ = false;
}

int Database::nextKey(const QString& table, const QString& column) {
    if (d->server)
        lockKeyOnServer(table, column);
    // Read as stored (64 bits), so that a maximum past the 32-bit range is seen, not cut.
    std::optional<QVariant> maximum;
    forEachRow(QStringLiteral("select max(") + column + QStringLiteral(") from ") + table, {},
               [&](const Row& row) { maximum = row.at(0); });
    if (!maximum)
        throw StoreError(QStringLiteral("No se pudo recuperar el id"));
    if (!maximum->isValid())
        return 1;
    constexpr qint32 kLargest = std::numeric_limits<qint32>::max();
    bool whole = false;
    const qlonglong top = maximum->toLongLong(&whole);
    if (!whole)
        throw StoreError(QStringLiteral("La mayor clave de la tabla %1 (%2 = %3) no es un número.")
                             .arg(table, column, maximum->toString()));
    if (top < std::numeric_limits<qint32>::min())
        return 1; // every key lies below: 1 is free
    if (top >= kLargest)
        throw KeyRangeError(
            QStringLiteral("No se puede asignar una clave nueva en la tabla %1: su mayor clave "
                           "(%2 = %3) ya es la mayor que admite el programa (%4). Asigne a esa "
                           "fila una clave menor para poder agregar otras.")
                .arg(table, column, maximum->toString(), QString::number(kLargest)));
    return int(top) + 1;
}

namespace {

extern "C" int callLockWait(void* wait, int attempt) {
    return (*static_cast<std::function<bool(int)>*>(wait))(attempt) ? 1 : 0;
}

} // namespace

void Database::setLockWait(std::function<bool(int attempt)> wait) {
    d->lockWait = std::move(wait);
    if (d->server)
        return; // a server makes a writer wait for another's locks by itself
    if (d->lockWait)
        sqlite3_busy_handler(d->handle, callLockWait, &d->lockWait);
    else
        sqlite3_busy_handler(d->handle, nullptr, nullptr);
}

void Database::failStatementAfter(int n) {
    d->failCountdown = n;
}

Database::Transaction::Transaction(Database& db, WriteLock lock)
    : db_(db), statementsAtStart_(db.d->statementsRun) {
    if (db_.d->transactionDepth++ == 0) {
        outermost_ = true;
        db_.d->rollbackOnly = false;
        QSqlDatabase connection = db_.d->connection();
        bool begun = false;
        QString error;
        // A server takes its write locks row by row as the statements run; BEGIN IMMEDIATE is
        // SQLite's alone.
        if (lock == WriteLock::Now && !db_.d->server) {
            db_.d->traceLine(QStringLiteral("BEGIN IMMEDIATE"));
            QSqlQuery begin(connection);
            begun = begin.exec(QStringLiteral("BEGIN IMMEDIATE"));
            error = begin.lastError().text();
        } else {
            db_.d->traceLine(QStringLiteral("BEGIN"));
            begun = connection.transaction();
            error = connection.lastError().text();
            if (!begun && db_.d->server && isConnectionLost(connection.lastError())) {
                --db_.d->transactionDepth;
                throw serverError(connection.lastError(), QStringLiteral("BEGIN"));
            }
        }
        if (!begun) {
            --db_.d->transactionDepth;
            throw StoreError(QStringLiteral("No se pudo iniciar la transacción: ") + error);
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

// A team database on a server: the same checks as a file, on the server's catalogue.
std::unique_ptr<Database> Database::openServer(const QString& url) {
    const ServerAddress address = parseServerAddress(url);
    auto p = std::make_unique<DatabasePrivate>();
    p->path = url;
    p->server = true;
    p->connectionName = openServerConnection(address);
    auto db = std::unique_ptr<Database>(new Database(std::move(p)));
    checkTablesAndColumns(*db);
    createAddedTables(*db);
    createMissingServerIndexes(*db);
    ensureRevisionTable(*db);
    return db;
}

void Database::createServer(const QString& url, bool withSample,
                            const std::function<void(Database&)>& finish) {
    const ServerAddress address = parseServerAddress(url);
    auto p = std::make_unique<DatabasePrivate>();
    p->path = url;
    p->server = true;
    p->connectionName = openServerConnection(address);
    Database db(std::move(p));
    QStringList tables;
    for (const TableColumns& t : schemaTables())
        tables << sql::text(t.table.toLower());
    RecordSet present =
        db.query(QStringLiteral("select table_name from information_schema.tables where "
                                "table_schema=current_schema() and table_name in (") +
                 tables.join(u',') + u')');
    if (present.count() > 0)
        throw FileExistsError(QStringLiteral("La base de datos %1 del servidor ya tiene las tablas "
                                             "del programa (%2); no se sobrescribe.")
                                  .arg(url, present.toString(QStringLiteral("table_name"))));
    fillNewDatabase(db, serverSchemaStatements(), withSample, finish);
}

bool Database::isServer() const {
    return d->server;
}

// A transaction-scoped advisory lock per key column: a second writer waits at this point until
// the first commits or rolls back, and then reads the maximum with the first one's row in it.
// It is part of allocating the key, not a statement of the program: the fault switch skips it.
// Ingredients and nutrients share one lock: a new one of either kind writes a composition row
// for every one of the other kind, so two created at once must see each other, or the pair
// would get no row.
void Database::lockKeyOnServer(const QString& table, const QString& column) {
    const QString t = table.toLower();
    const QString name = t == QStringLiteral("productos") || t == QStringLiteral("propiedades")
                             ? QStringLiteral("producto_propiedad")
                             : t + u'.' + column.toLower();
    const QString lock = QStringLiteral("select pg_advisory_xact_lock(hashtext(") +
                         sql::text(name) + QStringLiteral("))");
    d->traceLine(lock);
    serverExec(d->connection(), lock);
}

} // namespace store
