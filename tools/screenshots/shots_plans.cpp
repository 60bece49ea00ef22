// The sample week's production plan, formulated: its short grains used up and what one more
// kilogram of each would save; that stock table on its own, every row and column in sight; and
// the first page of the plan's printout; and the pork grower opened in the workspace with its
// planned mix.
#include "tour.h"

#include "plans/plan_printout.h"
#include "plans/plan_run.h"
#include "plans/plan_store.h"
#include "plans/views/frmPlanes.h"
#include "printing/page_output.h"
#include "workspace/views/frmoptimizacion.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

constexpr int kDotsPerInch = 100;

std::unique_ptr<plans::frmPlanes> formulatedPlan(store::Database& db) {
    auto view = std::make_unique<plans::frmPlanes>(db);
    view->findChild<QPushButton*>(QStringLiteral("cmdFormular"))->click();
    return view;
}

std::unique_ptr<QWidget> planes(tour::Context& c) {
    return formulatedPlan(c.db);
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// In the window the stock table shares its width with the formulas and stretches into empty
// rows. Here it is given exactly the room its cells ask for: the names as wide as the longest,
// the figures as wide as their captions, and every row, with no scroll bar.
QImage stockTable(tour::Context& c) {
    const std::unique_ptr<plans::frmPlanes> view = formulatedPlan(c.db);
    auto* table = view->findChild<QTableWidget*>(QStringLiteral("grdIngredientes"));
    if (!table || table->rowCount() == 0)
        throw std::runtime_error("the plan's stock table is empty");
    view->show();
    settle();
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->resizeColumnsToContents();
    QHeaderView* header = table->horizontalHeader();
    const QAbstractItemView* cells = table; // where a column's content hint is public
    constexpr int kNameRoom = 24; // pixels beyond the longest name, so it never touches the rule
    int width = std::max(cells->sizeHintForColumn(0), header->sectionSizeHint(0)) + kNameRoom;
    for (int column = 1; column < table->columnCount(); ++column)
        width += std::max(cells->sizeHintForColumn(column), header->sectionSizeHint(column));
    const int frame = 2 * table->frameWidth();
    int height = header->sizeHint().height();
    for (int row = 0; row < table->rowCount(); ++row)
        height += table->rowHeight(row);
    table->setFixedSize(width + frame, height + frame);
    view->adjustSize();
    settle();
    // A child widget grabs with an alpha channel; the tour's pictures are opaque.
    const QImage grabbed = table->grab().toImage();
    QImage picture(grabbed.size(), QImage::Format_RGB32);
    picture.fill(table->palette().color(QPalette::Window));
    QPainter(&picture).drawImage(0, 0, grabbed);
    return picture;
}

plans::StoredPlan samplePlan(store::Database& db) {
    const std::optional<int> id = plans::findPlan(db, QStringLiteral("Semana de ejemplo"));
    const std::optional<plans::StoredPlan> plan = id ? plans::loadPlan(db, *id) : std::nullopt;
    if (!plan)
        throw std::runtime_error("the sample plan is missing");
    return *plan;
}

plans::PlanRun solved(store::Database& db, const plans::StoredPlan& plan) {
    plans::PlanRun run = plans::formulatePlan(db, plan);
    if (run.outcome != plans::PlanRunOutcome::Optimum)
        throw std::runtime_error("the sample plan has no solution");
    return run;
}

// What "Abrir en Optimización" shows for the first formula of the plan.
std::unique_ptr<QWidget> plannedMix(tour::Context& c) {
    const plans::PlanRun run = solved(c.db, samplePlan(c.db));
    const plans::PlannedFormula& first = run.formulas.front();
    return std::make_unique<workspace::frmoptimizacion>(c.db, *first.ws, first.header);
}

// The first page of the printout "Imprimir" writes, of the formulated sample plan.
QImage planPrintout(tour::Context& c) {
    const std::optional<plans::StoredPlan> plan = samplePlan(c.db);
    const plans::PlanRun run = solved(c.db, *plan);
    return printing::renderPages(
               [&](printing::PageCanvas& canvas) { plans::drawPlan(canvas, plan->header, run); },
               kDotsPerInch)
        .first();
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmPlanes"), planes, nullptr});
    all.push_back({QStringLiteral("frmPlanes_existencias"), nullptr, stockTable});
    all.push_back({QStringLiteral("impresion_plan"), nullptr, planPrintout});
    all.push_back({QStringLiteral("frmoptimizacion_plan"), plannedMix, nullptr});
});

} // namespace
