#include "cli/command_line.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <dlfcn.h>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

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

// The window lives in a module beside the program (in the build) or in the installed library
// folder beside the program's own (bin/../lib/dosivant, wherever the prefix), loaded only
// when a window is asked for, so the commands start without the widget libraries.
int runWindow(int argc, char** argv) {
    std::vector<std::string> places;
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        places.push_back((self.parent_path() / DOSIVANT_WINDOW_MODULE).string());
        places.push_back(
            (self.parent_path().parent_path() / DOSIVANT_MODULE_DIR / DOSIVANT_WINDOW_MODULE)
                .string());
    }
    std::string failures;
    for (const std::string& place : places) {
        if (void* module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            using Entry = int (*)(int, char**);
            if (auto entry = reinterpret_cast<Entry>(dlsym(module, "dosivantRunWindow")))
                return entry(argc, argv);
            failures += std::string("\n  ") + place + ": " + dlerror();
        } else {
            failures += std::string("\n  ") + dlerror();
        }
    }
    std::fprintf(stderr,
                 "dosivant: no se pudo cargar la ventana del programa (the window module could "
                 "not be loaded):%s\n",
                 failures.c_str());
    return 1;
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
