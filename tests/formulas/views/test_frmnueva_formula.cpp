#include "formulas/views/frmnueva_formula.h"
#include "store/database.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using formulas::frmnueva_formula;

namespace {

template <typename T> T* child(const QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

struct EditorFixture : ::testing::Test {
    TempDatabase t{true};
    ScriptedMessages messages;
    store::RecordSet formula(int id) {
        return t.db().query("select * from formulas where id_formula=" + QString::number(id));
    }
};

} // namespace

TEST_F(EditorFixture, NewFormulaIsTypedAndSavedAsVersionZero) {
    frmnueva_formula w(t.db(), 0, 750, false, true);
    EXPECT_EQ(w.windowTitle(), "Grabar Fórmula");
    EXPECT_EQ(child<QLineEdit>(w, "Text1")->text(), "VACA-CONC"); // the highest code so far
    EXPECT_TRUE(child<QLineEdit>(w, "txtFields(0)")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(w, "Check1")->isEnabled());
    EXPECT_EQ(child<QCheckBox>(w, "Check1")->text(), "Guardar una nueva Versión de la Fórmula");
    EXPECT_EQ(child<QLineEdit>(w, "txtFields(2)")->text(), "0");

    QTest::keyClicks(child<QLineEdit>(w, "txtFields(0)"), "POLLO-INI");
    child<QPushButton>(w, "cmdUpdate")->click();
    EXPECT_EQ(messages.texts(), QStringList({"Debe ingresar el Producto para la Fórmula"}));
    child<QLineEdit>(w, "txtFields(1)")->setText("Pollo terminación");
    child<QPushButton>(w, "cmdUpdate")->click();
    EXPECT_EQ(messages.texts().last(), "El Código de la Fórmula Ya fue Ingresado");
    EXPECT_EQ(w.formulaId(), 0);
    EXPECT_EQ(w.result(), 0); // still open

    child<QLineEdit>(w, "txtFields(0)")->setText(" POLLO-FIN ");
    child<QPushButton>(w, "cmdUpdate")->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    // The editor only asks: the workspace writes its answer together with the rows.
    EXPECT_EQ(t.db().query("select * from formulas").count(), 4);
    const int id = formulas::writeHeader(t.db(), w.opening(), w.answer());
    EXPECT_EQ(id, 5);
    store::RecordSet r = formula(id);
    EXPECT_EQ(r.toString("codigo"), "POLLO-FIN");
    EXPECT_EQ(r.toString("producto"), "Pollo terminación");
    EXPECT_EQ(r.toDouble("cantidad"), 750);
    EXPECT_EQ(r.toDouble("version"), 0);
    EXPECT_EQ(r.toInt("tipoBase"), 1);
    EXPECT_EQ(r.toInt("tipoBaseNutrientes"), 0);

    // Written again as new, the code is taken by then: the refusal is thrown, for the caller's
    // transaction to undo its other writes before the user is told.
    try {
        formulas::writeHeader(t.db(), w.opening(), w.answer());
        ADD_FAILURE() << "a taken code was written";
    } catch (const store::StoreError& e) {
        EXPECT_EQ(e.message(), "El Código de la Fórmula Ya fue Ingresado");
    }
    EXPECT_EQ(t.db().query("select * from formulas where codigo='POLLO-FIN'").count(), 1);
}

TEST_F(EditorFixture, SavedFormulaUpdatesOrBecomesANewVersion) {
    {
        frmnueva_formula w(t.db(), 1, 1000, true, true);
        auto* code = child<QLineEdit>(w, "txtFields(0)");
        EXPECT_EQ(code->text(), "POLLO-INI");
        EXPECT_FALSE(code->isEnabled());
        auto* check = child<QCheckBox>(w, "Check1");
        auto* version = child<QLineEdit>(w, "txtFields(2)");
        EXPECT_TRUE(check->isEnabled());
        check->click();
        EXPECT_EQ(version->text(), "1");
        check->click();
        EXPECT_EQ(version->text(), "0");
        child<QLineEdit>(w, "txtFields(1)")->setText("Pollo iniciador B");
        child<QPushButton>(w, "cmdUpdate")->click();
        EXPECT_EQ(w.result(), QDialog::Accepted);
        EXPECT_EQ(formula(1).toString("producto"), "Pollo parrillero iniciador 0-3 semanas");
        EXPECT_EQ(formulas::writeHeader(t.db(), w.opening(), w.answer()), 1);
        EXPECT_EQ(formula(1).toString("producto"), "Pollo iniciador B");
        EXPECT_EQ(formula(1).toInt("tipoBase"), 0);
    }
    {
        frmnueva_formula w(t.db(), 1, 1000, false, false);
        child<QCheckBox>(w, "Check1")->click();
        child<QPushButton>(w, "cmdUpdate")->click();
        const int id = formulas::writeHeader(t.db(), w.opening(), w.answer());
        EXPECT_EQ(id, 5);
        EXPECT_EQ(formula(id).toString("codigo"), "POLLO-INI");
        EXPECT_EQ(formula(id).toDouble("version"), 1);
        EXPECT_EQ(formula(1).toDouble("version"), 0);
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(EditorFixture, RefusedQuantityCancelAndAMissingFormula) {
    {
        frmnueva_formula w(t.db(), 2, 40000, true, true);
        child<QPushButton>(w, "cmdUpdate")->click();
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_TRUE(messages.texts()[0].contains("32767"));
        EXPECT_EQ(w.formulaId(), 2);
        child<QPushButton>(w, "cmdRefresh")->click();
        EXPECT_EQ(w.result(), QDialog::Rejected);
        EXPECT_EQ(w.formulaId(), 0);
    }
    {
        frmnueva_formula w(t.db(), 2, 40000, true, true);
        QTest::keyClick(child<QLineEdit>(w, "txtFields(1)"), Qt::Key_Escape);
        EXPECT_EQ(w.result(), QDialog::Rejected);
        EXPECT_EQ(w.formulaId(), 0); // Esc cancels like Cancelar
    }
    messages.clear();
    frmnueva_formula w(t.db(), 99, 40000, true, true);
    EXPECT_EQ(messages.texts(), QStringList({"No es posible grabar la fórmula"}));
    EXPECT_TRUE(w.closesAtOnce());
    EXPECT_EQ(w.formulaId(), 0);
    w.show();
    QTRY_VERIFY(!w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_EQ(t.db().query("select * from formulas").count(), 4);
}
