#pragma once

#include <QStringList>

class QTextStream;

namespace cli {

// `dosivant print --database PATH (--formula CODE [--version N] | --id ID) (--pdf FILE |
// --odt FILE)`: the printout of a stored formula as the workspace shows it after loading, as a
// PDF page drawn by the printer routine or as the word-processor document. Writes nothing to
// the database. Returns the exit status (0, or 1 with a message on `err`).
int runPrintCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

// `dosivant report (ingredientes|nutrientes|formulas) --database PATH --pdf FILE`: the
// catalogue report of the whole list, in the list's opening order.
int runReportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace cli
