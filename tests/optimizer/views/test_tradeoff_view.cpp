#include "app/format.h"
#include "app/views/modal.h"
#include "formulas/formula_lookup.h"
#include "optimizer/views/frmCurvaCompromiso.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/views/frmoptimizacion.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

QPoint cellOf(QTableWidget* grid, const QString& name, const QString& header) {
    QPoint at(-1, -1);
    for (int row = 0; row < grid->rowCount(); ++row)
        if (grid->item(row, 1) && grid->item(row, 1)->text().trimmed() == name)
            at.setY(row);
    for (int c = 0; c < grid->columnCount(); ++c)
        if (grid->model()->headerData(c, Qt::Horizontal).toString() == header)
            at.setX(c);
    return at;
}

void chooseGoal(QDialog& d, const QString& startOfCaption) {
    auto* combo = d.findChild<QComboBox*>("cboObjetivo");
    const int index = combo->findText(startOfCaption, Qt::MatchStartsWith);
    ASSERT_GE(index, 0) << startOfCaption.toStdString();
    combo->setCurrentIndex(index);
    QTest::mouseClick(d.findChild<QPushButton*>("cmdCalcular"), Qt::LeftButton);
}

} // namespace

// The nutritionist opens the curve of the broiler starter from the analysis, picks phosphorus,
// reads the vertices, types a value between the first two and takes that mix to the formula:
// the workspace then holds that mix unsaved at the curve's cost, with the phosphorus maximum at
// that value, and formulating again finds the same cost.
TEST(TradeoffView, PhosphorusPointTakenFromTheAnalysisToTheFormula) {
    TempDatabase t(true);
    ScriptedMessages messages;
    const int id = formulas::findFormula(t.db(), {"POLLO-INI", std::nullopt, 0});
    workspace::frmoptimizacion w(t.db(), qint16(id));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.findChild<QLineEdit*>("txt_cantidad")->setText("1000");
    QTest::mouseClick(w.findChild<QPushButton*>("cmdFormular"), Qt::LeftButton);
    const QString leastCost = w.findChild<QLineEdit*>("txtCosH")->text();

    QStringList opened;
    double chosen = 0;
    QString pointText;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened << d.objectName();
        if (d.objectName() == "frmAnalisis") {
            QTest::mouseClick(d.findChild<QPushButton*>("cmdCurva"), Qt::LeftButton);
            return d.result();
        }
        if (d.objectName() != "frmCurvaCompromiso")
            return 0;
        chooseGoal(d, "Fósforo total");
        auto& curve = static_cast<optimizer::frmCurvaCompromiso&>(d);
        auto* grid = d.findChild<QTableWidget*>("grdVertices");
        EXPECT_GE(grid->rowCount(), 2);
        EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "Fósforo total (%)");
        EXPECT_EQ(seriesNames(d.findChild<QChartView*>("chtCurva")),
                  (QStringList{"Menor costo", "Vértices", "Fórmula actual", "Punto elegido"}));
        // The least-cost vertex costs what the formulation found.
        EXPECT_EQ("$ " + grid->item(0, 1)->text(), leastCost);
        EXPECT_FALSE(d.findChild<QPushButton*>("cmdAplicar")->isEnabled());

        // A value between the first two vertices, typed and confirmed with Enter.
        const auto& v = curve.run().vertices;
        chosen = (v[0].valor + v[1].valor) / 2;
        auto* value = d.findChild<QLineEdit*>("txtValor");
        value->clear();
        QTest::keyClicks(value, fmt::format(chosen, "0.0000000"));
        QTest::keyClick(value, Qt::Key_Return);
        pointText = d.findChild<QLabel*>("lblPunto")->text();
        EXPECT_TRUE(pointText.startsWith("Costo ")) << pointText.toStdString();
        EXPECT_TRUE(d.findChild<QPushButton*>("cmdAplicar")->isEnabled());
        QTest::mouseClick(d.findChild<QPushButton*>("cmdAplicar"), Qt::LeftButton);
        return d.result();
    });
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    ASSERT_EQ(opened, (QStringList{"frmAnalisis", "frmCurvaCompromiso"}));

    // The workspace shows the point's cost, and the limit that holds it there.
    const QString pointCost = pointText.section(' ', 1, 1);
    EXPECT_EQ(w.findChild<QLineEdit*>("txtCosH")->text(), "$ " + pointCost);
    EXPECT_NE(w.findChild<QLineEdit*>("txtCosH")->text(), leastCost);
    auto* nutrients = w.findChild<QTableWidget*>("flexprop");
    const QPoint max = cellOf(nutrients, "Fósforo total", "Máximo");
    ASSERT_GE(max.y(), 0);
    ASSERT_GE(max.x(), 0);
    EXPECT_NEAR(nutrients->item(max.y(), max.x())->text().toDouble(), chosen,
                0.006); // shown with the unit's 2 decimals
    QTest::mouseClick(w.findChild<QPushButton*>("cmdFormular"), Qt::LeftButton);
    EXPECT_EQ(w.findChild<QLineEdit*>("txtCosH")->text(), "$ " + pointCost);
}

// A goal no mix can move (no ingredient has any) gives one vertex and says so; protein, raised,
// gives a curve again; a value outside the curve is refused in place, and nothing is taken.
TEST(TradeoffView, AGoalThatCannotMoveAndAValueOutsideTheCurve) {
    TempDatabase t(true);
    ScriptedMessages messages;
    const int id = formulas::findFormula(t.db(), {"POLLO-INI", std::nullopt, 0});
    workspace::frmoptimizacion w(t.db(), qint16(id));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.findChild<QLineEdit*>("txt_cantidad")->setText("1000");
    QTest::mouseClick(w.findChild<QPushButton*>("cmdFormular"), Qt::LeftButton);
    const QString before = w.findChild<QLineEdit*>("txtCosH")->text();
    t.db().exec(
        "insert into propiedades (id_propiedad,nombre,unidad) values (900,'Constante','%')");
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        chooseGoal(d, "Constante");
        EXPECT_EQ(d.findChild<QTableWidget*>("grdVertices")->rowCount(), 1);
        EXPECT_FALSE(d.findChild<QLabel*>("lblMensaje")->text().isEmpty());
        d.findChild<QCheckBox*>("chkAumentar")->setChecked(true);
        chooseGoal(d, "Proteína bruta");
        EXPECT_GE(d.findChild<QTableWidget*>("grdVertices")->rowCount(), 2);
        auto* value = d.findChild<QLineEdit*>("txtValor");
        QTest::keyClicks(value, "1000");
        QTest::keyClick(value, Qt::Key_Return);
        EXPECT_EQ(d.findChild<QLabel*>("lblPunto")->text(), "Ese valor está fuera de la curva.");
        EXPECT_FALSE(d.findChild<QPushButton*>("cmdAplicar")->isEnabled());
        QTest::mouseClick(d.findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
        return d.result();
    });
    QTest::mouseClick(w.findChild<QPushButton*>("cmdCurva"), Qt::LeftButton);
    EXPECT_EQ(w.findChild<QLineEdit*>("txtCosH")->text(), before); // nothing taken
}
