#pragma once

#include "app/messages.h"

#include <QString>

namespace tour {

// Records the message a step of the program shows instead of showing it, so the tour can draw
// it as the box the user would see; answers with the given answer.
class RecordedMessage : public msg::MessageService {
public:
    explicit RecordedMessage(int answer = msg::Ok) : answer_(answer) {}
    int show(const QString& text, int style, const QString& title) override {
        text_ = text;
        style_ = style;
        title_ = title;
        return answer_;
    }
    QString text_;
    int style_ = 0;
    QString title_;

private:
    int answer_;
};

} // namespace tour
