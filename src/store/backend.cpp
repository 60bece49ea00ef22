#include "store/backend.h"

#include "store/quoted_statement.h"

#include <QSqlError>
#include <cstdio>

namespace store {

RecordSet resultRecordSet(const std::vector<FieldDef>& fields,
                          std::vector<std::vector<QVariant>> rows, const QString& statement) {
    RecordSet rs;
    try {
        for (const FieldDef& f : fields)
            rs.appendField(f.name, f.type, f.size, f.nullable);
        for (auto& row : rows)
            rs.appendRow(std::move(row));
    } catch (const RecordSetError& e) {
        throw StoreError(
            QStringLiteral("La consulta devuelve un resultado que no se puede leer (") +
            QString::fromUtf8(e.what()) + QStringLiteral(") ") + quotedStatement(statement));
    }
    if (rs.count() > 0)
        rs.moveFirst();
    return rs;
}

Backend::Backend(QString path_, QString connectionName)
    : path(std::move(path_)), trace(qEnvironmentVariableIntValue("DOSIVANT_SQL_TRACE") == 1),
      connectionName_(std::move(connectionName)) {}

Backend::~Backend() {
    {
        QSqlDatabase db = connection();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
}

bool Backend::commit(QString* error) {
    QSqlDatabase db = connection();
    if (db.commit())
        return true;
    *error = db.lastError().text();
    return false;
}

void Backend::rollback() {
    connection().rollback();
}

void Backend::traceLine(const QString& line) const {
    if (trace)
        std::fprintf(stderr, "SQL: %s\n", line.toUtf8().constData());
}

StoreError Backend::simulatedFault(const QString& sql) {
    return StoreError(QStringLiteral("Fallo simulado en la sentencia: ") + sql);
}

void Backend::refuseWriteToDamagedFile() {
    const QString message = damageMessage();
    if (!message.isEmpty())
        throw DamagedFileError(message);
}

} // namespace store
