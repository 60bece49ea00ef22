#include "book/worklist.h"
#include "book/worklist_grid.h"
#include "book_fixture.h"
#include "catalog/price_list.h"
#include "store/revisions.h"
#include "store/server_address.h"
#include "support/fault_sweep.h"
#include "support/scripted_messages.h"
#include "support/test_server.h"

#include <gtest/gtest.h>
#include <numeric>

using namespace book;

namespace {

Reformulation reformulateAll(store::Database& db, Selection selection = {}) {
    Reformulation run;
    run.run(db, chooseFormulas(db, selection));
    return run;
}

std::vector<int> allRows(const Reformulation& run) {
    std::vector<int> rows(run.rows().size());
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

// Rows of formula_producto and formula_propiedad whose formula does not exist.
int orphanRows(RaisedPrices& f) {
    return f.count("select count(*) from formula_producto fp where not exists (select 1 from "
                   "formulas f where f.id_formula=fp.id_formula)") +
           f.count("select count(*) from formula_propiedad fp where not exists (select 1 from "
                   "formulas f where f.id_formula=fp.id_formula)");
}

} // namespace

// A rise of maize and soybean meal makes the formulas that use them dearer; the stored mix at
// today's prices is dearer still (or as dear) than the new optimum, which never costs more than
// keeping the old mix. Nothing is written.
TEST(Reformulation, FindsTheNewOptimumOfEveryFormulaAndWritesNothing) {
    RaisedPrices f;
    ScriptedMessages messages;
    const int rowsBefore = f.count("select count(*) from formula_producto");
    Reformulation run = reformulateAll(f.db());
    ASSERT_EQ(run.rows().size(), 4u);
    QStringList codes;
    for (const WorklistRow& r : run.rows()) {
        codes << r.codigo;
        EXPECT_EQ(r.outcome, Outcome::Optimum) << r.codigo.toStdString();
        ASSERT_TRUE(r.costoAnterior && r.costoMezclaHoy && r.costoNuevo);
        EXPECT_LE(*r.costoNuevo, *r.costoMezclaHoy + 1e-12) << r.codigo.toStdString();
        EXPECT_GE(*r.costoMezclaHoy, *r.costoAnterior - 1e-12);
        ASSERT_TRUE(r.cambioPorcentual());
        EXPECT_NEAR(*r.cambioPorcentual(),
                    (*r.costoNuevo - *r.costoAnterior) / *r.costoAnterior * 100, 1e-9);
        for (const QString& in : r.entran)
            EXPECT_FALSE(r.salen.contains(in));
    }
    EXPECT_EQ(codes, QStringList({"CERDO-CREC", "POLLO-INI", "PONEDORA", "VACA-CONC"}));
    const WorklistRow& pollo = run.rows()[1];
    EXPECT_GT(*pollo.costoNuevo, *pollo.costoAnterior * 1.01); // maize is most of its mix
    EXPECT_EQ(f.count("select count(*) from formulas"), f.formulas);
    EXPECT_EQ(f.count("select count(*) from formula_producto"), rowsBefore);
    EXPECT_TRUE(messages.shown().empty()); // nobody was asked anything
}

// A stored value the program cannot use keeps that formula out with its message; a formula
// that cannot be solved names its first conflicting limit; the run goes on with the others.
TEST(Reformulation, ListsUnloadableAndInfeasibleFormulasAndGoesOn) {
    RaisedPrices f;
    ScriptedMessages messages;
    f.db().exec("update formula_producto set minimo='Infinity' where id_formula=(select id_formula "
                "from formulas where codigo='PONEDORA')");
    // Protein of at least 60 % cannot be reached by any mix of the pig formula.
    f.db().exec("update formula_propiedad set minimo=60 where id_formula=(select id_formula from "
                "formulas where codigo='CERDO-CREC') and id_propiedad=(select id_propiedad from "
                "propiedades where nombre='Proteína bruta')");
    Reformulation run = reformulateAll(f.db());
    ASSERT_EQ(run.rows().size(), 4u);
    const WorklistRow& cerdo = run.rows()[0];
    const WorklistRow& ponedora = run.rows()[2];
    EXPECT_EQ(ponedora.outcome, Outcome::NotLoaded);
    EXPECT_TRUE(ponedora.mensaje.contains("formula_producto")) << ponedora.mensaje.toStdString();
    EXPECT_FALSE(ponedora.costoNuevo);
    EXPECT_NE(cerdo.outcome, Outcome::Optimum);
    EXPECT_FALSE(cerdo.mensaje.isEmpty());
    EXPECT_FALSE(cerdo.costoNuevo);
    EXPECT_FALSE(run.after(0));
    EXPECT_EQ(run.rows()[1].outcome, Outcome::Optimum);
    EXPECT_EQ(run.rows()[3].outcome, Outcome::Optimum);
    EXPECT_TRUE(messages.shown().empty());
    // Only the two optima can be saved.
    EXPECT_EQ(run.save(f.db(), allRows(run)), std::vector<int>({1, 3}));
    EXPECT_EQ(f.count("select count(*) from formulas"), f.formulas + 2);
}

// Only the highest version of each code by default; filters and named codes narrow the choice;
// a named code that does not exist is reported; a cancelled run keeps what it finished.
TEST(Reformulation, ChoosesFormulasAndStopsWhenCancelled) {
    RaisedPrices f;
    ScriptedMessages messages;
    Reformulation first = reformulateAll(f.db());
    first.save(f.db(), {2}); // PONEDORA version 1
    EXPECT_EQ(chooseFormulas(f.db(), {}).size(), 4u);
    Selection every;
    every.highestVersionOnly = false;
    EXPECT_EQ(chooseFormulas(f.db(), every).size(), 5u);
    Selection named;
    named.codes = {"PONEDORA", "NO-EXISTE"};
    QStringList missing;
    const std::vector<ChosenFormula> ponedora = chooseFormulas(f.db(), named, &missing);
    ASSERT_EQ(ponedora.size(), 1u);
    EXPECT_EQ(ponedora[0].version, 1);
    EXPECT_EQ(missing, QStringList({"NO-EXISTE"}));
    Selection byProduct;
    byProduct.filter.product = "cerdo";
    EXPECT_EQ(chooseFormulas(f.db(), byProduct).size(), 1u);

    Reformulation run;
    int done = 0;
    Reformulation::Control control;
    control.progress = [&](int d, int total) {
        done = d;
        EXPECT_EQ(total, 4);
    };
    control.cancelled = [&] { return done == 2; };
    EXPECT_FALSE(run.run(f.db(), chooseFormulas(f.db(), {}), control));
    EXPECT_EQ(run.rows().size(), 2u);
}

// The save is all or nothing: a failure at any statement leaves no new version and no stray
// row, and the rows can be saved once the fault is gone. Each new version is the next of its
// code, with the re-formulated mix at today's prices.
TEST(Reformulation, SavesEveryNewVersionOrNone) {
    RaisedPrices f;
    ScriptedMessages messages;
    Reformulation run = reformulateAll(f.db());
    const int rowsBefore = f.count("select count(*) from formula_producto");
    // The versions, their rows, rows left without a formula, and which rows may still be saved.
    const auto state = [&] {
        QString s = QString("%1 %2 %3 ")
                        .arg(f.count("select count(*) from formulas"))
                        .arg(f.count("select count(*) from formula_producto"))
                        .arg(orphanRows(f));
        for (const WorklistRow& r : run.rows())
            s += r.savable() ? 's' : '-';
        return s;
    };
    // Every header, row and look-up of the four saves is hit.
    EXPECT_GT(failAtEveryStatement(f.db(), state, [&] { run.save(f.db(), allRows(run)); }), 20);
    EXPECT_EQ(f.count("select count(*) from formulas"), 2 * f.formulas);
    EXPECT_EQ(f.count("select count(*) from formula_producto"), 2 * rowsBefore);
    for (const WorklistRow& r : run.rows()) {
        ASSERT_TRUE(r.versionNueva);
        EXPECT_EQ(*r.versionNueva, 1);
        EXPECT_FALSE(r.savable());
        store::RecordSet stored = f.db().query(
            "select sum(porcentaje_humeda*costo) from formula_producto where id_formula=" +
            QString::number(r.idNuevo));
        EXPECT_NEAR(stored.value(0).toDouble(), *r.costoNuevo, 1e-12) << r.codigo.toStdString();
    }
    EXPECT_TRUE(run.save(f.db(), allRows(run)).empty()); // saved once only
}

// Every new version of a run carries the catalogue as it stood when the run began: a price list
// applied by someone else between the run and its save (even one that puts a price back) refuses
// the save and writes nothing; a run begun afterwards saves every formula at the new price.
TEST(Reformulation, SavesNothingWhenThePricesChangedSinceTheRunBegan) {
    RaisedPrices f;
    ScriptedMessages messages;
    auto other = store::Database::openFile(f.t.path());
    const auto applyPrice = [&](const char* maize) {
        const auto preview = catalog::previewPriceList(
            *other,
            catalog::readPriceList(QByteArray("codigo,costo\nMAIZ,") + maize + "\n", "lista.csv",
                                   u'.'),
            "lista.csv");
        ASSERT_EQ(catalog::applyPriceList(*other, preview), 1);
    };
    const auto refused = [&](Reformulation& run) {
        try {
            run.save(f.db(), allRows(run));
        } catch (const store::StaleRowError& e) {
            return e.message();
        }
        return QString();
    };
    Reformulation run = reformulateAll(f.db());
    applyPrice("0.5");
    EXPECT_EQ(refused(run), kCatalogueChanged);
    Reformulation changedBack = reformulateAll(f.db());
    applyPrice("0.6");
    applyPrice("0.5");
    EXPECT_EQ(refused(changedBack), kCatalogueChanged);
    EXPECT_EQ(f.count("select count(*) from formulas"), f.formulas);
    for (const WorklistRow& r : run.rows())
        EXPECT_TRUE(r.savable());

    Reformulation again = reformulateAll(f.db());
    EXPECT_EQ(again.save(f.db(), allRows(again)).size(), 4u);
    store::RecordSet maize = f.db().query(
        "select distinct fp.costo from formula_producto fp, productos p, formulas fo where "
        "fp.id_producto=p.id_producto and fp.id_formula=fo.id_formula and fo.version=1 and "
        "trim(p.codigo)='MAIZ'");
    ASSERT_EQ(maize.count(), 1);
    EXPECT_EQ(maize.value(0).toDouble(), 0.5);
}

// A user who may only read is told on the save which permission is missing.
TEST(Reformulation, AUserWithoutWriteRightsIsToldWhatIsMissing) {
    if (!testsOnServer())
        GTEST_SKIP() << "needs the test server";
    RaisedPrices f;
    ScriptedMessages messages;
    TestServer& server = TestServer::instance();
    server.adminExec("DO $$BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname='lector') "
                     "THEN CREATE ROLE lector LOGIN; END IF; END$$");
    f.db().exec("GRANT SELECT ON ALL TABLES IN SCHEMA public TO lector");
    auto reader = store::Database::openFile(
        server.url(store::parseServerAddress(f.t.path()).database, "lector"));
    Reformulation run = reformulateAll(*reader);
    QString message;
    try {
        run.save(*reader, allRows(run));
    } catch (const store::StoreError& e) {
        message = e.message();
    }
    EXPECT_TRUE(message.startsWith("No es posible grabar la fórmula: Su usuario no tiene permiso "
                                   "para modificar la base de datos del servidor; pida al "
                                   "administrador el permiso de escritura."))
        << message.toStdString();
    EXPECT_EQ(f.count("select count(*) from formulas"), f.formulas);
}

// The worklist sorts by any column: numbers by value, texts alphabetically, empty cells last.
TEST(Worklist, SortsByAnyColumnWithEmptyCellsLast) {
    std::vector<WorklistRow> rows(4);
    rows[0].codigo = "B";
    rows[0].costoAnterior = 1;
    rows[0].costoNuevo = 1.2;
    rows[1].codigo = "a";
    rows[2].codigo = "C";
    rows[2].costoAnterior = 2;
    rows[2].costoNuevo = 1.5;
    rows[3].codigo = "D";
    rows[3].costoAnterior = 1;
    rows[3].costoNuevo = 1;
    EXPECT_EQ(sortedRows(rows, kColCambio, true), std::vector<int>({2, 3, 0, 1}));
    EXPECT_EQ(sortedRows(rows, kColCambio, false), std::vector<int>({0, 3, 2, 1}));
    EXPECT_EQ(sortedRows(rows, kColCodigo, true), std::vector<int>({1, 0, 2, 3}));
    EXPECT_EQ(worklistCell(rows[0], kColCambio), "+20.00");
    EXPECT_EQ(worklistCell(rows[2], kColCambio), "-25.00");
    EXPECT_EQ(worklistCell(rows[3], kColCambio), "0.00");
    const grid::GridContent g = worklistGrid(rows, {0, 1, 2, 3});
    EXPECT_EQ(g.cell(0, kColCambio).foreground, grid::kRed);
    EXPECT_EQ(g.cell(2, kColCambio).foreground, grid::kGreen);
    EXPECT_FALSE(g.cell(3, kColCambio).foreground);
    EXPECT_EQ(g.cell(1, kColResultado).background, grid::kRed); // no new mix
    EXPECT_EQ(g.header[kColCambio].text, "Cambio %");           // unsorted: no arrow
    EXPECT_EQ(worklistGrid(rows, {2, 3, 0, 1}, kColCambio, true).header[kColCambio].text,
              "Cambio % \u25B2");
    EXPECT_EQ(worklistGrid(rows, {0, 3, 2, 1}, kColCambio, false).header[kColCambio].text,
              "Cambio % \u25BC");
}

// Cells cut to their column show the whole list as a tool tip; the save question agrees in
// number and says that only the selected rows are saved.
TEST(Worklist, TellsWholeListsAndHowManyAreSaved) {
    WorklistRow row;
    row.entran = QStringList({"Harina de pescado", "Fosfato dicálcico"});
    row.mensaje = "Óptimo a precios de hoy";
    EXPECT_EQ(worklistTip(row, kColEntran), "Entran:\nHarina de pescado\nFosfato dicálcico");
    EXPECT_EQ(worklistTip(row, kColSalen), ""); // nothing left the mix
    EXPECT_EQ(worklistTip(row, kColResultado),
              "Óptimo a precios de hoy\nEntran: Harina de pescado, Fosfato dicálcico");
    EXPECT_EQ(worklistTip(row, kColCodigo), "");
    // The colour of the change is explained where it shows.
    EXPECT_EQ(worklistTip(row, kColCambio), ""); // no change to colour
    row.costoAnterior = 0.25;
    row.costoNuevo = 0.26;
    EXPECT_EQ(worklistTip(row, kColCambio), "En rojo: la fórmula cuesta más a los precios de hoy");
    row.costoNuevo = 0.24;
    EXPECT_EQ(worklistTip(row, kColCambio),
              "En verde: la fórmula cuesta menos a los precios de hoy");

    EXPECT_EQ(saveQuestion(1, 1), "¿Grabar 1 fórmula seleccionada como nueva versión?\n\n"
                                  "Solo se graban las filas seleccionadas en la lista.");
    EXPECT_EQ(saveQuestion(2, 3), "¿Grabar 2 fórmulas seleccionadas como nuevas versiones?\n\n"
                                  "Solo se graban las filas seleccionadas en la lista. Otra "
                                  "fórmula reformulada queda sin grabar.");
    EXPECT_TRUE(saveQuestion(1, 4).endsWith("Otras 3 fórmulas reformuladas quedan sin grabar."));
    EXPECT_EQ(savedMessage(1), "Se grabó 1 versión nueva.");
    EXPECT_EQ(savedMessage(2), "Se grabaron 2 versiones nuevas.");
    EXPECT_EQ(savedVersionsText(1), "Grabada 1 versión nueva");
    EXPECT_EQ(savedVersionsText(3), "Grabadas 3 versiones nuevas");
}

// A formula weighed in steps of the main scale: the re-formulation searches it within its limits
// and says when a limit stopped the search before its proof, with the gap, instead of passing
// the mix found off as the optimum.
TEST(Reformulation, AWeighedFormulaStoppedBeforeItsProofIsShownAsNotProven) {
    RaisedPrices f;
    const int id = f.count("select min(id_formula) from formulas");
    f.db().exec(QString("insert into producto_pesada (id_producto,paso) select id_producto,5 from "
                        "formula_producto where id_formula=%1 and porcentaje_humeda>0.05")
                    .arg(id));
    ASSERT_GE(f.count("select count(*) from producto_pesada"), 2);
    f.db().exec(QString("insert into formula_opciones (id_formula,max_ingredientes,redondear) "
                        "values (%1,null,1)")
                    .arg(id));
    auto rowOf = [&](const Reformulation& run) {
        for (const WorklistRow& r : run.rows())
            if (r.idFormula == id)
                return r;
        ADD_FAILURE() << "no row for the weighed formula";
        return WorklistRow{};
    };

    Reformulation proven;
    proven.run(f.db(), chooseFormulas(f.db(), {}));
    const WorklistRow full = rowOf(proven);
    ASSERT_EQ(full.outcome, Outcome::Optimum) << full.mensaje.toStdString();
    ASSERT_TRUE(full.entero.has_value());
    EXPECT_TRUE(full.entero->probado);
    EXPECT_GT(full.entero->nodos, 1);
    EXPECT_EQ(resultText(full), "óptimo");
    // The formulas without conditions carry no search.
    for (const WorklistRow& r : proven.rows())
        if (r.idFormula != id) {
            EXPECT_FALSE(r.entero.has_value());
        }

    // One node finds no mix yet: the row says the search stopped without knowing whether there
    // is one. The first node limit that finds a mix shows it as not proven, with its gap.
    WorklistRow cut;
    for (long nodes = 1; nodes < full.entero->nodos; ++nodes) {
        Reformulation stopped;
        Reformulation::Control control;
        control.limits.maxNodos = nodes;
        stopped.run(f.db(), chooseFormulas(f.db(), {}), control);
        cut = rowOf(stopped);
        ASSERT_TRUE(cut.entero.has_value());
        EXPECT_FALSE(cut.entero->probado);
        EXPECT_TRUE(cut.mensaje.contains("La búsqueda se detuvo")) << cut.mensaje.toStdString();
        if (cut.outcome != Outcome::IterationLimit)
            break;
        EXPECT_EQ(resultText(cut), "límite de iteraciones");
    }
    ASSERT_EQ(cut.outcome, Outcome::Optimum) << cut.mensaje.toStdString();
    ASSERT_TRUE(cut.entero.has_value());
    EXPECT_FALSE(cut.entero->probado);
    EXPECT_GT(cut.entero->brecha, 0);
    EXPECT_GE(*cut.costoNuevo, *full.costoNuevo - 1e-12);
    const QString shown = worklistCell(cut, kColResultado);
    EXPECT_TRUE(shown.startsWith("óptimo (no probado, brecha ")) << shown.toStdString();
}
