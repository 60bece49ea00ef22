#include "app/help_documents.h"
#include "app/views/modal.h"
#include "plans/views/frmPlanes.h"
#include "printing/views/print_services.h"
#include "shell/views/menu.h"
#include "support/list_picks.h"
#include "support/recording_shell.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/views/frmoptimizacion.h"
#include "workspace/workspace.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

namespace {

template <typename T> T* child(const QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void click(const QWidget& w, const char* name) {
    child<QPushButton>(w, name)->click();
}

int count(store::Database& db, const QString& sql) {
    return db.query(sql).valueAt(0, 0).toInt();
}

} // namespace

TEST(PlanesView, TheSamplePlanFormulatesShowsItsResultsAndSaves) {
    TempDatabase t(true);
    ScriptedMessages messages;
    plans::frmPlanes view(t.db());
    EXPECT_EQ(child<QComboBox>(view, "cboPlan")->currentText(), "Semana de ejemplo");
    auto* formulas = child<QTableWidget>(view, "grdFormulas");
    auto* stock = child<QTableWidget>(view, "grdIngredientes");
    EXPECT_EQ(formulas->rowCount(), 4);
    EXPECT_EQ(stock->rowCount(), 2);
    EXPECT_FALSE(child<QPushButton>(view, "cmdGrabar")->isEnabled());

    click(view, "cmdFormular");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
    EXPECT_TRUE(child<QLabel>(view, "lblCostoTotal")->text().startsWith("Costo total del plan"));
    EXPECT_TRUE(child<QLabel>(view, "lblResultado")->isHidden());
    EXPECT_EQ(child<QTableWidget>(view, "grdResultados")->rowCount(), 4);
    EXPECT_GT(child<QTableWidget>(view, "grdMezcla")->rowCount(), 5);
    EXPECT_FALSE(stock->item(0, 3)->text().isEmpty()); // used
    EXPECT_FALSE(stock->item(0, 4)->text().isEmpty()); // marginal value

    const int before = count(t.db(), "select count(*) from formulas");
    click(view, "cmdGrabar");
    EXPECT_EQ(count(t.db(), "select count(*) from formulas"), before + 4);
    EXPECT_EQ(messages.texts().last(), "Se grabaron 4 versiones nuevas de las fórmulas del plan");

    // A contract no formula can take is refused in the grid, naming the ingredient.
    stock->item(0, 2)->setText("999999999");
    EXPECT_TRUE(messages.texts().last().startsWith("El uso mínimo de "));
    EXPECT_TRUE(stock->item(0, 2)->text().isEmpty());
}

// A formula of the solved plan opens in the workspace with its planned mix, not its mix alone,
// and nothing is saved by looking at it.
TEST(PlanesView, AFormulaOpensInTheWorkspaceWithItsPlannedMix) {
    TempDatabase t(true);
    ScriptedMessages messages;
    plans::frmPlanes view(t.db());
    EXPECT_FALSE(child<QPushButton>(view, "cmdAbrir")->isEnabled());
    click(view, "cmdFormular");
    ASSERT_EQ(view.run().outcome, plans::PlanRunOutcome::Optimum);
    const plans::PlannedFormula& pork = view.run().formulas[0];
    ASSERT_TRUE(pork.costoSolo.has_value());
    ASSERT_GT(std::abs(pork.costoUnitarioHumeda - *pork.costoSolo), 1e-4); // the plan moved it
    child<QTableWidget>(view, "grdResultados")->setCurrentCell(0, 0);

    const int before = count(t.db(), "select count(*) from formulas");
    int opened = 0;
    {
        widgets::ScopedModalRunner runner([&](QDialog& d) {
            auto* ws = dynamic_cast<workspace::frmoptimizacion*>(&d);
            EXPECT_NE(ws, nullptr);
            if (!ws)
                return 0;
            ++opened;
            EXPECT_EQ(child<QLineEdit>(d, "txt_CodFormula")->text().trimmed(), "CERDO-CREC");
            EXPECT_NEAR(ws->workspace().vCostoHumeda, pork.costoUnitarioHumeda, 1e-9);
            const workspace::FormulaIngredient* maize =
                workspace::findIngredient(ws->workspace(), pork.ingredientes.front().idProducto);
            EXPECT_NE(maize, nullptr);
            if (maize) {
                EXPECT_NEAR(maize->porcentajeHumeda.value_or(0),
                            pork.ingredientes.front().porcentajeHumeda, 1e-9);
            }
            return 0;
        });
        click(view, "cmdAbrir");
    }
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(count(t.db(), "select count(*) from formulas"), before);
}

TEST(PlanesView, APlanIsCreatedFilledByPickingAndItsConflictNamed) {
    TempDatabase t(true);
    ScriptedMessages messages;
    plans::frmPlanes view(t.db());
    child<QLineEdit>(view, "txtNombre")->setText("Marzo");
    click(view, "cmdNuevo");
    EXPECT_EQ(child<QComboBox>(view, "cboPlan")->currentText(), "Marzo");
    {
        widgets::ScopedModalRunner runner([](QDialog& d) { return pickRow(d, 1); });
        click(view, "cmdAgregarFormula");
        click(view, "cmdAgregarIngrediente");
    }
    EXPECT_EQ(child<QTableWidget>(view, "grdFormulas")->rowCount(), 1);
    ASSERT_EQ(child<QTableWidget>(view, "grdIngredientes")->rowCount(), 1);
    EXPECT_EQ(child<QTableWidget>(view, "grdIngredientes")->item(0, 2)->text(), "0.00");
    child<QTableWidget>(view, "grdIngredientes")->item(0, 1)->setText("100");
    child<QTableWidget>(view, "grdIngredientes")->item(0, 2)->setText("500"); // a contract
    EXPECT_TRUE(messages.texts().last().startsWith("El uso mínimo de "));
    child<QTableWidget>(view, "grdIngredientes")->item(0, 1)->setText("100000");
    child<QTableWidget>(view, "grdIngredientes")->item(0, 2)->setText("2000");
    click(view, "cmdFormular");
    EXPECT_TRUE(messages.texts().last().startsWith(
        "No es posible cumplir todas las restricciones del plan"))
        << messages.texts().last().toStdString();
    EXPECT_FALSE(child<QPushButton>(view, "cmdGrabar")->isEnabled());
    // Once the message is closed the window still says the plan has no mix, and why.
    auto* outcome = child<QLabel>(view, "lblResultado");
    EXPECT_FALSE(outcome->isHidden());
    EXPECT_TRUE(outcome->text().startsWith("Plan sin mezcla: No es posible cumplir"))
        << outcome->text().toStdString();
    EXPECT_TRUE(outcome->text().contains("En conflicto: ")) << outcome->text().toStdString();
    EXPECT_EQ(outcome->toolTip(), messages.texts().last());
    // With both bounds emptied the ingredient leaves the plan.
    child<QTableWidget>(view, "grdIngredientes")->item(0, 1)->setText("");
    child<QTableWidget>(view, "grdIngredientes")->item(0, 2)->setText("");
    EXPECT_EQ(child<QTableWidget>(view, "grdIngredientes")->rowCount(), 0);
    EXPECT_TRUE(outcome->isHidden()); // the plan changed: no outcome to show

    messages.planAnswer(msg::Yes);
    click(view, "cmdEliminar");
    EXPECT_EQ(child<QComboBox>(view, "cboPlan")->currentText(), "Semana de ejemplo");
}

// Imprimir waits for a solved plan, then writes its result as a PDF where the user chooses and
// opens it; a cancelled choice writes nothing.
TEST(PlanesView, ASolvedPlanPrintsToAPdfFile) {
    TempDatabase t(true);
    ScriptedMessages messages;
    QTemporaryDir dir;
    RecordingShell shell;
    QString chosen;
    printing::ScopedPrintServices services(
        {[] { return false; },
         [&](QWidget*, const QString&, const QString& suggested, const QString&) {
             EXPECT_TRUE(suggested.endsWith("plan.pdf"));
             return chosen;
         }});
    plans::frmPlanes view(t.db());
    auto* print = child<QPushButton>(view, "cmdImprimir");
    EXPECT_FALSE(print->isEnabled());
    click(view, "cmdFormular");
    ASSERT_TRUE(print->isEnabled());
    click(view, "cmdImprimir"); // cancelled
    EXPECT_TRUE(shell.opened.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    chosen = dir.filePath("semana");
    click(view, "cmdImprimir");
    ASSERT_EQ(shell.opened, QStringList({dir.filePath("semana.pdf")}));
    QFile pdf(shell.opened.first());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(4) == "%PDF");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
    // A change to the plan drops its result, and with it the printout.
    child<QTableWidget>(view, "grdFormulas")->item(0, 2)->setText("750");
    EXPECT_FALSE(print->isEnabled());
}

TEST(PlanesView, TheMenuOpensIt) {
    TempDatabase t(true);
    app::menu window(store::Database::openFile(t.path()));
    QString opened;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened = d.objectName();
        return 0;
    });
    window.findChild<QAction*>(QStringLiteral("planes"))->trigger();
    EXPECT_EQ(opened, "frmPlanes");
}

TEST(PlanesView, TheStoredVersionsAndTheirPricesAreFormulatedOnlyWhenChosen) {
    TempDatabase t(true);
    ScriptedMessages messages;
    plans::frmPlanes view(t.db());
    auto* current = child<QRadioButton>(view, "optPreciosActuales");
    auto* stored = child<QRadioButton>(view, "optPreciosGuardados");
    auto* results = child<QTableWidget>(view, "grdResultados");
    EXPECT_TRUE(current->isChecked());
    EXPECT_EQ(results->horizontalHeaderItem(5)->text(), "Precios");
    EXPECT_EQ(results->horizontalHeaderItem(1)->text(), "Cantidad (kg)");
    EXPECT_EQ(child<QTableWidget>(view, "grdIngredientes")->horizontalHeaderItem(1)->text(),
              "Disponible (kg)");

    click(view, "cmdFormular");
    EXPECT_EQ(view.run().precios, plans::PlanPrices::Current);
    ASSERT_EQ(results->rowCount(), 4);
    EXPECT_TRUE(results->item(0, 5)->text().startsWith("actuales"));

    stored->click(); // the result no longer answers the choice
    EXPECT_EQ(results->rowCount(), 0);
    EXPECT_FALSE(child<QPushButton>(view, "cmdGrabar")->isEnabled());
    click(view, "cmdFormular");
    EXPECT_EQ(view.run().precios, plans::PlanPrices::Stored);
    ASSERT_EQ(results->rowCount(), 4);
    EXPECT_TRUE(results->item(0, 5)->text().startsWith("guardados el "));
    EXPECT_TRUE(results->item(0, 0)->text().endsWith(" v0"));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
}

// A formula weighed in 5 kg steps keeps them in the plan: the planned mix and the version saved
// from it hold its stepped ingredients in whole steps of its batch.
TEST(PlanesView, AWeighedFormulaIsPlannedAndSavedInWholeSteps) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const int broiler = count(db, "select id_formula from formulas where trim(codigo)='POLLO-INI'");
    db.exec("insert into formula_opciones (id_formula,max_ingredientes,redondear) values (" +
            QString::number(broiler) + ",Null,1)");
    db.exec("insert into producto_pesada (id_producto,paso) select id_producto,5 from productos "
            "where nombre like 'Sorgo%' or nombre like 'Harina de soja%'");
    ScriptedMessages messages;
    plans::frmPlanes view(db);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTest::mouseClick(child<QPushButton>(view, "cmdFormular"), Qt::LeftButton);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
    EXPECT_TRUE(child<QLabel>(view, "lblCostoTotal")->text().startsWith("Costo total del plan"));
    EXPECT_FALSE(child<QLabel>(view, "lblCostoTotal")->text().contains("brecha"));

    QTest::mouseClick(child<QPushButton>(view, "cmdGrabar"), Qt::LeftButton);
    EXPECT_EQ(messages.texts().last(), "Se grabaron 4 versiones nuevas de las fórmulas del plan");
    const store::RecordSet saved = db.query(
        "select fp.cantidad_humeda from formula_producto fp, productos p where "
        "fp.id_producto=p.id_producto and (p.nombre like 'Sorgo%' or p.nombre like 'Harina de "
        "soja%') and fp.id_formula=(select max(id_formula) from formulas where "
        "trim(codigo)='POLLO-INI')");
    ASSERT_EQ(saved.count(), 2);
    for (int r = 0; r < saved.count(); ++r) {
        const double kg = saved.valueAt(r, 0).toDouble();
        EXPECT_GT(kg, 0);
        EXPECT_NEAR(kg / 5, std::round(kg / 5), 1e-9) << kg;
    }
}
