#include "printing/mix_chart_page.h"

#include "app/format.h"
#include "printing/formula_printout.h"
#include "printing/page_canvas.h"

#include <algorithm>

namespace printing {

namespace {

const QColor kBar(70, 120, 190);
// A value on its limit is what least cost expects, not a fault: a dark blue, not an alarm red.
const QColor kBinding(25, 55, 120);
const QColor kTrack(232, 232, 232);
constexpr TextStyle kTitle{9, true};
constexpr TextStyle kRow{7, false};
constexpr double kNameWidth = 55, kFigureWidth = 48;

QString figure(double v) {
    return fmt::format(v, QStringLiteral("0.00##"));
}

QString limitsText(const optimizer::NutrientBar& n) {
    const QString min = n.minimo ? figure(*n.minimo) : QStringLiteral("-");
    const QString max = n.maximo ? figure(*n.maximo) : QStringLiteral("-");
    return figure(n.valor) + "  [" + min + " ; " + max + "]";
}

// A name cut to fit the name column.
QString fitted(PageCanvas& page, QString text) {
    while (text.size() > 4 && page.textWidth(text) > kNameWidth - 2)
        text.chop(1);
    return text;
}

void marker(PageCanvas& page, double x, double top, double height) {
    page.setDrawWidth(4);
    page.drawLine(QPointF(x, top - 0.6), QPointF(x, top + height + 0.6));
    page.setDrawWidth(1);
}

// One row: the name, a track with the bar, the figure; returns the track's left and width.
std::pair<double, double> row(PageCanvas& page, const QRectF& area, double y, double h,
                              const QString& name, const QString& text) {
    page.setFont(kRow);
    page.drawText(QPointF(area.left(), y + (h - 3) / 2), fitted(page, name));
    page.drawTextRight(area.right(), y + (h - 3) / 2, text);
    const double left = area.left() + kNameWidth;
    const double width = area.width() - kNameWidth - kFigureWidth;
    page.fillRect(QRectF(left, y + 0.15 * h, width, 0.7 * h), kTrack);
    return {left, width};
}

double nutrientChart(PageCanvas& page, const QRectF& area, double y, double h,
                     const std::vector<optimizer::NutrientBar>& rows) {
    page.setFont(kTitle);
    page.drawText(QPointF(area.left(), y), QStringLiteral("Nutrientes de la mezcla y sus límites"));
    page.setFont(kRow);
    page.drawTextRight(area.right(), y + 4.5, QStringLiteral("valor  [mínimo ; máximo]"));
    page.drawText(
        QPointF(area.left() + kNameWidth, y + 4.5),
        QStringLiteral("azul oscuro: el valor está justo en un límite; marcas: mínimo y máximo"));
    y += 9;
    for (const optimizer::NutrientBar& n : rows) {
        const auto [left, width] = row(page, area, y, h, n.nombre, limitsText(n));
        const double scale =
            1.15 * std::max({n.valor, n.minimo.value_or(0), n.maximo.value_or(0), 1e-9});
        const double top = y + 0.25 * h, height = 0.5 * h;
        page.fillRect(QRectF(left, top, std::max(0.0, n.valor) / scale * width, height),
                      n.binds ? kBinding : kBar);
        for (const std::optional<double>& limit : {n.minimo, n.maximo})
            if (limit)
                marker(page, left + std::max(0.0, *limit) / scale * width, top, height);
        y += h;
    }
    return y;
}

double costChart(PageCanvas& page, const QRectF& area, double y, double h,
                 const std::vector<optimizer::CostBar>& rows) {
    page.setFont(kTitle);
    page.drawText(QPointF(area.left(), y),
                  QStringLiteral("Costo por unidad de mezcla, por ingrediente"));
    y += 6;
    double dearest = 1e-12;
    for (const optimizer::CostBar& c : rows)
        dearest = std::max(dearest, c.costoPorUnidad);
    for (const optimizer::CostBar& c : rows) {
        const auto [left, width] =
            row(page, area, y, h, c.nombre, fmt::format(c.costoPorUnidad, "$ 0.0000"));
        page.fillRect(
            QRectF(left, y + 0.25 * h, std::max(0.0, c.costoPorUnidad) / dearest * width, 0.5 * h),
            kBar);
        y += h;
    }
    return y;
}

} // namespace

void drawMixCharts(PageCanvas& page, const QRectF& area, const optimizer::MixCharts& charts) {
    // Rows shrink to fit, down to what a 7-point name needs; past that the cheapest ingredients
    // (then the last nutrients) are left out and counted.
    constexpr double kSmallestRow = 3.2;
    const double room = area.height() - 9 - 6 - 8 - 4; // titles, the gap, a last note
    const size_t fit = size_t(std::max(0.0, room / kSmallestRow));
    const size_t nutrients = std::min(charts.nutrientes.size(), fit);
    const size_t costs = std::min(charts.costos.size(), fit - nutrients);
    const size_t rows = nutrients + costs;
    const double h = rows == 0 ? 6 : std::clamp(room / double(rows), kSmallestRow, 6.0);
    const auto first = [](const auto& all, size_t n) {
        return std::vector(all.begin(), all.begin() + std::ptrdiff_t(n));
    };
    double y = nutrientChart(page, area, area.top(), h, first(charts.nutrientes, nutrients));
    y = costChart(page, area, y + 8, h, first(charts.costos, costs));
    const size_t left = charts.nutrientes.size() - nutrients + charts.costos.size() - costs;
    if (left > 0) {
        page.setFont(kRow);
        page.drawText(QPointF(area.left(), y + 0.5),
                      QStringLiteral("y %1 filas más que no caben en la página").arg(left));
    }
}

void imprimeGraficos(PageCanvas& page, const optimizer::MixCharts& charts, const QString& formula,
                     const QDate& today) {
    const double top = imprimeEncabezado(page, formula, today) + 4;
    const QSizeF size = page.pageSize();
    drawMixCharts(page, QRectF(10, top, size.width() - 20, kPageBreakAt - top), charts);
}

} // namespace printing
