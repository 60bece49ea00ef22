#pragma once

#include "cli/command.h"

#include <QString>
#include <QStringList>
#include <memory>

class QTextStream;

namespace cli {

inline const QString kProgramVersion = QStringLiteral("2.0");

// What the command line asks for.
struct Invocation {
    enum Kind { Window, Run, Help, Version, Invalid };
    Kind kind = Window;
    QString database; // --database for the window
    // Run: the command named, with its options, ready to run.
    std::shared_ptr<const ParsedCommand> ready;
    QString helpText; // the usage asked for with --help (the program's or a command's)
    QString error;    // why the command line is invalid, one line
    QString command;  // the command named (to run, or whose options are invalid)

    // The options a command of type CommandWith<Options> read, or null for another kind.
    template <class Options> const Options* options() const {
        const auto* r = dynamic_cast<const typename CommandWith<Options>::Ready*>(ready.get());
        return r ? &r->options : nullptr;
    }
};

// Parses the whole command line (arguments[0] is the program) with the option parser set up for
// the program or for the command named, from the table of commands: `dosivant [--database
// RUTA]`, `dosivant COMMAND ...`, and --help / --version, the program's or a command's.
Invocation parseCommandLine(const QStringList& arguments);

// The arguments without the options the window system takes for itself (-platform X, -style X,
// -reverse...), which QApplication removes once it exists. Lets the command line be judged
// before anything touches a display.
QStringList withoutWindowSystemOptions(const QStringList& arguments);

// Whether a window can be shown: a platform is named (QT_QPA_PLATFORM or -platform) or a display
// is there (DISPLAY, WAYLAND_DISPLAY).
bool displayAvailable(const QStringList& arguments);

// Whether the invocation lays out printed text, which needs a GUI application (fonts) though
// never a display.
bool needsFonts(const Invocation& invocation);

// The program's help: every command's synopsis and options.
QString usageText();
// A command's own help (its --help).
QString helpOf(const Command& command);

// Runs an invocation that needs no window: help, version, a command of the table, or reports an
// invalid command line (one line, or the command's own way; exit status 1). Returns the exit
// status.
int runWithoutWindow(const Invocation& invocation, QTextStream& out, QTextStream& err);

} // namespace cli
