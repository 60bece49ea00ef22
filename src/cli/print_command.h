#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QTextStream;

namespace cli {

// The options of `print` and `report`, read by the program's option parser.
struct PrintOptions {
    QString database;
    QString code;               // --formula
    std::optional<int> version; // --version, with --formula
    int id = 0;                 // --id
    QString pdf;                // --pdf
    QString odt;                // --odt (print only)
    QString list;               // the report's list: ingredientes, nutrientes or formulas
    bool charts = false;        // --graficos: the chart page after the printout (PDF)
    QStringList objetivos;      // --goal NUTRIENTE, each: a line of its value per kg and per t
};

// `dosivant print --database PATH (--formula CODE [--version N] | --id ID) (--pdf FILE |
// --odt FILE) [--goal NUTRIENTE]...`: the printout of a stored formula as the workspace shows it
// after loading, as a PDF page drawn by the printer routine or as the word-processor document.
// Writes nothing to the database. Returns the exit status (0, or 1 with a message on `err`).
int runPrint(const PrintOptions& options, QTextStream& out, QTextStream& err);

// `dosivant report (ingredientes|nutrientes|formulas) --database PATH --pdf FILE`: the
// catalogue report of the whole list, in the list's opening order.
int runReport(const PrintOptions& options, QTextStream& out, QTextStream& err);

} // namespace cli
