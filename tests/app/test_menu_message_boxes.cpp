#include "widgets/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Seen {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString title;
    QString text;
};

// Shows one box and, once it is up, records it and presses `press` (Escape when none).
int showAndPress(int style, QMessageBox::StandardButton press, Seen& seen) {
    QTimer::singleShot(0, [&seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->icon(), box->standardButtons(), box->windowTitle(), box->text()};
        if (press == QMessageBox::NoButton)
            box->reject();
        else
            box->button(press)->click();
    });
    widgets::QtMessageService service;
    return service.show("Texto", style, "Título");
}

} // namespace

TEST(MessageBoxes, StylesGiveTheirIconButtonsAndAnswers) {
    Seen seen;
    EXPECT_EQ(showAndPress(msg::Question, QMessageBox::Yes, seen), msg::Yes);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen.title, "Título");
    EXPECT_EQ(seen.text, "Texto");
    EXPECT_EQ(showAndPress(msg::Question, QMessageBox::No, seen), msg::No);
    EXPECT_EQ(showAndPress(msg::Question, QMessageBox::NoButton, seen), msg::No);

    EXPECT_EQ(showAndPress(msg::Critical, QMessageBox::Ok, seen), msg::Ok);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    EXPECT_EQ(showAndPress(msg::Exclamation, QMessageBox::Ok, seen), msg::Ok);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(showAndPress(msg::Plain, QMessageBox::Ok, seen), msg::Ok);
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
}
