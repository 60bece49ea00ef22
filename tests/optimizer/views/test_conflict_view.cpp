#include "app/views/modal.h"
#include "support/blend_database.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/views/frmoptimizacion.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

// The person formulates a diet whose limits cannot hold together: after the message the list of
// the limits in conflict opens, with the value and the relaxation of each.
TEST(ConflictView, OpensAfterAnInfeasibleRunWithTheLimitsInConflict) {
    TempDatabase t;
    ScriptedMessages messages;
    const int formula = blenddb::addCalciumConflict(t.db());
    workspace::frmoptimizacion w(t.db(), qint16(formula));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    QStringList opened, title, cells;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened << d.objectName();
        title << d.windowTitle();
        auto* grid = d.findChild<QTableWidget*>("grdConflicto");
        for (int r = 0; grid && r < grid->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < grid->columnCount(); ++c)
                row << grid->item(r, c)->text();
            cells << row.join('|');
        }
        d.findChild<QPushButton*>("cmdClose")->click();
        return d.result();
    });
    w.findChild<QLineEdit*>("txt_cantidad")->setText("1000");
    w.findChild<QPushButton*>("cmdFormular")->click();

    EXPECT_EQ(messages.texts(), QStringList{"No es posible cumplir todas las restricciones"});
    ASSERT_EQ(opened, QStringList{"frmConflicto"});
    EXPECT_EQ(title, QStringList{"Restricciones en conflicto"});
    ASSERT_EQ(cells.size(), 3);
    const QStringList start = {"Nutriente|Calcio|Mínimo|1.200|", "Nutriente|Fósforo|Máximo|0.500|",
                               "Ingrediente|Calcáreo|Máximo|20.00|"};
    for (int r = 0; r < 3; ++r) {
        EXPECT_TRUE(cells[r].startsWith(start[r])) << cells[r].toStdString();
        EXPECT_TRUE(cells[r].contains("|$ 0.")) << cells[r].toStdString(); // a cost was found
    }

    // A formula that solves opens nothing more.
    opened.clear();
    messages.clear();
    t.db().exec("update formula_propiedad set minimo=0.9 where minimo is not null");
    workspace::frmoptimizacion again(t.db(), qint16(formula));
    again.findChild<QLineEdit*>("txt_cantidad")->setText("1000");
    again.findChild<QPushButton*>("cmdFormular")->click();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(messages.texts().isEmpty());
}
