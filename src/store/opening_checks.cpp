#include "store/opening_checks.h"

#include "store/added_tables.h"
#include "store/revisions.h"
#include "store/sample_catalogue.h"
#include "store/schema.h"

#include <QRegularExpression>

namespace store {

namespace {

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

} // namespace

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

// A file made by another tool or an old installation may lack the indexes, and then every
// composition query reads the whole table. A read-only file is used as it is, and a file that
// has them all is not written at all: the caller passes only a file it may write.
void createMissingIndexes(Database& db) {
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

} // namespace store
