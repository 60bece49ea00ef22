#include "printing/page_canvas.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <cmath>

namespace printing {

namespace {

// Texts are drawn in hundredths of a millimetre: QFont sizes in pixels are whole numbers, and a
// whole millimetre is far too coarse for an 8-point font.
constexpr double kTextUnitsPerMm = 100.0;
constexpr double kMmPerDot = 25.4 / 300.0;

} // namespace

QFont canvasFont(const TextStyle& style, const QString& family) {
    QFont font;
    font.setFamily(family);
    font.setStyleHint(QFont::SansSerif);
    font.setKerning(false);
    font.setPixelSize(std::max(1, int(std::lround(style.points * kMmPerPoint * kTextUnitsPerMm))));
    font.setBold(style.bold);
    font.setUnderline(style.underline);
    return font;
}

double canvasTextWidth(const QFont& font, const QString& text) {
    return QFontMetricsF(font).horizontalAdvance(text) / kTextUnitsPerMm;
}

QString PageCanvas::fitted(const QString& text, double width) const {
    if (textWidth(text) <= width)
        return text;
    const QString ellipsis = QStringLiteral("…");
    int low = 0, high = int(text.size());
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (textWidth(text.left(mid) + ellipsis) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return text.left(low) + ellipsis;
}

void PageCanvas::drawBox(QPointF topLeft, double width, double height) {
    const QPointF a = topLeft, b = a + QPointF(width, 0), c = b + QPointF(0, height),
                  d = c - QPointF(width, 0);
    drawLine(a, b);
    drawLine(b, c);
    drawLine(c, d);
    drawLine(d, a);
}

PainterCanvas::PainterCanvas(QPainter& painter, std::function<void()> turnPage,
                             const QString& family)
    : painter_(painter), turnPage_(std::move(turnPage)) {
    QPaintDevice* device = painter.device();
    const double dotsPerMmX = device->logicalDpiX() / 25.4;
    const double dotsPerMmY = device->logicalDpiY() / 25.4;
    // The window is whole millimetres; the viewport is exactly that many millimetres of the
    // device, so one unit is one millimetre in both directions.
    const int widthMm = int(std::floor(device->width() / dotsPerMmX));
    const int heightMm = int(std::floor(device->height() / dotsPerMmY));
    size_ = QSizeF(widthMm, heightMm);
    painter.setViewport(0, 0, int(std::lround(widthMm * dotsPerMmX)),
                        int(std::lround(heightMm * dotsPerMmY)));
    painter.setWindow(0, 0, widthMm, heightMm);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    family_ = family;
    setFont(style_);
    setDrawWidth(1);
}

void PainterCanvas::setFont(const TextStyle& style) {
    style_ = style;
    font_ = canvasFont(style, family_);
}

double PainterCanvas::textWidth(const QString& text) const {
    return canvasTextWidth(font_, text);
}

void PainterCanvas::drawText(QPointF topLeft, const QString& text) {
    painter_.save();
    painter_.translate(topLeft);
    painter_.scale(1 / kTextUnitsPerMm, 1 / kTextUnitsPerMm);
    painter_.setFont(font_);
    painter_.setPen(Qt::black);
    painter_.drawText(QPointF(0, QFontMetricsF(font_).ascent()), text);
    painter_.restore();
}

void PainterCanvas::setDrawWidth(int dots) {
    penMm_ = dots * kMmPerDot;
}

void PainterCanvas::drawLine(QPointF from, QPointF to) {
    painter_.setPen(QPen(Qt::black, penMm_, Qt::SolidLine, Qt::SquareCap));
    painter_.drawLine(from, to);
}

void PainterCanvas::fillRect(const QRectF& rect, const QColor& colour) {
    painter_.fillRect(rect, colour);
}

void PainterCanvas::newPage() {
    ++pages_;
    if (auto* paged = dynamic_cast<QPagedPaintDevice*>(painter_.device()))
        paged->newPage();
    else if (turnPage_)
        turnPage_();
}

} // namespace printing
