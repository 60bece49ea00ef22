#include "store/database.h"
#include "store/schema.h"
#include "store/server_dialect.h"
#include "store/sql_text.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

#include <algorithm>

using store::Database;

namespace {

QStringList historyColumns(Database& db) {
    QStringList names;
    store::RecordSet rs = db.query("PRAGMA table_info(precio_historial)");
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        names << rs.toString("name").toLower();
    return names;
}

const QStringList kHistoryColumns = {"id_producto",  "fecha",  "costo",
                                     "materia_seca", "origen", "usuario"};

} // namespace

TEST(PriceHistoryTable, ANewDatabaseHasThePriceHistoryAndAnOlderOneGetsItOnOpening) {
    TempDatabase t;
    EXPECT_EQ(historyColumns(t.db()), kHistoryColumns);
    t.db().exec("drop table precio_historial");
    ASSERT_TRUE(historyColumns(t.db()).isEmpty());

    auto reopened = Database::openFile(t.path());
    EXPECT_EQ(historyColumns(*reopened), kHistoryColumns);
    // A moment reads back as written, to the millisecond, from a file and from a server.
    const QDateTime moment(QDate(2026, 3, 2), QTime(10, 15, 0, 250));
    EXPECT_EQ(sql::dateTime(moment), "'2026-03-02 10:15:00.250'");
    reopened->exec("insert into precio_historial (id_producto,fecha,costo,materia_seca,origen) "
                   "values (1," +
                   sql::dateTime(moment) + ",0.5,Null,'edición')");
    reopened->exec("insert into precio_historial (id_producto,fecha,costo,materia_seca,origen) "
                   "values (1," +
                   sql::dateTime(moment.addMSecs(1)) + ",0.6,Null,'edición')");
    store::RecordSet rs =
        reopened->query("select fecha,costo from precio_historial order by fecha desc");
    ASSERT_EQ(rs.count(), 2);
    EXPECT_EQ(rs.valueAt(0, 0).toString(), "2026-03-02 10:15:00.251");
    EXPECT_EQ(rs.valueAt(1, 0).toString(), "2026-03-02 10:15:00.250");
}

TEST(PriceHistoryTable, ThePriceHistoryIsAnAddedTableWithTheServersTypes) {
    const QStringList statements = store::addedTableStatements();
    for (const QString& s : statements)
        EXPECT_TRUE(s.startsWith("CREATE TABLE IF NOT EXISTS ") || s.startsWith("CREATE INDEX ") ||
                    s.startsWith("CREATE UNIQUE INDEX "))
            << s.toStdString();
    const auto added = store::addedTables();
    const auto history = std::find_if(added.begin(), added.end(),
                                      [](const auto& t) { return t.table == "precio_historial"; });
    ASSERT_NE(history, added.end());
    EXPECT_EQ(history->columns, kHistoryColumns);
    const QStringList onServer = store::serverStatements(statements);
    EXPECT_TRUE(onServer.contains(
        "CREATE TABLE IF NOT EXISTS precio_historial (id_producto INTEGER NOT NULL, fecha "
        "TIMESTAMP NOT NULL, costo DOUBLE PRECISION, materia_seca DOUBLE PRECISION, origen "
        "VARCHAR(30) COLLATE \"C\", usuario VARCHAR(64) COLLATE \"C\" DEFAULT current_user)"));
}
