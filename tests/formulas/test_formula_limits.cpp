#include "formulas/formula_limits.h"
#include "store/database.h"
#include "store/stored_values.h"
#include "support/fault_sweep.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <gtest/gtest.h>

using formulas::FormulaGroup;
using formulas::FormulaRatio;

namespace {

int scalar(store::Database& db, const QString& sql) {
    return db.query(sql).valueAt(0, 0).toInt();
}

int formulaId(store::Database& db, const QString& code) {
    return scalar(db, "select id_formula from formulas where codigo='" + code + "'");
}

int nutrientId(store::Database& db, const QString& name) {
    return scalar(db, "select id_propiedad from propiedades where nombre='" + name + "'");
}

int ingredientId(store::Database& db, const QString& code) {
    return scalar(db, "select id_producto from productos where trim(codigo)='" + code + "'");
}

// The ratio and group rows of every formula, as text.
QString limitRows(store::Database& db) {
    return queryRows(
        db, {"select * from formula_relacion order by id_formula,id_propiedad,id_propiedad_divisor",
             "select * from formula_grupo order by id_formula,id_grupo"});
}

// The message of a load's refusal; every word must be in it.
template <class Load> void expectRefusal(Load load, const QStringList& words) {
    try {
        load();
        ADD_FAILURE() << "the stored value was read";
    } catch (const store::StoredValueError& e) {
        for (const QString& w : words)
            EXPECT_TRUE(e.message().contains(w)) << w.toStdString() << " not in " << e.what();
    }
}

} // namespace

TEST(FormulaLimits, TheSampleFormulasLoadTheirRatiosAndGroupsWithMembers) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const int pollo = formulaId(db, "POLLO-INI");
    const auto ratios = formulas::loadFormulaRatios(db, pollo);
    ASSERT_EQ(ratios.size(), 1u);
    EXPECT_EQ(ratios[0],
              (FormulaRatio{nutrientId(db, "Calcio"), nutrientId(db, "Fósforo disponible"),
                            "Calcio", "Fósforo disponible", 1.8, 2.2, std::nullopt}));
    EXPECT_EQ(ratios[0].nombre(), "Calcio / Fósforo disponible");

    const auto groups = formulas::loadFormulaGroups(db, pollo);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].nombre, "Proteínas animales");
    EXPECT_EQ(groups[0].minimo, std::nullopt);
    EXPECT_EQ(groups[0].maximo, 50.0);
    EXPECT_EQ(groups[0].valor, std::nullopt);
    std::vector<int> animal = {ingredientId(db, "PESCADO"), ingredientId(db, "CARNE50")};
    std::sort(animal.begin(), animal.end());
    EXPECT_EQ(groups[0].ingredientIds, animal);

    const int ponedora = formulaId(db, "PONEDORA");
    EXPECT_TRUE(formulas::loadFormulaRatios(db, ponedora).empty());
    const auto layer = formulas::loadFormulaGroups(db, ponedora);
    ASSERT_EQ(layer.size(), 1u);
    EXPECT_EQ(layer[0].nombre, "Granos");
    EXPECT_EQ(layer[0].minimo, 450.0);
    EXPECT_EQ(layer[0].ingredientIds.size(), 4u);
    EXPECT_TRUE(formulas::loadFormulaGroups(db, formulaId(db, "VACA-CONC")).empty());
}

TEST(FormulaLimits, SavingMergesUpdatesInsertsAndDeletesTheFormulasRowsOnly) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const int pollo = formulaId(db, "POLLO-INI");
    const int lis = nutrientId(db, "Lisina");
    const int met = nutrientId(db, "Metionina");
    const QString others = " from formula_grupo where id_formula<>" + QString::number(pollo);
    const int otherGroups = scalar(db, "select count(*)" + others);

    auto ratios = formulas::loadFormulaRatios(db, pollo);
    ratios[0].valor = 2.1875; // the mix's own ratio, written back
    ratios.push_back({met, lis, "Metionina", "Lisina", 0.4, std::nullopt, 0.45});
    auto groups = formulas::loadFormulaGroups(db, pollo);
    const int granos = formulas::loadFormulaGroups(db, formulaId(db, "PONEDORA"))[0].id;
    groups[0].valor = 50;
    groups.push_back({granos, "Granos", {}, 300, 700, 612.5});
    {
        store::Database::Transaction tx(db);
        formulas::saveFormulaRatios(db, pollo, ratios);
        formulas::saveFormulaGroups(db, pollo, groups);
        tx.commit();
    }
    auto stored = formulas::loadFormulaRatios(db, pollo);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].nombre(), "Calcio / Fósforo disponible");
    EXPECT_EQ(stored[0].valor, 2.1875);
    EXPECT_EQ(stored[1], ratios[1]);
    auto storedGroups = formulas::loadFormulaGroups(db, pollo);
    ASSERT_EQ(storedGroups.size(), 2u);
    EXPECT_EQ(storedGroups[0].nombre, "Granos");
    EXPECT_EQ(storedGroups[0].maximo, 700.0);
    EXPECT_EQ(storedGroups[0].valor, 612.5);
    EXPECT_EQ(storedGroups[1].valor, 50.0);

    // Rows no longer given go; the other formulas keep theirs.
    formulas::saveFormulaRatios(db, pollo, {ratios[1]});
    formulas::saveFormulaGroups(db, pollo, {});
    EXPECT_EQ(formulas::loadFormulaRatios(db, pollo), std::vector<FormulaRatio>{ratios[1]});
    EXPECT_TRUE(formulas::loadFormulaGroups(db, pollo).empty());
    EXPECT_EQ(scalar(db, "select count(*)" + others), otherGroups);

    // A key given twice is refused before anything is written.
    const QString before = limitRows(db);
    EXPECT_THROW(formulas::saveFormulaRatios(db, pollo, {ratios[0], ratios[1], ratios[0]}),
                 store::StoreError);
    EXPECT_THROW(formulas::saveFormulaGroups(db, pollo, {groups[1], groups[1]}), store::StoreError);
    EXPECT_EQ(limitRows(db), before);
}

TEST(FormulaLimits, AFailureAtAnyStatementOfASaveLeavesEveryRowAsItWas) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const int pollo = formulaId(db, "POLLO-INI");
    auto ratios = formulas::loadFormulaRatios(db, pollo);
    ratios[0].minimo = std::nullopt;
    ratios.push_back({nutrientId(db, "Metionina"), nutrientId(db, "Lisina"), "Metionina", "Lisina",
                      0.4, 0.5, std::nullopt});
    std::vector<FormulaGroup> groups = {
        {formulas::loadFormulaGroups(db, formulaId(db, "PONEDORA"))[0].id, "Granos", {}, 1, 2, 3}};
    const QString before = limitRows(db);
    const int statements = failAtEveryStatement(
        db, [&] { return limitRows(db); },
        [&] {
            store::Database::Transaction tx(db);
            formulas::saveFormulaRatios(db, pollo, ratios);
            formulas::saveFormulaGroups(db, pollo, groups);
            tx.commit();
        });
    // Per table: the stored keys, then update, insert; delete the old group, insert the new.
    EXPECT_EQ(statements, 6);
    EXPECT_NE(limitRows(db), before);
    EXPECT_EQ(formulas::loadFormulaRatios(db, pollo), ratios);
}

TEST(FormulaLimits, NutrientsOrGroupsNoLongerThereAreRefusedNamingTheRow) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const int pollo = formulaId(db, "POLLO-INI");
    const QString pd = QString::number(nutrientId(db, "Fósforo disponible"));
    db.exec("delete from propiedades where id_propiedad=" + pd);
    expectRefusal([&] { formulas::loadFormulaRatios(db, pollo); },
                  {"formula_relacion", "id_formula=1", "id_propiedad_divisor=" + pd,
                   "id_propiedad_divisor", "nutriente"});
    db.exec("delete from grupos where nombre='Proteínas animales'");
    expectRefusal([&] { formulas::loadFormulaGroups(db, pollo); },
                  {"formula_grupo", "id_formula=1", "id_grupo", "grupo"});
    // Other formulas load.
    EXPECT_EQ(formulas::loadFormulaGroups(db, formulaId(db, "PONEDORA")).size(), 1u);
}

TEST(FormulaLimits, StoredValuesTheProgramCannotUseAreRefused) {
    if (testsOnServer())
        GTEST_SKIP() << "a server's typed columns refuse such values when they are written";
    TempDatabase t(true);
    store::Database& db = t.db();
    const int pollo = formulaId(db, "POLLO-INI");
    db.exec("update formula_relacion set maximo='2,2'");
    expectRefusal([&] { formulas::loadFormulaRatios(db, pollo); },
                  {"formula_relacion", "maximo", "2,2", "id_propiedad="});
    db.exec("update formula_relacion set maximo=9e999");
    expectRefusal([&] { formulas::loadFormulaRatios(db, pollo); },
                  {"formula_relacion", "maximo", "finito"});
    db.exec("update formula_grupo set valor='mucho'");
    expectRefusal([&] { formulas::loadFormulaGroups(db, pollo); },
                  {"formula_grupo", "valor", "mucho", "id_grupo="});
    db.exec("update formula_grupo set valor=Null");
    db.exec("update grupo_producto set id_producto=4294967297 where id_producto=" +
            QString::number(ingredientId(db, "PESCADO")));
    db.exec("insert into productos (id_producto,codigo,nombre) values (4294967297,'G','Grande')");
    expectRefusal([&] { formulas::loadFormulaGroups(db, pollo); },
                  {"grupo_producto", "id_producto", "4294967297", "32 bits"});
}
