#include "book/stored_comparison.h"
#include "book/worklist.h"
#include "book/workspace_bridge.h"
#include "book_fixture.h"
#include "support/scripted_messages.h"
#include "workspace/formula_save.h"
#include "workspace/workspace.h"

#include <gtest/gtest.h>

using namespace book;

namespace {

ChosenFormula chosen(store::Database& db, const QString& code) {
    Selection one;
    one.codes = {code};
    const std::vector<ChosenFormula> found = chooseFormulas(db, one);
    EXPECT_EQ(found.size(), 1u) << code.toStdString();
    return found.empty() ? ChosenFormula{} : found.front();
}

QStringList differingConcepts(const Comparison& c) {
    QStringList out;
    for (const ComparisonRow& r : c.rows)
        if (r.anyDifference())
            out << r.concepto;
    return out;
}

} // namespace

// A new version is written inside the caller's transaction (rolled back with it), numbered after
// the highest stored one, and holds exactly the mix that was formulated: read back, it differs
// from the re-formulated snapshot in its version only. The workspace keeps pointing at the
// formula it came from.
TEST(NewVersion, StoresTheFormulatedMixAsTheNextVersionOfItsCode) {
    RaisedPrices f;
    ScriptedMessages messages;
    const ChosenFormula pollo = chosen(f.db(), "POLLO-INI");
    Reformulated r = reformulate(f.db(), pollo);
    ASSERT_TRUE(r.ws && r.after);
    const QString rowsOfPollo = "select count(*) from formula_producto where id_formula=";

    int version = -1;
    {
        store::Database::Transaction tx(f.db());
        EXPECT_GT(workspace::saveNewVersion(f.db(), *r.ws, pollo.idFormula, &version), 0);
    } // not committed
    EXPECT_EQ(f.count("select count(*) from formulas"), f.formulas);

    int id = 0;
    {
        store::Database::Transaction tx(f.db());
        id = workspace::saveNewVersion(f.db(), *r.ws, pollo.idFormula, &version);
        tx.commit();
    }
    EXPECT_EQ(version, int(pollo.version) + 1);
    EXPECT_NE(id, pollo.idFormula);
    EXPECT_EQ(r.ws->formulaId, pollo.idFormula);
    EXPECT_EQ(f.count(rowsOfPollo + QString::number(id)),
              f.count(rowsOfPollo + QString::number(pollo.idFormula)));
    const std::optional<FormulaSnapshot> stored = storedSnapshot(f.db(), id);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->codigo.trimmed(), "POLLO-INI");
    EXPECT_EQ(differingConcepts(compareFormulas(*r.after, *stored)), QStringList{"Versión"});

    {
        store::Database::Transaction tx(f.db());
        workspace::saveNewVersion(f.db(), *r.ws, pollo.idFormula, &version);
        tx.commit();
    }
    EXPECT_EQ(version, int(pollo.version) + 2); // after the highest, not after the one loaded

    // A formula deleted meanwhile is refused with its reason, and nothing is written.
    f.db().exec("delete from formula_producto where id_formula=" + QString::number(id));
    f.db().exec("delete from formulas where id_formula=" + QString::number(id));
    const int formulas = f.count("select count(*) from formulas");
    store::Database::Transaction tx(f.db());
    EXPECT_THROW(workspace::saveNewVersion(f.db(), *r.ws, id, &version), store::StoreError);
    EXPECT_EQ(f.count("select count(*) from formulas"), formulas);
}

// Two stored versions are compared as they were saved; a formula that cannot be read is named
// in the refusal instead of being compared.
TEST(StoredComparison, ComparesVersionsAsSavedAndSaysWhyItCannot) {
    RaisedPrices f;
    ScriptedMessages messages;
    const ChosenFormula pollo = chosen(f.db(), "POLLO-INI");
    Reformulation run;
    run.run(f.db(), {pollo});
    ASSERT_EQ(run.save(f.db(), {0}), std::vector<int>{0});
    const int newer = run.rows()[0].idNuevo;

    QString message;
    const std::optional<Comparison> same =
        compareStoredFormulas(f.db(), pollo.idFormula, pollo.idFormula, &message);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->differences(), 0);

    const std::optional<Comparison> c =
        compareStoredFormulas(f.db(), pollo.idFormula, newer, &message);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->leftTitle, "POLLO-INI versión 0");
    EXPECT_EQ(c->rightTitle, "POLLO-INI versión 1");
    const QStringList concepts = differingConcepts(*c);
    EXPECT_TRUE(concepts.contains("Versión"));
    EXPECT_TRUE(concepts.contains("Costo unitario (húmeda)")) << concepts.join(',').toStdString();
    EXPECT_FALSE(concepts.contains("Código"));
    // The stored side holds the nutrient values saved with it, as the worklist's snapshot does.
    EXPECT_EQ(differingConcepts(compareFormulas(*run.after(0), *storedSnapshot(f.db(), newer))),
              QStringList{"Versión"});

    EXPECT_FALSE(compareStoredFormulas(f.db(), pollo.idFormula, 9999, &message));
    EXPECT_TRUE(message.startsWith("No se pueden comparar las fórmulas: "))
        << message.toStdString();
    f.db().exec("update formula_producto set minimo='Infinity' where id_formula=" +
                QString::number(newer));
    message.clear();
    EXPECT_FALSE(compareStoredFormulas(f.db(), pollo.idFormula, newer, &message));
    EXPECT_TRUE(message.startsWith("No se pueden comparar las fórmulas: "));
    EXPECT_TRUE(message.contains("formula_producto")) << message.toStdString();
}

// The worklist's own figures and words: the change needs both costs and a cost before that is
// not 0; only an optimum not saved yet can be saved; each outcome has its text and its key;
// the summary counts every row once.
TEST(Worklist, RowsSayTheirChangeWhetherTheyCanBeSavedAndTheRunSumsThemUp) {
    WorklistRow row;
    row.costoNuevo = 1.1;
    EXPECT_FALSE(row.cambioPorcentual());
    row.costoAnterior = 0;
    EXPECT_FALSE(row.cambioPorcentual());
    row.costoAnterior = 1;
    EXPECT_NEAR(*row.cambioPorcentual(), 10, 1e-12);

    QStringList texts, keys;
    for (Outcome o :
         {Outcome::Optimum, Outcome::NoLeavingRow, Outcome::IterationLimit, Outcome::Infeasible,
          Outcome::NotStandard, Outcome::PrecheckFailed, Outcome::Invalid, Outcome::NotLoaded}) {
        row.outcome = o;
        row.versionNueva.reset();
        EXPECT_EQ(row.savable(), o == Outcome::Optimum || o == Outcome::NoLeavingRow);
        row.versionNueva = 1;
        EXPECT_FALSE(row.savable());
        EXPECT_FALSE(texts.contains(outcomeText(o)));
        EXPECT_FALSE(keys.contains(outcomeKey(o)));
        texts << outcomeText(o);
        keys << outcomeKey(o);
    }
    EXPECT_EQ(texts.first(), "óptimo");
    EXPECT_EQ(keys.first(), "optimum");
    EXPECT_EQ(texts.last(), "no se pudo cargar");

    RaisedPrices f;
    ScriptedMessages messages;
    f.db().exec("update formula_producto set minimo='Infinity' where id_formula=(select "
                "id_formula from formulas where codigo='PONEDORA')");
    Reformulation run;
    run.run(f.db(), chooseFormulas(f.db(), {}));
    int dearer = 0, without = 0;
    for (const WorklistRow& r : run.rows()) {
        dearer += r.cambioPorcentual() && *r.cambioPorcentual() > 0.005;
        without += !r.costoNuevo;
    }
    EXPECT_EQ(without, 1);
    EXPECT_EQ(run.summary(), QString("4 fórmulas: %1 más caras, %2 más baratas, %3 sin cambio, 1 "
                                     "sin nueva mezcla")
                                 .arg(dearer)
                                 .arg(0)
                                 .arg(3 - dearer));
}
