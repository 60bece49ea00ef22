#include "plans/plan_printout.h"

#include "app/date_text.h"
#include "app/format.h"
#include "plans/plan_texts.h"
#include "printing/page_canvas.h"

#include <QStringList>

namespace plans {

namespace {

constexpr double kLine = 4.5; // mm per table line

struct Column {
    QString caption;
    double left;  // mm
    double width; // mm
    bool right;
};

// Measures as the canvas it stands for and draws nothing: how many pages a printout takes.
class PageCounter : public printing::PageCanvas {
public:
    explicit PageCounter(printing::PageCanvas& canvas) : canvas_(canvas) {}

    int pages() const { return pages_; }

    QSizeF pageSize() const override { return canvas_.pageSize(); }
    void setFont(const printing::TextStyle& style) override { canvas_.setFont(style); }
    printing::TextStyle font() const override { return canvas_.font(); }
    double textWidth(const QString& text) const override { return canvas_.textWidth(text); }
    void drawText(QPointF, const QString&) override {}
    void setDrawWidth(int) override {}
    void drawLine(QPointF, QPointF) override {}
    void newPage() override { ++pages_; }

private:
    printing::PageCanvas& canvas_;
    int pages_ = 1;
};

// Draws tables down the pages, starting a new page (with the table's title marked "(continúa)"
// and its header again) where a line would fall past the bottom, and numbers the pages
// "Página N de M" when told how many there are.
class TableWriter {
public:
    TableWriter(printing::PageCanvas& canvas, int pages)
        : canvas_(canvas), bottom_(canvas.pageSize().height() - 10), pages_(pages) {}

    double& y() { return y_; }

    // Room for `height` mm more, or a new page.
    bool ensure(double height) {
        if (y_ + height <= bottom_)
            return false;
        pageNumber();
        canvas_.newPage();
        ++page_;
        y_ = 0;
        return true;
    }

    void heading(const QString& text) {
        ensure(7 + 2 * kLine);
        title_ = text;
        canvas_.setFont({10, true});
        canvas_.drawText(QPointF(0, y_), text);
        y_ += 6;
    }

    void begin(const std::vector<Column>& columns) {
        columns_ = columns;
        ensure(2 * kLine);
        header();
    }

    void row(const QStringList& cells) {
        if (ensure(kLine)) {
            continuedTitle();
            header();
        }
        canvas_.setFont({8});
        for (std::size_t i = 0; i < columns_.size(); ++i)
            cell(columns_[i], canvas_.fitted(cells.value(qsizetype(i)), columns_[i].width));
        y_ += kLine;
    }

    void end() {
        y_ += 4;
        title_.clear();
    }

    // The last page's number.
    void finish() { pageNumber(); }

private:
    void cell(const Column& c, const QString& text) {
        if (c.right)
            canvas_.drawTextRight(c.left + c.width, y_, text);
        else
            canvas_.drawText(QPointF(c.left, y_), text);
    }

    void header() {
        canvas_.setFont({8, true});
        for (const Column& c : columns_)
            cell(c, c.caption);
        y_ += kLine;
        const double right = columns_.back().left + columns_.back().width;
        canvas_.setDrawWidth(3);
        canvas_.drawLine(QPointF(0, y_ - 0.8), QPointF(right, y_ - 0.8));
        y_ += 0.6;
    }

    // The title of the table going on from the page before, cut to leave its mark in sight.
    void continuedTitle() {
        if (title_.isEmpty())
            return;
        const QString mark = QStringLiteral(" (continúa)");
        canvas_.setFont({10, true});
        const double room = canvas_.pageSize().width() - canvas_.textWidth(mark);
        canvas_.drawText(QPointF(0, y_), canvas_.fitted(title_, room) + mark);
        y_ += 6;
    }

    void pageNumber() {
        if (pages_ <= 0)
            return;
        canvas_.setFont({8});
        const QString text = QStringLiteral("Página %1 de %2").arg(page_).arg(pages_);
        canvas_.drawText(QPointF((canvas_.pageSize().width() - canvas_.textWidth(text)) / 2,
                                 canvas_.pageSize().height() - 5),
                         text);
    }

    printing::PageCanvas& canvas_;
    double bottom_;
    int pages_;
    int page_ = 1;
    double y_ = 0;
    QString title_; // of the table being drawn
    std::vector<Column> columns_;
};

QString percentText(double share) {
    return fmt::format(share, QStringLiteral("##0.00%"));
}

} // namespace

QString printoutTitle(const PlanHeader& plan) {
    return QStringLiteral("Plan de producción ") + plan.nombre;
}

namespace {

void layoutPlan(TableWriter& w, printing::PageCanvas& canvas, const PlanHeader& plan,
                const PlanRun& run) {
    canvas.setFont({14, true});
    canvas.drawText(QPointF(0, 0), canvas.fitted(printoutTitle(plan), 160));
    canvas.setFont({9});
    if (plan.fecha.isValid())
        canvas.drawTextRight(canvas.pageSize().width(), 1, datetext::formatDate(plan.fecha));
    w.y() = 9;
    if (run.outcome != PlanRunOutcome::Optimum) {
        canvas.setFont({9});
        for (const QString& line : outcomeMessage(run).split(u'\n')) {
            w.ensure(kLine);
            canvas.drawText(QPointF(0, w.y()), canvas.fitted(line, canvas.pageSize().width()));
            w.y() += kLine;
        }
        return;
    }
    canvas.setFont({10, true});
    canvas.drawText(QPointF(0, w.y()), totalText(run));
    w.y() += 5;
    canvas.setFont({9});
    if (const QString stopped = searchText(run); !stopped.isEmpty()) {
        canvas.drawText(QPointF(0, w.y()), canvas.fitted(stopped, canvas.pageSize().width()));
        w.y() += kLine;
    }
    canvas.drawText(QPointF(0, w.y()),
                    canvas.fitted(pricesChoiceText(run.precios), canvas.pageSize().width()));
    w.y() += 6;

    w.heading(QStringLiteral("Fórmulas del plan"));
    w.begin({{QStringLiteral("Fórmula"), 0, 30, false},
             {QStringLiteral("Producto"), 31, 62, false},
             {QStringLiteral("Versión"), 94, 14, true},
             {QStringLiteral("Cantidad (kg)"), 110, 26, true},
             {QStringLiteral("Costo en el plan"), 138, 30, true},
             {QStringLiteral("Costo sola"), 170, 30, true}});
    for (const PlannedFormula& f : run.formulas)
        w.row({f.row.codigo, f.row.producto, f.row.version, amountText(f.row.cantidad),
               costText(f.costoUnitarioHumeda), costText(f.costoSolo)});
    w.end();

    for (const PlannedFormula& f : run.formulas) {
        w.heading(QStringLiteral("%1 versión %2 - %3: %4 (precios %5)")
                      .arg(f.row.codigo, f.row.version, f.row.producto,
                           fmt::quantityKg(f.row.cantidad), pricesText(f, run.precios)));
        w.begin({{QStringLiteral("Ingrediente"), 0, 90, false},
                 {QStringLiteral("% tal cual"), 92, 24, true},
                 {QStringLiteral("Cantidad tal cual (kg)"), 118, 32, true}});
        for (const PlannedIngredient& p : f.ingredientes)
            w.row({p.nombre, percentText(p.porcentajeHumeda), amountText(p.cantidadHumeda)});
        w.end();
    }

    if (run.stock.empty())
        return;
    w.heading(QStringLiteral("Uso de ingredientes"));
    w.begin({{QStringLiteral("Ingrediente"), 0, 80, false},
             {QStringLiteral("Usado (kg)"), 82, 26, true},
             {QStringLiteral("Disponible (kg)"), 110, 26, true},
             {QStringLiteral("Uso mínimo (kg)"), 138, 26, true},
             {QStringLiteral("Valor marginal"), 166, 30, true}});
    for (const PlannedStock& s : run.stock)
        w.row({s.nombre, amountText(s.usado), amountText(s.disponible), amountText(s.minimoUso),
               costText(s.valorMarginal)});
}

} // namespace

// Laid out once to count the pages, then drawn with their numbers.
void drawPlan(printing::PageCanvas& canvas, const PlanHeader& plan, const PlanRun& run) {
    PageCounter counter(canvas);
    TableWriter dry(counter, 0);
    layoutPlan(dry, counter, plan, run);
    TableWriter w(canvas, counter.pages());
    layoutPlan(w, canvas, plan, run);
    w.finish();
}

} // namespace plans
