#pragma once

#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QString>
#include <functional>

namespace printing {

class PageCanvas;

// What draws a whole document on a canvas, turning pages itself.
using PageDrawing = std::function<void(PageCanvas&)>;

// A4 upright with the margins of an ordinary office printer, so a PDF page has the printable
// area the printer would have (201.6 x 288.6 mm).
QPageLayout standardPageLayout();

// Writes the drawing as a PDF file (replaced only when complete). False with a Spanish `error`.
bool writePdf(const QString& path, const QString& title, const PageDrawing& draw,
              QString* error = nullptr);

// The drawing as one white image per page of the printable area, at `dotsPerInch`.
QList<QImage> renderPages(const PageDrawing& draw, int dotsPerInch,
                          const QPageLayout& layout = standardPageLayout());

} // namespace printing
