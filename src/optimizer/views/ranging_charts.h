#pragma once

#include "optimizer/ranging_target.h"

#include <QString>
#include <optional>
#include <vector>

class QChartView;
class QWidget;

namespace optimizer {

// What one chart of a ranging shows: its line, the axes' titles and range, and the marks.
struct RangingChart {
    QString title, xTitle, yTitle;
    std::vector<ChartPoint> line;
    double xFrom = 0, xTo = 1;
    bool fromZero = true;          // the value axis starts at 0 (else it spans the line only)
    std::optional<double> current; // the value the formula holds now
    QString currentText;           // its name in the legend ("Valor actual: 0.1725")
    std::optional<double> infeasibleFrom; // no mix past this value
    std::optional<double> infeasibleTo;   // no mix before this value
};

// A chart view of that name, empty, ready for showChart.
QChartView* newChartView(const QString& objectName, QWidget* parent);

// Replaces what the view shows: the line (its axis names it), the current value as a dashed
// vertical line and the ends of the mixes as red dotted lines, these named in the legend.
void showChart(QChartView* view, const RangingChart& chart);

} // namespace optimizer
