#include "catalog/composition.h"
#include "catalog/composition_history.h"
#include "catalog/composition_list.h"
#include "store/revisions.h"
#include "support/fault_sweep.h"
#include "support/temp_database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

catalog::CompositionListFile read(const QByteArray& content, QChar mark = u'.') {
    return catalog::readCompositionList(content, QStringLiteral("composicion.csv"), mark);
}

catalog::CompositionListPreview preview(store::Database& db, const QByteArray& content,
                                        bool create = false) {
    return catalog::previewCompositionList(db, read(content), QStringLiteral("composicion.csv"),
                                           create);
}

int idOf(store::Database& db, const QString& select) {
    return db.query(select).valueAt(0, 0).toInt();
}
int ingredient(store::Database& db, const QString& code) {
    return idOf(db, "select id_producto from productos where trim(codigo)='" + code + "'");
}
int nutrient(store::Database& db, const QString& name) {
    return idOf(db, "select id_propiedad from propiedades where nombre='" + name + "'");
}

// "line:reason" for each conflict.
QStringList conflicts(const catalog::CompositionListPreview& p) {
    QStringList out;
    for (const auto& c : p.conflicts)
        out << QString::number(c.line) + ':' + c.reason;
    return out;
}

QString snapshot(store::Database& db) {
    return queryRows(db, {"select * from propiedades order by id_propiedad",
                          "select * from producto_propiedad order by id_producto,id_propiedad",
                          "select * from producto_propiedad_fuente order by 1,2",
                          "select * from producto_propiedad_historial order by 1,2,3",
                          "select * from revisiones order by tabla,id"});
}

} // namespace

TEST(CompositionListFile, ReadsTheColumnsAndRefusesEachBadLineWithItsReason) {
    const auto file = read("Código;Propiedad;Valor;Base;Fuente\n"
                           "MAIZ;Proteína bruta;\"8,5\";humeda;Tabla FEDNA\n"
                           "\n"
                           "SOJA44;Calcio;0,3;;\n"
                           "TRIGO;Calcio;x;seca;\n"
                           "TRIGO;Sodio;0,1;tal cual;\n"
                           ";Sodio;1;;\n"
                           "MAIZ;;1;;\n"
                           "MAIZ;Sodio;;;\n"
                           "MAIZ;Sodio;1;seca;a;b\n",
                           u',');
    EXPECT_EQ(file.separator, u';');
    EXPECT_TRUE(file.hasFuente);
    ASSERT_EQ(file.lines.size(), 8u);
    EXPECT_EQ(file.lines[0].line, 2);
    EXPECT_EQ(file.lines[0].valor, 8.5);
    EXPECT_TRUE(file.lines[0].asFed);
    EXPECT_EQ(file.lines[0].fuente, "Tabla FEDNA");
    EXPECT_EQ(file.lines[1].line, 4); // the blank line is skipped, not counted as data
    EXPECT_FALSE(file.lines[1].asFed);
    QStringList problems;
    for (const auto& l : file.lines)
        problems << l.problem;
    EXPECT_EQ(problems, (QStringList{"", "", "el valor «x» no es un número",
                                     "la base «tal cual» no es humeda ni seca", "falta el código",
                                     "falta el nutriente (columna propiedad)", "falta el valor",
                                     "tiene más campos que la primera línea (¿un número con coma "
                                     "decimal sin comillas?)"}));

    // The reader is the price lists': the same refusals, in the list's own words.
    try {
        read("codigo;costo\nMAIZ;1\n");
        ADD_FAILURE() << "a price list read as a composition list";
    } catch (const catalog::ListFileError& e) {
        EXPECT_TRUE(e.message().startsWith("El archivo composicion.csv no es una lista de "
                                           "composición: su primera línea debe nombrar las "
                                           "columnas codigo, propiedad y valor"));
    }
    EXPECT_THROW(read(QByteArray("codigo;propiedad;valor\n\x01\x02", 25)), catalog::ListFileError);
}

TEST(CompositionListPreview, ConvertsValuesAsFedAndFindsEveryKindOfConflict) {
    TempDatabase t(true);
    store::Database& db = t.db();
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (900,'Cobre','ppm')");
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (901,'COBRE','ppm')");
    db.exec("update productos set materia_seca=0 where trim(codigo)='SORGO'");
    db.exec("update productos set materia_seca=Null where trim(codigo)='CEBADA'");
    const int maiz = ingredient(db, "MAIZ"), proteina = nutrient(db, "Proteína bruta");
    db.exec("insert into producto_propiedad_fuente values (" + QString::number(maiz) + "," +
            QString::number(proteina) + ",'NRC 1994')");
    const QByteArray list = "codigo,propiedad,valor,base,fuente,unidad\n"
                            "MAIZ,proteína BRUTA,8.9,humeda,,\n" // 2: any case; kept source
                            "SOJA44,Calcio,0.3,seca,Lab 12,\n"   // 3
                            "NADA,Calcio,1,,,\n"                 // 4: unknown code
                            "TRIGO,Huella de carbono,0.41,,GFLI,kg CO2e\n" // 5: new
                            "SORGO,Calcio,0.1,humeda,,\n"                  // 6: dry matter 0
                            "CEBADA,Calcio,0.1,humeda,,\n"                 // 7: dry matter unknown
                            "TRIGO,cobre,1,,,\n"                           // 8: two answer to it
                            "AFRECHO,Sodio,0.1,,,\n"                       // 9: on line 11 too
                            "AFRECHO,Calcio,x,,,\n"                        // 10
                            "AFRECHO,sodio,0.2,,,\n"                       // 11
                            "SOJA48,huella de carbono,0.9,,,\n";           // 12: the same new one

    const auto refused = preview(db, list);
    EXPECT_EQ(
        conflicts(refused),
        (QStringList{"4:el código no está en el catálogo",
                     "5:el nutriente no existe (permita crearlo para aplicar esta línea)",
                     "6:el valor es en base húmeda y el ingrediente no tiene materia seca: no se "
                     "puede pasar a base seca",
                     "7:el valor es en base húmeda y el ingrediente no tiene materia seca: no se "
                     "puede pasar a base seca",
                     "8:2 nutrientes se llaman «cobre»: cambie el nombre de los que sobran",
                     "9:el ingrediente y el nutriente se repiten en la línea 11",
                     "10:el valor «x» no es un número",
                     "12:el nutriente no existe (permita crearlo para aplicar esta línea)"}));
    EXPECT_TRUE(refused.newNutrients.empty());
    ASSERT_EQ(refused.rows.size(), 2u);
    const auto& maizRow = refused.rows[0];
    EXPECT_EQ(maizRow.propiedad, "Proteína bruta");
    EXPECT_EQ(maizRow.idPropiedad, proteina);
    EXPECT_DOUBLE_EQ(maizRow.after, 8.9 * 100 / 89); // as fed, over the maize's 89 % dry matter
    EXPECT_EQ(maizRow.materiaSeca, 89);
    EXPECT_EQ(maizRow.fuenteBefore, "NRC 1994");
    EXPECT_EQ(maizRow.fuenteAfter, "NRC 1994"); // an empty source keeps the stored one
    EXPECT_EQ(refused.rows[1].after, 0.3);
    EXPECT_EQ(refused.rows[1].fuenteAfter, "Lab 12");
    EXPECT_EQ(refused.conflictLineCount(), 9);

    // Allowed to create, the new nutrient is listed once, with the unit of its first line.
    const auto creating = preview(db, list, true);
    ASSERT_EQ(creating.newNutrients.size(), 1u);
    EXPECT_EQ(creating.newNutrients[0].nombre, "Huella de carbono");
    EXPECT_EQ(creating.newNutrients[0].unidad, "kg CO2e");
    EXPECT_EQ(creating.newNutrients[0].line, 5);
    EXPECT_EQ(creating.rows.size(), 4u);
    EXPECT_TRUE(creating.rows[2].createsNutrient());
    EXPECT_EQ(catalog::compositionSummary(creating),
              "4 valores cambian; 0 sin cambios; 1 nutriente nuevo; 7 líneas con conflictos no "
              "se aplican.");
}

TEST(CompositionListApply, WritesValuesSourcesHistoryAndNewNutrientsOrNothingAtAll) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const int maiz = ingredient(db, "MAIZ"), soja = ingredient(db, "SOJA44");
    const int trigo = ingredient(db, "TRIGO"), calcio = nutrient(db, "Calcio");
    const int proteina = nutrient(db, "Proteína bruta");
    db.exec("delete from producto_propiedad where id_producto=" + QString::number(soja) +
            " and id_propiedad=" + QString::number(calcio));
    const auto p =
        catalog::previewCompositionList(db,
                                        read("codigo;propiedad;valor;base;fuente;unidad\n"
                                             "MAIZ;Proteína bruta;8,9;humeda;FEDNA 2019;\n"
                                             "SOJA44;Calcio;0,3;;Lab 12;\n"
                                             "TRIGO;Huella de carbono;0,41;;GFLI;kg CO2e\n",
                                             u','),
                                        "composicion.csv", true);
    ASSERT_EQ(p.changeCount(), 3);
    const int maizRevision = store::readRevision(db, "productos", maiz);
    const QDateTime when(QDate(2026, 3, 2), QTime(10, 15, 0, 250));

    catalog::CompositionListApplied applied;
    const int statements = failAtEveryStatement(
        db, [&] { return snapshot(db); },
        [&] { applied = catalog::applyCompositionList(db, p, when); });
    EXPECT_GT(statements, 10);
    EXPECT_EQ(applied.values, 3);
    EXPECT_EQ(applied.ingredients, 3);
    EXPECT_EQ(applied.nutrients, 1);

    const int huella = nutrient(db, "Huella de carbono");
    ASSERT_GT(huella, 0);
    EXPECT_EQ(
        db.query("select unidad from propiedades where id_propiedad=" + QString::number(huella))
            .valueAt(0, 0)
            .toString(),
        "kg CO2e");
    EXPECT_DOUBLE_EQ(*catalog::storedComposition(db, maiz, proteina).valor, 8.9 * 100 / 89);
    EXPECT_EQ(catalog::storedComposition(db, soja, calcio).valor, 0.3); // the row is added
    EXPECT_EQ(catalog::storedComposition(db, trigo, huella).valor, 0.41);
    EXPECT_EQ(catalog::storedComposition(db, maiz, huella).valor, 0); // as the nutrient editor
    EXPECT_EQ(catalog::compositionSource(db, maiz, proteina), "FEDNA 2019");
    EXPECT_EQ(catalog::compositionSource(db, soja, calcio), "Lab 12");
    EXPECT_EQ(catalog::compositionSource(db, trigo, huella), "GFLI");
    const auto history = catalog::lastCompositions(db, maiz, proteina);
    ASSERT_EQ(history.size(), 2u); // the value it replaced, then the list's
    EXPECT_EQ(history[0].origen, catalog::kOrigenListaComposicion);
    EXPECT_EQ(history[1].origen, catalog::kOrigenValorAnterior);
    EXPECT_EQ(catalog::lastCompositions(db, soja, calcio).size(), 1u); // nothing before
    EXPECT_EQ(store::readRevision(db, "productos", maiz), maizRevision + 1);

    // The same preview again: what it read is gone, so nothing is written.
    const QString after = snapshot(db);
    EXPECT_THROW(catalog::applyCompositionList(db, p), store::StaleRowError);
    EXPECT_EQ(snapshot(db), after);
    // Read again, only a source changes; an empty source keeps the one stored.
    const auto again = preview(db, "codigo;propiedad;valor;fuente\n"
                                   "SOJA44;Calcio;0.3;Lab 13\n"
                                   "TRIGO;Huella de carbono;0.41;\n");
    EXPECT_EQ(again.changeCount(), 1);
    EXPECT_EQ(catalog::applyCompositionList(db, again).values, 1);
    EXPECT_EQ(catalog::compositionSource(db, soja, calcio), "Lab 13");
    EXPECT_EQ(catalog::compositionSource(db, trigo, huella), "GFLI");
    EXPECT_EQ(catalog::lastCompositions(db, soja, calcio).size(), 1u); // the value is the same

    // A dry matter changed since the list was read makes its conversion stale.
    const auto asFed = preview(db, "codigo;propiedad;valor;base\nMAIZ;Calcio;0.02;humeda\n");
    db.exec("update productos set materia_seca=88 where id_producto=" + QString::number(maiz));
    const QString before = snapshot(db);
    EXPECT_THROW(catalog::applyCompositionList(db, asFed), store::StaleRowError);
    EXPECT_EQ(snapshot(db), before);
}
