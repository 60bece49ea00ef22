#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace printing {

class PageCanvas;

// What printing asks of the desktop besides the printer itself; tests install their own.
struct PrintServices {
    // Whether the system has at least one printer.
    std::function<bool()> hasPrinter;
    // The file the user chooses to save into; empty when cancelled.
    std::function<QString(QWidget* parent, const QString& caption, const QString& suggested,
                          const QString& filter)>
        chooseSaveFile;
};

// The services in force: the installed ones, or QPrinterInfo and the file dialog.
const PrintServices& printServices();

// Installs services for its lifetime (unset members keep the desktop's).
class ScopedPrintServices {
public:
    explicit ScopedPrintServices(PrintServices services);
    ~ScopedPrintServices();
    ScopedPrintServices(const ScopedPrintServices&) = delete;
    ScopedPrintServices& operator=(const ScopedPrintServices&) = delete;

private:
    PrintServices previous_;
};

// Asks for a PDF file name, writes the pages there and opens the file with the desktop's
// viewer. Every failure is told in Spanish. Returns whether the file was written.
bool savePdfAndOpen(QWidget* parent, const QString& suggestedName, const QString& title,
                    const std::function<void(PageCanvas&)>& draw);

} // namespace printing
