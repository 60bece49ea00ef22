#include "store/revisions.h"

#include "store/sql_text.h"

namespace store {

namespace {

QString where(const QString& table, int id) {
    return QStringLiteral(" where tabla=") + sql::text(table) + QStringLiteral(" and id=") +
           QString::number(id);
}

} // namespace

void ensureRevisionTable(Database& db) {
    try {
        if (db.query(QStringLiteral("PRAGMA table_info(revisiones)")).count() > 0)
            return;
        db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS revisiones (tabla VARCHAR(30) NOT "
                               "NULL, id INTEGER NOT NULL, revision INTEGER NOT NULL, "
                               "PRIMARY KEY (tabla, id))"));
    } catch (const StoreError&) {
        // Read-only: nothing can be saved over anything, so no counter is needed.
    }
}

int readRevision(Database& db, const QString& table, int id) {
    try {
        RecordSet rs =
            db.query(QStringLiteral("select revision from revisiones") + where(table, id));
        return rs.count() > 0 ? rs.value(0).toInt() : 0;
    } catch (const StoreError&) {
        // A read-only file made before the counters existed; any other failure is real.
        if (db.query(QStringLiteral("PRAGMA table_info(revisiones)")).count() == 0)
            return 0;
        throw;
    }
}

QHash<int, int> readRevisions(Database& db, const QString& table, const std::vector<int>& ids) {
    QHash<int, int> out;
    if (ids.empty())
        return out;
    try {
        db.forEachRow(QStringLiteral("select id,revision from revisiones where tabla=") +
                          sql::text(table) + QStringLiteral(" and id in") + sql::integerList(ids),
                      {}, [&](const Database::Row& r) {
                          out.insert(int(r[0].toLongLong()), int(r[1].toLongLong()));
                      });
    } catch (const StoreError&) {
        if (db.query(QStringLiteral("PRAGMA table_info(revisiones)")).count() == 0)
            return {};
        throw;
    }
    return out;
}

void claimRevision(Database& db, const QString& table, int id, int loaded,
                   const QString& staleMessage) {
    Database::Transaction tx(db);
    const auto counted = [&] {
        return db.query(QStringLiteral("select revision from revisiones") + where(table, id))
                   .count() > 0;
    };
    const int raised =
        db.exec(QStringLiteral("update revisiones set revision=") + QString::number(loaded + 1) +
                where(table, id) + QStringLiteral(" and revision=") + QString::number(loaded));
    if (raised == 0) {
        if (loaded != 0 || counted())
            throw StaleRowError(staleMessage);
        try {
            db.exec(QStringLiteral("insert into revisiones (tabla,id,revision) values (") +
                    sql::text(table) + u',' + QString::number(id) + QStringLiteral(",1)"));
        } catch (const StoreError&) {
            // Another save of a row never saved before got there first; any other failure is
            // the database's own.
            if (counted())
                throw StaleRowError(staleMessage);
            throw;
        }
    }
    tx.commit();
}

void raiseRevision(Database& db, const QString& table, int id) {
    Database::Transaction tx(db);
    if (db.exec(QStringLiteral("update revisiones set revision=revision+1") + where(table, id)) ==
        0)
        db.exec(QStringLiteral("insert into revisiones (tabla,id,revision) values (") +
                sql::text(table) + u',' + QString::number(id) + QStringLiteral(",1)"));
    tx.commit();
}

long long tableRevision(Database& db, const QString& table) {
    try {
        RecordSet rs = db.query(
            QStringLiteral("select sum(revision) from revisiones where tabla=") + sql::text(table));
        return rs.count() > 0 ? rs.value(0).toLongLong() : 0;
    } catch (const StoreError&) {
        // A read-only file made before the counters existed; any other failure is real.
        if (db.query(QStringLiteral("PRAGMA table_info(revisiones)")).count() == 0)
            return 0;
        throw;
    }
}

} // namespace store
