#include "app/views/modal.h"
#include "home/views/start_page_view.h"
#include "optimizer/sample_formulas.h"
#include "shell/views/menu.h"
#include "store/server_address.h"
#include "store/sql_text.h"
#include "support/recording_shell.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "support/test_server.h"
#include "workspace/views/frmoptimizacion.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

template <typename T> T* child(const QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

QStringList column(const QTableWidget& grid, int c) {
    QStringList texts;
    for (int r = 0; r < grid.rowCount(); ++r)
        texts << grid.item(r, c)->text();
    return texts;
}

// The sample book formulated, then maize dearer in the catalogue.
struct StartPageFixture : ::testing::Test {
    TempDatabase t{true};
    ScriptedMessages messages;
    StartPageFixture() {
        optimizer::formulateSampleFormulas(t.db());
        t.db().exec("update productos set costo=costo*1.3 where trim(codigo)='MAIZ'");
    }
};

} // namespace

// The main window opens on the start page: the database in the title, the status bar and the
// page; the book's formulas, the price change and the counts.
TEST_F(StartPageFixture, TheMainWindowShowsTheDatabaseTheBookAndThePriceChange) {
    app::menu window(store::Database::openFile(t.path()));
    window.show();
    QApplication::processEvents();
    const QString path = QFileInfo(t.path()).absoluteFilePath();
    EXPECT_EQ(window.windowTitle(), "Dosivant — " + path);
    EXPECT_EQ(child<QLabel>(window, "lblBaseDatosEstado")->text(), "Archivo: " + path);
    EXPECT_TRUE(window.statusBar()->isVisible());
    auto* page = child<home::StartPageView>(window, "inicio");
    ASSERT_TRUE(page);
    EXPECT_EQ(window.centralWidget(), page);
    EXPECT_EQ(child<QLabel>(*page, "lblBaseDatos")->text(), "Archivo: " + path);

    auto* recent = child<QTableWidget>(*page, "grdRecientes");
    ASSERT_EQ(recent->rowCount(), 4);
    EXPECT_TRUE(column(*recent, 0).contains("POLLO-INI"));
    EXPECT_FALSE(recent->isColumnHidden(1));
    EXPECT_GT(recent->columnWidth(1), recent->columnWidth(2));

    EXPECT_TRUE(child<QLabel>(*page, "lblPrecios")->text().contains("de 4 fórmulas tienen costos"));
    auto* changed = child<QTableWidget>(*page, "grdPrecios");
    EXPECT_TRUE(changed->isVisible());
    EXPECT_EQ(column(*changed, 0), QStringList{"Maíz amarillo grano"});
    EXPECT_TRUE(child<QLabel>(*page, "lblCantidades")->text().startsWith("Ingredientes: 21\n"));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
}

// On a team server the page names the server, the database and the user (never a password),
// in the page, the status bar and the title, and reads the book and the counts from the server
// as it does from a file. Run by the server variant of this program.
TEST_F(StartPageFixture, OnAServerThePageNamesTheServerTheDatabaseAndTheUser) {
    if (!testsOnServer())
        GTEST_SKIP() << "the file's line is checked above";
    app::menu window(store::Database::openFile(t.path()));
    window.show();
    QApplication::processEvents();
    const store::ServerAddress a = store::parseServerAddress(t.path());
    const QString line = QStringLiteral("Servidor: %1:%2 · Base: %3 · Usuario: %4")
                             .arg(a.host)
                             .arg(a.port)
                             .arg(a.database, a.user);
    auto* page = child<home::StartPageView>(window, "inicio");
    ASSERT_TRUE(page);
    EXPECT_EQ(child<QLabel>(*page, "lblBaseDatos")->text(), line);
    EXPECT_EQ(child<QLabel>(window, "lblBaseDatosEstado")->text(), line);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Dosivant — %1 en %2:%3 (%4)")
                                        .arg(a.database, a.host)
                                        .arg(a.port)
                                        .arg(a.user));
    EXPECT_FALSE(child<QLabel>(*page, "lblBaseDatos")->text().contains("password"));

    auto* recent = child<QTableWidget>(*page, "grdRecientes");
    ASSERT_EQ(recent->rowCount(), 4);
    for (const char* code : {"POLLO-INI", "PONEDORA", "CERDO-CREC", "VACA-CONC"})
        EXPECT_TRUE(column(*recent, 0).contains(code)) << code;
    EXPECT_EQ(column(*child<QTableWidget>(*page, "grdPrecios"), 0),
              QStringList{"Maíz amarillo grano"});
    const QString counts = child<QLabel>(*page, "lblCantidades")->text();
    for (const char* count :
         {"Ingredientes: 21\n", "Nutrientes: 12\n", "Fórmulas: 4 (", "Planes de producción: 1"})
        EXPECT_TRUE(counts.contains(QString::fromUtf8(count))) << counts.toStdString();
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
}

// A double click on a recent formula opens the workspace on it; when the workspace closes the
// page is read again. The button opens the worklist; the link opens the quick guide.
TEST_F(StartPageFixture, ADoubleClickOpensTheFormulaAndTheButtonsOpenTheirViews) {
    app::menu window(store::Database::openFile(t.path()));
    window.show();
    QApplication::processEvents();
    auto* page = window.startPage();
    ASSERT_TRUE(page);
    auto* recent = child<QTableWidget>(*page, "grdRecientes");
    ASSERT_EQ(recent->rowCount(), 4);
    const int second = page->page().recent[1].idFormula;
    const QString secondCode = recent->item(1, 0)->text();

    QStringList opened;
    int formula = 0;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened << d.objectName();
        if (auto* ws = qobject_cast<workspace::frmoptimizacion*>(&d)) {
            formula = ws->formulaId();
            // Saved meanwhile: it becomes the formula changed last.
            t.db().exec("update formulas set fecha_modificacion=" +
                        sql::date(QDate::currentDate().addDays(1)) +
                        " where id_formula=" + QString::number(second));
        }
        return 0;
    });
    const QRect cell = recent->visualRect(recent->model()->index(1, 1));
    // A real double click: a click, then the second press the system reports as a double click.
    QTest::mouseClick(recent->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_TRUE(opened.isEmpty()); // one click only selects
    QTest::mouseDClick(recent->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(opened, QStringList{"frmoptimizacion"});
    EXPECT_EQ(formula, second);
    EXPECT_EQ(recent->item(0, 0)->text(), secondCode);

    // Enter opens the current row as well.
    recent->setCurrentCell(2, 0);
    const int third = page->page().recent[2].idFormula;
    recent->setFocus();
    QTest::keyClick(recent, Qt::Key_Return);
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(formula, third);

    child<QPushButton>(*page, "cmdReformular")->click();
    EXPECT_EQ(opened.last(), "frmReformular");

    QTemporaryDir dir;
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.filePath("share").toUtf8());
    QDir().mkpath(dir.filePath("share/dosivant"));
    QFile guide(dir.filePath("share/dosivant/guiarapidadosivant.pdf"));
    ASSERT_TRUE(guide.open(QIODevice::WriteOnly));
    guide.close();
    RecordingShell shell;
    Q_EMIT child<QLabel>(*page, "lblGuia")->linkActivated("guia");
    qputenv("XDG_DATA_HOME", savedHome);
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_TRUE(shell.opened[0].endsWith("/dosivant/guiarapidadosivant.pdf"));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
}

// Without a database the window keeps its plain background and title.
TEST(StartPageWindow, NoDatabaseNoPage) {
    app::menu window(nullptr);
    EXPECT_EQ(window.startPage(), nullptr);
    EXPECT_EQ(window.windowTitle(), "Dosivant - Formulación de raciones al mínimo costo");
}
