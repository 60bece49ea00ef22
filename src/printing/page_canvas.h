#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>

class QPainter;

namespace printing {

// The font of the next texts, in typographic points.
struct TextStyle {
    double points = 8;
    bool bold = false;
    bool underline = false;
    bool operator==(const TextStyle&) const = default;
};

// A printed page addressed in millimetres from the top-left corner of its printable area, the
// way a printer is driven: choose a font, measure, write a text whose top-left corner is at a
// point, draw lines, turn the page. Both the formula printout and the catalogue reports draw
// through it, so the same routine serves the printer, a PDF file, an image and the tests.
class PageCanvas {
public:
    virtual ~PageCanvas() = default;

    virtual QSizeF pageSize() const = 0; // printable area, mm
    virtual void setFont(const TextStyle& style) = 0;
    virtual TextStyle font() const = 0;
    virtual double textWidth(const QString& text) const = 0; // mm, in the current font
    virtual void drawText(QPointF topLeft, const QString& text) = 0;
    // Line width in printer dots of 1/300 inch, as a printer's draw width.
    virtual void setDrawWidth(int dots) = 0;
    virtual void drawLine(QPointF from, QPointF to) = 0;
    virtual void newPage() = 0;
    // A filled rectangle without an outline (for charts); a canvas that cannot fill draws its
    // outline.
    virtual void fillRect(const QRectF& rect, const QColor& colour) {
        Q_UNUSED(colour);
        drawBox(rect.topLeft(), rect.width(), rect.height());
    }

    // The text ending at x, top at y.
    void drawTextRight(double x, double y, const QString& text) {
        drawText(QPointF(x - textWidth(text), y), text);
    }
    // A rectangle drawn as four segments from its top-left corner: right, down, left, up.
    void drawBox(QPointF topLeft, double width, double height);
    // The longest start of `text` that fits in `width` mm in the current font, marked with an
    // ellipsis when cut.
    QString fitted(const QString& text, double width) const;
};

// The canvas over a QPainter already begun on a device (printer, PDF writer, image). The
// painter's window is set to millimetres of the device's printable area; texts are drawn in a
// finer unit so that font sizes keep their fractions of a millimetre. A new page asks the device
// for one when it is paged; for an image, `turnPage` is called instead (it may save the image and
// clear it), and without one the later pages are drawn over the first.
class PainterCanvas : public PageCanvas {
public:
    explicit PainterCanvas(QPainter& painter, std::function<void()> turnPage = {},
                           const QString& family = QStringLiteral("Arial"));

    QSizeF pageSize() const override { return size_; }
    void setFont(const TextStyle& style) override;
    TextStyle font() const override { return style_; }
    double textWidth(const QString& text) const override;
    void drawText(QPointF topLeft, const QString& text) override;
    void setDrawWidth(int dots) override;
    void drawLine(QPointF from, QPointF to) override;
    void newPage() override;
    void fillRect(const QRectF& rect, const QColor& colour) override;

    int pagesStarted() const { return pages_; }

private:
    QPainter& painter_;
    std::function<void()> turnPage_;
    QString family_;
    QFont font_;
    TextStyle style_;
    QSizeF size_;
    double penMm_ = 0;
    int pages_ = 1;
};

// Millimetres per typographic point.
inline constexpr double kMmPerPoint = 25.4 / 72.0;

// The font a canvas draws a style with (sizes in hundredths of a millimetre), and the width in
// millimetres of a text in it: what the painter canvas measures, for anyone who lays out alike.
QFont canvasFont(const TextStyle& style, const QString& family = QStringLiteral("Arial"));
double canvasTextWidth(const QFont& font, const QString& text);

} // namespace printing
