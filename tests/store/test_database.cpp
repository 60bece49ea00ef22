#include "store/database.h"
#include "store/quoted_statement.h"
#include "store/sql_text.h"
#include "support/temp_database.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using store::Database;
using store::RecordSet;
using store::StoreError;

namespace {

int count(Database& db, const QString& sql) {
    return db.query(sql).count();
}

void addIngredient(Database& db, const QString& code, const QString& name, double dm = 88) {
    const int id = db.nextKey("productos", "id_producto");
    db.exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) values (" +
            QString::number(id) + "," + sql::codeText(code) + "," + sql::text(name) +
            ",'Kg',0.25," + sql::number(dm) + ")");
}

} // namespace

TEST(Database, AllocatesKeysAsMaximumPlusOne) {
    TempDatabase t;
    EXPECT_EQ(t.db().nextKey("productos", "id_producto"), 1);
    EXPECT_EQ(t.db().nextKey("formulas", "id_formula"), 1);
    addIngredient(t.db(), "A1", "Maíz");
    t.db().exec("insert into productos (id_producto,codigo,nombre) values (41,'x','y')");
    EXPECT_EQ(t.db().nextKey("productos", "id_producto"), 42);
    EXPECT_THROW(t.db().nextKey("no_table", "id"), StoreError);
}

TEST(Database, RunsEveryStatementShapeOfTheProgram) {
    TempDatabase t(true);
    Database& db = t.db();
    // Codes are stored right-aligned and found by trim() or by a padded range.
    addIngredient(db, "A1", "Harina de O'Higgins");
    RecordSet code = db.query("select id_producto,codigo,nombre from productos where "
                              "trim(codigo)='A1'");
    ASSERT_EQ(code.count(), 1);
    EXPECT_EQ(code.toString("codigo"), QString(18, ' ') + "A1");
    EXPECT_EQ(code.toString("nombre"), "Harina de O'Higgins");
    EXPECT_EQ(code.field(0).type, store::FieldType::Integer32);
    EXPECT_EQ(count(db, "select p.id_producto from productos p where true and p.codigo>=" +
                            sql::codeText("A1") + " and p.codigo<=" + sql::codeText("A1")),
              1);

    EXPECT_EQ(count(db, "SELECT f.id_formula,f.codigo,f.producto FROM Formulas f WHERE True "
                        "AND f.producto LIKE '%pollo%' ORDER BY f.codigo DESC"),
              1);
    EXPECT_EQ(count(db, "select * from productos where id_producto not in(1,2,3)"),
              db.query("select * from productos").count() - 3);
    RecordSet joined =
        db.query("select pp.*,p.materia_seca from producto_propiedad pp, productos p where "
                 "pp.id_producto=p.id_producto and id_propiedad=1 AND pp.valor<>0");
    ASSERT_GT(joined.count(), 0);
    EXPECT_GE(joined.fieldIndex("id_producto"), 0);
    EXPECT_EQ(joined.field(joined.fieldIndex("materia_seca")).type, store::FieldType::Double);
    RecordSet sep = db.query("select p.id_propiedad,p.nombre,'' as sep1 from propiedades p "
                             "where true order by nombre ASC");
    EXPECT_EQ(sep.fieldIndex("sep1"), 2);
    RecordSet mixed = db.query("select fp.id_producto,p.materia_Seca as materiaSecaActual from "
                               "formula_producto fp, productos p where fp.id_producto=p."
                               "id_producto and fp.id_formula=1");
    EXPECT_GT(mixed.count(), 0);
    RecordSet maxima = db.query("select max(version) from formulas where codigo='NADA'");
    ASSERT_EQ(maxima.count(), 1);
    EXPECT_FALSE(maxima.value(0).isValid());

    // Dates travel as #mm/dd/yyyy# literals; a Null date survives a range.
    db.exec("UPDATE formulas SET fecha_modificacion=Null WHERE id_formula=2");
    db.exec("UPDATE formulas SET fecha_creacion=#01/31/2009# WHERE id_formula=1");
    EXPECT_EQ(db.query("select fecha_creacion from formulas where id_formula=1")
                  .toString("fecha_creacion"),
              "2009-01-31");
    EXPECT_EQ(count(db, "SELECT f.id_formula FROM Formulas f WHERE True and "
                        "(f.fecha_modificacion<=#12/31/2008# or (f.fecha_modificacion IS NULL))"),
              1);
    EXPECT_EQ(count(db, "select f.id_formula from formulas f where true and "
                        "f.fecha_creacion>=#01/01/2009# and f.fecha_creacion<=#02/01/2009#"),
              1);
}

TEST(Database, LikeIgnoresCaseAndAccentsForEveryLetter) {
    TempDatabase t;
    Database& db = t.db();
    addIngredient(db, "1", "Maíz amarillo");
    addIngredient(db, "2", "ñandú");
    addIngredient(db, "3", "HARINA DE SOJA");
    addIngredient(db, "4", "50% grasa");
    auto like = [&](const QString& text) {
        return count(db, "select id_producto from productos where true and nombre LIKE '%" + text +
                             "%'");
    };
    EXPECT_EQ(like("maiz"), 1);
    EXPECT_EQ(like("MAÍZ"), 1);
    EXPECT_EQ(like("ÑANDÚ"), 1);
    EXPECT_EQ(like("soja"), 1);
    EXPECT_EQ(like("a"), 4);
    EXPECT_EQ(like("trigo"), 0);
    EXPECT_EQ(count(db, "select id_producto from productos where nombre like 'm_iz%'"), 1);
    EXPECT_EQ(count(db, "select id_producto from productos where nombre like '50\\%%' escape '\\'"),
              1);
    EXPECT_EQ(count(db, "select id_producto from productos where nombre like '5\\%%' escape '\\'"),
              0);
}

TEST(Database, FailedWriteInsideTransactionLeavesDatabaseAsItWas) {
    TempDatabase t;
    Database& db = t.db();
    addIngredient(db, "A", "uno");
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (1,'Proteína','%')");
    db.failStatementAfter(3);
    EXPECT_THROW(
        {
            Database::Transaction tx(db);
            const int id = db.nextKey("productos", "id_producto");
            db.exec("insert into productos (id_producto,codigo,nombre) values (" +
                    QString::number(id) + ",'B','dos')");
            db.exec("insert into producto_propiedad (id_producto,id_propiedad,valor) values (" +
                    QString::number(id) + ",1,0)"); // the third statement fails
            tx.commit();
        },
        StoreError);
    EXPECT_EQ(count(db, "select * from productos"), 1);
    EXPECT_EQ(count(db, "select * from producto_propiedad"), 0);

    // An inner guard that gives up after running a statement spoils the outer commit.
    EXPECT_THROW(
        {
            Database::Transaction outer(db);
            db.exec("delete from productos");
            {
                Database::Transaction inner(db);
                db.exec("delete from propiedades");
            }
            outer.commit();
        },
        StoreError);
    EXPECT_EQ(count(db, "select * from productos"), 1);
    EXPECT_EQ(count(db, "select * from propiedades"), 1);

    // One that gives up before running any (a refused check) leaves nothing to undo.
    {
        Database::Transaction outer(db);
        {
            Database::Transaction inner(db);
            count(db, "select * from productos");
        }
        db.exec("delete from propiedades");
        outer.commit();
    }
    EXPECT_EQ(count(db, "select * from propiedades"), 0);
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (1,'Proteína','%')");

    {
        Database::Transaction tx(db);
        db.exec("delete from productos");
        tx.commit();
    }
    EXPECT_EQ(count(db, "select * from productos"), 0);
}

TEST(Database, CreatesFilesWholeAndRefusesToOverwrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/folder/nueva.db");
    Database::createFile(path, true);
    EXPECT_FALSE(QFile::exists(path + ".creando"));
    EXPECT_THROW(Database::createFile(path, false), StoreError);

    auto db = Database::openFile(path);
    EXPECT_EQ(count(*db, "select * from productos"), 21);
    EXPECT_EQ(count(*db, "select * from propiedades"), 12);
    EXPECT_EQ(count(*db, "select * from producto_propiedad"), 21 * 12);
    EXPECT_EQ(count(*db, "select * from formulas"), 4);
    EXPECT_EQ(count(*db, "select * from formula_producto"), 72);
    EXPECT_EQ(count(*db, "select * from formula_propiedad"), 35);
    RecordSet maiz = db->query("select p.codigo,pp.valor from productos p, producto_propiedad pp, "
                               "propiedades n where p.id_producto=pp.id_producto and "
                               "n.id_propiedad=pp.id_propiedad and trim(p.codigo)='MAIZ' and "
                               "n.nombre='Proteína bruta'");
    ASSERT_EQ(maiz.count(), 1);
    EXPECT_DOUBLE_EQ(maiz.toDouble("valor"), 9.55);
    EXPECT_EQ(maiz.toString("codigo").size(), 20);
    // An empty maximum stays Null, as "no upper limit".
    EXPECT_GT(count(*db, "select * from formula_producto where maximo IS NULL"), 0);

    EXPECT_THROW(Database::openFile(dir.filePath("missing.db")), StoreError);
    QFile junk(dir.filePath("junk.db"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is not a database at all, just text");
    junk.close();
    EXPECT_THROW(Database::openFile(junk.fileName()), StoreError);
}

TEST(Database, TracePrintsTranslatedStatementsAndTransactionBoundaries) {
    QTemporaryDir dir;
    const QString path = dir.filePath("trace.db");
    Database::createFile(path, false);
    testing::internal::CaptureStderr();
    qputenv("DOSIVANT_SQL_TRACE", "1");
    auto db = Database::openFile(path);
    qunsetenv("DOSIVANT_SQL_TRACE");
    {
        Database::Transaction tx(*db);
        db->exec("UPDATE formulas SET fecha_modificacion=#12/31/2009# WHERE id_formula=1");
        tx.commit();
    }
    { Database::Transaction abandoned(*db); }
    const std::string trace = testing::internal::GetCapturedStderr();
    EXPECT_NE(trace.find("SQL: BEGIN\n"), std::string::npos);
    EXPECT_NE(trace.find("fecha_modificacion='2009-12-31'"), std::string::npos);
    EXPECT_NE(trace.find("SQL: COMMIT\n"), std::string::npos);
    EXPECT_NE(trace.find("SQL: ROLLBACK\n"), std::string::npos);
}

// A failed statement is quoted in its message by its beginning: a batch of thousands of rows
// must not fill the screen.
TEST(Database, AFailedLongStatementIsQuotedByItsBeginning) {
    TempDatabase t;
    QStringList rows;
    for (int i = 0; i < 2000; ++i)
        rows << QStringLiteral("(%1,%1,0.5)").arg(i);
    const QString insert = "insert into tabla_que_no_existe (a,b,c) values " + rows.join(',');
    QString text;
    try {
        t.db().exec(insert);
    } catch (const StoreError& e) {
        text = e.message();
    }
    EXPECT_TRUE(text.contains("[insert into tabla_que_no_existe (a,b,c) values (0,0,0.5),"))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QString::fromUtf8("…]")) || text.contains(QString::fromUtf8("…]")))
        << text.toStdString();
    EXPECT_LT(text.size(), 1000) << text.size();
    EXPECT_EQ(store::quotedStatement("select 1"), "[select 1]");
}
