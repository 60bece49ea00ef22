#include "catalog/catalog_texts.h"
#include "catalog/composition.h"
#include "catalog/ingredient_search.h"
#include "catalog/nutrient_search.h"
#include "store/sql_text.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using catalog::IngredientFilter;
using catalog::Refusal;

namespace {

const QString kSelect = "select p.id_producto,p.codigo,p.nombre,p.unidad,p.costo,p.materia_seca"
                        " from productos p";

QStringList namesOf(store::RecordSet rs) {
    QStringList names;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        names << rs.toString("nombre");
    return names;
}

} // namespace

TEST(IngredientSearch, StatementForEachFilledField) {
    IngredientFilter f;
    EXPECT_EQ(catalog::ingredientSearchSql(f), kSelect + " where true order by nombre");

    f.codeFrom = " A1 ";
    f.codeTo = "12";
    EXPECT_EQ(catalog::ingredientSearchSql(f), kSelect + " where true and p.codigo>='" +
                                                   QString(18, ' ') + "A1'" + " and p.codigo<='" +
                                                   QString(18, ' ') + "12' order by nombre");

    f = {};
    f.name = " maíz ";
    f.unit = "Kg";
    f.costFrom = "0.1";
    f.costTo = "5";
    EXPECT_EQ(catalog::ingredientSearchSql(f),
              kSelect + " where true and p.nombre like '%maíz%' and p.unidad='Kg'"
                        " and p.costo>=0.1 and p.costo<=5 order by nombre");

    // The nutrient filter joins the composition; its bounds only count with a nutrient chosen.
    f = {};
    f.valueFrom = "1";
    EXPECT_EQ(catalog::ingredientSearchSql(f), kSelect + " where true order by nombre");
    f.nutrientId = 7;
    EXPECT_EQ(catalog::ingredientSearchSql(f),
              kSelect + ",producto_propiedad pp where true and p.id_producto=pp.id_producto"
                        " and pp.id_propiedad=7 and pp.valor>=1 order by nombre");
    f.valueTo = "2.5";
    f.valueFrom.clear();
    EXPECT_EQ(catalog::ingredientSearchSql(f),
              kSelect + ",producto_propiedad pp where true and p.id_producto=pp.id_producto"
                        " and pp.id_propiedad=7 and pp.valor<=2.5 order by nombre");

    // Typed text reaches SQL only as literals: quotes doubled, wildcards matching themselves,
    // numbers rewritten by the number writer, blank fields ignored.
    f = {};
    f.name = "50% o'b_";
    f.unit = "x'; drop table productos; --";
    f.costFrom = " 1e1 ";
    f.costTo = "   ";
    EXPECT_EQ(catalog::ingredientSearchSql(f),
              kSelect + " where true and p.nombre like '%50\\% o''b\\_%' escape '\\'"
                        " and p.unidad='x''; drop table productos; --' and p.costo>=10"
                        " order by nombre");

    EXPECT_EQ(catalog::nutrientSearchSql(""),
              "select p.id_propiedad,p.nombre,p.unidad from propiedades p where true order by "
              "nombre");
    EXPECT_EQ(catalog::nutrientSearchSql(" Prote "),
              "select p.id_propiedad,p.nombre,p.unidad from propiedades p where true and nombre "
              "like '%Prote%' order by nombre");
    EXPECT_EQ(catalog::compositionSql(3, ""),
              "select pp.id_producto,pp.id_propiedad,p.nombre,pp.valor,(select d.desvio from "
              "producto_propiedad_desvio d where d.id_producto=pp.id_producto and "
              "d.id_propiedad=pp.id_propiedad) as desvio,(select f.fuente from "
              "producto_propiedad_fuente f where f.id_producto=pp.id_producto and "
              "f.id_propiedad=pp.id_propiedad) as fuente from producto_propiedad pp,propiedades p "
              "where pp.id_propiedad=p.id_propiedad and pp.id_producto=3 order "
              "by pp.valor DESC,p.nombre");
    EXPECT_EQ(catalog::compositionSql(3, "ca"),
              "select pp.id_producto,pp.id_propiedad,p.nombre,pp.valor,(select d.desvio from "
              "producto_propiedad_desvio d where d.id_producto=pp.id_producto and "
              "d.id_propiedad=pp.id_propiedad) as desvio,(select f.fuente from "
              "producto_propiedad_fuente f where f.id_producto=pp.id_producto and "
              "f.id_propiedad=pp.id_propiedad) as fuente from producto_propiedad pp,propiedades p "
              "where pp.id_propiedad=p.id_propiedad and pp.id_producto=3 and "
              "p.nombre like '%ca%' order by pp.valor DESC,p.nombre");
}

TEST(IngredientSearch, ChecksCostThenNutrientBoundsInOrder) {
    IngredientFilter f;
    EXPECT_FALSE(catalog::checkIngredientFilter(f));
    f.valueTo = "x";
    EXPECT_EQ(catalog::checkIngredientFilter(f),
              (Refusal{catalog::texts::kRangoNoNumerico, "Text8"}));
    f.valueFrom = "1,5";
    EXPECT_EQ(catalog::checkIngredientFilter(f),
              (Refusal{catalog::texts::kRangoNoNumerico, "Text7"}));
    f.costTo = "abc";
    EXPECT_EQ(catalog::checkIngredientFilter(f),
              (Refusal{"El Precio de Costo debe ser numérico", "Text5"}));
    f.costFrom = "$5";
    EXPECT_EQ(catalog::checkIngredientFilter(f),
              (Refusal{"El Precio de Costo debe ser numérico", "Text4"}));
    f = {};
    f.costFrom = " 0.5 ";
    f.valueFrom = "-2";
    EXPECT_FALSE(catalog::checkIngredientFilter(f));
}

TEST(IngredientSearch, FindsRowsOnTheSampleCatalogue) {
    TempDatabase t(true);
    store::Database& db = t.db();
    store::RecordSet all = db.query(catalog::kIngredientListSql);
    ASSERT_EQ(all.count(), 21);
    EXPECT_EQ(namesOf(db.query(catalog::ingredientSearchSql({}))), namesOf(all));

    // Accents and case are ignored; what is typed is found exactly, wildcards included.
    IngredientFilter f;
    f.name = "MAIZ AMARILLO";
    EXPECT_EQ(namesOf(db.query(catalog::ingredientSearchSql(f))),
              QStringList{"Maíz amarillo grano"});
    f.name = "44%";
    EXPECT_EQ(namesOf(db.query(catalog::ingredientSearchSql(f))),
              QStringList{"Harina de soja 44%"});
    f.name = "4_%";
    EXPECT_TRUE(namesOf(db.query(catalog::ingredientSearchSql(f))).isEmpty());

    // Numeric codes compare as right-aligned text: 9 lies between 5 and 12, 100 does not.
    db.exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) values "
            "(100," +
            sql::codeText("9") + ",'Nueve','Kg',1,90)");
    db.exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) values "
            "(101," +
            sql::codeText("100") + ",'Cien','Kg',1,90)");
    f = {};
    f.codeFrom = "5";
    f.codeTo = "12";
    EXPECT_EQ(namesOf(db.query(catalog::ingredientSearchSql(f))), QStringList{"Nueve"});

    // A nutrient with empty bounds still keeps only ingredients with a row for it.
    store::RecordSet prot =
        db.query("select id_propiedad from propiedades where nombre='Proteína bruta'");
    f = {};
    f.nutrientId = prot.valueAt(0, 0).toInt();
    EXPECT_EQ(db.query(catalog::ingredientSearchSql(f)).count(), 21);
    f.valueFrom = "40";
    const QStringList rich = namesOf(db.query(catalog::ingredientSearchSql(f)));
    EXPECT_FALSE(rich.isEmpty());
    EXPECT_LT(rich.size(), 21);
}

TEST(IngredientSearch, GridShowsCodesTrimmedCostsFormattedIdsHidden) {
    store::RecordSet rs;
    rs.appendField("id_producto", store::FieldType::Integer32);
    rs.appendField("codigo", store::FieldType::Char, 20);
    rs.appendField("nombre", store::FieldType::Char, 100);
    rs.appendField("unidad", store::FieldType::Char, 20);
    rs.appendField("costo", store::FieldType::Double);
    rs.appendField("materia_seca", store::FieldType::Double);
    rs.appendRow({4, sql::paddedCode("A1"), "Maíz", "Kg", 0.1735, 89.0});
    const grid::GridContent g = catalog::ingredientGrid(rs);
    EXPECT_EQ(g.cell(0, 1).text, "A1");
    EXPECT_EQ(g.cell(0, 4).text, "0.1735"); // a price: four decimals, as everywhere
    EXPECT_EQ(g.cell(0, 4).alignment, grid::kRight);
    EXPECT_EQ(g.columns[0].widthTwips, 0);
    EXPECT_EQ(g.columns[5].widthTwips, 0);
    EXPECT_EQ(g.columns[3].widthTwips, 1100);
    EXPECT_EQ(g.header[4].background, grid::kGrey);
    EXPECT_EQ(g.header[4].foreground, grid::kWhite);
    EXPECT_EQ(catalog::compositionNameWidth(15), 5130);
    EXPECT_EQ(catalog::compositionNameWidth(16), 4890);
}
