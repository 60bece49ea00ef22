#include "app/message_styles.h"
#include "app/views/modal.h"
#include "formulas/views/frmnueva_formula.h"
#include "store/database.h"
#include "support/blend_database.h"
#include "support/list_picks.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/views/frmoptimizacion.h"
#include "workspace/workspace.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using workspace::frmoptimizacion;

namespace {

// The workspace on the sample broiler diet, formulated for 1000 kg.
struct Formulated : ::testing::Test {
    TempDatabase t{true};
    ScriptedMessages messages;
    std::unique_ptr<frmoptimizacion> w;
    int original = 0;

    void SetUp() override {
        store::RecordSet rs =
            t.db().query("select id_formula from formulas where codigo='POLLO-INI'");
        rs.moveFirst();
        original = rs.toInt("id_formula");
        w = open(original);
        box("txt_cantidad")->setText("1000");
        click("cmdFormular");
        ASSERT_EQ(box("txtCosH")->text(), "$ 0.2749");
    }
    std::unique_ptr<frmoptimizacion> open(int id) {
        auto window = std::make_unique<frmoptimizacion>(t.db(), qint16(id));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }
    QLineEdit* box(const char* name) { return w->findChild<QLineEdit*>(name); }
    void click(const char* name) { w->findChild<QPushButton*>(name)->click(); }
    workspace::Workspace& ws() { return w->workspace(); }
    static workspace::FormulaNutrient* protein(workspace::Workspace& in) {
        for (workspace::FormulaNutrient& n : in.nutrients)
            if (n.nombre == "Proteína bruta")
                return &n;
        return nullptr;
    }
    // Sets the protein minimum in the workspace as the nutrient editor would.
    void setProteinMinimum(double v) {
        workspace::FormulaNutrient* n = protein(ws());
        ASSERT_TRUE(n != nullptr);
        n->minimo = v;
    }
    double proteinMinimum(workspace::Workspace& in) {
        workspace::FormulaNutrient* n = protein(in);
        EXPECT_TRUE(n != nullptr);
        return n ? n->minimo.value_or(0) : 0;
    }
    int count(const QString& table, int id) {
        return t.db()
            .query("select * from " + table + " where id_formula=" + QString::number(id))
            .count();
    }
};

// The header editor as the user fills it: a new version of the formula, written with the rows
// once the editor has closed.
struct NewVersion {
    store::Database& db;
    int seenId = -1;
    double seenCantidad = -1;
    int written = 0;
    int failAfter = 0; // arms the fault switch once the user has answered

    int operator()(QDialog& d) {
        EXPECT_EQ(d.objectName(), "frmnueva_formula");
        auto& header = static_cast<formulas::frmnueva_formula&>(d);
        seenId = header.formulaId();
        seenCantidad = header.cantidad();
        store::RecordSet last = db.query("select max(id_formula) from formulas");
        last.moveFirst();
        written = last.value(0).toInt() + 1; // the key the new version takes
        d.findChild<QCheckBox*>("Check1")->click();
        d.findChild<QPushButton*>("cmdUpdate")->click();
        if (failAfter)
            db.failStatementAfter(failAfter);
        return d.result();
    }
};

} // namespace

TEST_F(Formulated, SavesANewVersionAndReopensItWithTheSameFigures) {
    setProteinMinimum(22.5);
    NewVersion editor{t.db()};
    {
        widgets::ScopedModalRunner user(std::ref(editor));
        click("cmdUpdate");
    }
    EXPECT_TRUE(messages.shown().empty()) << messages.texts().join("|").toStdString();
    EXPECT_EQ(editor.seenId, original);
    EXPECT_DOUBLE_EQ(editor.seenCantidad, 1000);
    EXPECT_EQ(ws().formulaId, editor.written);
    EXPECT_EQ(w->formulaId(), editor.written);
    EXPECT_EQ(count("formula_producto", editor.written), int(ws().ingredients.size()));
    EXPECT_EQ(count("formula_propiedad", editor.written), 10);
    EXPECT_EQ(box("txtCosH")->text(), "$ 0.2749"); // reloaded from what was stored
    EXPECT_EQ(box("txt_cantidad")->text(), "1000.00");

    auto again = open(editor.written);
    auto* reopened = again->findChild<QLineEdit*>("txtCosH");
    EXPECT_EQ(reopened->text(), "$ 0.2749");
    EXPECT_EQ(again->findChild<QLineEdit*>("txtCanH")->text(), "1000.00");
    EXPECT_DOUBLE_EQ(proteinMinimum(again->workspace()), 22.5);
    EXPECT_EQ(again->findChild<QTableWidget*>("flexprod")->item(0, 1)->text(),
              w->findChild<QTableWidget*>("flexprod")->item(0, 1)->text());
}

TEST_F(Formulated, AFailedSaveChangesNothingStoredAndKeepsTheEdits) {
    setProteinMinimum(22.5);
    const int formulas = t.db().query("select * from formulas").count();
    for (int failAt : {1, 7}) {
        SCOPED_TRACE(failAt);
        messages.clear();
        NewVersion editor{t.db()};
        editor.failAfter = failAt;
        {
            widgets::ScopedModalRunner user(std::ref(editor));
            click("cmdUpdate");
        }
        t.db().failStatementAfter(0);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_TRUE(messages.shown()[0].text.startsWith("No es posible grabar la Fórmula"));
        EXPECT_EQ(messages.shown()[0].style, msg::Critical);
        EXPECT_EQ(t.db().query("select * from formulas").count(), formulas);
        EXPECT_EQ(count("formula_producto", editor.written), 0);
        EXPECT_EQ(ws().formulaId, original);
        EXPECT_EQ(w->formulaId(), original);
        EXPECT_DOUBLE_EQ(proteinMinimum(ws()), 22.5);
        EXPECT_EQ(box("txtCosH")->text(), "$ 0.2749");
    }
    // The original formula still holds what it held.
    store::RecordSet stored = t.db().query(
        "select fp.minimo from formula_propiedad fp, propiedades p where fp.id_propiedad="
        "p.id_propiedad and p.nombre='Proteína bruta' and fp.id_formula=" +
        QString::number(original));
    stored.moveFirst();
    EXPECT_DOUBLE_EQ(stored.toDouble("minimo"), 23);

    // Cancelling the header editor writes nothing; "Cancelar" drops the edits.
    widgets::ScopedModalRunner cancel([](QDialog&) { return int(QDialog::Rejected); });
    click("cmdUpdate");
    EXPECT_EQ(t.db().query("select * from formulas").count(), formulas);
    click("cmdCancel");
    EXPECT_DOUBLE_EQ(proteinMinimum(ws()), 23);
    EXPECT_EQ(box("txtCanH")->text(), "0.00"); // the stored, never formulated mix
}

TEST_F(Formulated, AMixThatBreaksItsLimitsIsSavedOnlyWhenConfirmedAndMarked) {
    // 700 of the 1000 as maize bring more energy than the new maximum allows.
    for (workspace::FormulaIngredient& p : ws().ingredients)
        if (p.nombre.trimmed() == "Maíz amarillo grano")
            p.minimo = 700.0;
    for (workspace::FormulaNutrient& n : ws().nutrients)
        if (n.nombre.trimmed() == "Energía metabolizable aves") {
            n.minimo.reset();
            n.maximo = 2.0;
        }
    NewVersion editor{t.db()};
    widgets::ScopedModalRunner user([&](QDialog& d) {
        return d.objectName() == "frmConflicto" ? int(QDialog::Accepted) : editor(d);
    });
    click("cmdFormular");
    ASSERT_EQ(messages.texts(), QStringList{"No es posible cumplir todas las restricciones"});
    messages.clear();
    const int formulas = t.db().query("select * from formulas").count();

    messages.planAnswer(msg::No);
    click("cmdUpdate");
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].style, msg::QuestionDefaultNo);
    const QString question = messages.shown()[0].text;
    EXPECT_TRUE(question.startsWith("La mezcla no cumple todos los límites (Calcio mínimo 1.00, la "
                                    "mezcla 0.90; "))
        << question.toStdString();
    EXPECT_TRUE(question.contains("; Maíz amarillo grano mínimo 700.00, la mezcla "));
    EXPECT_TRUE(question.endsWith("): ¿grabarla igualmente?")) << question.toStdString();
    EXPECT_EQ(editor.seenId, -1); // not even asked for the header
    EXPECT_EQ(t.db().query("select * from formulas").count(), formulas);

    messages.clear();
    messages.planAnswer(msg::Yes);
    click("cmdUpdate");
    ASSERT_EQ(messages.shown().size(), 1u) << messages.texts().join("|").toStdString();
    EXPECT_EQ(editor.seenId, original);
    EXPECT_EQ(t.db().query("select * from formulas").count(), formulas + 1);
    EXPECT_EQ(w->formulaId(), editor.written);
    store::RecordSet marked =
        t.db().query("select limites_incumplidos from formulas where id_formula=" +
                     QString::number(editor.written));
    marked.moveFirst();
    EXPECT_EQ(marked.toString("limites_incumplidos"),
              question.section('(', 1).section(')', 0, 0)); // what the question named
    store::RecordSet before = t.db().query(
        "select limites_incumplidos from formulas where id_formula=" + QString::number(original));
    before.moveFirst();
    EXPECT_TRUE(before.isNull("limites_incumplidos"));
}

TEST_F(Formulated, ButtonsOpenTheirViewsModallyOverTheWorkspace) {
    QStringList opened;
    int resultRows = 0;
    widgets::ScopedModalRunner user([&](QDialog& d) {
        opened << d.objectName();
        EXPECT_EQ(d.parentWidget(), w.get());
        if (d.objectName() == "frmResultados")
            resultRows = int(ws().composition.rows.size());
        if (d.objectName() == "frmRecalcular") {
            d.findChild<QLineEdit*>("txt_cantidad")->setText("500");
            d.findChild<QRadioButton*>("Option2_0")->setChecked(true);
            d.findChild<QPushButton*>("Command4")->click();
            return d.result();
        }
        return int(QDialog::Accepted);
    });
    for (const char* b : {"Command1", "cmdComposicion", "Command6", "cmdImprimir", "cmdRecalcular"})
        click(b);
    EXPECT_EQ(opened, (QStringList{"frmAnalisis", "frmResultados", "frmComoProducto", "frmImprimir",
                                   "frmRecalcular"}));
    EXPECT_EQ(resultRows, int(ws().ingredients.size()) + 1);
    EXPECT_EQ(box("txtCanH")->text(), "500.00");
    EXPECT_EQ(box("txt_cantidad")->text(), "500.00");
    EXPECT_EQ(box("txtCosH")->text(), "$ 0.2749"); // the shares stay
    EXPECT_TRUE(messages.shown().empty());

    // A minimum out of reach opens the contributions with their caption and stops.
    opened.clear();
    widgets::ScopedModalRunner aportes([&](QDialog& d) {
        opened << d.objectName();
        return int(QDialog::Accepted);
    });
    setProteinMinimum(97);
    box("txt_cantidad")->setText("1000");
    click("cmdFormular");
    EXPECT_EQ(opened, QStringList{"frmAportes"});
    EXPECT_TRUE(messages.shown().empty());
}

// The real header editor refuses a code already taken, then saves under a new one: the save must
// go through, with the header and the rows written once.
TEST(SaveWithHeaderEditor, ARefusedCodeThenAGoodOneSaves) {
    TempDatabase t(true);
    ScriptedMessages messages;
    frmoptimizacion w(t.db(), 0);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    widgets::ScopedModalRunner user([&](QDialog& d) {
        if (d.objectName() == "frmproductos") {
            store::RecordSet rs = t.db().query("select id_producto from productos");
            rs.moveFirst();
            return pickRow(d, qint16(rs.toInt("id_producto")));
        }
        EXPECT_EQ(d.objectName(), "frmnueva_formula");
        auto* code = d.findChild<QLineEdit*>("txtFields(0)");
        d.findChild<QLineEdit*>("txtFields(1)")->setText("Nueva");
        code->setText("POLLO-INI");
        d.findChild<QPushButton*>("cmdUpdate")->click();
        EXPECT_EQ(d.result(), int(QDialog::Rejected)); // refused: still open
        code->setText("NUEVA-1");
        d.findChild<QPushButton*>("cmdUpdate")->click();
        return d.result();
    });
    w.findChild<QPushButton*>("Command3")->click();
    w.findChild<QPushButton*>("cmdUpdate")->click();
    EXPECT_EQ(messages.texts(), QStringList{"El Código de la Fórmula Ya fue Ingresado"});
    ASSERT_GT(w.workspace().formulaId, 0);
    EXPECT_EQ(t.db()
                  .query("select * from formula_producto where id_formula=" +
                         QString::number(w.workspace().formulaId))
                  .count(),
              1);
    EXPECT_EQ(w.findChild<QLineEdit*>("txt_CodFormula")->text(), "NUEVA-1");
}

namespace {

// Records every message like ScriptedMessages and runs a check while each one is on screen.
struct WatchedMessages : ScriptedMessages {
    std::function<void()> whileShown;
    int show(const QString& text, int style, const QString& title) override {
        if (whileShown)
            whileShown();
        return ScriptedMessages::show(text, style, title);
    }
};

} // namespace

// While the header editor waits for the user, and while a refusal or a failed save is on screen,
// the workspace holds no transaction: another program (here a second connection) writes at once.
TEST(SaveWithHeaderEditor, NothingIsLockedWhileTheUserIsAsked) {
    TempDatabase t(true);
    WatchedMessages messages;
    std::unique_ptr<store::Database> other = store::Database::openFile(t.path());
    other->exec("PRAGMA busy_timeout = 100"); // a lock shows as a refusal, not as a long wait
    QStringList refusedWrites;
    int writes = 0;
    auto otherWrites = [&] {
        try {
            other->exec("update formulas set producto=producto where id_formula=1");
            ++writes;
        } catch (const store::StoreError& e) {
            refusedWrites << e.message();
        }
    };
    messages.whileShown = otherWrites;
    frmoptimizacion w(t.db(), 0);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    widgets::ScopedModalRunner user([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "frmnueva_formula");
        otherWrites(); // the editor is open
        d.findChild<QLineEdit*>("txtFields(1)")->setText("Nueva");
        d.findChild<QLineEdit*>("txtFields(0)")->setText("POLLO-INI");
        d.findChild<QPushButton*>("cmdUpdate")->click(); // refused: the code is taken
        d.findChild<QLineEdit*>("txtFields(0)")->setText("NUEVA-1");
        d.findChild<QPushButton*>("cmdUpdate")->click();
        t.db().failStatementAfter(4); // the header is written, reading the stored rows fails
        return d.result();
    });
    w.findChild<QPushButton*>("cmdUpdate")->click();
    t.db().failStatementAfter(0);

    ASSERT_EQ(messages.texts().size(), 2);
    EXPECT_EQ(messages.texts()[0], "El Código de la Fórmula Ya fue Ingresado");
    EXPECT_TRUE(messages.texts()[1].startsWith("No es posible grabar la Fórmula"));
    EXPECT_EQ(refusedWrites, QStringList());
    EXPECT_EQ(writes, 3);
    EXPECT_EQ(t.db().query("select * from formulas where codigo='NUEVA-1'").count(), 0);
    EXPECT_EQ(w.workspace().formulaId, 0);
}
