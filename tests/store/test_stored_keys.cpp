#include "store/database.h"
#include "store/stored_values.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <gtest/gtest.h>

using store::Database;
using store::StoredValueError;

namespace {

QString queryError(Database& db, const QString& sql) {
    try {
        db.query(sql);
    } catch (const StoredValueError& e) {
        return e.message();
    }
    return {};
}

void addFormula(Database& db, const QString& id, const QString& code, const QString& tipoBase) {
    db.exec("insert into formulas (id_formula,codigo,producto,cantidad,version,tipoBase,"
            "tipoBaseNutrientes) values (" +
            id + ",'" + code + "','x',1000,0," + tipoBase + ",0)");
}

} // namespace

TEST(StoredKeys, AnIntegerBeyond32BitsIsRefusedNamingTableRowAndColumnNeverCut) {
    if (testsOnServer())
        GTEST_SKIP() << "a server's integer columns refuse such keys when they are written";
    TempDatabase t;
    Database& db = t.db();
    // 3000000000 cut to 32 bits is -1294967296: the key of another formula.
    addFormula(db, "3000000000", "GRANDE", "0");
    addFormula(db, "-1294967296", "OTRA", "0");
    addFormula(db, "7", "BASE", "4294967297");

    const QString list = queryError(db, "SELECT f.id_formula,f.codigo FROM Formulas f WHERE True "
                                        "and f.codigo='GRANDE'");
    EXPECT_EQ(list, "El valor «3000000000» de la columna id_formula de la tabla formulas "
                    "(id_formula=3000000000) no es un número entero de 32 bits.");
    // The row is named by its key even when the value lies in another column.
    EXPECT_EQ(queryError(db, "select codigo,tipoBase,id_formula from formulas where id_formula=7"),
              "El valor «4294967297» de la columna tipoBase de la tabla formulas "
              "(id_formula=7) no es un número entero de 32 bits.");
    // Without its key in the result, by its place.
    EXPECT_TRUE(queryError(db, "select tipoBase from formulas order by codigo")
                    .contains("tipoBase de la tabla formulas (fila 1 del resultado)"));
    // A real beyond the range in an integer column is no better.
    db.exec("update formulas set tipoBaseNutrientes=1e12 where id_formula=7");
    EXPECT_TRUE(queryError(db, "select id_formula,tipoBaseNutrientes from formulas where "
                               "id_formula=7")
                    .contains("tipoBaseNutrientes"));

    // Rows that fit are read as before, and a computed integer past 32 bits is a number.
    EXPECT_EQ(db.query("select id_formula from formulas where codigo='OTRA'").value(0).toInt(),
              -1294967296);
    const store::RecordSet sum =
        db.query("select sum(tipoBase) as total, count(*) as n from formulas");
    EXPECT_EQ(sum.field(0).type, store::FieldType::Double);
    EXPECT_DOUBLE_EQ(sum.value(0).toDouble(), 4294967297.0);
    EXPECT_EQ(sum.value(1).toInt(), 3);
}

TEST(StoredKeys, NewKeysStopAtTheLargest32BitKeyWithAClearMessage) {
    if (testsOnServer())
        GTEST_SKIP() << "a server's integer columns refuse such keys when they are written";
    TempDatabase t;
    Database& db = t.db();
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (2147483646,'a','%')");
    EXPECT_EQ(db.nextKey("propiedades", "id_propiedad"), 2147483647);
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (2147483647,'b','%')");
    try {
        db.nextKey("propiedades", "id_propiedad");
        FAIL() << "a key past 2147483647 was handed out";
    } catch (const store::KeyRangeError& e) {
        EXPECT_TRUE(e.message().contains("propiedades") && e.message().contains("2147483647"))
            << e.what();
    }
    // A maximum already beyond 32 bits is no way round it either.
    db.exec("insert into productos (id_producto,codigo) values (5000000000,'X')");
    EXPECT_THROW(db.nextKey("productos", "id_producto"), store::KeyRangeError);
    // The other tables go on as before.
    EXPECT_EQ(db.nextKey("formulas", "id_formula"), 1);
}
