#include "store/database.h"

#include "store/added_tables.h"
#include "store/backend.h"
#include "store/database_files.h"
#include "store/file_backend.h"
#include "store/file_creation.h"
#include "store/opening_checks.h"
#include "store/quoted_statement.h"
#include "store/read_only.h"
#include "store/revisions.h"
#include "store/schema.h"
#include "store/server_address.h"
#include "store/server_backend.h"
#include "store/server_dialect.h"
#include "store/sql_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <limits>
#include <optional>

namespace store {

Database::Database(std::unique_ptr<Backend> backend) : d(std::move(backend)) {}

Database::~Database() = default;

std::unique_ptr<Database> Database::openFile(const QString& path, OpenMode mode) {
    if (isServerAddress(path)) {
        auto db = openServer(path);
        if (mode == OpenMode::ReadOnly)
            readOnlyTransactions(*db);
        return db;
    }
    if (!QFileInfo(path).isFile())
        throw StoreError(QStringLiteral("No se encontró el archivo de base de datos ") + path);
    const bool readOnly = mode == OpenMode::ReadOnly || !QFileInfo(path).isWritable();
    auto db = std::unique_ptr<Database>(new Database(openDatabaseFile(path, readOnly)));
    // A file that is not a database fails here, not at the first view.
    db->query(QStringLiteral("select count(*) from sqlite_master"));
    checkTablesAndColumns(*db);
    if (!readOnly)
        createAddedTables(*db);
    // A file that is read-only after all is used as it is.
    if (!db->d->openedReadOnly())
        createMissingIndexes(*db);
    // A command that only reads never writes, not even the table of change counters: nothing
    // is saved over anything through it.
    if (!readOnly)
        ensureRevisionTable(*db);
    return db;
}

namespace {

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
            Database db(openDatabaseFile(temporary, false, true));
            fillNewDatabase(db, schemaStatements(), withSample, finish);
        }
        if (!moveIntoFreePath(temporary, target.absoluteFilePath()))
            throw fileExists(path);
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
}

// A team database on a server: the same checks as a file, on the server's catalogue.
std::unique_ptr<Database> Database::openServer(const QString& url) {
    auto db = std::unique_ptr<Database>(new Database(openServerBackend(url)));
    checkTablesAndColumns(*db);
    createAddedTables(*db);
    createMissingServerIndexes(*db);
    ensureRevisionTable(*db);
    return db;
}

void Database::createServer(const QString& url, bool withSample,
                            const std::function<void(Database&)>& finish) {
    Database db(openServerBackend(url));
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
    return d->isServer();
}

QString Database::path() const {
    return d->path;
}

QString Database::damageMessage() {
    return d->damageMessage();
}

int Database::exec(const QString& sql) {
    d->refuseWriteToDamagedFile();
    ++d->statementsRun;
    const QString translated = d->translate(sql);
    if (d->faultDue())
        throw Backend::simulatedFault(translated);
    d->traceLine(translated);
    return d->execute(translated);
}

RecordSet Database::query(const QString& sql) {
    const QString translated = d->translate(sql);
    if (d->faultDue())
        throw Backend::simulatedFault(translated);
    d->traceLine(translated);
    return d->select(translated);
}

void Database::forEachRow(const QString& sql, const std::vector<QVariant>& parameters,
                          const std::function<void(const Row&)>& onRow) {
    const QString translated = d->translate(sql);
    if (d->faultDue())
        throw Backend::simulatedFault(translated);
    if (d->trace) {
        QStringList values;
        for (const QVariant& v : parameters)
            values << (v.isValid() ? v.toString() : QStringLiteral("Null"));
        d->traceLine(translated + QStringLiteral(" <- ") + values.join(','));
    }
    d->eachRow(translated, parameters, onRow);
}

PreparedStatement Database::prepare(const QString& sql) {
    return PreparedStatement(d.get(), d->prepare(d->translate(sql)));
}

PreparedStatement::PreparedStatement(Backend* db, std::unique_ptr<PreparedStatementHandle> handle)
    : db_(db), h_(std::move(handle)) {}

PreparedStatement::~PreparedStatement() = default;
PreparedStatement::PreparedStatement(PreparedStatement&& other) noexcept = default;
PreparedStatement& PreparedStatement::operator=(PreparedStatement&& other) noexcept = default;

int PreparedStatement::parameterCount() const {
    return h_->parameterCount();
}

void PreparedStatement::fail(const QString& why) {
    const QString text = boundText();
    reset();
    throw StoreError(why + u' ' + quotedStatement(text));
}

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
    return bindChecked(index, QVariant(value));
}

PreparedStatement& PreparedStatement::bind(int index, qlonglong value) {
    return bindChecked(index, QVariant(value));
}

PreparedStatement& PreparedStatement::bind(int index, const QString& value) {
    return bindChecked(index, QVariant(value));
}

PreparedStatement& PreparedStatement::bindNull(int index) {
    return bindChecked(index, QVariant());
}

PreparedStatement& PreparedStatement::bindChecked(int index, const QVariant& value) {
    if (!h_->bind(index, value))
        fail(QStringLiteral("No existe el parámetro %1").arg(index));
    return *this;
}

QString PreparedStatement::boundText() const {
    return h_->boundText();
}

// A run: counted by the fault switch and traced with its values, as exec() and query() are.
void PreparedStatement::start() {
    if (db_->faultDue()) {
        const QString text = boundText();
        reset();
        throw Backend::simulatedFault(text);
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
    running_ = false;
    return h_->execute();
}

bool PreparedStatement::next() {
    if (!running_)
        start();
    try {
        if (h_->next())
            return true;
    } catch (...) {
        running_ = false; // the handle is reset: the next call runs the statement again
        throw;
    }
    running_ = false;
    return false;
}

QVariant PreparedStatement::value(int column) const {
    return running_ ? h_->value(column) : QVariant();
}

void PreparedStatement::reset() {
    if (!h_)
        return;
    h_->reset();
    running_ = false;
}

int Database::nextKey(const QString& table, const QString& column) {
    d->lockKey(table, column);
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

void Database::setLockWait(std::function<bool(int attempt)> wait) {
    d->setLockWait(std::move(wait));
}

void Database::failStatementAfter(int n) {
    d->failCountdown = n;
}

Database::Transaction::Transaction(Database& db, WriteLock lock)
    : db_(db), statementsAtStart_(db.d->statementsRun) {
    if (db_.d->transactionDepth++ == 0) {
        outermost_ = true;
        db_.d->rollbackOnly = false;
        try {
            db_.d->begin(lock);
        } catch (...) {
            --db_.d->transactionDepth;
            throw;
        }
    }
}

Database::Transaction::~Transaction() {
    if (done_)
        return;
    --db_.d->transactionDepth;
    if (outermost_) {
        db_.d->traceLine(QStringLiteral("ROLLBACK"));
        db_.d->rollback();
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
        db_.d->rollback();
        throw StoreError(QStringLiteral("La operación no se completó y fue deshecha."));
    }
    db_.d->traceLine(QStringLiteral("COMMIT"));
    QString error;
    if (!db_.d->commit(&error)) {
        db_.d->traceLine(QStringLiteral("ROLLBACK"));
        db_.d->rollback();
        throw StoreError(QStringLiteral("No se pudo confirmar la operación: ") + error);
    }
}

} // namespace store
