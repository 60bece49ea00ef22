#include "catalog/catalog_texts.h"
#include "catalog/composition.h"
#include "catalog/ingredient_search.h"
#include "catalog/ingredients.h"
#include "catalog/new_key.h"
#include "catalog/nutrient_search.h"
#include "catalog/nutrients.h"
#include "store/revisions.h"
#include "store/sql_text.h"
#include "support/fault_sweep.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using catalog::IngredientFields;
using catalog::Refusal;

namespace {

int count(store::Database& db, const QString& sql) {
    return db.query(sql).valueAt(0, 0).toInt();
}

// Every row of the tables the catalogue writes, as text, to prove a failed write left nothing.
QString snapshot(store::Database& db) {
    return queryRows(db, {"select * from productos order by id_producto",
                          "select * from propiedades order by id_propiedad",
                          "select * from producto_propiedad order by id_producto,id_propiedad",
                          "select * from precio_historial order by id_producto,fecha",
                          "select * from producto_pesada order by id_producto"});
}

catalog::IngredientValues values(const QString& code, const QString& name) {
    return {code, name, "Kg", 0.25, 88};
}

// The fault sweep of fault_sweep.h over this file's tables.
template <class Write> int failAtEveryStatement(store::Database& db, Write write) {
    return ::failAtEveryStatement(
        db, [&] { return snapshot(db); }, write);
}

} // namespace

TEST(IngredientEditor, ChecksInOrderWithTheirControls) {
    IngredientFields t{" A1 ", "Maíz", "Kg", "0.2", "88"};
    EXPECT_FALSE(catalog::checkIngredient(t));
    // The weighing step: empty is none, else a number above 0.
    for (const char* step : {"5", "0.1", " "}) {
        t.paso = step;
        EXPECT_FALSE(catalog::checkIngredient(t)) << step;
    }
    for (const char* step : {"0", "-5", "cinco", "1e400"}) {
        t.paso = step;
        EXPECT_EQ(catalog::checkIngredient(t), (Refusal{catalog::kPasoInvalido, "txtPaso"}))
            << step;
    }
    t.paso.clear();
    t.materiaSeca = "100";
    EXPECT_FALSE(catalog::checkIngredient(t));
    t.materiaSeca = "0";
    EXPECT_FALSE(catalog::checkIngredient(t));
    t.materiaSeca = "100.01";
    EXPECT_EQ(catalog::checkIngredient(t),
              (Refusal{"El valor debe estar comprendido entre 0 y 100", "Text4"}));
    t.materiaSeca = "-1";
    EXPECT_EQ(catalog::checkIngredient(t),
              (Refusal{"El valor debe estar comprendido entre 0 y 100", "Text4"}));
    t.materiaSeca = "";
    EXPECT_EQ(catalog::checkIngredient(t),
              (Refusal{"Debe ingresar el Porcentaje de Materia Seca del Producto", "Text4"}));
    t.costo = "0,2";
    EXPECT_EQ(catalog::checkIngredient(t),
              (Refusal{"Debe ingresar el Costo por Unidad de Producto", "Text3"}));
    t.unidad = " ";
    EXPECT_EQ(catalog::checkIngredient(t), (Refusal{"Debe ingresar la Unidad", "Combo1"}));
    t.nombre = "";
    EXPECT_EQ(catalog::checkIngredient(t), (Refusal{"Debe ingresar la Descripción", "Text2"}));
    t.codigo = "  ";
    EXPECT_EQ(catalog::checkIngredient(t), (Refusal{"Debe ingresar el Código", "Text1"}));

    EXPECT_EQ(catalog::checkNutrient({" ", ""}),
              (Refusal{"Debe ingresar la Descripción", "Text1"}));
    EXPECT_FALSE(catalog::checkNutrient({"Lisina", ""}));
}

TEST(IngredientWrites, CreateStoresPaddedCodeKeyAndOneZeroRowPerNutrient) {
    TempDatabase t;
    store::Database& db = t.db();
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (3,'A','%')");
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (8,'B','%')");

    const auto first = catalog::createIngredient(db, values(" A1 ", "O'Higgins \"50%\"; --"));
    EXPECT_FALSE(first.refusal);
    EXPECT_EQ(first.id, 1); // first key of an empty table
    store::RecordSet row = db.query("select * from productos where id_producto=1");
    EXPECT_EQ(row.toString("codigo"), QString(18, ' ') + "A1");
    EXPECT_EQ(row.toString("nombre"), "O'Higgins \"50%\"; --");
    EXPECT_EQ(count(db, "select count(*) from producto_propiedad where id_producto=1 and valor=0"),
              2);

    // The code is unique, compared trimmed; nothing is written for a refused one.
    const auto again = catalog::createIngredient(db, values("A1", "Otro"));
    EXPECT_EQ(again.refusal, (Refusal{"El Código del Producto Ya fue Ingresado", "Text1"}));
    EXPECT_EQ(count(db, "select count(*) from productos"), 1);

    EXPECT_EQ(catalog::createIngredient(db, values("B2", "Dos")).id, 2);
    catalog::deleteIngredient(db, 2);
    EXPECT_EQ(catalog::createIngredient(db, values("B3", "Tres")).id, 2); // max + 1 again

    // Updates leave the code alone; a vanished row reports false.
    EXPECT_TRUE(catalog::updateIngredient(db, 1, {"ZZ", "Nuevo", "mg", 1.5, 90}));
    row = db.query("select * from productos where id_producto=1");
    EXPECT_EQ(row.toString("codigo").trimmed(), "A1");
    EXPECT_EQ(row.toString("unidad"), "mg");
    EXPECT_FALSE(catalog::updateIngredient(db, 77, {"ZZ", "x", "mg", 1, 1}));
}

TEST(IngredientWrites, TheWeighingStepIsStoredWithTheIngredientOrNotAtAll) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const auto step = [&](int id) {
        store::RecordSet rs =
            db.query("select paso from producto_pesada where id_producto=" + QString::number(id));
        return rs.count() ? std::optional<double>(rs.valueAt(0, 0).toDouble()) : std::nullopt;
    };
    catalog::IngredientValues v = values("PESA", "Con paso");
    v.paso = 5;
    const int nutrients = count(db, "select count(*) from propiedades");
    int id = 0;
    // As any new ingredient (5 + one row per nutrient), then the weighing table looked for, the
    // step's update (no row yet) and its insert.
    EXPECT_EQ(failAtEveryStatement(db, [&] { id = catalog::createIngredient(db, v).id; }),
              5 + nutrients + 3);
    EXPECT_EQ(step(id), 5.0);
    std::optional<catalog::IngredientRecord> record = catalog::loadIngredient(db, id);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->shown.paso, "5");

    // Changed: updated in place, whole or not at all with the rest of the ingredient.
    IngredientFields typed = record->shown;
    typed.paso = "0.1";
    EXPECT_EQ(
        failAtEveryStatement(
            db, [&] { catalog::updateIngredient(db, id, catalog::valuesToStore(typed, *record)); }),
        4);
    EXPECT_EQ(step(id), 0.1);
    // A step stored with more decimals than shown keeps them when left alone.
    db.exec("update producto_pesada set paso=0.123456 where id_producto=" + QString::number(id));
    record = catalog::loadIngredient(db, id);
    EXPECT_EQ(catalog::valuesToStore(record->shown, *record).paso, 0.123456);
    // Emptied: the step is taken away.
    typed = record->shown;
    typed.paso = "";
    ASSERT_TRUE(catalog::updateIngredient(db, id, catalog::valuesToStore(typed, *record)));
    EXPECT_FALSE(step(id));
    EXPECT_EQ(catalog::loadIngredient(db, id)->shown.paso, "");
}

TEST(IngredientWrites, FormattedNumbersLeftAloneKeepTheirStoredPrecision) {
    TempDatabase t;
    store::Database& db = t.db();
    db.exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) values "
            "(5,'A','Maíz','Kg',0.123456,88.5)");
    const auto record = catalog::loadIngredient(db, 5);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->shown.costo, "0.1235");
    EXPECT_EQ(record->shown.materiaSeca, "88.5");
    IngredientFields typed = record->shown;
    typed.nombre = "Maíz molido";
    EXPECT_EQ(catalog::valuesToStore(typed, *record).costo, 0.123456);
    typed.costo = "0.2";
    EXPECT_EQ(catalog::valuesToStore(typed, *record).costo, 0.2);
    EXPECT_FALSE(catalog::loadIngredient(db, 6));
}

TEST(IngredientWrites, EveryMultiStatementWriteIsWholeOrNothing) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const int nutrients = count(db, "select count(*) from propiedades");
    const int ingredients = count(db, "select count(*) from productos");

    // code check, key, insert, its first price, nutrient list, then one insert per nutrient
    int id = 0;
    EXPECT_EQ(failAtEveryStatement(
                  db, [&] { id = catalog::createIngredient(db, values("NEW", "Nuevo")).id; }),
              5 + nutrients);
    EXPECT_EQ(count(db, "select count(*) from producto_propiedad where id_producto=" +
                            QString::number(id)),
              nutrients);

    const int nid = [&] {
        int k = 0;
        failAtEveryStatement(db, [&] { k = catalog::createNutrient(db, {"Lisina", "%"}); });
        return k;
    }();
    EXPECT_EQ(count(db, "select count(*) from producto_propiedad where valor=0 and id_propiedad=" +
                            QString::number(nid)),
              ingredients + 1);

    std::vector<catalog::CompositionValue> mix{{1, 2.5}, {2, 0.75}};
    failAtEveryStatement(
        db, [&] { id = catalog::createIngredient(db, values("MIX", "Mezcla"), mix).id; });
    EXPECT_EQ(count(db, "select count(*) from producto_propiedad where id_producto=" +
                            QString::number(id)),
              2);

    // A price change: the price read, the update, the look for an earlier history and its row,
    // the weighing table looked for and the ingredient's step taken away (it has none).
    EXPECT_EQ(failAtEveryStatement(
                  db,
                  [&] {
                      catalog::updateIngredient(db, id, {"MIX", "Mezcla", "Kg", 0.5, 88});
                  }),
              6);
    // per table (memberships, plan stock, the weighing and variability tables) its check and
    // delete, then history, composition, ingredient
    EXPECT_EQ(failAtEveryStatement(db, [&] { catalog::deleteIngredient(db, id); }), 19);
    EXPECT_EQ(count(db, "select count(*) from producto_propiedad where id_producto=" +
                            QString::number(id)),
              0);
    // per table (ratio limits, probabilities, variability) its check and delete, composition,
    // nutrient
    EXPECT_EQ(failAtEveryStatement(db, [&] { catalog::deleteNutrient(db, nid); }), 14);
    EXPECT_FALSE(catalog::loadNutrient(db, nid));
    EXPECT_EQ(count(db, "select count(*) from producto_propiedad where id_propiedad=" +
                            QString::number(nid)),
              0);
}

TEST(IngredientWrites, TwoWindowsOnOneDatabaseNeverShareAKey) {
    TempDatabase t(true);
    auto other = store::Database::openFile(t.path());
    store::Database& mine = t.db();

    // This window looks the key up; the other stores an ingredient under it meanwhile.
    const int stale = mine.nextKey("productos", "id_producto");
    const auto theirs = catalog::createIngredient(*other, values("OTRO", "Del otro"));
    ASSERT_EQ(theirs.id, stale);
    int used = 0;
    EXPECT_NO_THROW(used = catalog::insertWithNewKey(
                        mine, "productos", "id_producto",
                        [](int k) {
                            return "insert into productos (id_producto,codigo,nombre) values (" +
                                   QString::number(k) + ",'MIO','Mío')";
                        },
                        stale));
    EXPECT_EQ(used, stale + 1);

    // A code stored by the other window is refused, not shown as a failure.
    catalog::createIngredient(*other, values("X9", "Otro"));
    EXPECT_EQ(catalog::createIngredient(mine, values("X9", "Mío")).refusal->message,
              catalog::texts::kCodigoRepetido);

    // Nutrients alternate between the windows without a clash.
    const int a = catalog::createNutrient(mine, {"A", "%"});
    const int b = catalog::createNutrient(*other, {"B", "%"});
    EXPECT_EQ(b, a + 1);
    // A failure that is not a taken key is passed on.
    EXPECT_THROW(
        catalog::insertWithNewKey(mine, "propiedades", "id_propiedad",
                                  [](int) { return QString("insert into nada values (1)"); }),
        store::StoreError);
}

TEST(IngredientWrites, DeleteChecksReportRowsAndFormulasThatUseIt) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const int maiz = db.query("select id_producto from productos where trim(codigo)='MAIZ'")
                         .valueAt(0, 0)
                         .toInt();
    EXPECT_TRUE(catalog::ingredientHasNutrients(db, maiz));
    EXPECT_GT(catalog::formulasUsingIngredient(db, maiz), 0);
    const int prot = db.query("select id_propiedad from propiedades where nombre='Proteína bruta'")
                         .valueAt(0, 0)
                         .toInt();
    EXPECT_TRUE(catalog::nutrientHasIngredients(db, prot));
    EXPECT_GT(catalog::formulasUsingNutrient(db, prot), 0);
    const int lonely = catalog::createNutrient(db, {"Solo", ""});
    db.exec("delete from producto_propiedad where id_propiedad=" + QString::number(lonely));
    EXPECT_FALSE(catalog::nutrientHasIngredients(db, lonely));
    EXPECT_EQ(catalog::formulasUsingNutrient(db, lonely), 0);

    EXPECT_EQ(catalog::texts::askDeleteIngredient("Maíz", 0),
              "¿Desea eliminar el Ingrediente Maíz?");
    EXPECT_EQ(catalog::texts::askDeleteIngredient("Maíz", 2),
              "¿Desea eliminar el Ingrediente Maíz?\n\nLo usan 2 fórmulas guardadas, que dejarán "
              "de tenerlo.");
    EXPECT_EQ(catalog::texts::askDeleteIngredientWithNutrients("Maíz"),
              "El Ingrediente << Maíz >> posee nutrientes asignados\n\n¿Confirma la Eliminación "
              "del Ingrediente?");
    EXPECT_EQ(catalog::texts::askDeleteNutrientWithIngredients("Lisina"),
              "El Nutriente << Lisina >> posee Ingredientes asignados\n\n¿Confirma la Eliminación "
              "del Nutriente?");
}

TEST(CompositionEditor, AddChangeDeleteAndTheEditDecisions) {
    TempDatabase t;
    store::Database& db = t.db();
    EXPECT_EQ(catalog::addNutrientToIngredient(db, 1, 2), catalog::AddOutcome::Added);
    EXPECT_EQ(catalog::addNutrientToIngredient(db, 1, 2), catalog::AddOutcome::AlreadyPresent);
    EXPECT_EQ(count(db, "select count(*) from producto_propiedad"), 1);
    EXPECT_TRUE(catalog::updateCompositionValue(db, 1, 2, 3.25));
    EXPECT_EQ(db.query("select valor from producto_propiedad").valueAt(0, 0).toDouble(), 3.25);
    EXPECT_FALSE(catalog::updateCompositionValue(db, 1, 3, 1));
    catalog::deleteComposition(db, 1, 2);
    EXPECT_EQ(count(db, "select count(*) from producto_propiedad"), 0);

    EXPECT_EQ(catalog::startValueOf(""), 0);
    EXPECT_EQ(catalog::startValueOf("3.25000"), 3.25);
    EXPECT_TRUE(catalog::editUnchanged(" 3.25 ", 3.25));
    EXPECT_FALSE(catalog::editUnchanged("abc", 0));
    EXPECT_FALSE(catalog::editUnchanged("", 0)); // blank is stored as 0 on Enter, not skipped
    EXPECT_EQ(catalog::valueToStore("  "), 0.0);
    EXPECT_EQ(catalog::valueToStore("1.5"), 1.5);
    EXPECT_FALSE(catalog::valueToStore("1,5"));
    EXPECT_EQ(catalog::texts::askSaveValue("1.5", "Lisina"),
              "¿Desea Grabar el Valor 1.50 para el Nutriente Lisina?");
    EXPECT_EQ(catalog::texts::askSaveValue("1.123456", "Lisina"),
              "¿Desea Grabar el Valor 1.12346 para el Nutriente Lisina?");
    EXPECT_EQ(catalog::texts::askDeleteComposition(" Lisina "),
              "¿Confirma la eliminación del Nutriente Lisina para el Producto?");
}

TEST(FormulaAsIngredient, MixValuesBecomeDryMatterContents) {
    const std::vector<catalog::MixNutrientValue> n{{4, 20.0}, {9, std::nullopt}};
    auto dry = catalog::mixComposition(n, true, 80);
    ASSERT_EQ(dry.size(), 2u);
    EXPECT_EQ(dry[0].idPropiedad, 4);
    EXPECT_EQ(dry[0].valor, 20.0);
    EXPECT_EQ(dry[1].valor, 0.0);
    // 20 per unit as fed at 80 % dry matter is 25 per unit of dry matter.
    EXPECT_EQ(catalog::mixComposition(n, false, 80)[0].valor, 25.0);
    EXPECT_EQ(catalog::mixComposition(n, false, 0)[0].valor, 20.0);
}

// After an imported key of 2147483647 the next one would wrap to -2147483648.
TEST(IngredientWrites, NoNewKeyPastTheLargest32BitOneAndNothingWritten) {
    TempDatabase t(true);
    store::Database& db = t.db();
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (2147483647,'I','%')");
    db.exec("insert into productos (id_producto,codigo,nombre) values (2147483647,'IMP','I')");
    const QString before = snapshot(db);
    EXPECT_THROW(catalog::createNutrient(db, {"Lisina", "%"}), store::KeyRangeError);
    EXPECT_THROW(catalog::createIngredient(db, values("NEW", "Nuevo")), store::KeyRangeError);
    EXPECT_EQ(snapshot(db), before);
    EXPECT_EQ(count(db, "select count(*) from propiedades where id_propiedad<0"), 0);
}

// A search for a typed "%" or "_" finds only the names holding it: the wildcard, unescaped,
// would match every name around it as well.
TEST(CatalogueSearch, TypedWildcardsMatchOnlyThemselves) {
    TempDatabase t;
    store::Database& db = t.db();
    const QStringList names = {"Grasa 50% bypass", "Grasa 500 bypass", "Grasa 5 x bypass",
                               "Sal_fina",         "Sal fina",         "Salxfina"};
    for (int i = 0; i < names.size(); ++i) {
        const QString id = QString::number(i + 1);
        db.exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) "
                "values (" +
                id + "," + sql::codeText("C" + id) + "," + sql::text(names[i]) + ",'Kg',1,90)");
        db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (" + id + "," +
                sql::text(names[i]) + ",'%')");
        db.exec("insert into producto_propiedad (id_producto,id_propiedad,valor) values (1," + id +
                ",1)");
    }
    auto found = [&](const QString& sql, const QString& column) {
        QStringList out;
        store::RecordSet rs = db.query(sql);
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            out << rs.toString(column);
        return out;
    };
    for (const auto& [typed, expected] :
         {std::pair<QString, QString>{"50%", "Grasa 50% bypass"}, {"l_f", "Sal_fina"}}) {
        catalog::IngredientFilter f;
        f.name = typed;
        EXPECT_EQ(found(catalog::ingredientSearchSql(f), "nombre"), QStringList{expected});
        EXPECT_EQ(found(catalog::nutrientSearchSql(typed), "nombre"), QStringList{expected});
        EXPECT_EQ(found(catalog::compositionSql(1, typed), "nombre"), QStringList{expected});
    }
}

// Each save of an editor raises the row's change counter from the revision it loaded, every
// time, not only the first: an editor still holding the revision before is refused and writes
// nothing, however many saves came between.
TEST(CatalogueEdits, EverySaveOfAnEditorRaisesTheChangeCounter) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const int id = 1;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const QString name = "Ronda " + QString::number(round);

        const auto first = catalog::loadIngredient(db, id);
        const auto second = catalog::loadIngredient(db, id);
        ASSERT_TRUE(first && second);
        catalog::IngredientValues v{first->shown.codigo, name, "Kg", 1.0 + round, 88};
        EXPECT_TRUE(catalog::updateIngredient(db, id, v, first->revision));
        EXPECT_EQ(store::readRevision(db, "productos", id), first->revision + 1);
        v.nombre = "Viejo";
        EXPECT_THROW(catalog::updateIngredient(db, id, v, second->revision), store::StaleRowError);
        EXPECT_EQ(catalog::loadIngredient(db, id)->shown.nombre, name);
        EXPECT_EQ(store::readRevision(db, "productos", id), first->revision + 1);

        const int loaded = catalog::nutrientRevision(db, 2);
        EXPECT_TRUE(catalog::updateNutrient(db, 2, {name, "%"}, loaded));
        EXPECT_EQ(catalog::nutrientRevision(db, 2), loaded + 1);
        EXPECT_THROW(catalog::updateNutrient(db, 2, {"Viejo", "%"}, loaded), store::StaleRowError);
        EXPECT_EQ(catalog::loadNutrient(db, 2)->nombre, name);
        EXPECT_EQ(catalog::nutrientRevision(db, 2), loaded + 1);
    }
}

TEST(CatalogueEdits, TheLaterSaveOfAStaleIngredientOrNutrientIsRefused) {
    TempDatabase t(true);
    auto other = store::Database::openFile(t.path());
    const int id = 1;
    const auto mine = catalog::loadIngredient(t.db(), id);
    const auto theirs = catalog::loadIngredient(*other, id);
    ASSERT_TRUE(mine && theirs);
    catalog::IngredientValues v{theirs->shown.codigo, "Suyo", "Kg", 1.5, 88};
    EXPECT_TRUE(catalog::updateIngredient(*other, id, v, theirs->revision));
    v.nombre = "Mío";
    try {
        catalog::updateIngredient(t.db(), id, v, mine->revision);
        ADD_FAILURE() << "a stale ingredient was saved";
    } catch (const store::StaleRowError& e) {
        EXPECT_EQ(e.message(), "El ingrediente fue modificado por otro usuario; vuelva a abrirlo");
    }
    EXPECT_EQ(catalog::loadIngredient(t.db(), id)->shown.nombre, "Suyo");
    const auto again = catalog::loadIngredient(t.db(), id);
    EXPECT_TRUE(catalog::updateIngredient(t.db(), id, v, again->revision));
    EXPECT_TRUE(catalog::updateIngredient(t.db(), id, v)); // no revision given: not checked

    const int mineAt = catalog::nutrientRevision(t.db(), 2);
    EXPECT_TRUE(catalog::updateNutrient(*other, 2, {"Energía", "Mcal"},
                                        catalog::nutrientRevision(*other, 2)));
    EXPECT_THROW(catalog::updateNutrient(t.db(), 2, {"Otra", "%"}, mineAt), store::StaleRowError);
    EXPECT_EQ(catalog::loadNutrient(t.db(), 2)->nombre, "Energía");
}
