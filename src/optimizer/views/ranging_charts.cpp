#include "optimizer/views/ranging_charts.h"

#include "app/format.h"

#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>

namespace optimizer {

namespace {

QString number(double v) {
    return fmt::format(v, QStringLiteral("0.00##"));
}

struct Marked {
    QLineSeries* series;
    QPen pen; // set once the chart's theme has coloured the series
};

Marked verticalLine(double x, double yFrom, double yTo, const QString& name, const QColor& colour,
                    Qt::PenStyle style) {
    auto* s = new QLineSeries;
    s->setName(name);
    s->append(x, yFrom);
    s->append(x, yTo);
    QPen pen(colour);
    pen.setWidth(2);
    pen.setStyle(style);
    return {s, pen};
}

} // namespace

QChartView* newChartView(const QString& objectName, QWidget* parent) {
    auto* view = new QChartView(new QChart, parent);
    view->setObjectName(objectName);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(360, 260);
    return view;
}

void showChart(QChartView* view, const RangingChart& c) {
    auto* chart = new QChart;
    chart->setTitle(c.title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* axisX = new QValueAxis;
    axisX->setTitleText(c.xTitle);
    axisX->setRange(c.xFrom, c.xTo);
    axisX->setLabelFormat(QStringLiteral("%.4g"));
    auto* axisY = new QValueAxis;
    axisY->setTitleText(c.yTitle);
    axisY->setLabelFormat(QStringLiteral("%.5g"));
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);

    double yMin = 0, yMax = 1;
    if (!c.line.empty()) {
        const auto [lo, hi] =
            std::minmax_element(c.line.begin(), c.line.end(),
                                [](const ChartPoint& a, const ChartPoint& b) { return a.y < b.y; });
        yMin = c.fromZero ? std::min(0.0, lo->y) : lo->y;
        yMax = hi->y > yMin ? hi->y + 0.08 * (hi->y - yMin) : yMin + 1;
    }
    axisY->setRange(yMin, yMax);
    axisY->applyNiceNumbers();
    yMin = axisY->min();
    yMax = axisY->max();

    std::vector<Marked> series;
    auto* line = new QLineSeries;
    line->setName(c.yTitle);
    for (const ChartPoint& p : c.line)
        line->append(p.x, p.y);
    QPen pen(QColor(32, 96, 176));
    pen.setWidth(3);
    series.push_back({line, pen});
    if (c.current)
        series.push_back(verticalLine(
            *c.current, yMin, yMax,
            c.currentText.isEmpty() ? "Valor actual: " + number(*c.current) : c.currentText,
            QColor(40, 40, 40), Qt::DashLine));
    if (c.infeasibleFrom)
        series.push_back(verticalLine(*c.infeasibleFrom, yMin, yMax,
                                      "Sin mezcla desde " + number(*c.infeasibleFrom),
                                      QColor(200, 30, 30), Qt::DotLine));
    if (c.infeasibleTo)
        series.push_back(verticalLine(*c.infeasibleTo, yMin, yMax,
                                      "Sin mezcla hasta " + number(*c.infeasibleTo),
                                      QColor(200, 30, 30), Qt::DotLine));
    for (const Marked& m : series) {
        chart->addSeries(m.series);
        m.series->attachAxis(axisX);
        m.series->attachAxis(axisY);
        m.series->setPen(m.pen);
    }
    for (QLegendMarker* marker : chart->legend()->markers(line))
        marker->setVisible(false);
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
}

} // namespace optimizer
