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
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <exception>
#include <memory>

namespace {

QStringList rawArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

// The commands without a window must run where there is no display, so they get a
// QCoreApplication; only the window needs QApplication. Printing needs fonts, which come with
// a GUI application on the offscreen platform, still without a display.
int runCommand(int argc, char** argv, const cli::Invocation& invocation) {
    std::unique_ptr<QCoreApplication> app;
    if (cli::needsFonts(invocation)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    return cli::runWithoutWindow(invocation, out, err);
}

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

int runWindow(int argc, char** argv) {
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

int run(int argc, char** argv) {
    const QStringList arguments = rawArguments(argc, argv);
    // The line is judged before anything touches the window system, so a mistake is reported
    // as such even where there is no display.
    const cli::Invocation invocation =
        cli::parseCommandLine(cli::withoutWindowSystemOptions(arguments));
    if (invocation.kind != cli::Invocation::Window)
        return runCommand(argc, argv, invocation);
    if (!cli::displayAvailable(arguments)) {
        std::fputs("dosivant: no hay pantalla para la ventana (no display: set DISPLAY or "
                   "WAYLAND_DISPLAY, or QT_QPA_PLATFORM)\n",
                   stderr);
        return 1;
    }
    return runWindow(argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    // The last resort: every error of the store or the record sets is meant to be reported
    // where it happens, but none may end the program without a word.
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dosivant: error inesperado (unexpected error): %s\n", e.what());
    } catch (...) {
        std::fputs("dosivant: error inesperado (unexpected error)\n", stderr);
    }
    return 1;
}
