#pragma once

#include "app/messages.h"
#include "support/qt_printers.h"

#include <QString>
#include <deque>
#include <vector>

// Records every message and answers from a plan; an unplanned question is answered No (a
// question with Cancel too: the old way out, nothing saved).
// Installs itself for its lifetime.
class ScriptedMessages : public msg::MessageService {
public:
    struct Shown {
        QString text;
        int style;
        QString title;
    };

    ScriptedMessages();
    ~ScriptedMessages() override;

    void planAnswer(int answer) { answers_.push_back(answer); }
    int show(const QString& text, int style, const QString& title) override;

    const std::vector<Shown>& shown() const { return shown_; }
    QStringList texts() const;
    void clear() { shown_.clear(); }

private:
    msg::MessageService* previous_;
    std::deque<int> answers_;
    std::vector<Shown> shown_;
};
