#include "app/views/modal.h"
#include "catalog/views/frmActualizarPrecios.h"
#include "catalog/views/frmproducto.h"
#include "catalog_view_helpers.h"
#include "shell/views/menu.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

using catalog::frmActualizarPrecios;

namespace {

QString writeList(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

QStringList gridColumn(const QWidget& view, const char* grid, int c) {
    auto* g = control<QTableWidget>(view, grid);
    QStringList texts;
    for (int r = 0; r < g->rowCount(); ++r)
        texts << (g->item(r, c) ? g->item(r, c)->text() : QString());
    return texts;
}

double cost(store::Database& db, const QString& code) {
    return db.query("select costo from productos where trim(codigo)='" + code + "'")
        .valueAt(0, 0)
        .toDouble();
}

// Answers the file dialog with a planned path.
struct PlannedChooser {
    QString answer;
    frmActualizarPrecios::FileChooser previous = frmActualizarPrecios::setFileChooser(
        [this](QWidget*, const QString&, const QString&) { return answer; });
    ~PlannedChooser() { frmActualizarPrecios::setFileChooser(std::move(previous)); }
};

} // namespace

TEST(PriceListView, OpensFromTheDataMenu) {
    TempDatabase t(true);
    app::menu w(store::Database::openFile(t.path()));
    QString opened;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened = d.objectName() + "|" + d.windowTitle();
        return 0;
    });
    w.findChild<QAction*>("actualizarprecios")->trigger();
    EXPECT_EQ(opened, "frmActualizarPrecios|Actualizar Precios");
}

TEST(PriceListView, PreviewThenAplicarAppliesOnlyWhenConfirmed) {
    ScriptedMessages messages;
    TempDatabase t(true);
    store::Database& db = t.db();
    QTemporaryDir dir;
    const QString list =
        writeList(dir, "lista.csv", "codigo;costo\nMAIZ;0,19\nSOJA44;0,34\nNADA;1\nTRIGO;0,2\n");
    frmActualizarPrecios view(db, u',');
    view.show();
    auto* aplicar = control<QPushButton>(view, "cmdAplicar");
    EXPECT_FALSE(aplicar->isEnabled());

    click(view, "cmdLeer"); // no file named yet
    EXPECT_EQ(messages.texts(), QStringList{"Debe indicar el archivo de la lista de precios"});
    messages.clear();

    type(view, "txtArchivo", list);
    click(view, "cmdLeer");
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(gridColumn(view, "flexPrecios", 1), QStringList({"MAIZ", "SOJA44", "TRIGO"}));
    EXPECT_EQ(gridColumn(view, "flexPrecios", 4), QStringList({"0.1900", "0.3400", "0.2000"}));
    EXPECT_EQ(gridColumn(view, "flexConflictos", 0), QStringList{"4"});
    EXPECT_EQ(gridColumn(view, "flexConflictos", 2),
              QStringList{"el código no está en el catálogo"});
    EXPECT_EQ(control<QLabel>(view, "lblResumen")->text(),
              "2 ingredientes cambian de precio; 1 sin cambios; 1 línea con conflictos no se "
              "aplica.");
    ASSERT_TRUE(aplicar->isEnabled());

    // Declined: nothing is written.
    messages.planAnswer(msg::No);
    aplicar->click();
    EXPECT_EQ(messages.texts(), QStringList{"¿Aplica los cambios de precio de 2 ingredientes?\n\n"
                                            "La línea con conflictos no se aplica."});
    EXPECT_EQ(cost(db, "MAIZ"), 0.173);
    messages.clear();

    messages.planAnswer(msg::Yes);
    aplicar->click();
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[1].text, "Se actualizaron los precios de 2 ingredientes.");
    EXPECT_EQ(cost(db, "MAIZ"), 0.19);
    EXPECT_EQ(cost(db, "TRIGO"), 0.2);
    // The list is shown again against the catalogue as it is now: nothing left to apply.
    EXPECT_EQ(gridColumn(view, "flexPrecios", 3), QStringList({"0.1900", "0.3400", "0.2000"}));
    EXPECT_FALSE(aplicar->isEnabled());

    // The editor of a changed ingredient shows where its price came from, and the price it had
    // before its first recorded change.
    const int maiz = db.query("select id_producto from productos where trim(codigo)='MAIZ'")
                         .valueAt(0, 0)
                         .toInt();
    catalog::frmproducto editor(db, maiz);
    EXPECT_EQ(gridColumn(editor, "flexHistorial", 1), (QStringList{"0.1900", "0.1730"}));
    EXPECT_EQ(gridColumn(editor, "flexHistorial", 3),
              (QStringList{"lista de precios", "precio anterior"}));
}

TEST(PriceListView, AFileThatIsNotAListOrANameChangedSinceReadingAppliesNothing) {
    ScriptedMessages messages;
    TempDatabase t(true);
    QTemporaryDir dir;
    const QString list = writeList(dir, "lista.csv", "codigo,costo\nMAIZ,0.5\n");
    const QString binary = writeList(dir, "planilla.xlsx", QByteArray("PK\x03\x04\0\0", 6));
    frmActualizarPrecios view(t.db(), u'.');
    view.show();
    auto* aplicar = control<QPushButton>(view, "cmdAplicar");

    PlannedChooser chooser;
    chooser.answer = list;
    click(view, "cmdExaminar"); // a chosen file is read at once
    EXPECT_EQ(control<QLineEdit>(view, "txtArchivo")->text(), list);
    EXPECT_TRUE(aplicar->isEnabled());

    // Typing another name forgets the list read.
    QTest::keyClick(control<QLineEdit>(view, "txtArchivo"), Qt::Key_Backspace);
    EXPECT_FALSE(aplicar->isEnabled());
    EXPECT_EQ(control<QTableWidget>(view, "flexPrecios")->rowCount(), 0);

    chooser.answer = binary;
    click(view, "cmdExaminar");
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].style, msg::Critical);
    EXPECT_EQ(messages.shown()[0].text, "El archivo " + binary +
                                            " no es un archivo de texto: una lista de precios es "
                                            "un archivo CSV (guarde la planilla como «CSV»).");
    EXPECT_FALSE(aplicar->isEnabled());
    EXPECT_EQ(cost(t.db(), "MAIZ"), 0.173);
}
