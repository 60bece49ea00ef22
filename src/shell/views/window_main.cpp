// The window of the program, in a module of its own: the commands without a window start
// without loading the widget, chart and print-support libraries (a third of the start of every
// command); the program loads this module only when a window is asked for.
#include "app/database_path.h"
#include "app/last_error.h"
#include "app/messages.h"
#include "app/qt_translations.h"
#include "app/regional_settings.h"
#include "app/startup.h"
#include "app/views/message_boxes.h"
#include "cli/command_line.h"
#include "shell/views/menu.h"

#include <QApplication>
#include <QTextStream>
#include <exception>

namespace {

// An error no view caught would otherwise unwind through Qt's event loop and end the program;
// here it is reported like any unforeseen error and the window stays open.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            const QString description = QString::fromUtf8(e.what());
            app::setLastError(app::kErrUnexpected, description);
            msg::msgBox(
                QStringLiteral("Error nro.: %1\n%2").arg(app::kErrUnexpected).arg(description),
                msg::Critical);
            return false;
        }
    }
};

} // namespace

extern "C" __attribute__((visibility("default"))) int dosivantRunWindow(int argc, char** argv) {
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dosivant"));
    QApplication::setApplicationVersion(cli::kProgramVersion);
    // The standard dialogs (files, printing, print preview) speak the program's language.
    const app::QtTranslations qtTexts;

    // Qt has removed its own options by now; what is left must all be ours.
    const cli::Invocation invocation = cli::parseCommandLine(QCoreApplication::arguments());
    if (invocation.kind != cli::Invocation::Window) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        return cli::runWithoutWindow(invocation, out, err);
    }

    widgets::QtMessageService messages;
    msg::setService(&messages);

    app::IniRegionalSettings settings;
    app::StartupResult started =
        app::runStartup(settings, app::resolveDatabasePath(invocation.database));
    int status = 1;
    // A failed start-up has told the user why; the program ends without showing a window.
    if (started.ok) {
        app::menu window(std::move(started.cnBase));
        window.show();
        status = QApplication::exec();
    }
    msg::setService(nullptr);
    return status;
}
