#include "printing/views/print_formula.h"

#include "app/busy_pointer.h"
#include "app/help_documents.h"
#include "app/messages.h"
#include "app/views/modal.h"
#include "printing/formula_document.h"
#include "printing/formula_printout.h"
#include "printing/mix_chart_page.h"
#include "printing/page_canvas.h"
#include "printing/page_output.h"
#include "printing/views/frmImprimir.h"
#include "printing/views/print_services.h"

#include <QDateTime>
#include <QDir>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace printing {

namespace {

const QString kNoPrinterText =
    QStringLiteral("No hay ninguna impresora instalada en este equipo.\n¿Desea guardar la "
                   "impresión como archivo PDF?");

// A file name made of the formula's code and version, safe on every file system.
QString documentBaseName(const PrintoutTexts& texts) {
    QString name = QStringLiteral("Formula");
    if (!texts.codigo.trimmed().isEmpty())
        name += u' ' + texts.codigo.trimmed();
    if (!texts.version.trimmed().isEmpty())
        name += QStringLiteral(" v") + texts.version.trimmed();
    name.replace(QRegularExpression(QStringLiteral("[^\\w .-]")), QStringLiteral("_"));
    return name;
}

} // namespace

void printFormula(const workspace::Workspace& ws, const PrintoutTexts& shown, QWidget* parent,
                  const std::vector<PrintedGoal>& goalChoices) {
    qint16 destination = 0;
    bool withCharts = false;
    PrintoutTexts texts = shown;
    {
        frmImprimir dialog(parent);
        QStringList names;
        for (const PrintedGoal& goal : goalChoices)
            names << goal.nombre;
        dialog.setGoalChoices(names);
        widgets::openModal(dialog);
        destination = dialog.destination();
        withCharts = dialog.withCharts();
        for (const int chosen : dialog.chosenGoals())
            texts.objetivos.push_back(goalChoices[std::size_t(chosen)]);
    }
    switch (destination) {
    case 1:
        printOnPrinter(ws, texts, parent, withCharts);
        break;
    case 2:
        exportToWordProcessor(ws, texts, parent);
        break;
    default:
        break;
    }
}

void printFormula(const workspace::Workspace& ws, const workspace::FormulaHeader& header,
                  const workspace::ResultFigures& figures, QWidget* parent) {
    printFormula(ws, PrintoutTexts::from(header, figures), parent);
}

bool printOnPrinter(const workspace::Workspace& ws, const PrintoutTexts& texts, QWidget* parent,
                    bool withCharts) {
    const QDate today = QDate::currentDate();
    const auto draw = [&](PageCanvas& canvas) {
        imprimeImpresora(canvas, ws, texts, today);
        if (withCharts) {
            canvas.newPage();
            imprimeGraficos(canvas, optimizer::mixCharts(ws), texts.formula, today);
        }
    };
    if (!printServices().hasPrinter()) {
        // A default QPrinter would silently become a PDF printer without a file: ask instead.
        if (msg::msgBox(kNoPrinterText, msg::Question) != msg::Yes)
            return false;
        return savePdfAndOpen(parent, documentBaseName(texts) + QStringLiteral(".pdf"),
                              texts.formula.trimmed(), draw);
    }
    app::BusyPointer busy;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(texts.formula.trimmed());
    QPainter painter;
    if (!painter.begin(&printer)) {
        busy.release();
        msg::msgBox(QStringLiteral("No se pudo imprimir en la impresora \"%1\".")
                        .arg(printer.printerName()),
                    msg::Critical);
        return false;
    }
    PainterCanvas canvas(painter);
    draw(canvas);
    painter.end();
    return true;
}

QString exportToWordProcessor(const workspace::Workspace& ws, const PrintoutTexts& texts,
                              QWidget* parent) {
    Q_UNUSED(parent);
    app::BusyPointer busy;
    // The document is new and unsaved for the user: it lives in a folder of its own in the
    // temporary folder, which stays for the word processor to read.
    QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("Dosivant-XXXXXX")));
    if (!folder.isValid()) {
        busy.release();
        msg::msgBox(QStringLiteral("No se pudo crear el documento: no hay lugar para él en la "
                                   "carpeta temporal (%1).")
                        .arg(folder.errorString()),
                    msg::Critical);
        return {};
    }
    folder.setAutoRemove(false);
    const QString path = folder.filePath(documentBaseName(texts) + QStringLiteral(".odt"));
    QString error;
    if (!writeFormulaDocument(path, ws, texts, QDate::currentDate(), &error)) {
        QDir(folder.path()).removeRecursively();
        busy.release();
        msg::msgBox(error, msg::Critical);
        return {};
    }
    busy.release();
    if (!app::openDocument(path)) {
        msg::msgBox(QStringLiteral("No se pudo abrir el documento con el procesador de textos.\n"
                                   "El documento quedó guardado en \"%1\".")
                        .arg(QDir::toNativeSeparators(path)),
                    msg::Exclamation);
    }
    return path;
}

} // namespace printing
