#include "help_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>

namespace helppdf {

namespace {

int pageOf(const QTextDocument& document, const QTextBlock& block) {
    const QRectF r = document.documentLayout()->blockBoundingRect(block);
    // A block's own top margin lies above its first line; the line decides the page.
    const double firstLine =
        r.top() +
        (block.layout() && block.layout()->lineCount() > 0 ? block.layout()->lineAt(0).y() : 0.0);
    return int(std::floor(firstLine / document.pageSize().height()));
}

bool isHeading(const QTextBlock& block) {
    return block.blockFormat().headingLevel() > 0;
}

bool endsAPage(const QTextDocument& document, const QTextBlock& block) {
    const QTextBlock text = block.next();
    return isHeading(block) && text.isValid() && pageOf(document, text) > pageOf(document, block);
}

// The first heading, in document order, that ends a page and can still be moved (one already
// at the top of its page, before text too tall for a page, stays); invalid when there is none.
QTextBlock firstHeadingToMove(const QTextDocument& document) {
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        if (endsAPage(document, b) &&
            !(b.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore))
            return b;
    return {};
}

// One page: the part of the laid-out document that falls on it, and its number at the foot.
void paintPage(QPainter& painter, const QTextDocument& document, int page, double body,
               double pageHeight) {
    const double width = document.pageSize().width();
    painter.save();
    const QRectF clip(0, page * body, width, body);
    painter.translate(0, -page * body);
    painter.setClipRect(clip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = clip;
    document.documentLayout()->draw(&painter, context);
    painter.restore();
    painter.save();
    painter.setFont(document.defaultFont());
    painter.drawText(QRectF(0, body, width, pageHeight - body), Qt::AlignRight | Qt::AlignBottom,
                     QString::number(page + 1));
    painter.restore();
}

} // namespace

std::unique_ptr<QTextDocument> readPage(const QString& htmlPath, QString* error) {
    QFile source(htmlPath);
    if (!source.open(QIODevice::ReadOnly)) {
        if (error)
            *error = "no se puede leer " + htmlPath + ": " + source.errorString();
        return nullptr;
    }
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(QFont(QStringLiteral("Liberation Sans"), 11));
    document->setDefaultStyleSheet(QStringLiteral(
        "h1 { color: #1f4e79; } h2 { color: #1f4e79; } h3 { color: #1f4e79; margin-top: 14px; }"
        "pre { background-color: #f0f0f0; }"));
    QString html = QString::fromUtf8(source.readAll());
    const QString folder = QFileInfo(source).absolutePath();
    html.replace(QRegularExpression(QStringLiteral("src=\"(?!/)([^\"]+)\"")),
                 QStringLiteral("src=\"") + folder + QStringLiteral("/\\1\""));
    document->setHtml(html);
    return document;
}

double layOutOnPages(QTextDocument& document, QPdfWriter& writer) {
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
    document.documentLayout()->setPaintDevice(&writer);
    const QRectF page = writer.pageLayout().paintRectPixels(writer.resolution());
    const double footer = 2 * QFontMetricsF(document.defaultFont(), &writer).height();
    document.setPageSize(QSizeF(page.width(), page.height() - footer));
    return document.pageSize().height();
}

QStringList headingsEndingAPage(const QTextDocument& document) {
    QStringList out;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        if (endsAPage(document, b))
            out << b.text();
    return out;
}

void keepHeadingsWithText(QTextDocument& document) {
    // One at a time: moving a heading moves everything after it.
    for (QTextBlock b = firstHeadingToMove(document); b.isValid();
         b = firstHeadingToMove(document)) {
        QTextBlockFormat format;
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(b).mergeBlockFormat(format);
    }
}

QImage pagesPicture(const QString& htmlPath, int first, int count) {
    std::unique_ptr<QTextDocument> document = readPage(htmlPath, nullptr);
    if (!document)
        return {};
    QBuffer discarded;
    discarded.open(QIODevice::WriteOnly);
    QPdfWriter writer(&discarded);
    writer.setResolution(96);
    const double body = layOutOnPages(*document, writer);
    keepHeadingsWithText(*document);
    const QRect paper = writer.pageLayout().fullRectPixels(96);
    const QRect inside = writer.pageLayout().paintRectPixels(96);
    const int gap = 16;
    QImage picture(gap + count * (paper.width() + gap), paper.height() + 2 * gap,
                   QImage::Format_RGB32);
    picture.fill(QColor(0x80, 0x80, 0x80));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (int i = 0; i < count && first + i < document->pageCount(); ++i) {
        const QPoint corner(gap + i * (paper.width() + gap), gap);
        painter.fillRect(QRect(corner, paper.size()), Qt::white);
        painter.save();
        painter.translate(corner + inside.topLeft());
        paintPage(painter, *document, first + i, body, inside.height());
        painter.restore();
    }
    return picture;
}

bool writePdf(const QString& htmlPath, const QString& pdfPath, QString* error) {
    std::unique_ptr<QTextDocument> document = readPage(htmlPath, error);
    if (!document)
        return false;
    QPdfWriter writer(pdfPath);
    writer.setTitle(document->metaInformation(QTextDocument::DocumentTitle));
    writer.setCreator(QStringLiteral("Dosivant"));
    const double body = layOutOnPages(*document, writer);
    keepHeadingsWithText(*document);
    QPainter painter;
    if (!painter.begin(&writer)) {
        if (error)
            *error = "no se puede escribir " + pdfPath;
        return false;
    }
    const double pageHeight = writer.pageLayout().paintRectPixels(writer.resolution()).height();
    for (int page = 0; page < document->pageCount(); ++page) {
        if (page > 0)
            writer.newPage();
        paintPage(painter, *document, page, body, pageHeight);
    }
    return painter.end();
}

} // namespace helppdf
