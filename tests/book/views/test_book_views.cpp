#include "app/help_documents.h"
#include "app/views/modal.h"
#include "book/comparison.h"
#include "book/views/frmComparar.h"
#include "book/views/frmReformular.h"
#include "book/worklist_grid.h"
#include "formulas/views/frmformulas.h"
#include "optimizer/sample_formulas.h"
#include "printing/views/print_services.h"
#include "shell/views/menu.h"
#include "support/recording_shell.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

template <typename T> T* child(const QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void click(const QWidget& w, const char* name) {
    QPushButton* b = child<QPushButton>(w, name);
    ASSERT_TRUE(b);
    b->click();
}

// The sample book formulated, then maize and soybean meal 30 % dearer.
struct BookFixture : ::testing::Test {
    TempDatabase t{true};
    ScriptedMessages messages;
    BookFixture() {
        optimizer::formulateSampleFormulas(t.db());
        t.db().exec("update productos set costo=costo*1.3 where trim(codigo) in "
                    "('MAIZ','SOJA44','SOJA48')");
    }
    int formulas() { return t.db().query("select count(*) from formulas").value(0).toInt(); }
};

QStringList column(const QTableWidget& grid, int c) {
    QStringList texts;
    for (int r = 0; r < grid.rowCount(); ++r)
        texts << grid.item(r, c)->text();
    return texts;
}

// The highlighted cells of a comparison grid.
int highlighted(const QTableWidget& grid) {
    int n = 0;
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.columnCount(); ++c)
            n += grid.item(r, c)->background().color() == grid::colorFromLong(book::kDifference);
    return n;
}

} // namespace

// Reformular lists every formula, sorts by a clicked column, compares a row with its new mix and
// saves the selected rows as new versions after the user agrees.
TEST_F(BookFixture, WorklistReformulatesSortsComparesAndSaves) {
    app::menu window(nullptr);
    EXPECT_EQ(window.findChild<QAction*>("reformular")->text(), "&Reformular");

    book::frmReformular w(t.db());
    auto* grid = child<QTableWidget>(w, "FlexGrid1");
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_FALSE(child<QPushButton>(w, "cmdGrabar")->isEnabled());
    w.show();
    EXPECT_FALSE(child<QLabel>(w, "txtnohubo")->isVisible()); // nothing searched yet
    click(w, "cmdReformular");
    ASSERT_EQ(grid->rowCount(), 4);
    EXPECT_FALSE(child<QLabel>(w, "txtnohubo")->isVisible());
    // The sorted column carries its arrow in its caption; Entran and Salen cells tell the list.
    EXPECT_EQ(grid->horizontalHeaderItem(book::kColCodigo)->text(), "Código \u25B2");
    EXPECT_FALSE(grid->horizontalHeader()->isSortIndicatorShown());
    int lists = 0;
    for (int r = 0; r < grid->rowCount(); ++r) {
        for (int c : {book::kColEntran, book::kColSalen}) {
            if (grid->item(r, c)->text().isEmpty())
                continue;
            ++lists;
            EXPECT_TRUE(grid->item(r, c)->toolTip().startsWith(c == book::kColEntran ? "Entran:\n"
                                                                                     : "Salen:\n"));
        }
    }
    EXPECT_GT(lists, 0);
    EXPECT_EQ(column(*grid, book::kColCodigo),
              QStringList({"CERDO-CREC", "POLLO-INI", "PONEDORA", "VACA-CONC"}));
    EXPECT_TRUE(child<QLabel>(w, "lblResumen")->text().startsWith("4 fórmulas:"));
    EXPECT_EQ(grid->item(1, book::kColResultado)->text(), "óptimo");

    // A click on "Cambio %" sorts by it, a second one the other way round.
    grid->horizontalHeader()->sectionClicked(book::kColCambio);
    const QStringList ascending = column(*grid, book::kColCodigo);
    EXPECT_EQ(ascending.last(), "POLLO-INI"); // maize is most of its mix: the dearest
    grid->horizontalHeader()->sectionClicked(book::kColCambio);
    EXPECT_EQ(column(*grid, book::kColCodigo).first(), "POLLO-INI");

    // Comparar shows the stored version against its new mix.
    QString compared;
    int differences = 0;
    {
        widgets::ScopedModalRunner runner([&](QDialog& d) {
            compared = d.objectName() + "|" + child<QLabel>(d, "lblDerecha")->text();
            differences = highlighted(*child<QTableWidget>(d, "FlexGrid1"));
            return int(QDialog::Accepted);
        });
        grid->setCurrentCell(0, 0);
        click(w, "cmdComparar");
    }
    EXPECT_EQ(compared, "frmComparar|POLLO-INI reformulada");
    EXPECT_GT(differences, 0);

    // Grabar asks first; No writes nothing, Yes writes one new version per selected row.
    grid->clearSelection();
    grid->selectionModel()->select(grid->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid->selectionModel()->select(grid->model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    messages.clear();
    messages.planAnswer(msg::No);
    click(w, "cmdGrabar");
    EXPECT_EQ(formulas(), 4);
    EXPECT_EQ(messages.texts(),
              QStringList({"¿Grabar 2 fórmulas seleccionadas como nuevas versiones?\n\nSolo se "
                           "graban las filas seleccionadas en la lista. Otras 2 fórmulas "
                           "reformuladas quedan sin grabar."}));
    messages.planAnswer(msg::Yes);
    click(w, "cmdGrabar");
    EXPECT_EQ(formulas(), 6);
    EXPECT_EQ(messages.texts().last(), "Se grabaron 2 versiones nuevas.");
    EXPECT_EQ(grid->item(0, book::kColVersionNueva)->text(), "1");
    EXPECT_EQ(grid->item(1, book::kColVersionNueva)->text(), "");

    // Re-formulating again or leaving while mixes are not saved asks first.
    messages.clear();
    messages.planAnswer(msg::No);
    click(w, "cmdReformular");
    EXPECT_EQ(grid->item(0, book::kColVersionNueva)->text(), "1"); // the worklist stays
    EXPECT_EQ(messages.texts(),
              QStringList({"Hay fórmulas reformuladas sin grabar. ¿Desea reformular de nuevo?"}));
    messages.clear();
    messages.planAnswer(msg::No);
    click(w, "cmdClose");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(messages.texts(),
              QStringList({"Hay fórmulas reformuladas sin grabar. ¿Desea salir de todos modos?"}));

    // A run that finds nothing says so over the grid.
    child<QLineEdit>(w, "Text1")->setText("ZZZ");
    messages.planAnswer(msg::Yes);
    click(w, "cmdReformular");
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_TRUE(child<QLabel>(w, "txtnohubo")->isVisible());
    EXPECT_EQ(child<QLabel>(w, "lblResumen")->text(), "Ninguna fórmula cumple con la selección.");
}

// "Abrir en Optimización" opens the mix the worklist shows: re-formulated at today's prices,
// not saved, costing what the worklist says; once saved, the new version as stored.
TEST_F(BookFixture, WorklistOpensTheReformulatedMixAtTodaysPrices) {
    book::frmReformular w(t.db());
    auto* grid = child<QTableWidget>(w, "FlexGrid1");
    click(w, "cmdReformular");
    ASSERT_EQ(grid->rowCount(), 4);
    grid->setCurrentCell(1, 0);
    ASSERT_EQ(grid->item(1, book::kColCodigo)->text(), "POLLO-INI");
    QString listed = grid->item(1, book::kColCostoNuevo)->text().trimmed();
    ASSERT_FALSE(listed.isEmpty());

    QString cost, version;
    int greenPrices = 0;
    {
        widgets::ScopedModalRunner runner([&](QDialog& d) {
            EXPECT_EQ(d.objectName(), "frmoptimizacion");
            cost = child<QLineEdit>(d, "txtCosH")->text();
            version = child<QLineEdit>(d, "txt_VerFormula")->text();
            const auto* flexprod = child<QTableWidget>(d, "flexprod");
            for (int r = 0; r < flexprod->rowCount(); ++r)
                greenPrices += flexprod->item(r, 4) && flexprod->item(r, 4)->background().color() ==
                                                           grid::colorFromLong(grid::kGreen);
            messages.planAnswer(msg::No); // leaves without saving
            click(d, "cmdClose");
            return d.result();
        });
        click(w, "cmdAbrir");
    }
    EXPECT_DOUBLE_EQ(cost.remove("$").trimmed().toDouble(),
                     listed.remove("$").trimmed().toDouble());
    EXPECT_EQ(version, "0");
    EXPECT_EQ(greenPrices, 0); // today's prices: nothing differs from the catalogue
    EXPECT_EQ(messages.texts(), QStringList({"¿Grabar los cambios de la fórmula POLLO-INI?"}));
    EXPECT_EQ(formulas(), 4);
}

// "Comparar" in the formula list opens two selected versions side by side, their differences
// highlighted, and can hide the lines that agree; one selected row is refused with a message.
TEST_F(BookFixture, FormulaListComparesTwoSelectedVersions) {
    book::frmReformular reformular(t.db());
    click(reformular, "cmdReformular");
    auto* worklist = child<QTableWidget>(reformular, "FlexGrid1");
    worklist->selectAll();
    messages.planAnswer(msg::Yes);
    click(reformular, "cmdGrabar");
    ASSERT_EQ(formulas(), 8);

    formulas::frmformulas list(t.db(), keys::ListMode::Maintain);
    auto* grid = child<QTableWidget>(list, "FlexGrid1");
    int pollo[2] = {-1, -1};
    for (int r = 0, n = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, 1)->text() == "POLLO-INI")
            pollo[n++] = r;
    ASSERT_GE(pollo[1], 0);
    messages.clear();
    grid->clearSelection();
    grid->selectRow(pollo[0]);
    click(list, "cmdComparar");
    EXPECT_EQ(messages.texts().size(), 1u);

    QStringList titles;
    int all = 0, onlyRows = 0, allRows = 0;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        auto* g = child<QTableWidget>(d, "FlexGrid1");
        titles << child<QLabel>(d, "lblIzquierda")->text()
               << child<QLabel>(d, "lblDerecha")->text();
        all = highlighted(*g);
        allRows = g->rowCount();
        child<QCheckBox>(d, "chkDiferencias")->setChecked(true);
        onlyRows = g->rowCount();
        EXPECT_EQ(highlighted(*g), all);
        return int(QDialog::Accepted);
    });
    grid->selectionModel()->select(grid->model()->index(pollo[1], 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    click(list, "cmdComparar");
    EXPECT_EQ(titles, QStringList({"POLLO-INI versión 0", "POLLO-INI versión 1"}));
    EXPECT_GT(all, 2); // the version at least, and the cost
    EXPECT_LT(onlyRows, allRows);
}

// Without a printer, Imprimir offers the worklist as a PDF; Guardar PDF writes it at once. Both
// open the file written.
TEST_F(BookFixture, WorklistPrintsToAPdfFile) {
    QTemporaryDir dir;
    RecordingShell shell;
    QString chosen = dir.filePath("lista");
    printing::ScopedPrintServices services(
        {[] { return false; },
         [&](QWidget*, const QString&, const QString& suggested, const QString&) {
             EXPECT_TRUE(suggested.endsWith("reformulacion.pdf"));
             return chosen;
         }});
    book::frmReformular w(t.db());
    click(w, "cmdReformular");
    messages.planAnswer(msg::No);
    click(w, "cmdImprimir");
    EXPECT_TRUE(shell.opened.isEmpty());
    messages.planAnswer(msg::Yes);
    click(w, "cmdImprimir");
    ASSERT_EQ(shell.opened, QStringList({dir.filePath("lista.pdf")}));
    chosen = dir.filePath("otra.pdf");
    click(w, "cmdPdf");
    ASSERT_EQ(shell.opened.size(), 2);
    for (const QString& path : shell.opened) {
        QFile pdf(path);
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << path.toStdString();
        EXPECT_TRUE(pdf.read(4) == "%PDF");
    }
}
