#include "printing/views/print_services.h"

#include "app/help_documents.h"
#include "app/messages.h"
#include "app/views/file_dialogs.h"
#include "printing/page_output.h"

#include <QDir>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace printing {

namespace {

PrintServices desktopServices() {
    PrintServices s;
    s.hasPrinter = [] { return !QPrinterInfo::availablePrinters().isEmpty(); };
    s.chooseSaveFile = [](QWidget* parent, const QString& caption, const QString& suggested,
                          const QString& filter) {
        return widgets::askSaveFileName(parent, caption, suggested, filter);
    };
    return s;
}

PrintServices& current() {
    static PrintServices services = desktopServices();
    return services;
}

} // namespace

const PrintServices& printServices() {
    return current();
}

ScopedPrintServices::ScopedPrintServices(PrintServices services) : previous_(current()) {
    if (services.hasPrinter)
        current().hasPrinter = std::move(services.hasPrinter);
    if (services.chooseSaveFile)
        current().chooseSaveFile = std::move(services.chooseSaveFile);
}

ScopedPrintServices::~ScopedPrintServices() {
    current() = previous_;
}

bool savePdfAndOpen(QWidget* parent, const QString& suggestedName, const QString& title,
                    const std::function<void(PageCanvas&)>& draw) {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString path = printServices().chooseSaveFile(parent, QStringLiteral("Guardar como PDF"),
                                                  QDir(documents).filePath(suggestedName),
                                                  QStringLiteral("Documentos PDF (*.pdf)"));
    if (path.isEmpty())
        return false;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    QString error;
    if (!writePdf(path, title, draw, &error)) {
        msg::msgBox(error, msg::Critical);
        return false;
    }
    // The file is written either way; a viewer that does not start is the desktop's problem.
    if (!app::openDocument(path))
        msg::msgBox(QStringLiteral("Se guardó el archivo \"%1\", pero no se pudo abrir con el "
                                   "visor de documentos.")
                        .arg(QDir::toNativeSeparators(path)),
                    msg::Exclamation);
    return true;
}

} // namespace printing
