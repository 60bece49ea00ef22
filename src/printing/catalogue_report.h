#pragma once

#include <QDate>
#include <QList>
#include <QSizeF>
#include <QString>
#include <QVariant>

namespace store {
class RecordSet;
}

namespace printing {

class PageCanvas;

// One detail column of a catalogue report: its caption, the field it shows and how.
struct ReportColumn {
    enum class Kind { Text, Number, Date };
    QString caption;
    QString field;
    Kind kind = Kind::Text;
    QString pattern;   // for numbers
    double weight = 1; // share of the width the fitted columns leave
    bool right = false;
    // For a column whose values are never long (dates, version numbers): its widest value. The
    // column is then as wide as that or its caption, and takes no share of the rest.
    QString widest;
};

struct ReportDefinition {
    QString name;  // repIngredientes, repNutrientes, repFormulas
    QString title; // the page header's title and the preview window's caption
    QList<ReportColumn> columns;
};

const ReportDefinition& repIngredientes();
const ReportDefinition& repNutrientes();
const ReportDefinition& repFormulas();

// The text of one detail cell: numbers through the column's pattern, dates as dd/mm/yyyy, texts
// as stored; Null shows nothing.
QString reportCellText(const ReportColumn& column, const QVariant& value);

// Where the bands stand on a page of the given printable size, in millimetres.
struct ReportLayout {
    explicit ReportLayout(QSizeF page);
    double left = 10, right = 0; // outer edges of the header frame and of the columns
    double headerTop = 10;       // the frame of the page header
    double captionTop = 0;       // column captions
    double headerBottom = 0;     // end of the frame
    double firstRowTop = 0;      // first detail line
    double rowHeight = 5;
    double bottom = 0; // no detail line reaches past it
    int rowsPerPage = 0;
    QList<double> columnLefts, columnWidths;
    void placeColumns(const ReportDefinition& report);
};

int reportPageCount(int rowCount, QSizeF page);

// The whole report, page after page: the page header on each, then as many detail lines as fit;
// no line is split between pages. An empty list gives one page with the header only.
void renderReport(PageCanvas& canvas, const ReportDefinition& report, const store::RecordSet& rows,
                  const QDate& today);

} // namespace printing
