#include "store/added_tables.h"
#include "store/database.h"
#include "store/database_copy.h"
#include "store/schema.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using store::Database;

namespace {

const QStringList kAddedTables = {"formula_relacion", "grupos", "grupo_producto",
                                  "formula_grupo",    "planes", "plan_formula",
                                  "plan_producto"};

void dropAddedTables(Database& db) {
    for (const QString& t : kAddedTables)
        db.exec("drop table " + t);
}

// The definitions of the first tables and indexes, to prove an opening touched nothing else.
QString firstTablesSchema(Database& db) {
    QString all;
    store::RecordSet rs = db.query("select name,sql from sqlite_master where name not like "
                                   "'sqlite_%' order by name");
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const QString name = rs.toString("name");
        const bool added = std::any_of(kAddedTables.begin(), kAddedTables.end(),
                                       [&](const QString& t) { return name.startsWith(t); });
        if (!added && name != "revisiones")
            all += name + ": " + rs.toString("sql") + '\n';
    }
    return all;
}

// Every row of the query as text, Null as "Null".
QString rowsText(Database& db, const QString& sql) {
    QString out;
    store::RecordSet rs = db.query(sql);
    for (int r = 0; r < rs.count(); ++r) {
        for (int c = 0; c < rs.fieldCount(); ++c)
            out += (rs.valueAt(r, c).isValid() ? rs.valueAt(r, c).toString() : "Null") + '|';
        out += '\n';
    }
    return out;
}

int count(Database& db, const QString& sql) {
    return db.query(sql).valueAt(0, 0).toInt();
}

} // namespace

TEST(AddedTables, SchemaListsThemWithTheirColumnsAsAddedLater) {
    std::map<QString, std::pair<QStringList, bool>> tables;
    for (const store::TableColumns& t : store::schemaTables())
        tables[t.table] = {t.columns, t.addedLater};
    EXPECT_EQ(tables["formula_relacion"],
              std::make_pair(QStringList{"id_formula", "id_propiedad", "id_propiedad_divisor",
                                         "minimo", "maximo", "valor"},
                             true));
    EXPECT_EQ(tables["grupos"], std::make_pair(QStringList{"id_grupo", "nombre"}, true));
    EXPECT_EQ(tables["grupo_producto"],
              std::make_pair(QStringList{"id_grupo", "id_producto"}, true));
    EXPECT_EQ(
        tables["formula_grupo"],
        std::make_pair(QStringList{"id_formula", "id_grupo", "minimo", "maximo", "valor"}, true));
    EXPECT_EQ(tables["formula_propiedad"].first,
              (QStringList{"id_formula", "id_propiedad", "minimo", "maximo", "valor"}));
    EXPECT_FALSE(tables["formula_propiedad"].second);
    EXPECT_EQ(tables["planes"], std::make_pair(QStringList{"id_plan", "nombre", "fecha"}, true));
    EXPECT_EQ(tables["plan_formula"],
              std::make_pair(QStringList{"id_plan", "id_formula", "cantidad"}, true));
    EXPECT_EQ(
        tables["plan_producto"],
        std::make_pair(QStringList{"id_plan", "id_producto", "disponible", "minimo_uso"}, true));
    // The weighable mixes and the variability of compositions, named as stored files rely on.
    EXPECT_EQ(tables["formula_uso_minimo"],
              std::make_pair(QStringList{"id_formula", "id_producto", "minimo"}, true));
    EXPECT_EQ(tables["formula_opciones"],
              std::make_pair(QStringList{"id_formula", "max_ingredientes", "redondear"}, true));
    EXPECT_EQ(tables["producto_pesada"], std::make_pair(QStringList{"id_producto", "paso"}, true));
    EXPECT_EQ(tables["producto_propiedad_desvio"],
              std::make_pair(QStringList{"id_producto", "id_propiedad", "desvio"}, true));
    EXPECT_EQ(tables["producto_analisis"],
              std::make_pair(QStringList{"id_analisis", "id_producto", "id_propiedad", "fecha",
                                         "lote", "valor"},
                             true));
    EXPECT_EQ(tables["formula_propiedad_probabilidad"],
              std::make_pair(QStringList{"id_formula", "id_propiedad", "probabilidad"}, true));
    EXPECT_EQ(tables["producto_propiedad_fuente"],
              std::make_pair(QStringList{"id_producto", "id_propiedad", "fuente"}, true));
    EXPECT_EQ(tables.size(), 22u);
}

TEST(AddedTables, ADatabaseOfTheFirstSchemaOpensAndGainsThemWithTheirKeys) {
    TempDatabase t(true);
    dropAddedTables(t.db());
    const QString before = t.db().isServer() ? QString() : firstTablesSchema(t.db());
    const int formulas = count(t.db(), "select count(*) from formulas");
    auto db = Database::openFile(t.path());
    for (const QString& table : kAddedTables)
        EXPECT_TRUE(store::hasTable(*db, table)) << table.toStdString();
    EXPECT_EQ(count(*db, "select count(*) from grupos"), 0);
    EXPECT_EQ(count(*db, "select count(*) from formulas"), formulas);
    if (!db->isServer()) {
        EXPECT_EQ(firstTablesSchema(*db), before);
    }

    // The keys hold: a pair (or triple) stored twice and a group name repeated are refused.
    db->exec("insert into grupos (id_grupo,nombre) values (1,'Granos')");
    EXPECT_THROW(db->exec("insert into grupos (id_grupo,nombre) values (2,'Granos')"),
                 store::StoreError);
    db->exec("insert into grupo_producto (id_grupo,id_producto) values (1,1)");
    EXPECT_THROW(db->exec("insert into grupo_producto (id_grupo,id_producto) values (1,1)"),
                 store::StoreError);
    db->exec("insert into formula_relacion (id_formula,id_propiedad,id_propiedad_divisor,minimo,"
             "maximo,valor) values (1,6,8,1.8,2.2,Null)");
    db->exec("insert into formula_relacion (id_formula,id_propiedad,id_propiedad_divisor) values "
             "(1,8,6)");
    EXPECT_THROW(db->exec("insert into formula_relacion (id_formula,id_propiedad,"
                          "id_propiedad_divisor) values (1,6,8)"),
                 store::StoreError);
    db->exec("insert into formula_grupo (id_formula,id_grupo,minimo) values (1,1,450)");
    EXPECT_THROW(db->exec("insert into formula_grupo (id_formula,id_grupo) values (1,1)"),
                 store::StoreError);
}

TEST(AddedTables, AnOlderFormulasTableGainsTheColumnOfBrokenLimitsKeepingItsRows) {
    TempDatabase t(true);
    t.db().exec("alter table formulas drop column limites_incumplidos");
    const QString rows = rowsText(t.db(), "select * from formulas order by id_formula");
    auto db = Database::openFile(t.path());
    ASSERT_TRUE(store::hasColumn(*db, "formulas", "limites_incumplidos"));
    EXPECT_EQ(count(*db, "select count(*) from formulas where limites_incumplidos is null"), 4);
    EXPECT_EQ(rowsText(*db, "select id_formula,codigo,producto,cantidad,version,fecha_creacion,"
                            "fecha_modificacion,tipoBase,tipoBaseNutrientes from formulas order "
                            "by id_formula"),
              rows);
    db->exec("update formulas set limites_incumplidos='Calcio máximo 1.10, la mezcla 1.35' "
             "where id_formula=2");
    EXPECT_EQ(db->query("select limites_incumplidos from formulas where id_formula=2")
                  .valueAt(0, 0)
                  .toString(),
              "Calcio máximo 1.10, la mezcla 1.35");
}

TEST(AddedTables, AReadOnlyOpeningLeavesAnOldFileAsItWasAndFindsNoTables) {
    QTemporaryDir dir;
    const QString path = dir.filePath("antiguo.db");
    Database::createFile(path, true);
    {
        auto older = Database::openFile(path);
        dropAddedTables(*older);
        older->exec("alter table formulas drop column limites_incumplidos");
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    {
        auto db = Database::openFile(path, Database::OpenMode::ReadOnly);
        EXPECT_FALSE(store::hasTable(*db, "grupos"));
        EXPECT_FALSE(store::hasColumn(*db, "formulas", "limites_incumplidos"));
        EXPECT_EQ(count(*db, "select count(*) from formulas"), 4);
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll() == before);
}

TEST(AddedTables, ACopyCarriesTheGroupsAndLimits) {
    if (testsOnServer())
        GTEST_SKIP() << "file to file; the command line's tests copy to and from a server";
    QTemporaryDir dir;
    const QString from = dir.filePath("origen.db");
    const QString to = dir.filePath("copia.db");
    Database::createFile(from, true);
    Database::openFile(from)->exec("update formulas set limites_incumplidos='Sodio mínimo 0.15, "
                                   "la mezcla 0.12' where id_formula=3");
    QStringList copied;
    store::copyDatabase(from, to, [&](const QString& table, int) { copied << table; });
    for (const QString& table : kAddedTables)
        EXPECT_TRUE(copied.contains(table)) << table.toStdString();
    auto source = Database::openFile(from);
    auto copy = Database::openFile(to);
    for (const QString& table : kAddedTables)
        EXPECT_EQ(count(*copy, "select count(*) from " + table),
                  count(*source, "select count(*) from " + table))
            << table.toStdString();
    EXPECT_EQ(count(*copy, "select count(*) from grupo_producto"), 6);
    const QString marked =
        "select id_formula,limites_incumplidos from formulas where limites_incumplidos is not null";
    EXPECT_EQ(rowsText(*copy, marked), rowsText(*source, marked));
    EXPECT_EQ(count(*copy, "select count(*) from formulas where limites_incumplidos is not null"),
              1);
}
