#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QImage;
class QPdfWriter;
class QTextDocument;

// The help pages of the Ayuda menu, kept as HTML in the repository and made into PDF documents
// with Qt's own text layout, so no other tool is needed to build them.
namespace helppdf {

// The page read into a document with the help's font and styles; pictures
// (<img src="../screenshots/menu.png">) are found relative to the page. Empty, with the
// reason in `error`, when the file cannot be read.
std::unique_ptr<QTextDocument> readPage(const QString& htmlPath, QString* error);

// Gives the writer A4 pages with 20 mm margins and lays the document out on them, less a foot
// for the page number; returns the height of one page's body, in the writer's pixels.
double layOutOnPages(QTextDocument& document, QPdfWriter& writer);

// The headings (h1 to h6) that end a page in the present layout: their text starts on a later
// page, so a reader would find the heading alone at the foot.
QStringList headingsEndingAPage(const QTextDocument& document);

// Moves every heading that ends a page to the start of the next one, so it stays with its text.
void keepHeadingsWithText(QTextDocument& document);

// Pictures of `count` pages from `first` (counted from 0) side by side, as the PDF shows them,
// at 96 pixels to the inch: for the screenshot tour. Null when the page cannot be read.
QImage pagesPicture(const QString& htmlPath, int first, int count);

// Writes the PDF: A4 pages with 20 mm margins, headings kept with their text, each page
// numbered at its foot. False, with the reason in `error`, when it cannot be written.
bool writePdf(const QString& htmlPath, const QString& pdfPath, QString* error);

} // namespace helppdf
