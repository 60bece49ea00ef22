// The charts of the formulated broiler diet: on screen from the workspace, and as the printout's
// chart page.
#include "tour.h"

#include "optimizer/formulation_run.h"
#include "optimizer/mix_charts.h"
#include "printing/mix_chart_page.h"
#include "printing/page_output.h"
#include "printing/views/frmGraficos.h"
#include "store/database.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QDate>
#include <QImage>

namespace {

optimizer::MixCharts broilerCharts(tour::Context& ctx) {
    workspace::Workspace ws;
    ws.formulaId =
        ctx.db.query(QStringLiteral("select id_formula from formulas where codigo='POLLO-INI'"))
            .valueAt(0, 0)
            .toInt();
    workspace::adoptLoaded(ws, workspace::loadFormula(ctx.db, ws.formulaId).ws, ws.formulaId);
    optimizer::FormulationRequest input{1000, ws.ingredientsDry, ws.nutrientsDry, {}};
    optimizer::formulate(ws, ctx.db, input);
    return optimizer::mixCharts(ws);
}

QImage chartPage(tour::Context& ctx) {
    const optimizer::MixCharts charts = broilerCharts(ctx);
    return printing::renderPages(
               [&](printing::PageCanvas& canvas) {
                   printing::imprimeGraficos(
                       canvas, charts, QStringLiteral("Pollo parrillero iniciador 0-3 semanas"),
                       QDate::currentDate());
               },
               100)
        .first();
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmGraficos"),
                   [](tour::Context& c) -> std::unique_ptr<QWidget> {
                       return std::make_unique<printing::frmGraficos>(broilerCharts(c));
                   },
                   nullptr});
    all.push_back({QStringLiteral("impresion_graficos"), nullptr, chartPage});
});

} // namespace
