#pragma once

#include <QString>

// Message boxes, with the styles the program uses: 0 plain OK, 16 critical OK, 35 Yes/No/Cancel
// question, 36 Yes/No question, 48 exclamation OK. The program installs a window implementation;
// tests install a scripted one. Core code may call msgBox where a message is part of a rule.
namespace msg {

enum Style { Plain = 0, Critical = 16, QuestionCancel = 35, Question = 36, Exclamation = 48 };
enum Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

inline const QString kDefaultTitle = QStringLiteral("Dosivant");

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows text and returns Ok, Yes, No or (to a question with Cancel) Cancel.
    virtual int show(const QString& text, int style, const QString& title) = 0;
};

// Installs the service; returns the one it replaces. Without one, messages go to standard
// error as "style|title|text"; a question is answered No, one with Cancel
// Cancel.
MessageService* setService(MessageService* service);
MessageService* service();

int msgBox(const QString& text, int style = Plain, const QString& title = kDefaultTitle);

} // namespace msg
