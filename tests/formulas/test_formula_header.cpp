#include "formula_rows.h"
#include "formulas/formula_header.h"
#include "formulas/formula_messages.h"
#include "formulas/formula_search.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <gtest/gtest.h>

using formulas::HeaderInput;
using formulas::HeaderOpening;

namespace {

const QDate kToday(2026, 3, 4);

HeaderInput input(const QString& code, const QString& product, double cantidad = 1000) {
    HeaderInput in;
    in.code = code;
    in.product = product;
    in.cantidad = cantidad;
    in.today = kToday;
    return in;
}

store::RecordSet row(store::Database& db, int id) {
    return db.query("select * from formulas where id_formula=" + QString::number(id));
}

} // namespace

TEST(FormulaHeader, StatementTexts) {
    HeaderInput in = input("  F1 ", " Pollo de O'Higgins ", 1000.5);
    in.secaIng = true;
    in.secaNut = false;
    EXPECT_EQ(formulas::insertStatement(7, in, 2),
              "insert into formulas (id_formula,codigo,producto,cantidad,version,fecha_creacion,"
              "fecha_modificacion,tipoBase,tipoBaseNutrientes) values (7,'F1','Pollo de "
              "O''Higgins',1000.5,2,#03/04/2026#,#03/04/2026#,0,1)");
    in.secaIng = false;
    in.secaNut = true;
    EXPECT_EQ(formulas::updateStatement(7, in),
              "UPDATE formulas SET producto='Pollo de O''Higgins',cantidad=1000.5,"
              "fecha_modificacion=#03/04/2026#,tipoBase=1,tipoBaseNutrientes=0 WHERE "
              "id_formula=7");
}

TEST(FormulaHeader, OpeningNewAndSavedFormulas) {
    TempDatabase t;
    store::Database& db = t.db();
    HeaderOpening empty = formulas::openHeader(db, 0);
    EXPECT_TRUE(empty.isNew);
    EXPECT_EQ(empty.lastCode, "");
    EXPECT_EQ(empty.versionLoaded, "0");
    EXPECT_TRUE(empty.message.isEmpty());

    addFormula(db, 1, "F1", "Pollo", 0);
    addFormula(db, 2, "F1", "Pollo", 1);
    addFormula(db, 3, "B7", "Cerdo", 0);
    EXPECT_EQ(formulas::openHeader(db, -3).lastCode, "F1");

    HeaderOpening saved = formulas::openHeader(db, 1);
    EXPECT_FALSE(saved.isNew);
    EXPECT_EQ(saved.formulaId, 1);
    EXPECT_EQ(saved.code, "F1");
    EXPECT_EQ(saved.product, "Pollo");
    EXPECT_EQ(saved.versionLoaded, "0");
    EXPECT_EQ(saved.nextVersion, "2");
    EXPECT_EQ(formulas::openHeader(db, 3).nextVersion, "1");

    HeaderOpening missing = formulas::openHeader(db, 99);
    EXPECT_EQ(missing.formulaId, -1);
    EXPECT_EQ(missing.message, "No es posible grabar la fórmula");
}

TEST(FormulaHeader, NewFormulaThenUpdateThenNewVersions) {
    TempDatabase t;
    store::Database& db = t.db();
    HeaderInput in = input(" F1 ", "Pollo's iniciador");
    in.secaIng = false;
    auto out = formulas::saveHeader(db, formulas::openHeader(db, 0), in);
    ASSERT_TRUE(out.saved) << out.message.toStdString();
    EXPECT_EQ(out.idFormula, 1); // first key of an empty table
    store::RecordSet r = row(db, 1);
    EXPECT_EQ(r.toString("codigo"), "F1");
    EXPECT_EQ(r.toString("producto"), "Pollo's iniciador");
    EXPECT_EQ(r.toDouble("version"), 0);
    EXPECT_EQ(r.toDouble("cantidad"), 1000);
    EXPECT_EQ(r.toString("fecha_creacion"), "2026-03-04");
    EXPECT_EQ(r.toString("fecha_modificacion"), "2026-03-04");
    EXPECT_EQ(r.toInt("tipoBase"), 1);
    EXPECT_EQ(r.toInt("tipoBaseNutrientes"), 0);

    // Saved again without Check1: the same row changes, code, version and creation stay.
    HeaderInput again = input("ignored", "Pollo final", 500);
    again.today = kToday.addDays(3);
    out = formulas::saveHeader(db, formulas::openHeader(db, 1), again);
    ASSERT_TRUE(out.saved);
    EXPECT_EQ(out.idFormula, 1);
    r = row(db, 1);
    EXPECT_EQ(r.toString("codigo"), "F1");
    EXPECT_EQ(r.toString("producto"), "Pollo final");
    EXPECT_EQ(r.toDouble("cantidad"), 500);
    EXPECT_EQ(r.toDouble("version"), 0);
    EXPECT_EQ(r.toString("fecha_creacion"), "2026-03-04");
    EXPECT_EQ(r.toString("fecha_modificacion"), "2026-03-07");
    EXPECT_EQ(r.toInt("tipoBase"), 0);
    EXPECT_EQ(rowCount(db, "select * from formulas"), 1);

    // With Check1: versions 1 then 2, each a new row with today's dates; older rows untouched.
    for (int expected : {1, 2}) {
        HeaderOpening opened = formulas::openHeader(db, 1);
        HeaderInput v = input(opened.code, "Pollo v" + QString::number(expected));
        v.newVersion = true;
        v.today = kToday.addDays(10);
        out = formulas::saveHeader(db, opened, v);
        ASSERT_TRUE(out.saved);
        EXPECT_EQ(out.idFormula, 1 + expected);
        r = row(db, out.idFormula);
        EXPECT_EQ(r.toString("codigo"), "F1");
        EXPECT_EQ(r.toDouble("version"), expected);
        EXPECT_EQ(r.toString("fecha_creacion"), "2026-03-14");
    }
    EXPECT_EQ(row(db, 1).toString("producto"), "Pollo final");
    EXPECT_EQ(row(db, 2).toString("producto"), "Pollo v1");
}

TEST(FormulaHeader, RefusalsInTheirOrderWriteNothing) {
    TempDatabase t;
    store::Database& db = t.db();
    addFormula(db, 1, "F1", "Pollo");
    const HeaderOpening fresh = formulas::openHeader(db, 0);

    auto out = formulas::saveHeader(db, fresh, input("  ", "", 1e9));
    EXPECT_EQ(out.message, "Debe ingresar el Código de la Fórmula");
    EXPECT_EQ(out.focus, formulas::kFocusCode);
    out = formulas::saveHeader(db, fresh, input("F2", " ", 1e9));
    EXPECT_EQ(out.message, "Debe ingresar el Producto para la Fórmula");
    EXPECT_EQ(out.focus, formulas::kFocusProduct);
    out = formulas::saveHeader(db, fresh, input("F2", "Cerdo", 32767.5));
    EXPECT_EQ(out.message, formulas::texts::kQuantityOutOfRange);
    out = formulas::saveHeader(db, fresh, input(" F1", "Cerdo"));
    EXPECT_EQ(out.message, "El Código de la Fórmula Ya fue Ingresado");
    EXPECT_EQ(out.focus, formulas::kFocusCode);
    EXPECT_FALSE(out.saved);
    EXPECT_EQ(rowCount(db, "select * from formulas"), 1);

    // A row deleted while the editor was open is not reported as saved.
    const HeaderOpening opened = formulas::openHeader(db, 1);
    db.exec("delete from formulas where id_formula=1");
    out = formulas::saveHeader(db, opened, input("F1", "Pollo"));
    EXPECT_FALSE(out.saved);
    EXPECT_EQ(out.message, "No es posible grabar la fórmula");
}

TEST(FormulaHeader, QuantitiesTheWorkspaceCanLoadBackWhole) {
    EXPECT_TRUE(formulas::quantityFitsWorkspace(1000));
    EXPECT_TRUE(formulas::quantityFitsWorkspace(32767.4));
    EXPECT_TRUE(formulas::quantityFitsWorkspace(-32768));
    EXPECT_TRUE(formulas::quantityFitsWorkspace(0.5));
    EXPECT_FALSE(formulas::quantityFitsWorkspace(32767.5)); // rounds to 32768
    EXPECT_FALSE(formulas::quantityFitsWorkspace(40000));
    EXPECT_FALSE(formulas::quantityFitsWorkspace(-32768.6));
    EXPECT_FALSE(formulas::quantityFitsWorkspace(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(formulas::quantityFitsWorkspace(std::nan("")));
}

TEST(FormulaHeader, AFailureAtAnyStatementLeavesTheDatabaseAsItWas) {
    TempDatabase t;
    store::Database& db = t.db();
    addFormula(db, 1, "F1", "Pollo");
    const QString snapshot = "select id_formula,codigo,producto,version from formulas order by 1";
    auto contents = [&] {
        QStringList out;
        store::RecordSet rs = db.query(snapshot);
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            out << rs.toString("codigo") + "/" + rs.toString("producto") + "/" +
                       rs.toString("version");
        return out.join(" | ").toStdString();
    };
    HeaderInput newVersion = input("F1", "Pollo v1");
    newVersion.newVersion = true;
    // New formula: code check, key, insert. New version: repeated versions, version, key,
    // insert. Update: one.
    struct Case {
        int opened;
        HeaderInput in;
        int statements;
    };
    const Case cases[] = {
        {0, input("F2", "Cerdo"), 3}, {1, newVersion, 4}, {1, input("F1", "Otro"), 1}};
    for (const Case& c : cases) {
        const HeaderOpening opened = formulas::openHeader(db, c.opened);
        const std::string before = contents();
        for (int failing = 1; failing <= c.statements; ++failing) {
            SCOPED_TRACE(c.in.product.toStdString() + " " + std::to_string(failing));
            db.failStatementAfter(failing);
            auto out = formulas::saveHeader(db, opened, c.in);
            db.failStatementAfter(0);
            EXPECT_FALSE(out.saved);
            EXPECT_FALSE(out.message.isEmpty());
            EXPECT_EQ(contents(), before);
        }
        EXPECT_TRUE(formulas::saveHeader(db, opened, c.in).saved);
    }
}

TEST(FormulaHeader, TwoWindowsOnOneDatabaseNeverShareAKeyOrAVersion) {
    TempDatabase t;
    auto other = store::Database::openFile(t.path());
    store::Database& mine = t.db();
    addFormula(mine, 1, "F1", "Pollo");

    // Both open F1 and both save a new version: the second gets the next number and key.
    const HeaderOpening a = formulas::openHeader(mine, 1);
    const HeaderOpening b = formulas::openHeader(*other, 1);
    HeaderInput in = input("F1", "Pollo");
    in.newVersion = true;
    auto outB = formulas::saveHeader(*other, b, in);
    auto outA = formulas::saveHeader(mine, a, in);
    ASSERT_TRUE(outA.saved && outB.saved);
    EXPECT_NE(outA.idFormula, outB.idFormula);
    EXPECT_EQ(row(mine, outB.idFormula).toDouble("version"), 1);
    EXPECT_EQ(row(mine, outA.idFormula).toDouble("version"), 2);

    // Both start a new formula with the same code: the later one is refused.
    const HeaderOpening freshA = formulas::openHeader(mine, 0);
    const HeaderOpening freshB = formulas::openHeader(*other, 0);
    EXPECT_TRUE(formulas::saveHeader(*other, freshB, input("F9", "Nueva")).saved);
    EXPECT_EQ(formulas::saveHeader(mine, freshA, input("F9", "Nueva")).message,
              "El Código de la Fórmula Ya fue Ingresado");
    EXPECT_EQ(rowCount(mine, "select * from formulas where codigo='F9'"), 1);
}

// A database that already holds one version of a code in two rows (saved before it refused
// that) still opens and saves other formulas; a new version of that code is refused, naming the
// code and the version, until the extra row is deleted. The next opening then makes the index,
// and from then on the database itself refuses a repeated version.
TEST(FormulaHeader, AVersionStoredTwiceIsNamedUntilOnlyOneIsLeft) {
    TempDatabase t;
    t.db().exec("drop index formulas_codigo_version");
    addFormula(t.db(), 1, "F1", "Pollo", 1);
    addFormula(t.db(), 2, "F1", "Pollo bis", 1);
    addFormula(t.db(), 3, "F2", "Cerdo", 0);
    auto db = store::Database::openFile(t.path());
    HeaderInput in = input("F1", "Pollo");
    in.newVersion = true;
    formulas::SaveOutcome out = formulas::saveHeader(*db, formulas::openHeader(*db, 1), in);
    EXPECT_FALSE(out.saved);
    EXPECT_EQ(out.message, "La fórmula F1 tiene 2 filas con la versión 1. No se graba una versión "
                           "nueva de ella mientras una versión esté repetida: elimine las filas "
                           "sobrantes en la lista de fórmulas y vuelva a grabar.");
    HeaderInput other = input("F2", "Cerdo");
    other.newVersion = true;
    EXPECT_TRUE(formulas::saveHeader(*db, formulas::openHeader(*db, 3), other).saved);

    db->exec("delete from formulas where id_formula=2");
    out = formulas::saveHeader(*db, formulas::openHeader(*db, 1), in);
    ASSERT_TRUE(out.saved) << out.message.toStdString();
    EXPECT_EQ(row(*db, out.idFormula).toDouble("version"), 2);
    db.reset();
    db = store::Database::openFile(t.path());
    EXPECT_THROW(addFormula(*db, 9, "F1", "Otra", 2), store::StoreError);
    EXPECT_EQ(rowCount(*db, "select * from formulas where codigo='F1'"), 2);
}

TEST(FormulaTexts, EveryMessageAsTheUserReadsIt) {
    using namespace formulas::texts;
    EXPECT_EQ(kListCaption, "Fórmulas");
    EXPECT_EQ(kInvalidDate, "La fecha no es Válida");
    EXPECT_EQ(kInvalidValue, "Debe ingresar un valor numérico Válido");
    EXPECT_EQ(deleteQuestion("F1"), "¿Desea eliminar la Fórmula F1?");
    EXPECT_EQ(kDeleteFailed, "No es posible eliminar el Registro");
    EXPECT_EQ(kPickToolTip, "Asignar presupuesto ");
    EXPECT_EQ(kEditorCaption, "Grabar Fórmula");
    EXPECT_EQ(kNewVersionCheck, "Guardar una nueva Versión de la Fórmula");
    EXPECT_EQ(kCannotSave, "No es posible grabar la fórmula");
    EXPECT_EQ(kNoVersion, "No se pudo recuperar la versión");
    EXPECT_EQ(kCodeMissing, "Debe ingresar el Código de la Fórmula");
    EXPECT_EQ(kProductMissing, "Debe ingresar el Producto para la Fórmula");
    EXPECT_EQ(kCodeTaken, "El Código de la Fórmula Ya fue Ingresado");
    EXPECT_EQ(kNoId, "No se pudo recuperar el id");
}

TEST(FormulaHeader, NoKeyPastTheLargest32BitOneAndItsMessageShown) {
    TempDatabase t;
    store::Database& db = t.db();
    addFormula(db, 2147483647, "IMPORTADA", "Pollo");
    const auto out = formulas::saveHeader(db, formulas::openHeader(db, 0), input("F2", "Cerdo"));
    EXPECT_FALSE(out.saved);
    EXPECT_TRUE(out.message.contains("formulas") && out.message.contains("2147483647"))
        << out.message.toStdString();
    EXPECT_EQ(rowCount(db, "select * from formulas"), 1);
}

TEST(FormulaHeader, ADamagedFileRefusesTheSaveAndTheDeleteSayingSo) {
    if (testsOnServer())
        GTEST_SKIP() << "the damage is made in the file's pages";
    TempDatabase t(true);
    t.db().exec("PRAGMA writable_schema=ON");
    // An index of the ingredients, which neither write reads, points at its table's pages.
    t.db().exec("update sqlite_master set rootpage=(select rootpage from sqlite_master where "
                "name='productos') where name='productos_nombre'");
    auto db = store::Database::openFile(t.path());
    const auto out = formulas::saveHeader(*db, formulas::openHeader(*db, 0), input("F9", "Cerdo"));
    EXPECT_FALSE(out.saved);
    EXPECT_TRUE(out.message.contains("está dañado") && out.message.contains(".recover"))
        << out.message.toStdString();
    EXPECT_THROW(formulas::deleteFormula(*db, 1), store::DamagedFileError);
    EXPECT_EQ(rowCount(*db, "select * from formulas"), 4);
}
