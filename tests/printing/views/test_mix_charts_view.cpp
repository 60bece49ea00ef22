#include "app/views/modal.h"
#include "formulas/formula_lookup.h"
#include "printing/views/frmImprimir.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/views/frmoptimizacion.h"

#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

// From the workspace: without a mix "Gráficos" says what to do; after formulating the charts
// open, with dark blue bars for the limits the broiler starter meets exactly.
TEST(MixChartsView, OpenedFromTheWorkspaceAfterFormulating) {
    TempDatabase t(true);
    ScriptedMessages messages;
    const int id = formulas::findFormula(t.db(), {"POLLO-INI", std::nullopt, 0});
    workspace::frmoptimizacion w(t.db(), qint16(id));
    QStringList opened;
    int onLimit = 0, blue = 0;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened << d.objectName();
        QWidget* picture = d.findChild<QWidget*>("picGraficos");
        if (picture) {
            d.resize(900, 720);
            d.show();
            const QImage image = picture->grab().toImage();
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    onLimit += c == QColor(25, 55, 120) ? 1 : 0;
                    blue += c == QColor(70, 120, 190) ? 1 : 0;
                }
        }
        return 0;
    });
    workspace::frmoptimizacion empty(t.db(), 0);
    empty.findChild<QPushButton*>("cmdGraficos")->click();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(messages.texts(),
              QStringList{"Formule primero a mínimo costo para ver los gráficos"});

    w.findChild<QLineEdit*>("txt_cantidad")->setText("1000");
    w.findChild<QPushButton*>("cmdFormular")->click();
    w.findChild<QPushButton*>("cmdGraficos")->click();
    EXPECT_EQ(opened, QStringList{"frmGraficos"});
    EXPECT_GT(onLimit, 100);
    EXPECT_GT(blue, 100);
}

// The print dialog asks for the chart page with a check box, off unless ticked.
TEST(MixChartsView, PrintDialogOffersTheChartPage) {
    printing::frmImprimir d;
    auto* box = d.findChild<QCheckBox*>("chkGraficos");
    ASSERT_TRUE(box);
    EXPECT_FALSE(d.withCharts());
    box->setChecked(true);
    EXPECT_TRUE(d.withCharts());
}
