#include "support/scripted_messages.h"

#include "app/message_styles.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// Spanish opens a question with "¿": every line of a question that asks something must.
void expectOpeningMarks(const QString& text) {
    for (const QString& line : text.split(u'\n')) {
        const qsizetype close = line.indexOf(u'?');
        if (close >= 0 && line.lastIndexOf(u'¿', close) < 0)
            ADD_FAILURE() << "Question without an opening mark: " << line.toStdString();
    }
}

} // namespace

ScriptedMessages::ScriptedMessages() : previous_(msg::setService(this)) {}

ScriptedMessages::~ScriptedMessages() {
    msg::setService(previous_);
}

int ScriptedMessages::show(const QString& text, int style, const QString& title) {
    shown_.push_back({text, style, title});
    if (msg::isQuestion(style) || style == msg::QuestionCancel)
        expectOpeningMarks(text);
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
