#include "store/database.h"
#include "support/temp_database.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using store::Database;
using store::PreparedStatement;
using store::StoreError;

namespace {

// The stored type and value of every column of a row, as SQLite keeps them (on a server, its
// column types by the same names).
QString stored(Database& db, const QString& sql) {
    const QString type = db.isServer()
                             ? "case when " + sql + " is null then 'null' when pg_typeof(" + sql +
                                   ")::text='double precision' then 'real' else " + "'text' end"
                             : "typeof(" + sql + ")";
    QString out;
    db.forEachRow("select " + type + ", " + sql + " from productos where id_producto=1", {},
                  [&](const Database::Row& row) {
                      out = row[0].toString() + ':' +
                            (row[1].isValid() ? row[1].toString() : QStringLiteral("Null"));
                  });
    return out;
}

} // namespace

TEST(PreparedStatement, BindsEveryValueTypeAndIsReusedRowAfterRow) {
    TempDatabase t;
    Database& db = t.db();
    PreparedStatement insert =
        db.prepare("INSERT INTO productos (id_producto,codigo,nombre,unidad,costo,materia_seca) "
                   "VALUES (?,?,?,?,?,?)");
    EXPECT_EQ(insert.parameterCount(), 6);
    insert.bind(1, 1).bind(2, QString("  A'1")).bind(3, QVariant(QString("Maíz \"dulce\"")));
    insert.bindNull(4).bind(5, 0.1).bind(6, QVariant(qlonglong(88)));
    EXPECT_EQ(insert.execute(), 1);
    EXPECT_EQ(stored(db, "codigo"), "text:  A'1"); // text is bound as it is, never trimmed
    EXPECT_EQ(stored(db, "nombre"), "text:Maíz \"dulce\"");
    EXPECT_EQ(stored(db, "unidad"), "null:Null");
    EXPECT_EQ(stored(db, "costo"), "real:0.1");
    EXPECT_EQ(stored(db, "materia_seca"), "real:88"); // the column's affinity applies

    // Reused: a second row, and the values of the first are not carried over.
    insert.bind(1, qlonglong(2)).bind(2, QString("B2")).bind(3, QString("Soja"));
    EXPECT_EQ(insert.execute(), 1);
    int rows = 0;
    db.forEachRow("select unidad,costo,materia_seca from productos where id_producto=2", {},
                  [&](const Database::Row& row) {
                      ++rows;
                      EXPECT_FALSE(row[0].isValid());
                      EXPECT_FALSE(row[1].isValid());
                      EXPECT_FALSE(row[2].isValid());
                  });
    EXPECT_EQ(rows, 1);

    // A query steps through its rows, and runs again with another value.
    PreparedStatement names =
        db.prepare("select id_producto,nombre,costo from productos where id_producto>=? "
                   "order by id_producto");
    names.bind(1, 1);
    ASSERT_TRUE(names.next());
    EXPECT_EQ(names.value(0), QVariant(qlonglong(1)));
    EXPECT_EQ(names.value(1), QVariant(QString("Maíz \"dulce\"")));
    EXPECT_EQ(names.value(2), QVariant(0.1));
    EXPECT_FALSE(names.value(7).isValid());
    ASSERT_TRUE(names.next());
    EXPECT_FALSE(names.value(2).isValid()); // Null
    EXPECT_FALSE(names.next());
    names.bind(1, 2);
    ASSERT_TRUE(names.next());
    EXPECT_EQ(names.value(1), QVariant(QString("Soja")));
    names.reset(); // the rest abandoned: a write may follow
    PreparedStatement update = db.prepare("UPDATE productos set costo=? where id_producto>?");
    update.bind(1, 2.5).bind(2, 0);
    EXPECT_EQ(update.execute(), 2);
    update.bind(1, 1.0).bind(2, 99);
    EXPECT_EQ(update.execute(), 0);
}

TEST(PreparedStatement, ErrorsNameTheStatementWithItsValues) {
    TempDatabase t;
    Database& db = t.db();
    try {
        db.prepare("select nada from no_existe where id=?");
        ADD_FAILURE() << "a statement on a missing table was prepared";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.message().contains("no_existe")) << e.what();
    }

    PreparedStatement insert =
        db.prepare("INSERT INTO propiedades (id_propiedad,nombre,unidad) VALUES (?,?,?)");
    insert.bind(1, 7).bind(2, QString("Calcio")).bind(3, QString("%"));
    insert.execute();
    insert.bind(1, 7).bind(2, QString("Otra")).bind(3, QString("%"));
    try {
        insert.execute(); // the key is taken
        ADD_FAILURE() << "a repeated key was written";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.message().contains("VALUES (7,'Otra','%')")) << e.what();
    }
    // The statement is usable again after its failure.
    insert.bind(1, 8).bind(2, QString("Fósforo")).bind(3, QString("%"));
    EXPECT_EQ(insert.execute(), 1);

    EXPECT_THROW(insert.bind(4, 1), StoreError); // no such parameter
    EXPECT_THROW(insert.bind(1, std::numeric_limits<double>::quiet_NaN()), StoreError);
    EXPECT_THROW(insert.bind(1, std::numeric_limits<double>::infinity()), StoreError);
    EXPECT_THROW(insert.bind(1, QVariant(QDate(2020, 1, 1))), StoreError);
    EXPECT_EQ(db.query("select * from propiedades").count(), 2);
}

TEST(PreparedStatement, EachRunCountsForTheFaultSwitchAndTheTransactionGuard) {
    TempDatabase t;
    Database& db = t.db();
    PreparedStatement insert =
        db.prepare("INSERT INTO propiedades (id_propiedad,nombre,unidad) VALUES (?,?,?)");
    PreparedStatement lookup = db.prepare("select nombre from propiedades where id_propiedad=?");
    db.failStatementAfter(4); // preparing counts for nothing; runs of either kind do
    try {
        Database::Transaction tx(db);
        for (int id = 1; id <= 3; ++id) {
            lookup.bind(1, id);
            EXPECT_FALSE(lookup.next());
            insert.bind(1, id).bind(2, QString("N")).bind(3, QVariant());
            insert.execute(); // the second insert is the fourth run
        }
        tx.commit();
        ADD_FAILURE() << "the fault switch did not fire";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.message().startsWith("Fallo simulado en la sentencia: INSERT INTO "
                                           "propiedades (id_propiedad,nombre,unidad) VALUES "
                                           "(2,'N',NULL)"))
            << e.what();
    }
    EXPECT_EQ(db.query("select * from propiedades").count(), 0); // rolled back whole

    // An inner guard around a prepared write that gives up spoils the outer commit.
    EXPECT_THROW(
        {
            Database::Transaction outer(db);
            {
                Database::Transaction inner(db);
                insert.bind(1, 5).bind(2, QString("N")).bind(3, QString("%"));
                insert.execute();
            }
            outer.commit();
        },
        StoreError);
    EXPECT_EQ(db.query("select * from propiedades").count(), 0);
}

TEST(PreparedStatement, TraceShowsEachRunWithItsValues) {
    QTemporaryDir dir;
    const QString path = dir.filePath("trace.db");
    Database::createFile(path, false);
    qputenv("DOSIVANT_SQL_TRACE", "1");
    auto db = Database::openFile(path);
    qunsetenv("DOSIVANT_SQL_TRACE");
    PreparedStatement insert =
        db->prepare("INSERT INTO propiedades (id_propiedad,nombre,unidad) VALUES (?,?,?)");
    testing::internal::CaptureStderr();
    insert.bind(1, 3).bind(2, QString("L'isina")).bind(3, 1.5);
    insert.execute();
    const std::string trace = testing::internal::GetCapturedStderr();
    EXPECT_EQ(trace, "SQL: INSERT INTO propiedades (id_propiedad,nombre,unidad) VALUES "
                     "(3,'L''isina',1.5)\n");
}
