#include "app/views/message_boxes.h"

#include "app/message_styles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace widgets {

std::unique_ptr<QMessageBox> makeMessageBox(const QString& text, int style, const QString& title,
                                            QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(title);
    box->setText(text);
    switch (style) {
    case msg::Critical:
        box->setIcon(QMessageBox::Critical);
        break;
    case msg::Question:
    case msg::QuestionCancel:
    case msg::QuestionDefaultNo:
        box->setIcon(QMessageBox::Question);
        break;
    case msg::Exclamation:
        box->setIcon(QMessageBox::Warning);
        break;
    default:
        box->setIcon(QMessageBox::NoIcon);
        break;
    }
    if (msg::isQuestion(style)) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(style == msg::QuestionDefaultNo ? QMessageBox::No : QMessageBox::Yes);
        // Closing the box is a No: nothing is done that the user did not confirm.
        box->setEscapeButton(QMessageBox::No);
        // The program speaks Spanish whatever translations the system has.
        box->button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
        box->button(QMessageBox::No)->setText(QStringLiteral("&No"));
    } else if (style == msg::QuestionCancel) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box->setDefaultButton(QMessageBox::Yes);
        // Closing the box is a Cancel: the user goes back to what they were doing.
        box->setEscapeButton(QMessageBox::Cancel);
        box->button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
        box->button(QMessageBox::No)->setText(QStringLiteral("&No"));
        box->button(QMessageBox::Cancel)->setText(QStringLiteral("&Cancelar"));
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->button(QMessageBox::Ok)->setText(QStringLiteral("Aceptar"));
    }
    return box;
}

int QtMessageService::show(const QString& text, int style, const QString& title) {
    const std::unique_ptr<QMessageBox> box =
        makeMessageBox(text, style, title, QApplication::activeWindow());
    const int result = box->exec();
    if (msg::isQuestion(style))
        return result == QMessageBox::Yes ? msg::Yes : msg::No;
    if (style == msg::QuestionCancel)
        return result == QMessageBox::Yes  ? msg::Yes
               : result == QMessageBox::No ? msg::No
                                           : msg::Cancel;
    return msg::Ok;
}

} // namespace widgets
