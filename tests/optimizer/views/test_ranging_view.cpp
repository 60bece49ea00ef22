#include "app/views/modal.h"
#include "formulas/formula_lookup.h"
#include "optimizer/ranging_target.h"
#include "optimizer/views/frmRangos.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/views/frmoptimizacion.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QPoint>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QStringList seriesNames(QChartView* view) {
    QStringList names;
    for (QAbstractSeries* s : view->chart()->series())
        names << s->name();
    return names;
}

int linePoints(QChartView* view) {
    return static_cast<int>(static_cast<QLineSeries*>(view->chart()->series().first())->count());
}

} // namespace

// The person ranges fish meal's price on the broiler starter: the default range runs from 0 to
// twice today's price, each interval is a row (today's in bold) and the charts draw the steps of
// the quantity and the cost with today's price marked; a bad range is refused with a message, and
// another parameter can be picked.
TEST(RangingView, FishMealPriceThenTheProteinMinimum) {
    TempDatabase t(true);
    ScriptedMessages messages;
    const int id = formulas::findFormula(t.db(), {"POLLO-INI", std::nullopt, 0});
    const auto formula = optimizer::loadStoredBlend(t.db(), id);
    ASSERT_TRUE(formula);
    QString error;
    const auto fish = optimizer::priceTarget(formula->blend, "Harina de pescado", &error);
    ASSERT_TRUE(fish);
    optimizer::frmRangos w(formula->blend, *fish, formula->units);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.objectName(), "frmRangos");
    EXPECT_EQ(w.findChild<QComboBox*>("cboParametro")->currentText(),
              "Precio de Harina de pescado 62%");
    EXPECT_EQ(w.findChild<QLineEdit*>("txtDesde")->text(), "0.00");
    EXPECT_EQ(w.findChild<QLineEdit*>("txtHasta")->text(), "3.00");

    auto* grid = w.findChild<QTableWidget*>("grdTramos");
    const lp::Ranging r = optimizer::rangeTarget(formula->blend, *fish, 0, 3);
    ASSERT_EQ(grid->rowCount(), static_cast<int>(r.tramos.size()));
    ASSERT_GE(grid->rowCount(), 2);
    EXPECT_EQ(grid->horizontalHeaderItem(4)->text(), "Cantidad (Kg)");
    int bold = 0;
    for (int row = 0; row < grid->rowCount(); ++row)
        bold += grid->item(row, 0)->font().bold() ? 1 : 0;
    EXPECT_EQ(bold, 1);
    EXPECT_EQ(grid->item(0, 0)->text(), "0.0000");
    EXPECT_EQ(grid->item(grid->rowCount() - 1, 1)->text(), "3.0000");

    auto* valor = w.findChild<QChartView*>("chtValor");
    auto* costo = w.findChild<QChartView*>("chtCosto");
    EXPECT_EQ(linePoints(valor), 2 * grid->rowCount());
    EXPECT_EQ(linePoints(costo), grid->rowCount() + 1);
    // Today's price reads with the four decimals of a price, as the grid's prices do.
    EXPECT_EQ(w.findChild<QLabel*>("lblActual")->text(), "Valor actual: 1.5000");
    EXPECT_EQ(seriesNames(valor), (QStringList{"Cantidad (Kg)", "Valor actual: 1.5000"}));
    EXPECT_FALSE(valor->chart()->legend()->markers().first()->isVisible()); // the axis names it
    EXPECT_EQ(valor->chart()->axes(Qt::Horizontal).first()->titleText(), "Precio ($/Kg)");
    EXPECT_EQ(costo->chart()->axes(Qt::Vertical).first()->titleText(), "Costo de la fórmula ($)");

    w.findChild<QLineEdit*>("txtHasta")->setText("cero");
    w.findChild<QPushButton*>("cmdCalcular")->click();
    EXPECT_EQ(messages.texts(),
              QStringList{"Desde y Hasta deben ser números, y Desde menor que Hasta"});
    EXPECT_EQ(grid->rowCount(), static_cast<int>(r.tramos.size())); // the last answer stays

    auto* combo = w.findChild<QComboBox*>("cboParametro");
    combo->setCurrentIndex(combo->findText("Mínimo de Proteína bruta"));
    EXPECT_EQ(w.findChild<QLineEdit*>("txtDesde")->text(), "11.50");
    EXPECT_EQ(w.findChild<QLineEdit*>("txtHasta")->text(), "34.50");
    EXPECT_EQ(w.findChild<QLabel*>("lblActual")->text(), "Valor actual: 23.00");
    EXPECT_EQ(grid->horizontalHeaderItem(4)->text(), "Precio sombra ($ por %)");
    const QString end = w.findChild<QLabel*>("lblMensaje")->text();
    ASSERT_TRUE(end.startsWith("Sin mezcla posible por encima de 28.9652")) << end.toStdString();
    EXPECT_TRUE(seriesNames(costo).contains("Sin mezcla desde 28.9652")) << end.toStdString();
}

// The grid row whose name (column 1) is `name`, and the column headed `header`.
static QPoint cellOf(QTableWidget* grid, const QString& name, const QString& header) {
    QPoint at(-1, -1);
    for (int row = 0; row < grid->rowCount(); ++row)
        if (grid->item(row, 1) && grid->item(row, 1)->text().trimmed() == name)
            at.setY(row);
    for (int c = 0; c < grid->columnCount(); ++c)
        if (grid->model()->headerData(c, Qt::Horizontal).toString() == header)
            at.setX(c);
    return at;
}

// From the workspace: the button formulates first when needed (a failed formulation has said
// why and opens nothing), then opens on the row stood on: a nutrient's limit by its column, an
// ingredient's price; the analysis opens the ranging of the row chosen there.
TEST(RangingView, OpenedFromTheWorkspaceAndTheAnalysis) {
    TempDatabase t(true);
    ScriptedMessages messages;
    const int id = formulas::findFormula(t.db(), {"POLLO-INI", std::nullopt, 0});
    workspace::frmoptimizacion w(t.db(), qint16(id));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QStringList opened, captions;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened << d.objectName();
        if (auto* combo = d.findChild<QComboBox*>("cboParametro"))
            captions << combo->currentText();
        if (d.objectName() == "frmAnalisis") {
            auto* tabs = d.findChild<QTabWidget*>("SSTab1");
            tabs->setCurrentIndex(3); // binding nutrient limits
            auto* grid = qobject_cast<QTableWidget*>(tabs->currentWidget());
            grid->setCurrentCell(0, 1);
            captions << grid->item(0, 1)->text();
            d.findChild<QPushButton*>("cmdRangos")->click();
        }
        return 0;
    });
    auto* tabs = w.findChild<QTabWidget*>("SSTab1");
    auto* nutrients = w.findChild<QTableWidget*>("flexprop");
    auto* ingredients = w.findChild<QTableWidget*>("flexprod");

    w.findChild<QLineEdit*>("txt_cantidad")->setText("mil");
    w.findChild<QPushButton*>("cmdRangos")->click();
    EXPECT_TRUE(opened.isEmpty());
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_NE(messages.texts().front(), "Formule primero a mínimo costo para ver los rangos");

    w.findChild<QLineEdit*>("txt_cantidad")->setText("1000");
    tabs->setCurrentIndex(1);
    const QPoint proteinMax = cellOf(nutrients, "Proteína bruta", "Máximo");
    ASSERT_GE(proteinMax.x(), 0);
    ASSERT_GE(proteinMax.y(), 0);
    nutrients->setCurrentCell(proteinMax.y(), proteinMax.x());
    w.findChild<QPushButton*>("cmdRangos")->click();
    EXPECT_EQ(w.findChild<QLineEdit*>("txtCosH")->text(), "$ 0.2749"); // formulated first
    tabs->setCurrentIndex(0);
    const QPoint fish = cellOf(ingredients, "Harina de pescado 62%", "Descripción");
    ASSERT_GE(fish.y(), 0);
    ingredients->setCurrentCell(fish.y(), fish.x());
    w.findChild<QPushButton*>("cmdRangos")->click();
    w.findChild<QPushButton*>("Command1")->click();
    ASSERT_EQ(opened, (QStringList{"frmRangos", "frmRangos", "frmAnalisis", "frmRangos"}));
    ASSERT_EQ(captions.size(), 4);
    EXPECT_EQ(captions[0], "Máximo de Proteína bruta");
    EXPECT_EQ(captions[1], "Precio de Harina de pescado 62%");
    // "Mínimo para X (%)" in the analysis (the unit of X named) is the ranging of "Mínimo de X".
    EXPECT_EQ(captions[3] + " (%)", QString(captions[2]).replace(" para ", " de "));
}
