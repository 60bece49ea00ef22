#include "app/message_styles.h"
#include "app/views/modal.h"
#include "catalog/views/frmActualizarComposicion.h"
#include "catalog/views/frmproducto_propiedades.h"
#include "catalog_view_helpers.h"
#include "shell/views/menu.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

using catalog::frmActualizarComposicion;

namespace {

QString writeList(const QTemporaryDir& dir, const QByteArray& content) {
    const QString path = dir.filePath("huella.csv");
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

int count(store::Database& db, const QString& sql) {
    return db.query(sql).valueAt(0, 0).toInt();
}

struct PlannedChooser {
    QString answer;
    frmActualizarComposicion::FileChooser previous = frmActualizarComposicion::setFileChooser(
        [this](QWidget*, const QString&, const QString&) { return answer; });
    ~PlannedChooser() { frmActualizarComposicion::setFileChooser(std::move(previous)); }
};

const QByteArray kList = "codigo;propiedad;valor;base;fuente;unidad\n"
                         "MAIZ;Calcio;0,03;;Lab 12;\n"
                         "SOJA44;Huella de carbono;0,89;humeda;GFLI 2023;kg CO2e/kg\n"
                         "NADA;Calcio;1;;;\n";

} // namespace

TEST(CompositionListView, OpensFromTheDataMenu) {
    TempDatabase t(true);
    app::menu w(store::Database::openFile(t.path()));
    QString opened;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        opened = d.objectName() + "|" + d.windowTitle();
        return 0;
    });
    w.findChild<QAction*>("actualizarcomposicion")->trigger();
    EXPECT_EQ(opened, "frmActualizarComposicion|Actualizar Composición");
}

TEST(CompositionListView, CreatesNutrientsOnlyWhenAskedAndAppliesOnlyWhenConfirmed) {
    ScriptedMessages messages;
    TempDatabase t(true);
    store::Database& db = t.db();
    QTemporaryDir dir;
    frmActualizarComposicion view(db, u',');
    view.show();
    auto* aplicar = control<QPushButton>(view, "cmdAplicar");
    PlannedChooser chooser;
    chooser.answer = writeList(dir, kList);
    click(view, "cmdExaminar");
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(gridColumn(view, "flexValores", 1), (QStringList{"MAIZ", "SOJA44"}));
    EXPECT_EQ(gridColumn(view, "flexValores", 3),
              (QStringList{"Calcio", "Huella de carbono (nuevo)"}));
    EXPECT_EQ(gridColumn(view, "flexValores", 5), (QStringList{"0.03000", "1.00000"}));
    EXPECT_EQ(gridColumn(view, "flexNuevos", 1), QStringList{"Huella de carbono"});
    EXPECT_EQ(gridColumn(view, "flexNuevos", 2), QStringList{"kg CO2e/kg"});
    EXPECT_EQ(gridColumn(view, "flexConflictos", 3),
              QStringList{"el código no está en el catálogo"});
    ASSERT_TRUE(aplicar->isEnabled());

    // Creating is a question whose default is No; declined, the new nutrient's line becomes a
    // conflict and the rest is still offered; declined again, nothing is written.
    const QString before = QString::number(count(db, "select count(*) from propiedades"));
    messages.planAnswer(msg::No);
    messages.planAnswer(msg::No);
    QTest::mouseClick(aplicar, Qt::LeftButton);
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[0].style, msg::QuestionDefaultNo);
    EXPECT_EQ(messages.shown()[0].text,
              "¿Crear el nutriente «Huella de carbono», que no está en el catálogo?\n\nSi no los "
              "crea, las líneas que los nombran no se aplican.");
    EXPECT_EQ(messages.shown()[1].text, "¿Aplica el cambio de 1 valor de composición?\n\nLas 2 "
                                        "líneas con conflictos no se aplican.");
    EXPECT_EQ(QString::number(count(db, "select count(*) from propiedades")), before);
    EXPECT_EQ(count(db, "select count(*) from producto_propiedad_historial"), 0);
    messages.clear();

    // Read again and agreed to: the nutrient is created, the values applied.
    click(view, "cmdLeer");
    messages.planAnswer(msg::Yes);
    messages.planAnswer(msg::Yes);
    QTest::mouseClick(aplicar, Qt::LeftButton);
    ASSERT_EQ(messages.shown().size(), 3u);
    EXPECT_EQ(messages.shown()[2].text, "Se actualizaron 2 valores de composición de 2 "
                                        "ingredientes. Se creó 1 nutriente.");
    EXPECT_EQ(count(db, "select count(*) from propiedades where nombre='Huella de carbono'"), 1);
    EXPECT_FALSE(aplicar->isEnabled()); // read again: nothing left to apply

    // The composition editor shows where each value comes from.
    const int maiz = count(db, "select id_producto from productos where trim(codigo)='MAIZ'");
    catalog::frmproducto_propiedades editor(db, maiz);
    const QStringList names = gridColumn(editor, "FlexGrid1", 2);
    const QStringList sources = gridColumn(editor, "FlexGrid1", 5); // after the deviation
    ASSERT_EQ(names.size(), sources.size());
    EXPECT_EQ(sources[names.indexOf("Calcio")], "Lab 12");
    EXPECT_EQ(sources[names.indexOf("Proteína bruta")], "");
}
