// Leaving the workspace with changes not saved: "&Salir" and the window's close button ask
// before anything is dropped, and a save that does not happen keeps the window open.
#include "app/views/modal.h"
#include "support/loaded_workspace.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/formula_loader.h"
#include "workspace/views/frmoptimizacion.h"
#include "workspace/workspace.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using workspace::frmoptimizacion;

namespace {

int countOf(store::Database& db, const QString& sql) {
    store::RecordSet rs = db.query(sql);
    rs.moveFirst();
    return rs.value(0).toInt();
}

struct UnsavedChanges : ::testing::Test {
    TempDatabase t{true};
    ScriptedMessages messages;
    int broiler = 0;

    void SetUp() override {
        broiler = countOf(t.db(), "select id_formula from formulas where codigo='POLLO-INI'");
    }
    std::unique_ptr<frmoptimizacion> open() {
        auto w = std::make_unique<frmoptimizacion>(t.db(), broiler);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return w;
    }
    static void click(QWidget& w, const char* name) { w.findChild<QPushButton*>(name)->click(); }
    // A limit typed as a person does: Enter on the cell, the value, Enter.
    static void typeNutrientMinimum(QWidget& w, const QString& value) {
        w.findChild<QTabWidget*>("SSTab1")->setCurrentIndex(1);
        auto* grid = w.findChild<QTableWidget*>("flexprop");
        grid->setFocus();
        grid->setCurrentCell(0, 3);
        QTest::keyClick(grid, Qt::Key_Return);
        auto* box = w.findChild<QLineEdit*>("txtProp");
        ASSERT_TRUE(box->isVisible());
        box->selectAll();
        QTest::keyClicks(box, value);
        QTest::keyClick(box, Qt::Key_Return);
    }
    int versions() {
        return countOf(t.db(), "select count(*) from formulas where codigo='POLLO-INI'");
    }
};

} // namespace

TEST_F(UnsavedChanges, AFormulaAsLoadedClosesWithoutAQuestion) {
    auto w = open();
    click(*w, "cmdClose");
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(UnsavedChanges, SalirAsksAndCancelKeepsTheWorkOpen) {
    auto w = open();
    typeNutrientMinimum(*w, "21");
    const auto limit = w->workspace().nutrients[0].minimo;
    ASSERT_EQ(limit, 21.0);

    messages.planAnswer(msg::Cancel);
    click(*w, "cmdClose");
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "¿Grabar los cambios de la fórmula POLLO-INI?");
    EXPECT_EQ(messages.shown()[0].style, msg::QuestionCancel);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->workspace().nutrients[0].minimo, limit);

    // The window's close button asks the same; No leaves without saving.
    messages.clear();
    messages.planAnswer(msg::No);
    w->close();
    EXPECT_EQ(messages.texts(), QStringList{"¿Grabar los cambios de la fórmula POLLO-INI?"});
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(versions(), 1);
}

TEST_F(UnsavedChanges, YesSavesBeforeLeavingAndACancelledSaveStays) {
    auto w = open();
    typeNutrientMinimum(*w, "21");

    // Yes opens the header editor; cancelling it keeps the window open, nothing saved.
    messages.planAnswer(msg::Yes);
    {
        widgets::ScopedModalRunner header([](QDialog& h) {
            h.reject();
            return int(QDialog::Rejected);
        });
        click(*w, "cmdClose");
    }
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(versions(), 1);

    // Yes and a new version saved: the window closes and the limit is in the new version.
    messages.planAnswer(msg::Yes);
    {
        widgets::ScopedModalRunner header([](QDialog& h) {
            h.findChild<QCheckBox*>("Check1")->click();
            h.findChild<QPushButton*>("cmdUpdate")->click();
            return h.result();
        });
        click(*w, "cmdClose");
    }
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(versions(), 2);

    // Once saved, nothing is asked.
    auto again = open();
    messages.clear();
    click(*again, "cmdClose");
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(UnsavedChanges, AMixOpenedFromMemoryIsNeverTakenAsSaved) {
    workspace::Workspace ws;
    ws.formulaId = broiler;
    const workspace::FormulaHeader header = loadShown(ws, t.db());
    frmoptimizacion w(t.db(), ws, header);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    messages.planAnswer(msg::Cancel);
    click(w, "cmdClose");
    EXPECT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(w.isVisible());
    messages.planAnswer(msg::No);
    click(w, "cmdClose");
    EXPECT_FALSE(w.isVisible());
}
