#include "support/scripted_messages.h"
#include "workspace/views/frmRecalcular.h"
#include "workspace/views/frmResultados.h"
#include "workspace/workspace.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using workspace::Workspace;

namespace {

// A matrix of `ingredients` rows and `nutrients` nutrient columns, plus the totals row.
Workspace withMatrix(int ingredients, int nutrients) {
    Workspace ws;
    workspace::CompositionMatrix& m = ws.composition;
    for (int n = 1; n <= nutrients; ++n) {
        m.nutrientIds.push_back(n);
        ws.nutrients.push_back({n, "Nutriente " + QString::number(n), {}, {}, {}, {}});
    }
    for (int r = 0; r <= ingredients; ++r) {
        workspace::CompositionRow row;
        if (r < ingredients) {
            row.id = r + 1;
            row.nombre = "Ingrediente " + QString::number(r + 1);
        }
        row.cantidadSeca = 10.0;
        row.porcentajeSeca = 0.01;
        row.cantidadHumeda = 12.0;
        row.porcentajeHumeda = 0.012;
        for (int n = 1; n <= nutrients; ++n)
            row.values.push_back(double(n));
        m.rows.push_back(std::move(row));
    }
    return ws;
}

void type(QLineEdit* box, const QString& text) {
    box->selectAll();
    box->setText(text);
}

} // namespace

TEST(RecalcularView, ChecksTheQuantityAndHandsTheAnswersToItsOpener) {
    ScriptedMessages messages;
    workspace::frmRecalcular view;
    EXPECT_EQ(view.windowTitle(), "Recalcular ");
    auto* text1 = view.findChild<QLineEdit*>("Text1");
    EXPECT_EQ(text1->text(), "Materia Seca");
    view.setSecaIng(false);
    EXPECT_EQ(text1->text(), "Materia Húmeda");
    auto* keep = view.findChild<QRadioButton*>("Option2_0");
    auto* all = view.findChild<QRadioButton*>("Option2_1");
    EXPECT_TRUE(keep->isChecked());
    EXPECT_EQ(all->text(), "Incorporar todos los Nutrientes afectados");
    auto* box = view.findChild<QLineEdit*>("txt_cantidad");
    auto* aceptar = view.findChild<QPushButton*>("Command4");
    EXPECT_EQ(aceptar->text(), "&Aceptar");
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));

    type(box, "mil");
    aceptar->click();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "La cantidad debe ser un dato numérico válido");
    EXPECT_EQ(messages.shown()[0].style, msg::Critical);
    EXPECT_TRUE(view.isVisible());
    EXPECT_TRUE(box->hasFocus());
    type(box, "0");
    aceptar->click();
    EXPECT_EQ(messages.texts().last(), "La cantidad debe ser mayor que cero");
    EXPECT_FALSE(view.answer());

    type(box, "500");
    all->click();
    aceptar->click();
    EXPECT_EQ(view.result(), QDialog::Accepted);
    ASSERT_TRUE(view.answer());
    EXPECT_DOUBLE_EQ(view.answer()->cantidad, 500);
    EXPECT_FALSE(view.answer()->mantenerNutrientes);
    EXPECT_EQ(messages.shown().size(), 2u);

    // Cancelling gives no answer.
    workspace::frmRecalcular again;
    type(again.findChild<QLineEdit*>("txt_cantidad"), "750");
    again.findChild<QPushButton*>("Command3")->click();
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_FALSE(again.answer());
}

TEST(ResultadosView, TheMatrixWithFrozenColumnsAndTheTotalsRow) {
    const Workspace ws = withMatrix(30, 6);
    workspace::frmResultados view(ws);
    EXPECT_EQ(view.windowTitle(), "Composición de la Fórmula");
    auto* grid = view.findChild<QTableWidget*>("FlexGrid1");
    ASSERT_EQ(grid->rowCount(), 31);
    ASSERT_EQ(grid->columnCount(), 13);
    EXPECT_TRUE(grid->isColumnHidden(0));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "Ingrediente");
    EXPECT_EQ(grid->horizontalHeaderItem(7)->text(), "Nutriente 1");
    EXPECT_GE(grid->columnWidth(4), grid->horizontalHeader()->sectionSizeHint(4)); // "Mat.Húmeda"
    EXPECT_EQ(grid->item(0, 3)->text(), "1.00%");
    EXPECT_TRUE(grid->item(30, 7)->font().bold());
    EXPECT_FALSE(grid->item(29, 7)->font().bold());

    view.resize(700, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTableView* frozen = view.frozenColumns();
    ASSERT_NE(frozen, nullptr);
    EXPECT_TRUE(frozen->isVisible());
    int width = 0;
    for (int c = 0; c < 13; ++c) {
        EXPECT_EQ(frozen->isColumnHidden(c), c == 0 || c >= 7) << c;
        if (c >= 1 && c < 7)
            width += grid->columnWidth(c);
    }
    EXPECT_EQ(frozen->width(), width);
    EXPECT_EQ(frozen->model()->headerData(1, Qt::Horizontal).toString(), "Ingrediente");

    // The nutrient columns scroll sideways under the frozen ones; rows scroll together.
    ASSERT_GT(grid->horizontalScrollBar()->maximum(), 0);
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    EXPECT_EQ(frozen->horizontalScrollBar()->value(), 0);
    ASSERT_GT(grid->verticalScrollBar()->maximum(), 0);
    grid->verticalScrollBar()->setValue(5);
    EXPECT_EQ(frozen->verticalScrollBar()->value(), 5);

    // A matrix without nutrient columns has nothing to scroll beside the fixed ones.
    workspace::frmResultados plain(withMatrix(2, 0));
    EXPECT_EQ(plain.frozenColumns(), nullptr);
    EXPECT_EQ(plain.findChild<QTableWidget*>("FlexGrid1")->rowCount(), 3);
}

TEST(ResultadosView, EveryCellIsReadWholeLongNamesAndTheTotalsRowIncluded) {
    Workspace ws = withMatrix(2, 2);
    workspace::CompositionMatrix& m = ws.composition;
    m.rows.front().nombre = "Harina de soja 48% proteína descascarada extrusada";
    workspace::CompositionRow& totals = m.rows.back();
    totals.cantidadHumeda = 1000.0; // the totals row, bold: "1000.00" and "100.00%"
    totals.porcentajeHumeda = 1.0;
    totals.porcentajeSeca = 1.0;
    totals.values[1] = 12345.678;
    workspace::frmResultados view(ws);
    auto* grid = view.findChild<QTableWidget*>("FlexGrid1");
    ASSERT_EQ(grid->item(2, 5)->text(), "100.00%");
    ASSERT_TRUE(grid->item(2, 5)->font().bold());
    auto expectWhole = [&](int c) {
        for (int r = 0; r < grid->rowCount(); ++r) {
            const QTableWidgetItem* item = grid->item(r, c);
            const int needed = QFontMetrics(item->font()).horizontalAdvance(item->text());
            EXPECT_GT(grid->columnWidth(c), needed + 4)
                << r << ',' << c << ' ' << item->text().toStdString();
        }
    };
    for (int c = 1; c < grid->columnCount(); ++c)
        if (c != 6)
            expectWhole(c);
    view.resize(500, 260); // a resize lays the widths out again: they still fit
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (int c : {1, 3, 5, 8})
        expectWhole(c);
}
