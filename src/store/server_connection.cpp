#include "store/server_connection.h"

#include "store/backend.h"
#include "store/database.h"
#include "store/quoted_statement.h"
#include "store/server_dialect.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <cmath>

namespace store {

namespace {

const QString kDriver = QStringLiteral("QPSQL");

QString connectFailure(const ServerAddress& a, const QString& error) {
    const QString where =
        a.host.startsWith(u'/')
            ? QStringLiteral("el servidor de base de datos en %1").arg(a.host)
            : QStringLiteral("el servidor de base de datos %1 (puerto %2)").arg(a.host).arg(a.port);
    const QString e = error.toLower();
    QString why;
    if (e.contains(QStringLiteral("timeout")))
        why = QStringLiteral("No respondió %1 en %2 segundos; compruebe la dirección y la red.")
                  .arg(where)
                  .arg(kServerConnectTimeout);
    else if (e.contains(QStringLiteral("password")) || e.contains(QStringLiteral("authentication")))
        why = QStringLiteral("%1 rechazó al usuario \"%2\": falta la contraseña o no es "
                             "correcta. Guárdela en ~/.pgpass (o en el archivo de PGPASSFILE) o "
                             "en la variable PGPASSWORD.")
                  .arg(where, a.user);
    else if (e.contains(QStringLiteral("role")) && e.contains(QStringLiteral("does not exist")))
        why = QStringLiteral("%1 no conoce al usuario \"%2\"; pida al administrador que lo cree.")
                  .arg(where, a.user);
    else if (e.contains(QStringLiteral("database")) && e.contains(QStringLiteral("does not exist")))
        why = QStringLiteral("La base de datos \"%1\" no existe en %2; créela con createdb o pida "
                             "al administrador que la cree.")
                  .arg(a.database, where);
    else
        why = QStringLiteral("No se pudo conectar con %1; compruebe que esté en marcha y que la "
                             "dirección sea correcta.")
                  .arg(where);
    return why + QStringLiteral(" (") + error.trimmed() + u')';
}

void setUp(QSqlDatabase& db, const QString& name) {
    // Texts keep backslashes as typed; notices (an index that exists) are not for the user.
    for (const char* setting : {"SET standard_conforming_strings = on",
                                "SET client_min_messages = warning", "SET DateStyle = ISO"}) {
        QSqlQuery q(db);
        if (!q.exec(QString::fromLatin1(setting)))
            throw StoreError(QStringLiteral("No se pudo preparar la conexión al servidor: ") +
                             q.lastError().text() + QStringLiteral(" [") + name + u']');
    }
}

QVariant stored(const QVariant& v) {
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        return QVariant(v.toLongLong());
    case QMetaType::Bool:
        return QVariant(qlonglong(v.toBool() ? 1 : 0));
    case QMetaType::Double:
    case QMetaType::Float:
        return QVariant(v.toDouble());
    case QMetaType::QDate:
        return QVariant(v.toDate().toString(Qt::ISODate));
    case QMetaType::QDateTime:
        // As a file keeps a moment (sql::dateTime), so both read, sort and copy it alike.
        return QVariant(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
    default:
        return QVariant(v.toString());
    }
}

FieldType fieldType(const QSqlField& f) {
    switch (f.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
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

QString openServerConnection(const ServerAddress& a) {
    if (!QSqlDatabase::isDriverAvailable(kDriver))
        throw StoreError(QStringLiteral("No se encuentra el controlador PostgreSQL de Qt (QPSQL). "
                                        "Instale el paquete libqt6sql6-psql."));
    const QString name =
        QStringLiteral("dosivant-server-") + QUuid::createUuid().toString(QUuid::Id128);
    QSqlDatabase db = QSqlDatabase::addDatabase(kDriver, name);
    db.setHostName(a.host);
    db.setPort(a.port);
    db.setDatabaseName(a.database);
    if (!a.user.isEmpty())
        db.setUserName(a.user);
    // The password is left to the client library: PGPASSWORD or the password file.
    db.setConnectOptions(
        QStringLiteral("connect_timeout=%1;application_name=dosivant").arg(kServerConnectTimeout));
    try {
        if (!db.open())
            throw ServerConnectionError(connectFailure(a, db.lastError().text()));
        setUp(db, a.url());
    } catch (...) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw;
    }
    return name;
}

bool isConnectionLost(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    // A statement that failed without a word from the server: the driver had no server to ask
    // (it stopped, or the connection was closed under the statement).
    if (code.isEmpty() && error.text().trimmed().isEmpty())
        return true;
    if (code.startsWith(QStringLiteral("08")) || code.startsWith(QStringLiteral("57P")))
        return true;
    const QString text = error.text().toLower();
    return text.contains(QStringLiteral("server closed the connection")) ||
           text.contains(QStringLiteral("no connection to the server")) ||
           text.contains(QStringLiteral("terminating connection")) ||
           text.contains(QStringLiteral("connection to server")) ||
           text.contains(QStringLiteral("could not send data"));
}

StoreError serverError(const QSqlError& error, const QString& statement) {
    const QString code = error.nativeErrorCode();
    const QString reason = error.text().trimmed();
    const QString detail =
        (reason.isEmpty() ? QString() : reason + u' ') + quotedStatement(statement);
    if (isConnectionLost(error))
        return StoreError(QStringLiteral("Se perdió la conexión con el servidor de base de datos; "
                                         "el servidor deshizo lo que no estaba confirmado y "
                                         "nada quedó a medio grabar. Vuelva a intentarlo. (") +
                          detail + u')');
    if (code == QStringLiteral("42501"))
        return StoreError(QStringLiteral("Su usuario no tiene permiso para modificar la base de "
                                         "datos del servidor; pida al administrador el permiso de "
                                         "escritura. (") +
                          detail + u')');
    if (code == QStringLiteral("25006"))
        return StoreError(QStringLiteral("La base de datos está abierta solo para lectura; no se "
                                         "puede modificar. (") +
                          detail + u')');
    return StoreError(detail);
}

namespace {

// The values are checked as the SQLite side checks them before they are bound.
void checkValues(const QString& statement, const std::vector<QVariant>& values) {
    if (parameterCount(statement) != int(values.size()))
        throw StoreError(QStringLiteral("La sentencia espera otro número de valores ") +
                         quotedStatement(statement));
    for (const QVariant& v : values)
        if (v.typeId() == QMetaType::Double && !std::isfinite(v.toDouble()))
            throw StoreError(QStringLiteral("Número no válido en un parámetro"));
}

// Runs a statement with its values bound by the driver; a statement without values is sent as
// it is, in one exchange with the server.
void run(QSqlQuery& q, const QString& statement, const std::vector<QVariant>& values) {
    checkValues(statement, values);
    if (values.empty()) {
        if (!q.exec(statement))
            throw serverError(q.lastError(), statement);
        return;
    }
    if (!q.prepare(statement))
        throw serverError(q.lastError(), withParameters(statement, values));
    runPrepared(q, statement, values);
}

} // namespace

void runPrepared(QSqlQuery& q, const QString& statement, const std::vector<QVariant>& values) {
    for (size_t i = 0; i < values.size(); ++i)
        q.bindValue(int(i), values[i]);
    if (!q.exec())
        throw serverError(q.lastError(), withParameters(statement, values));
}

int serverExec(const QSqlDatabase& db, const QString& statement,
               const std::vector<QVariant>& parameters) {
    QSqlQuery q(db);
    run(q, statement, parameters);
    return q.numRowsAffected();
}

QString serverWriteForm(const QString& statement, bool* singleInsert) {
    static const QRegularExpression insert(
        QStringLiteral("^\\s*insert\\s+into\\s+\\w+\\s*\\([^)]*\\)\\s*values\\s*\\((.*)\\)\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = insert.match(statement);
    *singleInsert = m.hasMatch() && !m.captured(1).contains(QStringLiteral("),("));
    return m.hasMatch() ? statement + QStringLiteral(" ON CONFLICT DO NOTHING") : statement;
}

StoreError repeatedKeyError(const QString& shownStatement) {
    return StoreError(QStringLiteral("La fila repite una clave o un código que ya existe ") +
                      quotedStatement(shownStatement));
}

int serverWrite(const QSqlDatabase& db, const QString& statement,
                const std::vector<QVariant>& parameters) {
    bool singleInsert = false;
    const int changed = serverExec(db, serverWriteForm(statement, &singleInsert), parameters);
    // One row of values and none written: it repeats a key or a unique code.
    if (changed == 0 && singleInsert)
        throw repeatedKeyError(withParameters(statement, parameters));
    return changed;
}

std::vector<std::vector<QVariant>> serverResultRows(QSqlQuery& q, const QString& statement,
                                                    const std::vector<QVariant>& values) {
    const QSqlRecord record = q.record();
    const int columns = record.count();
    std::vector<std::vector<QVariant>> rows;
    while (q.next()) {
        auto row = std::vector<QVariant>(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row[size_t(c)] = stored(q.value(c));
        rows.push_back(std::move(row));
    }
    if (q.lastError().isValid())
        throw serverError(q.lastError(), withParameters(statement, values));
    return rows;
}

RecordSet serverQuery(const QSqlDatabase& db, const QString& statement) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    run(q, statement, {});
    const QSqlRecord record = q.record();
    std::vector<FieldDef> fields;
    for (int c = 0; c < record.count(); ++c)
        fields.push_back({record.fieldName(c), fieldType(record.field(c)), 0, true});
    return resultRecordSet(fields, serverResultRows(q, statement, {}), statement);
}

void serverRows(const QSqlDatabase& db, const QString& statement,
                const std::vector<QVariant>& parameters,
                const std::function<void(const std::vector<QVariant>&)>& onRow) {
    // Every row is read before the first is handed over: onRow may run statements of its own
    // on the same connection, which a result still being read would refuse.
    QSqlQuery q(db);
    q.setForwardOnly(true);
    run(q, statement, parameters);
    const auto rows = serverResultRows(q, statement, parameters);
    q.finish();
    for (const auto& row : rows)
        onRow(row);
}

} // namespace store
