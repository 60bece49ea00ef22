#include "printing/catalogue_report.h"

#include "app/date_text.h"
#include "app/format.h"
#include "printing/page_canvas.h"
#include "store/record_set.h"

#include <cmath>

namespace printing {

namespace {

const TextStyle kTitleStyle{16, true, false};
const TextStyle kLabelStyle{8, true, false};
const TextStyle kValueStyle{8, false, false};
const TextStyle kCaptionStyle{9, true, false};
const TextStyle kDetailStyle{9, false, false};
constexpr double kCellPadding = 1;
constexpr double kColumnGap = 2; // between a fitted column's text and the next column

using Kind = ReportColumn::Kind;

ReportColumn text(const QString& caption, const QString& field, double weight, bool right = false) {
    return ReportColumn{caption, field, Kind::Text, {}, weight, right, {}};
}

void drawCell(PageCanvas& canvas, const ReportLayout& layout, int column, bool right, double top,
              const QString& value) {
    if (value.isEmpty())
        return;
    const double inner = layout.columnWidths.at(column) - 2 * kCellPadding;
    const QString shown = canvas.fitted(value, inner);
    if (right)
        canvas.drawTextRight(layout.columnLefts.at(column) + layout.columnWidths.at(column) -
                                 kCellPadding,
                             top, shown);
    else
        canvas.drawText(QPointF(layout.columnLefts.at(column) + kCellPadding, top), shown);
}

void drawPageHeader(PageCanvas& canvas, const ReportDefinition& report, const ReportLayout& layout,
                    const QDate& today, int page) {
    const double blockLeft = layout.right - 52;
    canvas.setDrawWidth(3);
    // Forma2: the frame of the whole header.
    canvas.drawBox(QPointF(layout.left, layout.headerTop), layout.right - layout.left,
                   layout.headerBottom - layout.headerTop);
    canvas.setDrawWidth(1);
    // Forma3: under the title, over the column captions.
    canvas.drawLine(QPointF(layout.left, layout.captionTop - 1.5),
                    QPointF(layout.right, layout.captionTop - 1.5));
    // Forma4: between the title and the date and page.
    canvas.drawLine(QPointF(blockLeft - 3, layout.headerTop),
                    QPointF(blockLeft - 3, layout.captionTop - 1.5));

    canvas.setFont(kTitleStyle);
    canvas.drawText(QPointF(layout.left + 4, layout.headerTop + 2.5), report.title);
    canvas.setFont(kLabelStyle);
    canvas.drawText(QPointF(blockLeft, layout.headerTop + 1.5), QStringLiteral("Fecha"));
    canvas.drawText(QPointF(blockLeft, layout.headerTop + 6.5), QStringLiteral("Página"));
    canvas.setFont(kValueStyle);
    canvas.drawText(QPointF(blockLeft + 16, layout.headerTop + 1.5), datetext::formatDate(today));
    canvas.drawText(QPointF(blockLeft + 16, layout.headerTop + 6.5), QString::number(page));

    canvas.setFont(kCaptionStyle);
    for (int c = 0; c < report.columns.size(); ++c)
        drawCell(canvas, layout, c, report.columns.at(c).right, layout.captionTop,
                 report.columns.at(c).caption);
}

} // namespace

const ReportDefinition& repIngredientes() {
    static const ReportDefinition report{
        QStringLiteral("repIngredientes"),
        QStringLiteral("Ingredientes"),
        {text(QStringLiteral("Código"), QStringLiteral("codigo"), 35, true),
         text(QStringLiteral("Descripción"), QStringLiteral("nombre"), 85),
         ReportColumn{QStringLiteral("Costo"),
                      QStringLiteral("costo"),
                      Kind::Number,
                      QStringLiteral("0.00"),
                      30,
                      true,
                      {}},
         ReportColumn{QStringLiteral("Materia Seca"),
                      QStringLiteral("materia_seca"),
                      Kind::Number,
                      QStringLiteral("0.00"),
                      30,
                      true,
                      {}}}};
    return report;
}

const ReportDefinition& repNutrientes() {
    static const ReportDefinition report{
        QStringLiteral("repNutrientes"),
        QStringLiteral("Nutrientes"),
        {text(QStringLiteral("Descripción"), QStringLiteral("nombre"), 120),
         text(QStringLiteral("Unidad"), QStringLiteral("unidad"), 60)}};
    return report;
}

const ReportDefinition& repFormulas() {
    const QString aDate = QStringLiteral("00/00/0000");
    static const ReportDefinition report{
        QStringLiteral("repFormulas"),
        QStringLiteral("Fórmulas"),
        {text(QStringLiteral("Código"), QStringLiteral("codigo"), 30),
         ReportColumn{QStringLiteral("Versión"),
                      QStringLiteral("version"),
                      Kind::Text,
                      {},
                      0,
                      true,
                      QStringLiteral("00000")},
         text(QStringLiteral("Producto"), QStringLiteral("producto"), 100),
         ReportColumn{QStringLiteral("Fecha Creación"),
                      QStringLiteral("fecha_creacion"),
                      Kind::Date,
                      {},
                      0,
                      false,
                      aDate},
         ReportColumn{QStringLiteral("Última modificación"),
                      QStringLiteral("fecha_modificacion"),
                      Kind::Date,
                      {},
                      0,
                      false,
                      aDate}}};
    return report;
}

QString reportCellText(const ReportColumn& column, const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    switch (column.kind) {
    case Kind::Number:
        return fmt::format(value, column.pattern);
    case Kind::Date:
        return datetext::formatDate(value);
    case Kind::Text:
        break;
    }
    return value.toString();
}

ReportLayout::ReportLayout(QSizeF page) {
    right = page.width() - 10;
    captionTop = headerTop + 13.5;
    headerBottom = captionTop + 5.5;
    firstRowTop = headerBottom + 2;
    bottom = page.height() - 10;
    rowsPerPage = std::max(1, int(std::floor((bottom - firstRowTop) / rowHeight + 1e-9)));
}

namespace {

double fittedWidth(const ReportColumn& column) {
    const double caption = canvasTextWidth(canvasFont(kCaptionStyle), column.caption);
    const double value = canvasTextWidth(canvasFont(kDetailStyle), column.widest);
    return std::max(caption, value) + 2 * kCellPadding + kColumnGap;
}

} // namespace

void ReportLayout::placeColumns(const ReportDefinition& report) {
    // Short values get what they and their caption need; the rest is shared by weight, so long
    // names get the room.
    double fixed = 0, total = 0;
    for (const ReportColumn& c : report.columns) {
        if (!c.widest.isEmpty())
            fixed += fittedWidth(c);
        else
            total += c.weight;
    }
    columnLefts.clear();
    columnWidths.clear();
    double x = left;
    for (const ReportColumn& c : report.columns) {
        const double width =
            !c.widest.isEmpty() ? fittedWidth(c) : (right - left - fixed) * c.weight / total;
        columnLefts.append(x);
        columnWidths.append(width);
        x += width;
    }
}

int reportPageCount(int rowCount, QSizeF page) {
    const ReportLayout layout(page);
    return std::max(1, (rowCount + layout.rowsPerPage - 1) / layout.rowsPerPage);
}

void renderReport(PageCanvas& canvas, const ReportDefinition& report, const store::RecordSet& rows,
                  const QDate& today) {
    ReportLayout layout(canvas.pageSize());
    layout.placeColumns(report);
    QList<int> fields;
    for (const ReportColumn& c : report.columns)
        fields.append(rows.fieldIndex(c.field));

    int page = 1;
    drawPageHeader(canvas, report, layout, today, page);
    int onPage = 0;
    for (int row = 0; row < rows.count(); ++row) {
        if (onPage == layout.rowsPerPage) {
            canvas.newPage();
            drawPageHeader(canvas, report, layout, today, ++page);
            onPage = 0;
        }
        const double top = layout.firstRowTop + onPage * layout.rowHeight;
        canvas.setFont(kDetailStyle);
        for (int c = 0; c < report.columns.size(); ++c) {
            const QVariant value = fields.at(c) < 0 ? QVariant() : rows.valueAt(row, fields.at(c));
            drawCell(canvas, layout, c, report.columns.at(c).right, top,
                     reportCellText(report.columns.at(c), value));
        }
        ++onPage;
    }
}

} // namespace printing
