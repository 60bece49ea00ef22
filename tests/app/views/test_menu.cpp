#include "app/help_documents.h"
#include "app/views/modal.h"
#include "shell/views/menu.h"
#include "support/scripted_messages.h"

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

// Each item is "name|caption", "name|caption|off" when it cannot be chosen, or "name" alone
// for a separator.
void expectMenu(QMenu* m, const char* name, const QString& title, const QStringList& items) {
    SCOPED_TRACE(name);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->objectName(), name);
    EXPECT_EQ(m->title(), title);
    QStringList shown;
    for (const QAction* a : m->actions()) {
        shown << a->objectName();
        if (!a->isSeparator())
            shown.last() += u'|' + a->text() + (a->isEnabled() ? "" : "|off");
    }
    EXPECT_EQ(shown, items);
}

void trigger(const app::menu& w, const char* name) {
    auto* a = w.findChild<QAction*>(name);
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
}

} // namespace

TEST(MenuView, CaptionAndTheWholeMenuTree) {
    app::menu w(nullptr);
    EXPECT_EQ(w.objectName(), "menu");
    EXPECT_EQ(w.windowTitle(), "Dosivant - Formulación de raciones al mínimo costo");

    const QList<QAction*> bar = w.menuBar()->actions();
    ASSERT_EQ(bar.size(), 4);
    expectMenu(bar[0]->menu(), "datos", "&Datos del Sistema",
               {"productos|&Ingredientes", "sep1_1", "propiedades|&Nutrientes",
                "grupos|&Grupos de Ingredientes", "actualizarprecios|&Actualizar Precios",
                "actualizarcomposicion|Actualizar &Composición",
                "analisislaboratorio|Análisis de &Laboratorio", "sep11", "salir|&Salir"});
    expectMenu(bar[1]->menu(), "formulas", "&Fórmulas",
               {"admformulas|&Administración de Fórmulas", "sep2_1", "optimizacion|&Optimización",
                "reformular|&Reformular", "planes|&Planes de Producción"});
    expectMenu(bar[2]->menu(), "utilidades", "&Utilidades",
               {"ImpDatos|&Importar datos de Ingredientes y Nutrientes",
                "OrigenDatos|&Configurar Origen de Datos"});
    expectMenu(bar[3]->menu(), "ayuda", "&Ayuda",
               {"guiarapida|Guía Rápida de Formulación", "sepayuda",
                "acercadetarvel|Acerca de Tarvel Sistemas",
                "version|Información sobre la Versión"});
}

TEST(MenuView, VersionOpensTheAboutBoxModally) {
    app::menu w(nullptr);
    int opened = 0;
    widgets::ScopedModalRunner runner([&](QDialog& d) {
        ++opened;
        EXPECT_EQ(d.objectName(), "frmacercade");
        EXPECT_TRUE(d.windowTitle().isEmpty());
        EXPECT_TRUE(d.findChild<QGroupBox*>("Frame1")->title().isEmpty());
        EXPECT_EQ(d.findChild<QLabel*>("Label1")->text(),
                  "Sistema de Administración y Optimización de Fórmulas de Elaboración");
        EXPECT_EQ(d.findChild<QLabel*>("Label2")->text(), "Versión 2.0");
        auto* ok = d.findChild<QPushButton*>("Command1");
        EXPECT_EQ(ok->text(), "Aceptar");
        ok->click();
        return d.result();
    });
    trigger(w, "version");
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
        ~Shell() override { app::setDocumentShell(previous); }
        bool hasPdfViewer() override { return true; }
        bool open(const QString& path) override {
            opened << path;
            return true;
        }
        QStringList opened;
        app::DocumentShell* previous = app::setDocumentShell(this);
    } shell;

    ScriptedMessages messages;
    app::menu w(nullptr);
    w.show();
    trigger(w, "acercadetarvel");
    EXPECT_EQ(shell.opened, QStringList{doc.fileName()});
    trigger(w, "guiarapida"); // not installed here
    EXPECT_EQ(messages.texts(), QStringList{"No es posible visualizar el documento"});
    trigger(w, "salir");
    EXPECT_FALSE(w.isVisible());

    qputenv("XDG_DATA_HOME", savedHome);
    qputenv("XDG_DATA_DIRS", savedDirs);
}
