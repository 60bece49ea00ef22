#pragma once

#include "app/messages.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace widgets {

// Message boxes on screen: style 16 critical with OK, 36 question with Yes and No, 48 warning
// with OK, anything else plain with OK.
// The box as the program shows it, for a message of the given style (the screenshot tour
// pictures it without showing it).
std::unique_ptr<QMessageBox> makeMessageBox(const QString& text, int style, const QString& title,
                                            QWidget* parent);

class QtMessageService : public msg::MessageService {
public:
    int show(const QString& text, int style, const QString& title) override;
};

} // namespace widgets
