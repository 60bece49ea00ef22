#include "app/messages.h"

#include "app/message_styles.h"

#include <cstdio>

namespace msg {

namespace {

class StderrMessages : public MessageService {
public:
    int show(const QString& text, int style, const QString& title) override {
        const QByteArray line =
            (QString::number(style) + '|' + title + '|' + text).toUtf8().replace('\n', "\\n");
        std::fprintf(stderr, "%s\n", line.constData());
        return isQuestion(style) ? No : style == QuestionCancel ? Cancel : Ok;
    }
};

StderrMessages& fallback() {
    static StderrMessages instance;
    return instance;
}

MessageService* installed = nullptr;

} // namespace

MessageService* setService(MessageService* s) {
    MessageService* old = installed;
    installed = s;
    return old;
}

MessageService* service() {
    return installed ? installed : &fallback();
}

int msgBox(const QString& text, int style, const QString& title) {
    return service()->show(text, style, title.isEmpty() ? kDefaultTitle : title);
}

} // namespace msg
