#pragma once

#include "cli/copy_command.h"
#include "cli/formulate_command.h"
#include "cli/import_command.h"
#include "cli/plan_command.h"
#include "cli/prices_command.h"
#include "cli/print_command.h"
#include "cli/ranging_command.h"
#include "cli/reformulate_command.h"

#include <QString>
#include <QStringList>

class QTextStream;

namespace cli {

inline const QString kProgramVersion = QStringLiteral("2.0");

// What the command line asks for.
struct Invocation {
    enum Kind {
        Window,
        CreateDatabase,
        Formulate,
        Print,
        Report,
        Import,
        CopyDatabase,
        Reformulate,
        Ranging,
        Prices,
        Plan,
        Help,
        Version,
        Invalid
    };
    Kind kind = Window;
    QString database;               // --database for the window, the new file for create-database
    bool sample = false;            // create-database --sample
    FormulateOptions formulate;     // formulate's options
    PrintOptions print;             // print's and report's options
    ImportOptions import;           // import's options
    CopyOptions copy;               // copy-database's options
    ReformulateOptions reformulate; // reformulate's options
    RangingOptions ranging;         // ranging's options
    PricesOptions prices;           // prices' options
    PlanOptions plan;               // plan's options
    QString helpText; // the usage asked for with --help (the program's or a command's)
    QString error;    // why the command line is invalid, one line
    QString command;  // the command whose options are invalid, empty for the program
};

// Parses the whole command line (arguments[0] is the program) with the option parser set up for
// the program or for the command named, from the table of commands: `dosivant [--database
// RUTA]`, `dosivant create-database RUTA [--sample]`, `dosivant formulate ...`, `print`,
// `report`, `import`, `prices`, and --help / --version, the program's or a command's.
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

QString usageText();
QString formulateUsageText();

// Runs an invocation that needs no window: help, version, a command of the table, or reports an
// invalid command line (one line, or the command's own way; exit status 1). Returns the exit
// status.
int runWithoutWindow(const Invocation& invocation, QTextStream& out, QTextStream& err);

// `dosivant create-database PATH [--sample]`.
int createDatabaseCommand(const QString& path, bool sample, QTextStream& out, QTextStream& err);

} // namespace cli
