#pragma once

#include <QString>
#include <vector>

class QWidget;

namespace workspace {
struct Workspace;
struct FormulaHeader;
struct ResultFigures;
} // namespace workspace

namespace printing {

struct PrintoutTexts;
struct PrintedGoal;

// The workspace window's print button: asks for the destination in frmImprimir (through
// openModal) and prints there. Nothing in the workspace changes, whatever happens.
// `goalChoices` are offered in the dialog; those the user checks are printed, a line each.
void printFormula(const workspace::Workspace& ws, const PrintoutTexts& texts, QWidget* parent,
                  const std::vector<PrintedGoal>& goalChoices = {});
void printFormula(const workspace::Workspace& ws, const workspace::FormulaHeader& header,
                  const workspace::ResultFigures& figures, QWidget* parent);

// The printout on the system's default printer, with the page of charts after it when asked.
// Without any printer, says so and offers to save the pages as a PDF file, then opens it.
// Returns whether something was printed or saved.
bool printOnPrinter(const workspace::Workspace& ws, const PrintoutTexts& texts, QWidget* parent,
                    bool withCharts = false);

// The formula as a word-processor document, written to a new file in the temporary folder and
// opened with the desktop's program for it. Returns the file written, empty on failure (told in
// Spanish).
QString exportToWordProcessor(const workspace::Workspace& ws, const PrintoutTexts& texts,
                              QWidget* parent);

} // namespace printing
