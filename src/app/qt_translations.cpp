#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

namespace {

// Texts of Qt's dialogs that the installed Spanish translation leaves in English: it was made
// before Qt moved the file types to this context. Asked only when qtbase_es.qm has no answer.
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0 &&
            qstrcmp(context, "QFileIconProvider") != 0)
            return {};
        static const struct {
            const char* english;
            const char* spanish;
        } texts[] = {
            {"Folder", "Carpeta"}, {"File Folder", "Carpeta"},
            {"Drive", "Unidad"},   {"Shortcut", "Acceso directo"},
            {"Alias", "Alias"},    {"Unknown", "Desconocido"},
            {"File", "Archivo"},
        };
        for (const auto& t : texts)
            if (qstrcmp(sourceText, t.english) == 0)
                return QString::fromUtf8(t.spanish);
        return {};
    }
};

} // namespace

QtTranslations::QtTranslations() : missing_(std::make_unique<MissingQtTexts>()) {
    // The last installed is asked first: qtbase_es.qm, then the program's own texts.
    QCoreApplication::installTranslator(missing_.get());
    auto qtbase = std::make_unique<QTranslator>();
    if (qtbase->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qtbase.get());
        qtbase_ = std::move(qtbase);
    }
}

QtTranslations::~QtTranslations() {
    if (qtbase_)
        QCoreApplication::removeTranslator(qtbase_.get());
    QCoreApplication::removeTranslator(missing_.get());
}

} // namespace app
