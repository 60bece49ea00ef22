#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace cli {

// What the command line asks for.
struct Invocation {
    enum Kind { Window, CreateDatabase, Formulate, Import, Help, Invalid };
    Kind kind = Window;
    QString database;    // --database for the window, the new file for create-database
    bool sample = false; // create-database --sample
    QStringList rest;    // the arguments after `formulate` or `import`
    QString error;       // why the command line is invalid
    QString offending;   // the argument that made it invalid
};

// Parses the arguments after the program name (arguments[0] is the program).
Invocation parseCommandLine(const QStringList& arguments);

// Whether the command line is for the window, so that a GUI application (and a display) is
// needed. A single-dash option nobody here knows may be one of Qt's own (-platform, -style),
// which the GUI application strips before the command line is read again.
bool needsWindow(const QStringList& arguments);

QString usageText();

// Runs an invocation that needs no window: help, create-database, formulate, or reports an
// invalid command line. Returns the exit status.
int runWithoutWindow(const Invocation& invocation, QTextStream& out, QTextStream& err);

// `dosivant create-database PATH [--sample]`.
int createDatabaseCommand(const QString& path, bool sample, QTextStream& out, QTextStream& err);

} // namespace cli
