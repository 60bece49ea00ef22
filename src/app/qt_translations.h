#pragma once

#include <memory>

class QTranslator;

namespace app {

// Makes Qt's own texts (the file, print and print-preview dialogs, the standard buttons) speak
// Spanish while it lives: the installed qtbase_es.qm and, for the few texts that file lacks (the
// file dialog's "Folder" type among them), the program's own. Made once the application exists.
class QtTranslations {
public:
    QtTranslations();
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    // Whether qtbase_es.qm was found in Qt's translations folder and installed.
    bool loaded() const { return qtbase_ != nullptr; }

private:
    std::unique_ptr<QTranslator> missing_;
    std::unique_ptr<QTranslator> qtbase_;
};

} // namespace app
