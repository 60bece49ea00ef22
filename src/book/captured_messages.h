#pragma once

#include "app/messages.h"

#include <QStringList>

namespace book {

// While a formula is re-formulated or saved without a user, the messages the workspace would show
// are kept for its worklist line instead, and its one question (take over today's dry matter?) is
// answered yes. Installs itself for its lifetime and puts the previous service back.
class CapturedMessages : public msg::MessageService {
public:
    CapturedMessages() : previous_(msg::setService(this)) {}
    ~CapturedMessages() override { msg::setService(previous_); }
    CapturedMessages(const CapturedMessages&) = delete;
    CapturedMessages& operator=(const CapturedMessages&) = delete;

    int show(const QString& text, int style, const QString&) override {
        if (style == msg::Question)
            return msg::Yes;
        texts_ << QString(text)
                      .replace(QStringLiteral("\n\n"), QStringLiteral(": "))
                      .replace(u'\n', u' ')
                      .trimmed();
        return msg::Ok;
    }

    QString joined() const { return texts_.join(QStringLiteral(" / ")); }
    bool empty() const { return texts_.isEmpty(); }

private:
    msg::MessageService* previous_;
    QStringList texts_;
};

} // namespace book
