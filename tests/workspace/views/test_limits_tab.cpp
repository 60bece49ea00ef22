#include "app/views/modal.h"
#include "support/list_picks.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/views/frmoptimizacion.h"
#include "workspace/workspace.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using workspace::frmoptimizacion;

namespace {

int idOf(store::Database& db, const QString& sql) {
    store::RecordSet rs = db.query(sql);
    rs.moveFirst();
    return rs.value(0).toInt();
}

double valueOf(store::Database& db, const QString& sql) {
    store::RecordSet rs = db.query(sql);
    rs.moveFirst();
    return rs.value(0).toDouble();
}

int nutrientId(store::Database& db, const QString& name) {
    return idOf(db, "select id_propiedad from propiedades where nombre='" + name + "'");
}

// The broiler starter in the workspace window, on its ratio and group tab.
struct LimitsTab : ::testing::Test {
    TempDatabase t{true};
    ScriptedMessages messages;
    std::unique_ptr<frmoptimizacion> w;
    QTableWidget* flexrel = nullptr;
    QTableWidget* flexgrp = nullptr;

    void SetUp() override {
        const int id = idOf(t.db(), "select id_formula from formulas where codigo='POLLO-INI'");
        w = std::make_unique<frmoptimizacion>(t.db(), id);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        auto* tabs = w->findChild<QTabWidget*>("SSTab1");
        ASSERT_EQ(tabs->count(), 3);
        EXPECT_EQ(tabs->tabText(2), "Relaciones y Grupos");
        tabs->setCurrentIndex(2);
        flexrel = w->findChild<QTableWidget*>("flexrel");
        flexgrp = w->findChild<QTableWidget*>("flexgrp");
        ASSERT_TRUE(flexrel && flexgrp);
    }
    void click(const char* name) { w->findChild<QPushButton*>(name)->click(); }
    QString cell(QTableWidget* grid, int row, int column) {
        return grid->item(row, column) ? grid->item(row, column)->text().trimmed() : QString();
    }
    QLineEdit* editorOf(QTableWidget* grid) {
        return w->findChild<QLineEdit*>(grid == flexrel ? "txtRel" : "txtGrp");
    }
    // Types into a cell as a person does: a double click on the cell opens the box over it, the
    // keys replace its text, Enter takes it.
    void type(QTableWidget* grid, int row, int column, const QString& text) {
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QLineEdit* box = editorOf(grid);
        ASSERT_TRUE(box && box->isVisible());
        ASSERT_TRUE(box->hasFocus());
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_FALSE(box->isVisible());
        QCoreApplication::processEvents();
    }
    workspace::Workspace& ws() { return w->workspace(); }
};

} // namespace

TEST_F(LimitsTab, ShowsEditsAndFormulatesTheBroilersRatioAndGroup) {
    ASSERT_EQ(flexrel->rowCount(), 1);
    EXPECT_EQ(cell(flexrel, 0, 0), "Calcio");
    EXPECT_EQ(cell(flexrel, 0, 1), "Fósforo disponible");
    EXPECT_EQ(cell(flexrel, 0, 3), "1.80");
    EXPECT_EQ(cell(flexrel, 0, 4), "2.20");
    ASSERT_EQ(flexgrp->rowCount(), 1);
    EXPECT_EQ(cell(flexgrp, 0, 0), "Proteínas animales");
    EXPECT_EQ(cell(flexgrp, 0, 3), "50.00");
    // Only the limit cells open a box.
    const QRect name = flexgrp->visualRect(flexgrp->model()->index(0, 0));
    QTest::mouseDClick(flexgrp->viewport(), Qt::LeftButton, {}, name.center());
    EXPECT_FALSE(editorOf(flexgrp)->isVisible());

    // A limit typed in place; a text refused keeps the limit and says why.
    type(flexgrp, 0, 3, "40");
    EXPECT_EQ(ws().groups[0].maximo, 40.0);
    type(flexgrp, 0, 2, "algo");
    EXPECT_EQ(messages.texts(), QStringList{"El valor debe ser numérico"});
    EXPECT_FALSE(ws().groups[0].minimo);
    EXPECT_EQ(cell(flexgrp, 0, 2), "");

    // Enter on the current cell opens the box too; Esc leaves the limit as it was.
    flexrel->setFocus();
    flexrel->setCurrentCell(0, 3);
    QTest::keyClick(flexrel, Qt::Key_Return);
    ASSERT_TRUE(editorOf(flexrel)->isVisible());
    QTest::keyClicks(editorOf(flexrel), "9");
    QTest::keyClick(editorOf(flexrel), Qt::Key_Escape);
    EXPECT_FALSE(editorOf(flexrel)->isVisible());
    EXPECT_EQ(ws().ratios[0].minimo, 1.8);

    // Formulated: the mix's ratio and the group's quantity and share.
    messages.clear();
    w->findChild<QLineEdit*>("txt_cantidad")->setText("1000");
    click("cmdFormular");
    EXPECT_EQ(messages.texts().join('|'), "");
    const double ratio = cell(flexrel, 0, 6).toDouble();
    EXPECT_GE(ratio, 1.8 - 1e-4);
    EXPECT_LE(ratio, 2.2 + 1e-4);
    EXPECT_LE(cell(flexgrp, 0, 5).toDouble(), 40.0 + 1e-2);
    EXPECT_NEAR(cell(flexgrp, 0, 6).toDouble(), cell(flexgrp, 0, 5).toDouble() / 10, 0.01);
}

TEST_F(LimitsTab, AddsAndRemovesRatiosAndGroupsThroughThePickLists) {
    const int lisina = nutrientId(t.db(), "Lisina");
    const int fosforo = nutrientId(t.db(), "Fósforo total"); // not among the broiler's nutrients
    const size_t nutrients = ws().nutrients.size();
    std::vector<int> picks = {lisina, fosforo};
    QStringList titles;
    {
        widgets::ScopedModalRunner user([&](QDialog& d) {
            titles << d.windowTitle();
            const int id = picks.front();
            picks.erase(picks.begin());
            return pickRow(d, id);
        });
        click("cmdAgregaRelacion");
    }
    EXPECT_EQ(titles, (QStringList{"Numerador de la Relación", "Divisor de la Relación"}));
    ASSERT_EQ(flexrel->rowCount(), 2);
    EXPECT_EQ(cell(flexrel, 1, 0), "Lisina");
    EXPECT_EQ(cell(flexrel, 1, 1), "Fósforo total");
    EXPECT_EQ(ws().nutrients.size(), nutrients + 1); // brought in without limits
    EXPECT_EQ(w->findChild<QTableWidget*>("flexprop")->rowCount(), int(nutrients + 1));

    // A group picked by name; cancelling adds nothing.
    {
        widgets::ScopedModalRunner user([&](QDialog& d) {
            EXPECT_EQ(d.objectName(), "frmElegirGrupo");
            auto* list = d.findChild<QListWidget*>("lstGrupos");
            const auto found = list->findItems("Granos", Qt::MatchExactly);
            EXPECT_EQ(found.size(), 1);
            list->setCurrentItem(found.value(0));
            d.findChild<QPushButton*>("cmdAceptar")->click();
            return d.result();
        });
        click("cmdAgregaGrupo");
    }
    {
        widgets::ScopedModalRunner user([&](QDialog& d) {
            d.findChild<QPushButton*>("cmdCancelar")->click();
            return d.result();
        });
        click("cmdAgregaGrupo");
    }
    ASSERT_EQ(flexgrp->rowCount(), 2);
    EXPECT_EQ(cell(flexgrp, 1, 0), "Granos");
    EXPECT_FALSE(ws().groups[1].ingredientIds.empty());

    // Removing takes the selected row.
    flexgrp->setCurrentCell(0, 2);
    click("cmdQuitaGrupo");
    ASSERT_EQ(flexgrp->rowCount(), 1);
    EXPECT_EQ(cell(flexgrp, 0, 0), "Granos");
    flexrel->setCurrentCell(1, 3);
    click("cmdQuitaRelacion");
    ASSERT_EQ(flexrel->rowCount(), 1);
    EXPECT_EQ(cell(flexrel, 0, 0), "Calcio");
    EXPECT_TRUE(messages.shown().empty());
}

// The whole path with real input: both limits typed in place, the formula formulated and saved
// as a new version, and the new version holds what was typed.
TEST_F(LimitsTab, TypedRatioAndGroupLimitsReachTheSavedVersion) {
    type(flexrel, 0, 3, "1.9");
    type(flexgrp, 0, 3, "40");
    EXPECT_EQ(cell(flexrel, 0, 3), "1.90");
    EXPECT_EQ(cell(flexgrp, 0, 3), "40.00");
    w->findChild<QLineEdit*>("txt_cantidad")->setText("1000");
    click("cmdFormular");
    {
        widgets::ScopedModalRunner header([&](QDialog& h) {
            EXPECT_EQ(h.objectName(), "frmnueva_formula");
            h.findChild<QCheckBox*>("Check1")->click();
            h.findChild<QPushButton*>("cmdUpdate")->click();
            return h.result();
        });
        click("cmdUpdate");
    }
    EXPECT_EQ(messages.texts().join('|'), "");
    const int saved = idOf(t.db(), "select id_formula from formulas where codigo='POLLO-INI' "
                                   "and version=1");
    ASSERT_GT(saved, 0);
    EXPECT_DOUBLE_EQ(
        valueOf(t.db(),
                QString("select minimo from formula_relacion where id_formula=%1").arg(saved)),
        1.9);
    EXPECT_DOUBLE_EQ(
        valueOf(t.db(), QString("select maximo from formula_grupo where id_formula=%1").arg(saved)),
        40);
}
