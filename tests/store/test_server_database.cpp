#include "store/database.h"
#include "store/read_only.h"
#include "store/server_address.h"
#include "store/server_dialect.h"
#include "store/sql_dialect.h"
#include "store/sql_text.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <random>
#include <thread>

using store::Database;
using store::StoreError;

namespace {

QString message(const std::function<void()>& f) {
    try {
        f();
    } catch (const StoreError& e) {
        return e.message();
    }
    return {};
}

} // namespace

TEST(ServerAddress, ReadsEveryFormAndRefusesAPasswordInTheAddress) {
    const auto a = store::parseServerAddress("postgresql://ana@molino.local:5433/piensos");
    EXPECT_EQ(a.user, "ana");
    EXPECT_EQ(a.host, "molino.local");
    EXPECT_EQ(a.port, 5433);
    EXPECT_EQ(a.database, "piensos");
    EXPECT_EQ(a.url(), "postgresql://ana@molino.local:5433/piensos");
    const auto socket = store::parseServerAddress("postgresql://ana@%2Fvar%2Frun%2Fpg/piensos");
    EXPECT_EQ(socket.host, "/var/run/pg");
    EXPECT_EQ(socket.port, 5432);
    EXPECT_EQ(store::parseServerAddress("postgres://ana@x/p?host=/tmp/s").host, "/tmp/s");
    EXPECT_TRUE(store::isServerAddress("PostgreSQL://a@b/c"));
    EXPECT_FALSE(store::isServerAddress("/home/ana/postgresql.db"));

    EXPECT_TRUE(message([] {
                    store::parseServerAddress("postgresql://ana:secreta@x/p");
                }).contains("la contraseña no se escribe en la dirección"));
    EXPECT_TRUE(message([] {
                    store::parseServerAddress("postgresql://ana@x:puerto/p");
                }).contains("el puerto no es un número válido"));
    EXPECT_TRUE(message([] {
                    store::parseServerAddress("postgresql://ana@x/");
                }).contains("falta el nombre de la base de datos"));
    EXPECT_TRUE(message([] {
                    store::parseServerAddress("postgresql://ana@x/p?sslmode=off");
                }).contains("la opción \"sslmode\" no se admite"));

    // A password typed into an address is never shown back, however the address is written.
    for (const QString& typed :
         {QString("postgresql://ana:secreto1@x/p"), QString("postgresql://ana:secreto1@x:puerto/p"),
          QString("postgresql://ana:se/cr@to1@x/p"),
          QString("postgresql://ana@x/p?password=secreto1"),
          QString("postgresql://ana@x/p?host=/tmp&password=secreto1&sslmode=off")}) {
        const QString m = message([&] { store::parseServerAddress(typed); });
        EXPECT_FALSE(m.isEmpty()) << typed.toStdString();
        EXPECT_FALSE(m.contains("secreto1") || m.contains("cr@to1")) << m.toStdString();
    }
    EXPECT_EQ(store::withoutPassword("postgresql://ana:secreto1@x:5433/p?host=/tmp"),
              "postgresql://ana:***@x:5433/p?host=/tmp");
    EXPECT_EQ(store::withoutPassword("postgresql://ana@x/p?host=/tmp&password=s1&a=b"),
              "postgresql://ana@x/p?host=/tmp&password=***&a=b");
    EXPECT_EQ(store::withoutPassword("postgresql://ana@x/p"), "postgresql://ana@x/p");
    EXPECT_EQ(store::withoutPassword("/home/ana:b@c/x.db"), "/home/ana:b@c/x.db");
}

TEST(ServerDialect, FoldsLikeSortsNullsAsSqliteAndLeavesQuotedTextAlone) {
    const QString like = store::translateForServer(
        "select * from productos p where true and p.nombre like '%maíz%' and codigo='x like 'y'");
    EXPECT_TRUE(like.startsWith("select * from productos p where true and lower(translate("
                                "p.nombre,'ÁÀ"));
    EXPECT_TRUE(like.contains(" like lower(translate('%maíz%','ÁÀ"));
    EXPECT_TRUE(like.endsWith(" and codigo='x like 'y'"));
    EXPECT_EQ(store::translateForServer(
                  "select codigo from formulas f order by f.codigo DESC, f.version"),
              "select codigo from formulas f order by f.codigo DESC NULLS LAST,f.version NULLS "
              "FIRST");
    EXPECT_EQ(store::translateForServer("select 'order by x' from t"),
              "select 'order by x' from t");
    EXPECT_TRUE(store::translateForServer("PRAGMA table_info(Formulas)")
                    .contains("information_schema.columns"));
    EXPECT_TRUE(store::translateForServer("PRAGMA table_info(Formulas)").contains("'formulas'"));

    EXPECT_EQ(store::withParameters("insert into t values (?,?,?,?,'?')",
                                    {1, 0.1, QString("O'Neil "), QVariant()}),
              "insert into t values (1,0.1,'O''Neil ',NULL,'?')");
    EXPECT_EQ(store::withParameters("select ?", {88.0}), "select 88.0");
    EXPECT_THROW(store::withParameters("select ?, ?", {1}), StoreError);
    EXPECT_EQ(store::parameterCount("select ? from t where a='?' and b=?"), 2);

    const QStringList schema = store::serverSchemaStatements();
    EXPECT_TRUE(schema.join('\n').contains("costo DOUBLE PRECISION"));
    EXPECT_TRUE(schema.join('\n').contains("codigo VARCHAR(20) COLLATE \"C\" NOT NULL"));
}

TEST(ServerDatabase, AnUnreachableServerOrMissingDatabaseIsAClearMessage) {
    QTemporaryDir nobodyListens;
    const QString refused = message([&] {
        Database::openFile("postgresql://ana@localhost/piensos?host=" + nobodyListens.path());
    });
    EXPECT_TRUE(refused.startsWith("No se pudo conectar con el servidor de base de datos en " +
                                   nobodyListens.path()))
        << refused.toStdString();
    if (!testsOnServer())
        return;
    const QString missing =
        message([] { Database::openFile(TestServer::instance().url("no_existe")); });
    EXPECT_TRUE(missing.startsWith("La base de datos \"no_existe\" no existe en el servidor"))
        << missing.toStdString();
}

TEST(ServerDatabase, CreationRefusesADatabaseWithTheTablesAndNumbersRoundTripExactly) {
    if (!testsOnServer())
        GTEST_SKIP() << "needs the test server";
    TempDatabase t(true);
    EXPECT_THROW(Database::createFile(t.path(), false), store::FileExistsError);
    EXPECT_TRUE(t.db().isServer());
    EXPECT_EQ(t.db().query("select count(*) from productos").value(0).toInt(), 21);

    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> any(-1e6, 1e6);
    std::vector<double> values = {0.1,
                                  1.0 / 3,
                                  1e-300,
                                  5e-324,
                                  1.7976931348623157e308,
                                  0.1 + 0.2,
                                  -0.0 + 123456.789012345678};
    for (int i = 0; i < 200; ++i)
        values.push_back(any(random) / 7);
    Database& db = t.db();
    auto insert = db.prepare("insert into formulas (id_formula,cantidad,version) values (?,?,0)");
    Database::Transaction tx(db);
    for (size_t i = 0; i < values.size(); ++i) {
        if (i % 2)
            db.exec("insert into formulas (id_formula,cantidad,version) values (" +
                    QString::number(1000 + i) + "," + sql::number(values[i]) + ",0)");
        else
            insert.bind(1, int(1000 + i)).bind(2, values[i]).execute();
    }
    tx.commit();
    std::vector<double> back;
    db.forEachRow("select cantidad from formulas where id_formula>=? order by id_formula", {1000},
                  [&](const Database::Row& row) { back.push_back(row[0].toDouble()); });
    ASSERT_EQ(back.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(back[i], values[i]) << i;
}

TEST(ServerDatabase, AUserWithoutWriteRightsIsToldSoOnTheFirstWrite) {
    if (!testsOnServer())
        GTEST_SKIP() << "needs the test server";
    TempDatabase t(true);
    const QString name = store::parseServerAddress(t.path()).database;
    TestServer& server = TestServer::instance();
    server.adminExec("DO $$BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname='lector') "
                     "THEN CREATE ROLE lector LOGIN; END IF; END$$");
    {
        auto owner = Database::openFile(t.path());
        owner->exec("GRANT SELECT ON ALL TABLES IN SCHEMA public TO lector");
    }
    auto reader = Database::openFile(server.url(name, "lector"));
    EXPECT_EQ(reader->query("select * from productos").count(), 21);
    const QString refused = message([&] {
        Database::Transaction tx(*reader);
        reader->exec("update productos set costo=1");
        tx.commit();
    });
    EXPECT_TRUE(refused.startsWith("Su usuario no tiene permiso para modificar la base de datos "
                                   "del servidor"))
        << refused.toStdString();
    // The connection stays usable after the refusal.
    EXPECT_EQ(reader->query("select * from propiedades").count(), 12);

    // A command that only reads asks the server to refuse any write, whatever the user may do.
    store::readOnlyTransactions(t.db());
    EXPECT_EQ(t.db().query("select * from productos").count(), 21);
    const QString readOnly = message([&] { t.db().exec("update productos set costo=1"); });
    EXPECT_TRUE(readOnly.startsWith("La base de datos está abierta solo para lectura"))
        << readOnly.toStdString();
}

TEST(ServerDatabase, ARepeatedKeyFailsAloneAndConcurrentWritersNeverShareAKey) {
    if (!testsOnServer())
        GTEST_SKIP() << "needs the test server";
    TempDatabase t;
    Database& db = t.db();
    {
        // As on a file, a refused insert leaves the transaction usable.
        Database::Transaction tx(db);
        db.exec("insert into propiedades (id_propiedad,nombre) values (1,'Proteína')");
        EXPECT_TRUE(message([&] {
                        db.exec("insert into propiedades (id_propiedad,nombre) values (1,'Otra')");
                    }).startsWith("La fila repite una clave o un código que ya existe"));
        db.exec("insert into propiedades (id_propiedad,nombre) values (2,'Calcio')");
        tx.commit();
    }
    EXPECT_EQ(db.query("select * from propiedades").count(), 2);

    // Writers on their own connections allocate keys while others hold theirs uncommitted.
    constexpr int kWriters = 4, kEach = 15;
    std::vector<std::thread> writers;
    std::atomic<int> failures = 0;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            try {
                auto mine = Database::openFile(t.path());
                for (int i = 0; i < kEach; ++i) {
                    Database::Transaction tx(*mine);
                    const int key = mine->nextKey("productos", "id_producto");
                    mine->exec("insert into productos (id_producto,codigo) values (" +
                               QString::number(key) + ",'" + QString::number(w * 100 + i) + "')");
                    tx.commit();
                }
            } catch (const StoreError& e) {
                ADD_FAILURE() << e.what();
                ++failures;
            }
        });
    for (auto& w : writers)
        w.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(db.query("select count(*), max(id_producto) from productos").value(0).toInt(),
              kWriters * kEach);
    EXPECT_EQ(db.query("select max(id_producto) from productos").value(0).toInt(),
              kWriters * kEach);
}

TEST(ServerDatabase, ValuesTravelBoundToTheStatementNotWrittenIntoIt) {
    if (!testsOnServer())
        GTEST_SKIP() << "needs the test server";
    TempDatabase t;
    Database& db = t.db();
    // The statements the server holds prepared for this connection, as it received them.
    const auto held = [&] {
        QStringList out;
        const auto rs = db.query("select statement from pg_prepared_statements");
        for (int r = 0; r < rs.count(); ++r)
            out << rs.valueAt(r, 0).toString();
        return out.join('\n');
    };
    const QString awkward = QString::fromUtf8("O'Brien \\ ? ñ 'x'");
    {
        auto insert =
            db.prepare("insert into propiedades (id_propiedad,nombre,unidad) values (?,?,?)");
        Database::Transaction tx(db);
        EXPECT_EQ(insert.bind(1, 5).bind(2, awkward).bindNull(3).execute(), 1);
        EXPECT_TRUE(message([&] {
                        insert.bind(1, 5).bind(2, QStringLiteral("Otra")).execute();
                    }).startsWith("La fila repite una clave o un código que ya existe"));
        tx.commit();
        EXPECT_TRUE(held().contains("values ($1,$2,$3)")) << held().toStdString();
        EXPECT_FALSE(held().contains("Brien")) << held().toStdString();
    }
    QStringList names;
    db.forEachRow("select nombre,unidad from propiedades where nombre=? and id_propiedad=?",
                  {awkward, 5}, [&](const Database::Row& row) {
                      names << row[0].toString();
                      EXPECT_FALSE(row[1].isValid());
                      EXPECT_TRUE(held().contains("nombre=$1 and id_propiedad=$2"))
                          << held().toStdString();
                  });
    EXPECT_EQ(names, QStringList{awkward});
    EXPECT_TRUE(message([&] {
                    db.forEachRow("select nombre from propiedades where id_propiedad=?", {}, {});
                }).startsWith("La sentencia espera otro número de valores"));
}

TEST(ServerDatabase, AConnectionEndedInTheMiddleOfASaveLeavesNothingHalfWritten) {
    if (!testsOnServer())
        GTEST_SKIP() << "needs the test server";
    TempDatabase t(true);
    // The server ends the connection of whoever writes the fifth composition row of an
    // ingredient, as an administrator's pg_terminate_backend would.
    t.db().exec("create function corta() returns trigger language plpgsql as $$ begin "
                "if (select count(*) from producto_propiedad where id_producto=new.id_producto) "
                ">= 4 then perform pg_terminate_backend(pg_backend_pid()); end if; return new; "
                "end $$");
    t.db().exec("create trigger corta before insert on producto_propiedad for each row "
                "execute function corta()");
    const int rowsBefore = t.db().query("select * from producto_propiedad").count();
    const QString lost = message([&] {
        Database::Transaction tx(t.db());
        const int key = t.db().nextKey("productos", "id_producto");
        t.db().exec("insert into productos (id_producto,codigo,nombre) values (" +
                    QString::number(key) + ",'NUEVO','Nuevo')");
        for (int nutrient = 1; nutrient <= 12; ++nutrient)
            t.db().exec("insert into producto_propiedad (id_producto,id_propiedad,valor) values (" +
                        QString::number(key) + "," + QString::number(nutrient) + ",0)");
        tx.commit();
    });
    EXPECT_TRUE(lost.startsWith("Se perdió la conexión con el servidor de base de datos; el "
                                "servidor deshizo lo que no estaba confirmado"))
        << lost.toStdString();
    auto other = Database::openFile(t.path());
    EXPECT_EQ(other->query("select * from productos where trim(codigo)='NUEVO'").count(), 0);
    EXPECT_EQ(other->query("select * from producto_propiedad").count(), rowsBefore);
}

// The server gone in the middle of the reading: every statement after says that the connection
// was lost, never an empty reason.
TEST(ServerDatabase, AConnectionLostWhileReadingSaysSo) {
    if (!testsOnServer())
        GTEST_SKIP() << "needs the test server";
    TempDatabase t(true);
    auto db = Database::openFile(t.path());
    ASSERT_GT(db->query("select * from productos").count(), 0);
    const QString name = t.path().section(u'/', 3).section(u'?', 0, 0);
    TestServer::instance().adminExec(
        "select pg_terminate_backend(pid) from pg_stat_activity where datname='" + name +
        "' and application_name='dosivant' and pid <> pg_backend_pid()");
    const QString lost = "Se perdió la conexión con el servidor de base de datos";
    for (int read = 0; read < 3; ++read) {
        const QString m = message([&] { db->query("select * from productos"); });
        EXPECT_TRUE(m.startsWith(lost)) << read << ": " << m.toStdString();
        const QString rows = message([&] {
            db->forEachRow("select id_producto from productos where id_producto > ?", {0},
                           [](const Database::Row&) {});
        });
        EXPECT_TRUE(rows.startsWith(lost)) << read << ": " << rows.toStdString();
        const QString tx = message([&] {
            Database::Transaction guard(*db);
            db->query("select count(*) from formulas");
        });
        EXPECT_TRUE(tx.startsWith(lost)) << read << ": " << tx.toStdString();
    }
}
