#include "app/views/modal.h"
#include "catalog/composition_history.h"
#include "catalog/views/frmAnalisisLaboratorio.h"
#include "catalog/views/frmproducto_propiedades.h"
#include "catalog_view_helpers.h"
#include "shell/views/menu.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>

using catalog::frmAnalisisLaboratorio;

namespace {

QStringList gridColumn(const QWidget& view, const char* grid, int c) {
    auto* g = control<QTableWidget>(view, grid);
    QStringList texts;
    for (int r = 0; r < g->rowCount(); ++r)
        texts << (g->item(r, c) ? g->item(r, c)->text() : QString());
    return texts;
}

struct PlannedChooser {
    QString answer;
    frmAnalisisLaboratorio::FileChooser previous = frmAnalisisLaboratorio::setFileChooser(
        [this](QWidget*, const QString&, const QString&) { return answer; });
    ~PlannedChooser() { frmAnalisisLaboratorio::setFileChooser(std::move(previous)); }
};

} // namespace

TEST(LabAnalysesView, OpensFromTheDataMenu) {
    TempDatabase t(true);
    app::menu w(store::Database::openFile(t.path()));
    QString opened;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened = d.objectName() + "|" + d.windowTitle();
        return 0;
    });
    w.findChild<QAction*>("analisislaboratorio")->trigger();
    EXPECT_EQ(opened, "frmAnalisisLaboratorio|Análisis de Laboratorio");
}

TEST(LabAnalysesView, ImportsListsAndUpdatesTheCompositionAfterQuestions) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    QTemporaryDir dir;
    const QString path = dir.filePath("analisis.csv");
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("codigo;propiedad;fecha;lote;valor\n"
                "MAIZ;Proteína bruta;01/01/2026;A;8\n"
                "MAIZ;Proteína bruta;02/01/2026;B;9\n"
                "MAIZ;Proteína bruta;03/01/2026;C;10\n"
                "SOJA44;Proteína bruta;03/01/2026;C;44\n"
                "NADA;Proteína bruta;03/01/2026;C;1\n");
    }
    frmAnalisisLaboratorio view(db, u'.', QDate(2026, 1, 31));
    view.show();
    auto* tabs = control<QTabWidget>(view, "tabAnalisis");
    PlannedChooser chooser{path};
    click(view, "cmdImportar");
    EXPECT_EQ(gridColumn(view, "flexAnalisis", 1), QStringList({"MAIZ", "MAIZ", "MAIZ", "SOJA44"}));
    EXPECT_EQ(gridColumn(view, "flexConflictos", 0), QStringList({"6"}));
    EXPECT_EQ(control<QLabel>(view, "lblResumen")->text(),
              "4 análisis para guardar; 1 línea con conflictos no se guarda.");

    // Declined, nothing is stored; accepted, everything is.
    messages.planAnswer(msg::No);
    click(view, "cmdGuardar");
    EXPECT_EQ(scalar(db, "select count(*) from producto_analisis"), 0);
    messages.planAnswer(msg::Yes);
    click(view, "cmdGuardar");
    EXPECT_EQ(scalar(db, "select count(*) from producto_analisis"), 4);
    EXPECT_EQ(messages.texts().mid(1),
              QStringList({"¿Guarda 4 análisis?\n\nLa línea con conflictos no se guarda.",
                           "Se guardaron 4 análisis."}));
    EXPECT_FALSE(control<QAbstractButton>(view, "cmdGuardar")->isEnabled());

    // The stored list, of all ingredients or of one.
    tabs->setCurrentIndex(1);
    auto* ingredient = control<QComboBox>(view, "cboIngrediente");
    EXPECT_EQ(gridColumn(view, "flexGuardados", 1).size(), 4);
    ASSERT_EQ(ingredient->count(), 3);
    ingredient->setCurrentIndex(ingredient->findText("SOJA44", Qt::MatchStartsWith));
    EXPECT_EQ(gridColumn(view, "flexGuardados", 1), QStringList({"SOJA44"}));

    // The summary of January: only the maize has three analyses.
    tabs->setCurrentIndex(2);
    control<QDateEdit>(view, "dtpDesde")->setDate(QDate(2026, 1, 1));
    click(view, "cmdCalcular");
    EXPECT_EQ(gridColumn(view, "flexComposicion", 0), QStringList({"MAIZ"}));
    EXPECT_EQ(control<QLabel>(view, "lblComposicion")->text(),
              "1 composición con 3 análisis o más del 01/01/2026 al 31/01/2026.");
    EXPECT_EQ(gridColumn(view, "flexComposicion", 4), QStringList({"9.00"}));
    EXPECT_EQ(gridColumn(view, "flexComposicion", 5), QStringList({"1.00"}));
    messages.planAnswer(msg::Yes);
    click(view, "cmdActualizar");
    EXPECT_EQ(messages.texts().last(), "Se actualizó 1 valor de composición.");
    EXPECT_EQ(scalar(db, "select valor from producto_propiedad where id_producto=1 and "
                         "id_propiedad=1"),
              9);
    EXPECT_EQ(scalar(db, "select count(*) from producto_propiedad_desvio"), 1);

    // A row left out is not written; with none left there is nothing to update.
    control<QTableWidget>(view, "flexComposicion")->setCurrentCell(0, 0);
    click(view, "cmdQuitar");
    EXPECT_EQ(control<QTableWidget>(view, "flexComposicion")->rowCount(), 0);
    EXPECT_FALSE(control<QAbstractButton>(view, "cmdActualizar")->isEnabled());

    // A period that ends before it starts is refused.
    control<QDateEdit>(view, "dtpHasta")->setDate(QDate(2025, 12, 1));
    click(view, "cmdCalcular");
    EXPECT_EQ(messages.texts().last(), "La fecha Desde no puede ser posterior a la fecha Hasta.");
}

// The deviation is typed in its own column of the composition editor, as a person does it.
TEST(CompositionEditorView, DeviationTypedInItsCellWithDoubleClickAndEnter) {
    TempDatabase t(true);
    store::Database& db = t.db();
    ScriptedMessages messages;
    catalog::frmproducto_propiedades view(db, 1);
    showActive(view);
    auto* grid = control<QTableWidget>(view, "FlexGrid1");
    auto* txtAux = control<QLineEdit>(view, "txt_aux");
    ASSERT_EQ(grid->horizontalHeaderItem(4)->text(), "Desvío");
    int row = -1;
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, 2)->text() == "Proteína bruta")
            row = r;
    ASSERT_GE(row, 0);
    EXPECT_EQ(grid->item(row, 4)->text(), "");
    const auto deviation = [&] {
        return db.query("select desvio from producto_propiedad_desvio where id_producto=1 and "
                        "id_propiedad=1");
    };
    const auto typeInCell = [&](const QString& text) {
        const QRect cellRect = grid->visualItemRect(grid->item(row, 4));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellRect.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellRect.center());
        EXPECT_TRUE(txtAux->isVisible());
        txtAux->selectAll();
        QTest::keyClick(txtAux, Qt::Key_Backspace);
        QTest::keyClicks(txtAux, text);
        QTest::keyClick(txtAux, Qt::Key_Return);
    };

    typeInCell("0.45");
    ASSERT_EQ(deviation().count(), 1);
    EXPECT_EQ(deviation().valueAt(0, 0).toDouble(), 0.45);
    EXPECT_EQ(grid->item(row, 4)->text(), "0.45000");
    EXPECT_EQ(catalog::lastCompositions(db, 1, 1).front().origen,
              catalog::kOrigenEdicionComposicion);

    // A negative deviation is refused with the editor still open; Esc leaves it as it was.
    typeInCell("-1");
    EXPECT_EQ(messages.texts(), QStringList{"El desvío no puede ser negativo."});
    EXPECT_TRUE(txtAux->isVisible());
    QTest::keyClick(txtAux, Qt::Key_Escape);
    EXPECT_EQ(deviation().valueAt(0, 0).toDouble(), 0.45);

    // Emptied, the value has no deviation any more.
    typeInCell("");
    EXPECT_EQ(deviation().count(), 0);
}
