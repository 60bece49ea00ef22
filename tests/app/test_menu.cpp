#include "app/help_documents.h"
#include "app/menu.h"
#include "support/scripted_messages.h"
#include "widgets/modal.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Item {
    QString name;
    QString caption; // empty for a separator
    bool enabled;
};

void expectMenu(const app::menu& w, const char* name, const QString& title,
                const std::vector<Item>& items) {
    SCOPED_TRACE(name);
    auto* m = w.findChild<QMenu*>(name);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->title(), title);
    const QList<QAction*> actions = m->actions();
    ASSERT_EQ(actions.size(), qsizetype(items.size()));
    for (size_t i = 0; i < items.size(); ++i) {
        QAction* a = actions[qsizetype(i)];
        EXPECT_EQ(a->objectName(), items[i].name);
        EXPECT_EQ(a->isSeparator(), items[i].caption.isEmpty()) << items[i].name.toStdString();
        if (!a->isSeparator()) {
            EXPECT_EQ(a->text(), items[i].caption);
            EXPECT_EQ(a->isEnabled(), items[i].enabled) << items[i].name.toStdString();
        }
    }
}

QAction* action(const app::menu& w, const char* name) {
    auto* a = w.findChild<QAction*>(name);
    EXPECT_NE(a, nullptr) << name;
    return a;
}

} // namespace

TEST(MenuView, CaptionAndTheWholeMenuTree) {
    app::menu w(nullptr);
    EXPECT_EQ(w.objectName(), "menu");
    EXPECT_EQ(w.windowTitle(), "Dosivant - Formulación de raciones al mínimo costo");

    QStringList bar;
    for (QAction* a : w.menuBar()->actions())
        bar << a->menu()->objectName();
    EXPECT_EQ(bar, (QStringList{"datos", "formulas", "utilidades", "ayuda"}));

    expectMenu(w, "datos", "&Datos del Sistema",
               {{"productos", "&Ingredientes", false},
                {"sep1_1", "", true},
                {"propiedades", "&Nutrientes", false},
                {"sep11", "", true},
                {"salir", "&Salir", true}});
    expectMenu(w, "formulas", "&Fórmulas",
               {{"admformulas", "&Administración de Fórmulas", false},
                {"sep2_1", "", true},
                {"optimizacion", "&Optimización", false}});
    expectMenu(w, "utilidades", "&Utilidades",
               {{"ImpDatos", "&Importar datos de Ingredientes y Nutrientes", false},
                {"OrigenDatos", "&Configurar Origen de Datos", false}});
    expectMenu(w, "ayuda", "&Ayuda",
               {{"guiarapida", "Guía Rápida de Formulación", true},
                {"sepayuda", "", true},
                {"acercadetarvel", "Acerca de Tarvel Sistemas", true},
                {"version", "Información sobre la Versión", true}});
}

TEST(MenuView, VersionOpensTheAboutBoxModally) {
    app::menu w(nullptr);
    int opened = 0;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        ++opened;
        EXPECT_EQ(d.objectName(), "frmacercade");
        EXPECT_TRUE(d.windowTitle().isEmpty());
        EXPECT_EQ(d.findChild<QLabel*>("Label1")->text(),
                  "Sistema de Administración y Optimización de Fórmulas de Elaboración");
        EXPECT_EQ(d.findChild<QLabel*>("Label2")->text(), "Versión 2.0");
        EXPECT_TRUE(d.findChild<QGroupBox*>("Frame1")->title().isEmpty());
        auto* ok = d.findChild<QPushButton*>("Command1");
        EXPECT_EQ(ok->text(), "Aceptar");
        ok->click();
        return d.result();
    });
    action(w, "version")->trigger();
    EXPECT_EQ(opened, 1);
}

TEST(MenuView, HelpItemsOpenTheInstalledDocumentsAndSalirCloses) {
    QTemporaryDir dir;
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", dir.filePath("share").toUtf8());
    qputenv("XDG_DATA_DIRS", dir.filePath("none").toUtf8());
    QDir().mkpath(dir.filePath("share/dosivant"));
    QFile doc(dir.filePath("share/dosivant/tarvelsistemas.pdf"));
    ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
    doc.close();

    struct Shell : app::DocumentShell {
        bool hasPdfViewer() override { return true; }
        bool open(const QString& path) override {
            opened << path;
            return true;
        }
        QStringList opened;
    } shell;
    app::DocumentShell* previous = app::setDocumentShell(&shell);

    ScriptedMessages messages;
    app::menu w(nullptr);
    w.show();
    action(w, "acercadetarvel")->trigger();
    EXPECT_EQ(shell.opened, QStringList{dir.filePath("share/dosivant/tarvelsistemas.pdf")});
    EXPECT_TRUE(messages.shown().empty());
    action(w, "guiarapida")->trigger(); // not installed here
    EXPECT_EQ(messages.texts(), QStringList{"No es posible visualizar el documento"});

    action(w, "salir")->trigger();
    EXPECT_FALSE(w.isVisible());

    app::setDocumentShell(previous);
    qputenv("XDG_DATA_HOME", savedHome);
    qputenv("XDG_DATA_DIRS", savedDirs);
}
