#include "store/added_tables.h"

#include "store/database.h"
#include "store/record_set.h"
#include "store/schema.h"
#include "store/server_dialect.h"

#include <QRegularExpression>
#include <QStringList>

namespace store {

bool hasTable(Database& db, const QString& table) {
    return db.query(QStringLiteral("PRAGMA table_info(") + table + u')').count() > 0;
}

bool hasColumn(Database& db, const QString& table, const QString& column) {
    RecordSet info = db.query(QStringLiteral("PRAGMA table_info(") + table + u')');
    for (info.moveFirst(); !info.eof(); info.moveNext())
        if (info.toString(QStringLiteral("name")).compare(column, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void createAddedTables(Database& db) {
    QStringList missing;
    for (const TableColumns& t : schemaTables())
        if (t.addedLater && !hasTable(db, t.table))
            missing << t.table;
    QStringList statements;
    for (const AddedColumn& c : addedColumns())
        if (hasTable(db, c.table) && !hasColumn(db, c.table, c.column))
            statements << QStringLiteral("ALTER TABLE ") + c.table +
                              QStringLiteral(" ADD COLUMN ") + c.column + u' ' + c.type;
    for (const QString& table : missing) {
        const QString tableStart = QStringLiteral("CREATE TABLE IF NOT EXISTS ") + table + u' ';
        const QString indexOn = QStringLiteral(" ON ") + table + QStringLiteral(" (");
        for (const QString& s : addedTableStatements())
            if (s.startsWith(tableStart))
                statements << s;
        for (const QString& s : schemaIndexStatements())
            if (s.contains(indexOn))
                statements << s;
    }
    if (statements.isEmpty())
        return;
    try {
        Database::Transaction tx(db);
        for (const QString& s : statements)
            db.exec(db.isServer() ? serverSchemaStatement(s) : s);
        tx.commit();
    } catch (const StoreError&) {
        // Not writable now: the limits are simply absent until an opening that can write.
    }
}

void createMissingServerIndexes(Database& db) {
    static const QRegularExpression indexName(QStringLiteral("INDEX IF NOT EXISTS (\\w+) "));
    QStringList present;
    RecordSet rs = db.query(
        QStringLiteral("select indexname from pg_indexes where schemaname=current_schema()"));
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        present << rs.toString(QStringLiteral("indexname"));
    for (const QString& statement : schemaIndexStatements()) {
        if (present.contains(indexName.match(statement).captured(1), Qt::CaseInsensitive))
            continue;
        try {
            Database::Transaction tx(db);
            db.exec(serverSchemaStatement(statement));
            tx.commit();
        } catch (const StoreError&) {
            // Rows that break a unique index, or no right to make it: the database still works.
        }
    }
}

} // namespace store
