#pragma once

#include "printing/page_canvas.h"
#include "printing/page_output.h"

#include <QList>
#include <QRectF>

// Records what a routine asks to draw, with the page it lands on, measuring texts as the
// painter canvas does.
class RecordingCanvas : public printing::PageCanvas {
public:
    struct Text {
        int page;
        QPointF at;
        QString text;
        printing::TextStyle style;
        double width;
        double right() const { return at.x() + width; }
    };
    struct Line {
        int page;
        QPointF from, to;
        int drawWidth;
    };

    // The printable area of the standard page unless told otherwise.
    explicit RecordingCanvas(
        QSizeF page = printing::standardPageLayout().paintRect(QPageLayout::Millimeter).size())
        : size_(page) {}

    QSizeF pageSize() const override { return size_; }
    void setFont(const printing::TextStyle& style) override {
        style_ = style;
        font_ = printing::canvasFont(style);
    }
    printing::TextStyle font() const override { return style_; }
    double textWidth(const QString& text) const override {
        return printing::canvasTextWidth(font_, text);
    }
    void drawText(QPointF topLeft, const QString& text) override {
        texts.append(Text{pages, topLeft, text, style_, textWidth(text)});
    }
    void setDrawWidth(int dots) override { drawWidth_ = dots; }
    void drawLine(QPointF from, QPointF to) override {
        lines.append(Line{pages, from, to, drawWidth_});
    }
    void newPage() override { ++pages; }
    struct Fill {
        int page;
        QRectF rect;
        QColor colour;
    };
    void fillRect(const QRectF& rect, const QColor& colour) override {
        fills.append(Fill{pages, rect, colour});
    }
    QList<Fill> fills;

    // The first text equal to `text` (on `page` when given); nullptr when none.
    const Text* find(const QString& text, int page = 0) const {
        for (const Text& t : texts)
            if (t.text == text && (page == 0 || t.page == page))
                return &t;
        return nullptr;
    }
    QList<Text> onPage(int page) const {
        QList<Text> result;
        for (const Text& t : texts)
            if (t.page == page)
                result.append(t);
        return result;
    }
    // Everything drawn, as the smallest rectangle holding it (text heights from the font size).
    QRectF extent() const {
        QRectF box;
        for (const Text& t : texts)
            box |= QRectF(t.at, QSizeF(t.width, t.style.points * printing::kMmPerPoint * 1.2));
        for (const Line& l : lines)
            box |= QRectF(l.from, l.to).normalized().adjusted(-0.01, -0.01, 0.01, 0.01);
        return box;
    }

    QList<Text> texts;
    QList<Line> lines;
    int pages = 1;

private:
    QSizeF size_;
    printing::TextStyle style_;
    QFont font_ = printing::canvasFont(style_);
    int drawWidth_ = 1;
};
