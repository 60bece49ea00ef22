// The print destination dialog, the first printed page of the formulated broiler diet, the
// message of a desktop without a word processor and the first pages of the ingredient and
// formula reports.
#include "recorded_message.h"
#include "tour.h"

#include "app/help_documents.h"
#include "app/messages.h"
#include "app/views/message_boxes.h"

#include "optimizer/formulation_run.h"
#include "printing/catalogue_lists.h"
#include "printing/catalogue_report.h"
#include "printing/formula_printout.h"
#include "printing/page_output.h"
#include "printing/views/frmImprimir.h"
#include "printing/views/print_formula.h"
#include "store/database.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>

namespace {

constexpr int kDotsPerInch = 100;

struct FormulatedBroiler {
    workspace::Workspace ws;
    printing::PrintoutTexts texts;
};

FormulatedBroiler formulatedBroiler(tour::Context& ctx) {
    FormulatedBroiler broiler;
    workspace::Workspace& ws = broiler.ws;
    ws.formulaId =
        ctx.db.query(QStringLiteral("select id_formula from formulas where codigo='POLLO-INI'"))
            .valueAt(0, 0)
            .toInt();
    workspace::LoadedFormula loaded = workspace::loadFormula(ctx.db, ws.formulaId);
    const workspace::FormulaHeader header = loaded.header;
    workspace::adoptLoaded(ws, std::move(loaded.ws), ws.formulaId);
    optimizer::FormulationRequest input{1000, ws.ingredientsDry, ws.nutrientsDry, {}};
    const optimizer::Formulation run = optimizer::formulate(ws, ctx.db, input);
    broiler.texts =
        printing::PrintoutTexts::from(header, run.figures.value_or(workspace::ResultFigures{}));
    return broiler;
}

QImage broilerPrintout(tour::Context& ctx) {
    const FormulatedBroiler broiler = formulatedBroiler(ctx);
    const QDate today = QDate::currentDate();
    return printing::renderPages(
               [&](printing::PageCanvas& canvas) {
                   printing::imprimeImpresora(canvas, broiler.ws, broiler.texts, today);
               },
               kDotsPerInch)
        .first();
}

// A desktop with no program for the document: it refuses to open anything.
class DesktopWithoutWordProcessor : public app::DocumentShell {
public:
    bool hasPdfViewer() override { return false; }
    bool open(const QString&) override { return false; }
};

// "Exportar documento de texto (.odt)" on a desktop without a word processor: the message names
// where the document was written. The written document is removed again, so the tour leaves nothing
// behind.
QImage exportWithoutWordProcessor(tour::Context& ctx) {
    const FormulatedBroiler broiler = formulatedBroiler(ctx);
    DesktopWithoutWordProcessor desktop;
    tour::RecordedMessage recorded;
    app::DocumentShell* previousShell = app::setDocumentShell(&desktop);
    msg::MessageService* previousService = msg::setService(&recorded);
    const QString written = printing::exportToWordProcessor(broiler.ws, broiler.texts, nullptr);
    msg::setService(previousService);
    app::setDocumentShell(previousShell);
    if (!written.isEmpty())
        QDir(QFileInfo(written).path()).removeRecursively();
    const std::unique_ptr<QMessageBox> box =
        widgets::makeMessageBox(recorded.text_, recorded.style_, recorded.title_, nullptr);
    box->show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    return box->grab().toImage();
}

// The first page of a catalogue report of the whole list.
QImage reportPage(tour::Context& ctx, const printing::ReportDefinition& report) {
    const store::RecordSet rows = printing::catalogueListRows(ctx.db, report);
    const QDate today = QDate::currentDate();
    return printing::renderPages(
               [&](printing::PageCanvas& canvas) {
                   printing::renderReport(canvas, report, rows, today);
               },
               kDotsPerInch)
        .first();
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmImprimir"),
                   [](tour::Context&) -> std::unique_ptr<QWidget> {
                       return std::make_unique<printing::frmImprimir>();
                   },
                   nullptr});
    all.push_back({QStringLiteral("impresion_formula"), nullptr, broilerPrintout});
    all.push_back(
        {QStringLiteral("impresion_sin_procesador"), nullptr, exportWithoutWordProcessor});
    all.push_back({QStringLiteral("repIngredientes"), nullptr, [](tour::Context& ctx) {
                       return reportPage(ctx, printing::repIngredientes());
                   }});
    all.push_back({QStringLiteral("repFormulas"), nullptr,
                   [](tour::Context& ctx) { return reportPage(ctx, printing::repFormulas()); }});
});

} // namespace
