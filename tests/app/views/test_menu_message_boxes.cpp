#include "app/views/message_boxes.h"

#include "app/message_styles.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using B = QMessageBox;

TEST(MessageBoxes, StylesGiveTheirIconButtonsAndAnswers) {
    struct Case {
        int style;
        B::StandardButton press; // NoButton: closed with Escape
        int answer;
        B::Icon icon;
        B::StandardButtons buttons;
        B::StandardButton enter = B::NoButton; // the default button, where there is a choice
    };
    const Case cases[] = {
        {msg::Question, B::Yes, msg::Yes, B::Question, B::Yes | B::No, B::Yes},
        {msg::Question, B::No, msg::No, B::Question, B::Yes | B::No, B::Yes},
        {msg::QuestionDefaultNo, B::Yes, msg::Yes, B::Question, B::Yes | B::No, B::No},
        {msg::QuestionDefaultNo, B::NoButton, msg::No, B::Question, B::Yes | B::No, B::No},
        {msg::Question, B::NoButton, msg::No, B::Question, B::Yes | B::No},
        {msg::Critical, B::Ok, msg::Ok, B::Critical, B::Ok},
        {msg::Exclamation, B::Ok, msg::Ok, B::Warning, B::Ok},
        {msg::Plain, B::Ok, msg::Ok, B::NoIcon, B::Ok}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        // Once the box is up, record what it shows and answer it.
        QTimer::singleShot(0, [&c] {
            auto* box = qobject_cast<B*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(box->standardButtons(), c.buttons);
            EXPECT_EQ(box->windowTitle(), "Título");
            EXPECT_EQ(box->text(), "Texto");
            if (c.enter != B::NoButton) {
                EXPECT_EQ(box->defaultButton(), box->button(c.enter));
            }
            if (c.press == B::NoButton)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(c.press)->click();
        });
        EXPECT_EQ(widgets::QtMessageService().show("Texto", c.style, "Título"), c.answer);
    }
}
