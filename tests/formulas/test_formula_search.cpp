#include "formula_rows.h"
#include "formulas/formula_messages.h"
#include "formulas/formula_search.h"
#include "support/temp_database.h"

#include <QStringList>
#include <gtest/gtest.h>

using formulas::FormulaFilter;

namespace {

const QString kSelect = "SELECT f.id_formula,f.codigo,f.producto,f.cantidad,f.version,"
                        "f.fecha_creacion,f.fecha_modificacion,NULL AS limites_incumplidos,"
                        "(SELECT SUM(fc.porcentaje_humeda*fc.costo) FROM formula_producto fc "
                        "WHERE fc.id_formula=f.id_formula) AS costo_unitario FROM Formulas f";
const QString kOrder = " ORDER BY fecha_modificacion DESC";

QStringList codes(store::Database& db, const FormulaFilter& filter) {
    store::RecordSet rs = db.query(formulas::searchStatement(filter));
    QStringList out;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out << rs.toString("codigo");
    return out;
}

} // namespace

TEST(FormulaSearch, StatementTextForEachFilledFilter) {
    EXPECT_EQ(formulas::searchStatement({}), kSelect + " WHERE True" + kOrder);
    // The list reads the limits a version was saved breaking where the database keeps them.
    EXPECT_EQ(formulas::searchStatement({}, true),
              QString(kSelect).replace("NULL AS limites_incumplidos", "f.limites_incumplidos") +
                  " WHERE True" + kOrder);

    struct Case {
        FormulaFilter filter;
        QString where;
    };
    auto with = [](auto set) {
        FormulaFilter f;
        set(f);
        return f;
    };
    const Case cases[] = {
        {with([](FormulaFilter& f) { f.codeFrom = "  F1 "; }), " AND f.codigo>='F1'"},
        {with([](FormulaFilter& f) { f.codeTo = "F9"; }), " AND f.codigo<='F9'"},
        {with([](FormulaFilter& f) { f.product = " pollo "; }), " AND f.producto LIKE '%pollo%'"},
        {with([](FormulaFilter& f) { f.createdFrom = "1/2/2009"; }),
         " and f.fecha_creacion>=#02/01/2009#"},
        {with([](FormulaFilter& f) { f.createdTo = "31/12/2009"; }),
         " and (f.fecha_creacion<=#12/31/2009# or (f.fecha_creacion IS NULL))"},
        {with([](FormulaFilter& f) { f.modifiedFrom = "05/03/2010"; }),
         " and f.fecha_modificacion>=#03/05/2010#"},
        {with([](FormulaFilter& f) { f.modifiedTo = "06/03/2010"; }),
         " and (f.fecha_modificacion<=#03/06/2010# or (f.fecha_modificacion IS NULL))"},
        // Value bounds without a nutrient are ignored.
        {with([](FormulaFilter& f) { f.valueFrom = "abc"; }), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formulas::searchStatement(c.filter), kSelect + " WHERE True" + c.where + kOrder);

    FormulaFilter all;
    all.codeFrom = "A";
    all.codeTo = "Z";
    all.product = "cerdo";
    all.createdFrom = "01/01/2009";
    all.createdTo = "31/12/2009";
    all.modifiedFrom = "01/01/2010";
    all.modifiedTo = "31/12/2010";
    all.nutrientId = 4;
    all.valueFrom = "1.50";
    all.valueTo = " 2e1 ";
    all.ingredientId = 7;
    EXPECT_EQ(formulas::searchStatement(all),
              kSelect + ",formula_propiedad fn,formula_producto fi WHERE True" +
                  " AND f.codigo>='A' AND f.codigo<='Z' AND f.producto LIKE '%cerdo%'" +
                  " and f.fecha_creacion>=#01/01/2009#" +
                  " and (f.fecha_creacion<=#12/31/2009# or (f.fecha_creacion IS NULL))" +
                  " and f.fecha_modificacion>=#01/01/2010#" +
                  " and (f.fecha_modificacion<=#12/31/2010# or (f.fecha_modificacion IS NULL))" +
                  " and f.id_formula=fn.id_formula and fn.id_propiedad=4" +
                  " and fn.valor>=1.5 and fn.valor<=20" +
                  " and f.id_formula=fi.id_formula and fi.id_producto=7" + kOrder);

    FormulaFilter nutrientOnly;
    nutrientOnly.nutrientId = 3;
    EXPECT_EQ(formulas::searchStatement(nutrientOnly),
              kSelect + ",formula_propiedad fn WHERE True" +
                  " and f.id_formula=fn.id_formula and fn.id_propiedad=3" + kOrder);
    FormulaFilter ingredientOnly;
    ingredientOnly.ingredientId = 12;
    EXPECT_EQ(formulas::searchStatement(ingredientOnly),
              kSelect + ",formula_producto fi WHERE True" +
                  " and f.id_formula=fi.id_formula and fi.id_producto=12" + kOrder);
}

TEST(FormulaSearch, TypedTextIsQuotedAndWildcardsAreLiteral) {
    FormulaFilter f;
    f.codeFrom = "O'H";
    f.product = "50%_x\\";
    EXPECT_EQ(formulas::searchStatement(f),
              kSelect + " WHERE True AND f.codigo>='O''H'" +
                  " AND f.producto LIKE '%50\\%\\_x\\\\%' ESCAPE '\\'" + kOrder);

    TempDatabase t;
    addFormula(t.db(), 1, "A", "Mezcla 50% proteína");
    addFormula(t.db(), 2, "B", "Mezcla 500 proteína");
    addFormula(t.db(), 3, "C", "Harina de O'Higgins; -- drop");
    addFormula(t.db(), 4, "D", "MAÍZ molido");
    FormulaFilter percent;
    percent.product = "50%";
    EXPECT_EQ(codes(t.db(), percent), QStringList({"A"}));
    FormulaFilter underscore;
    underscore.product = "5_0";
    EXPECT_TRUE(codes(t.db(), underscore).isEmpty());
    FormulaFilter apostrophe;
    apostrophe.product = "o'higgins; --";
    EXPECT_EQ(codes(t.db(), apostrophe), QStringList({"C"}));
    FormulaFilter accents;
    accents.product = "maiz";
    EXPECT_EQ(codes(t.db(), accents), QStringList({"D"}));
    EXPECT_EQ(rowCount(t.db(), "select * from formulas"), 4);
}

TEST(FormulaSearch, DateBoundsAndFormulasWithoutDates) {
    TempDatabase t;
    store::Database& db = t.db();
    addFormula(db, 1, "F1", "uno", 0, {2009, 6, 1}, {2010, 1, 10});
    addFormula(db, 2, "F2", "dos", 0, {2009, 12, 31}, {2010, 3, 5});
    addFormula(db, 3, "F3", "tres", 0, {2010, 1, 1}, {2010, 2, 1});
    addFormula(db, 4, "F4", "sin fechas");

    // Most recently modified first; no date last.
    EXPECT_EQ(codes(db, {}), QStringList({"F2", "F3", "F1", "F4"}));

    FormulaFilter createdTo;
    createdTo.createdTo = "31/12/2009";
    EXPECT_EQ(codes(db, createdTo), QStringList({"F2", "F1", "F4"}));
    FormulaFilter createdFrom;
    createdFrom.createdFrom = "31/12/09";
    EXPECT_EQ(codes(db, createdFrom), QStringList({"F2", "F3"}));
    FormulaFilter modified;
    modified.modifiedFrom = "1/2/2010";
    modified.modifiedTo = "5/3/2010";
    EXPECT_EQ(codes(db, modified), QStringList({"F2", "F3"}));
    FormulaFilter modifiedTo;
    modifiedTo.modifiedTo = "01/02/2010";
    EXPECT_EQ(codes(db, modifiedTo), QStringList({"F3", "F1", "F4"}));
}

TEST(FormulaSearch, NutrientValueAndIngredientFilters) {
    TempDatabase t;
    store::Database& db = t.db();
    addFormula(db, 1, "F1", "uno", 0, {}, {2010, 1, 1});
    addFormula(db, 2, "F2", "dos", 0, {}, {2010, 1, 2});
    addFormula(db, 3, "F3", "tres", 0, {}, {2010, 1, 3});
    addFormulaNutrient(db, 1, 5, 18.5);
    addFormulaNutrient(db, 2, 5, 22);
    addFormulaNutrient(db, 2, 6, 1);
    addFormulaIngredient(db, 1, 9);
    addFormulaIngredient(db, 3, 9);
    addFormulaIngredient(db, 3, 8);

    FormulaFilter nutrient;
    nutrient.nutrientId = 5;
    EXPECT_EQ(codes(db, nutrient), QStringList({"F2", "F1"}));
    nutrient.valueFrom = "20";
    EXPECT_EQ(codes(db, nutrient), QStringList({"F2"}));
    nutrient.valueFrom = "";
    nutrient.valueTo = "18.5";
    EXPECT_EQ(codes(db, nutrient), QStringList({"F1"}));

    FormulaFilter ingredient;
    ingredient.ingredientId = 9;
    EXPECT_EQ(codes(db, ingredient), QStringList({"F3", "F1"}));
    ingredient.nutrientId = 5;
    EXPECT_EQ(codes(db, ingredient), QStringList({"F1"}));
}

TEST(FormulaSearch, ChecksDatesFirstThenValuesOfAChosenNutrient) {
    FormulaFilter f;
    EXPECT_FALSE(formulas::checkFilter(f));
    f.valueFrom = "abc"; // no nutrient chosen: not checked
    EXPECT_FALSE(formulas::checkFilter(f));
    f.nutrientId = 2;
    auto problem = formulas::checkFilter(f);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->message, "Debe ingresar un valor numérico Válido");
    EXPECT_EQ(problem->field, "Text7");
    f.valueFrom = " 12.5 ";
    f.valueTo = "1,5";
    EXPECT_EQ(formulas::checkFilter(f)->field, "Text8");

    f.modifiedTo = "32/01/2009";
    EXPECT_EQ(formulas::checkFilter(f)->field, "Text13");
    EXPECT_EQ(formulas::checkFilter(f)->message, "La fecha no es Válida");
    f.createdTo = "31/02/2009";
    EXPECT_EQ(formulas::checkFilter(f)->field, "Text5");
    f.createdFrom = "12/31/2009"; // month first is not a date here
    EXPECT_EQ(formulas::checkFilter(f)->field, "Text4");
}

TEST(FormulaDelete, RemovesTheFormulaWithItsRowsOrNothing) {
    TempDatabase t;
    store::Database& db = t.db();
    addFormula(db, 1, "F1", "uno");
    addFormula(db, 2, "F2", "dos");
    for (int id : {1, 2}) {
        addFormulaNutrient(db, id, 5, 1);
        addFormulaNutrient(db, id, 6, 1);
        addFormulaIngredient(db, id, 9);
        db.exec("insert into formula_relacion (id_formula,id_propiedad,id_propiedad_divisor) "
                "values (" +
                QString::number(id) + ",5,6)");
        db.exec("insert into formula_grupo (id_formula,id_grupo,maximo) values (" +
                QString::number(id) + ",1,50)");
    }
    auto rowsOf = [&](int id) {
        const QString where = " where id_formula=" + QString::number(id);
        return rowCount(db, "select * from formulas" + where) +
               rowCount(db, "select * from formula_propiedad" + where) +
               rowCount(db, "select * from formula_producto" + where) +
               rowCount(db, "select * from formula_relacion" + where) +
               rowCount(db, "select * from formula_grupo" + where);
    };
    // two table checks, the ratio and group limits, nutrients, ingredients, the header
    for (int failing = 1; failing <= 7; ++failing) {
        SCOPED_TRACE(failing);
        db.failStatementAfter(failing);
        EXPECT_THROW(formulas::deleteFormula(db, 1), store::StoreError);
        db.failStatementAfter(0);
        EXPECT_EQ(rowsOf(1), 6);
    }
    formulas::deleteFormula(db, 1);
    EXPECT_EQ(rowsOf(1), 0);
    EXPECT_EQ(rowsOf(2), 6);
}

TEST(FormulaList, OpensOnEveryFormulaWithAColumnPerField) {
    TempDatabase t(true);
    const lists::ListDescription list = formulas::formulaList();
    EXPECT_EQ(list.objectName, "frmformulas");
    EXPECT_EQ(list.caption, formulas::texts::kListCaption);
    EXPECT_EQ(list.searchTitle, "Búsqueda");
    EXPECT_EQ(list.openingStatement, formulas::searchStatement({}));
    EXPECT_EQ(list.acceptCaption, "Aceptar");
    EXPECT_EQ(list.cancelCaption, "Cancelar");
    EXPECT_FALSE(list.buttonsTakeFocus) << "a click must not take the focus from a date box";
    ASSERT_NE(list.columns, nullptr);
    const store::RecordSet rows = t.db().query(list.openingStatement);
    EXPECT_EQ(size_t(rows.fieldCount()), list.columns().size());
    EXPECT_EQ(list.fillColumn, 2);
}
