#include "app/views/modal.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/views/frmoptimizacion.h"
#include "workspace/workspace.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using workspace::frmoptimizacion;

namespace {

QVariant valueOf(store::Database& db, const QString& sql) {
    store::RecordSet rs = db.query(sql);
    if (rs.count() == 0)
        return {};
    rs.moveFirst();
    return rs.value(0);
}

// The column of the ingredient grid whose header reads `caption`.
int columnOf(QTableWidget* grid, const QString& caption) {
    for (int c = 0; c < grid->columnCount(); ++c)
        if (grid->horizontalHeaderItem(c) && grid->horizontalHeaderItem(c)->text() == caption)
            return c;
    return -1;
}

} // namespace

TEST(WeighingWindow, TypedMinimumIfUsedAndCountFormulateAndReachTheSavedVersion) {
    TempDatabase t{true};
    ScriptedMessages messages;
    const int id =
        valueOf(t.db(), "select id_formula from formulas where codigo='POLLO-INI'").toInt();
    frmoptimizacion w(t.db(), id);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* flexprod = w.findChild<QTableWidget*>("flexprod");
    const int column = columnOf(flexprod, "Mín. si se usa");
    ASSERT_GE(column, 0);
    EXPECT_FALSE(w.findChild<QWidget*>("costosEnteros")->isVisible());
    EXPECT_FALSE(w.findChild<QLabel*>("lblAnalisisEntero")->isVisible());

    // The largest ingredient of the mix at least 400 kg if used, typed as a person types a
    // limit: a double click opens the box over the cell, Enter takes it.
    const QModelIndex cell = flexprod->model()->index(0, column);
    flexprod->scrollTo(cell);
    const QRect rect = flexprod->visualRect(cell);
    QTest::mouseClick(flexprod->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(flexprod->viewport(), Qt::LeftButton, {}, rect.center());
    auto* box = w.findChild<QLineEdit*>("txtProd");
    ASSERT_TRUE(box && box->isVisible());
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, "400");
    QTest::keyClick(box, Qt::Key_Return);
    QCoreApplication::processEvents();
    const int first = flexprod->item(0, 0)->text().toInt();
    EXPECT_EQ(workspace::findIngredient(w.workspace(), first)->minimoSiSeUsa, 400.0);
    EXPECT_EQ(flexprod->item(0, column)->text().trimmed(), "400.00");

    // A count that is no whole number is refused and the box goes back; 12 is taken.
    auto* count = w.findChild<QLineEdit*>("txtMaxIngredientes");
    count->setFocus();
    QTest::keyClicks(count, "x");
    QTest::keyClick(count, Qt::Key_Return);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].contains("máximo de ingredientes"));
    EXPECT_EQ(count->text(), "");
    messages.clear();
    count->setFocus();
    QTest::keyClicks(count, "12");
    QTest::keyClick(count, Qt::Key_Return);
    EXPECT_EQ(w.workspace().maxIngredientes, 12);
    w.findChild<QCheckBox*>("chkRedondear")->click();
    EXPECT_TRUE(w.workspace().redondear);

    w.findChild<QLineEdit*>("txt_cantidad")->setText("1000");
    w.findChild<QPushButton*>("cmdFormular")->click();
    EXPECT_EQ(messages.texts().join('|'), "");
    EXPECT_TRUE(w.findChild<QWidget*>("costosEnteros")->isVisible());
    EXPECT_TRUE(w.findChild<QLabel*>("lblAnalisisEntero")->isVisible());
    EXPECT_TRUE(w.findChild<QLineEdit*>("txtCostoSinRedondeo")->text().startsWith("$ "));
    EXPECT_FALSE(w.findChild<QLineEdit*>("txtBrecha")->isVisible()); // proven
    int used = 0;
    for (const workspace::FormulaIngredient& p : w.workspace().ingredients) {
        const double q = p.cantidadHumeda.value_or(0);
        used += q > 0 ? 1 : 0;
        if (p.id == first) {
            EXPECT_TRUE(q == 0 || q >= 400 - 1e-6) << q;
        }
    }
    EXPECT_LE(used, 12);

    {
        widgets::ScopedModalRunner header([&](QDialog& h) {
            EXPECT_EQ(h.objectName(), "frmnueva_formula");
            h.findChild<QCheckBox*>("Check1")->click();
            h.findChild<QPushButton*>("cmdUpdate")->click();
            return h.result();
        });
        w.findChild<QPushButton*>("cmdUpdate")->click();
    }
    EXPECT_EQ(messages.texts().join('|'), "");
    const int saved = valueOf(t.db(), "select id_formula from formulas where codigo='POLLO-INI' "
                                      "and version=1")
                          .toInt();
    ASSERT_GT(saved, 0);
    EXPECT_EQ(valueOf(t.db(), QString("select minimo from formula_uso_minimo where id_formula=%1 "
                                      "and id_producto=%2")
                                  .arg(saved)
                                  .arg(first))
                  .toDouble(),
              400);
    EXPECT_EQ(valueOf(t.db(), QString("select max_ingredientes from formula_opciones where "
                                      "id_formula=%1")
                                  .arg(saved))
                  .toInt(),
              12);
    EXPECT_EQ(
        valueOf(t.db(),
                QString("select redondear from formula_opciones where id_formula=%1").arg(saved))
            .toInt(),
        1);
}
