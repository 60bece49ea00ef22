#include "app/views/mnemonics.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using widgets::mnemonicOf;
using widgets::repeatedMnemonics;

TEST(Mnemonics, TheKeyIsTheLetterAfterASingleAmpersand) {
    EXPECT_EQ(mnemonicOf("&Grabar"), QChar('G'));
    EXPECT_EQ(mnemonicOf("Ra&ngos"), QChar('N'));
    EXPECT_EQ(mnemonicOf("Gráfic&os"), QChar('O'));
    EXPECT_EQ(mnemonicOf("&Fórmulas"), QChar('F'));
    EXPECT_TRUE(mnemonicOf("Precios && costos").isNull());
    EXPECT_EQ(mnemonicOf("A && &B"), QChar('B'));
    EXPECT_TRUE(mnemonicOf("Comparar").isNull());
    EXPECT_TRUE(mnemonicOf("fin&").isNull());
}

TEST(Mnemonics, RepeatsAmongVisibleControlsOnly) {
    QDialog d;
    auto* layout = new QVBoxLayout(&d);
    layout->addWidget(new QPushButton("&Fórmulas"));
    layout->addWidget(new QPushButton("&Formular Mínimo Costo"));
    layout->addWidget(new QCheckBox("&Nueva versión"));
    auto* hidden = new QPushButton("&Nutrientes");
    layout->addWidget(hidden);
    hidden->hide();
    auto* box = new QLineEdit;
    auto* label = new QLabel("&Cantidad");
    label->setBuddy(box);
    layout->addWidget(label);
    layout->addWidget(box);
    layout->addWidget(new QLabel("&Comentario sin compañero"));
    auto* tabs = new QTabWidget;
    tabs->addTab(new QWidget, "&Ingredientes");
    auto* page = new QWidget;
    new QPushButton("&Imprimir", page); // on a page not shown
    tabs->addTab(page, "Nutrientes");
    layout->addWidget(tabs);
    layout->addWidget(new QPushButton("&Cancelar"));
    d.show();

    EXPECT_EQ(repeatedMnemonics(d), (QStringList{"Alt+C: &Cancelar, &Cantidad",
                                                 "Alt+F: &Fórmulas, &Formular Mínimo Costo"}));
}

TEST(Mnemonics, AMainWindowsMenusAreCheckedToo) {
    QMainWindow w;
    QMenu* datos = w.menuBar()->addMenu("&Datos");
    datos->addAction("&Ingredientes");
    datos->addAction("&Importar");
    w.menuBar()->addMenu("&Ayuda")->addAction("&Guía");
    w.show();
    EXPECT_EQ(repeatedMnemonics(w), QStringList{"&Datos → Alt+I: &Ingredientes, &Importar"});
    w.menuBar()->addMenu("&Acerca");
    EXPECT_EQ(repeatedMnemonics(w),
              (QStringList{"Alt+A: &Ayuda, &Acerca", "&Datos → Alt+I: &Ingredientes, &Importar"}));
}
