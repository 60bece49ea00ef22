#include "support/scripted_messages.h"

#include "app/message_styles.h"

#include <QStringList>

ScriptedMessages::ScriptedMessages() : previous_(msg::setService(this)) {}

ScriptedMessages::~ScriptedMessages() {
    msg::setService(previous_);
}

int ScriptedMessages::show(const QString& text, int style, const QString& title) {
    shown_.push_back({text, style, title});
    if (!answers_.empty()) {
        const int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    return msg::isQuestion(style) || style == msg::QuestionCancel ? msg::No : msg::Ok;
}

QStringList ScriptedMessages::texts() const {
    QStringList out;
    for (const auto& s : shown_)
        out << s.text;
    return out;
}
