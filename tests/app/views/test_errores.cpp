#include "app/last_error.h"
#include "app/views/errores.h"
#include "support/scripted_messages.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(ErroresView, ShowsTheErrorTextDetalleDetailsTheLastErrorAceptarCloses) {
    app::setLastError(3197, "El registro fue cambiado por otro usuario");
    ScriptedMessages messages;
    app::errores view("No es posible efectuar la operación.");
    EXPECT_EQ(view.windowTitle(), "Dosivant");
    EXPECT_EQ(view.findChild<QPlainTextEdit*>("Text1")->toPlainText(),
              "No es posible efectuar la operación.");
    auto* aceptar = view.findChild<QPushButton*>("Command2");
    auto* detalle = view.findChild<QPushButton*>("Command1");
    EXPECT_EQ(aceptar->text(), "Aceptar");
    EXPECT_EQ(detalle->text(), "Detalle");
    view.show();
    QTest::mouseClick(aceptar, Qt::LeftButton);
    EXPECT_FALSE(view.isVisible());
    EXPECT_TRUE(messages.shown().empty());

    view.show();
    QTest::mouseClick(detalle, Qt::LeftButton);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text,
              "Código del error: 3197\n\nDescripción : El registro fue cambiado por otro usuario");
    EXPECT_EQ(messages.shown()[0].style, msg::Plain);
    EXPECT_EQ(messages.shown()[0].title, "Información del error");
    EXPECT_FALSE(view.isVisible());
}
