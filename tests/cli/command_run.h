#pragma once

#include "cli/command_line.h"
#include "support/scripted_messages.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// What a command printed and returned, run through the program's option parser as
// `dosivant <command> args...`.
struct CommandRun {
    int status;
    QString out, err;
};

inline CommandRun runCommand(const char* command, const QStringList& args) {
    ScriptedMessages messages;
    CommandRun r;
    QTextStream out(&r.out), err(&r.err);
    r.status = cli::runWithoutWindow(cli::parseCommandLine(QStringList{"dosivant", command} + args),
                                     out, err);
    out.flush();
    err.flush();
    return r;
}
