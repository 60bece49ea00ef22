#pragma once

#include "app/messages.h"

namespace widgets {

// Message boxes on screen: style 16 critical with OK, 36 question with Yes and No, 48 warning
// with OK, anything else plain with OK.
class QtMessageService : public msg::MessageService {
public:
    int show(const QString& text, int style, const QString& title) override;
};

} // namespace widgets
