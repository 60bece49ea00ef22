#include "app/views/message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace widgets {

int QtMessageService::show(const QString& text, int style, const QString& title) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    switch (style) {
    case msg::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case msg::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case msg::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if (style == msg::Question) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        // Closing the box is a No: nothing is done that the user did not confirm.
        box.setEscapeButton(QMessageBox::No);
        // The program speaks Spanish whatever translations the system has.
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
        return box.exec() == QMessageBox::Yes ? msg::Yes : msg::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("Aceptar"));
    box.exec();
    return msg::Ok;
}

} // namespace widgets
