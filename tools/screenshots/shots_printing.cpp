// The print destination dialog, the first printed page of the formulated broiler diet and the
// first pages of the ingredient and formula reports.
#include "tour.h"

#include "optimizer/formulation_run.h"
#include "printing/catalogue_lists.h"
#include "printing/catalogue_report.h"
#include "printing/formula_printout.h"
#include "printing/page_output.h"
#include "printing/views/frmImprimir.h"
#include "store/database.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QDate>
#include <QImage>

namespace {

constexpr int kDotsPerInch = 100;

QImage broilerPrintout(tour::Context& ctx) {
    workspace::Workspace ws;
    ws.vIdFormula =
        ctx.db.query(QStringLiteral("select id_formula from formulas where codigo='POLLO-INI'"))
            .valueAt(0, 0)
            .toInt();
    const workspace::FormulaHeader header = workspace::actuFormula(ws, ctx.db);
    optimizer::RunInput input;
    input.cantidadText = QStringLiteral("1000");
    input.option1Seca = ws.vSecaIng;
    input.option2Seca = ws.vSecaNut;
    const optimizer::RunResult run = optimizer::formular(ws, ctx.db, input);
    const printing::PrintoutTexts texts =
        printing::PrintoutTexts::from(header, run.figures.value_or(workspace::ResultFigures{}));
    const QDate today = QDate::currentDate();
    return printing::renderPages(
               [&](printing::PageCanvas& canvas) {
                   printing::imprimeImpresora(canvas, ws, texts, today);
               },
               kDotsPerInch)
        .first();
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
    all.push_back({QStringLiteral("repIngredientes"), nullptr, [](tour::Context& ctx) {
                       return reportPage(ctx, printing::repIngredientes());
                   }});
    all.push_back({QStringLiteral("repFormulas"), nullptr,
                   [](tour::Context& ctx) { return reportPage(ctx, printing::repFormulas()); }});
});

} // namespace
