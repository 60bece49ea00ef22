#pragma once

#include "optimizer/mix_charts.h"

#include <QDate>
#include <QRectF>
#include <QString>

namespace printing {

class PageCanvas;

// Both charts of the mix in an area of the page (millimetres): each nutrient's value as a bar
// on its own scale with its minimum and maximum marked (red where a limit binds), then each
// ingredient's cost per unit of the mix as a bar, dearest first. Rows shrink to fit the area.
void drawMixCharts(PageCanvas& page, const QRectF& area, const optimizer::MixCharts& charts);

// The printout's chart page: the page header of the formula, then both charts below it.
void imprimeGraficos(PageCanvas& page, const optimizer::MixCharts& charts, const QString& formula,
                     const QDate& today);

} // namespace printing
