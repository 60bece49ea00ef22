#include "app/database_path.h"
#include "app/messages.h"
#include "app/regional_settings.h"
#include "app/startup.h"
#include "app/views/menu.h"
#include "app/views/message_boxes.h"
#include "cli/command_line.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
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
int runCommand(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> app;
    if (cli::needsFonts(cli::parseCommandLine(rawArguments(argc, argv)))) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    return cli::runWithoutWindow(cli::parseCommandLine(QCoreApplication::arguments()), out, err);
}

int runWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dosivant"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));

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

} // namespace

int main(int argc, char** argv) {
    if (cli::needsWindow(rawArguments(argc, argv)))
        return runWindow(argc, argv);
    return runCommand(argc, argv);
}
