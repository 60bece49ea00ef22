#include "book/worklist_printout.h"

#include "app/date_text.h"
#include "book/worklist_grid.h"
#include "printing/page_canvas.h"

namespace book {

namespace {

struct PrintColumn {
    int column;
    double left;  // mm
    double width; // mm
    bool right;
};

const std::vector<PrintColumn> kColumns = {
    {kColCodigo, 0, 24, false},        {kColProducto, 25, 58, false},   {kColVersion, 84, 10, true},
    {kColCostoAnterior, 95, 22, true}, {kColCostoNuevo, 118, 22, true}, {kColCambio, 141, 16, true},
    {kColResultado, 160, 41, false},
};

constexpr double kLine = 4.5;   // mm per table line
constexpr double kDetail = 3.8; // mm per detail line

void drawHeader(printing::PageCanvas& canvas, double& y) {
    canvas.setFont({8, true});
    for (const PrintColumn& c : kColumns) {
        const QString caption = worklistColumns()[size_t(c.column)].caption;
        if (c.right)
            canvas.drawTextRight(c.left + c.width, y, caption);
        else
            canvas.drawText(QPointF(c.left, y), caption);
    }
    y += kLine;
    canvas.setDrawWidth(3);
    canvas.drawLine(QPointF(0, y - 0.8), QPointF(canvas.pageSize().width(), y - 0.8));
    y += 0.6;
}

} // namespace

void drawWorklist(printing::PageCanvas& canvas, const std::vector<WorklistRow>& rows,
                  const std::vector<int>& order, const QString& summary, const QDate& today) {
    const double bottom = canvas.pageSize().height() - 10;
    double y = 0;
    canvas.setFont({14, true});
    canvas.drawText(QPointF(0, y), QStringLiteral("Reformulación de fórmulas"));
    canvas.setFont({9});
    canvas.drawTextRight(canvas.pageSize().width(), y + 1, datetext::formatDate(today));
    y += 9;
    canvas.drawText(QPointF(0, y), summary);
    y += 7;
    drawHeader(canvas, y);
    for (const int index : order) {
        const WorklistRow& r = rows.at(size_t(index));
        const QString detail = worklistDetail(r).replace(u'\n', QStringLiteral(" · "));
        if (y + kLine + (detail.isEmpty() ? 0 : kDetail) > bottom) {
            canvas.newPage();
            y = 0;
            drawHeader(canvas, y);
        }
        canvas.setFont({8});
        for (const PrintColumn& c : kColumns) {
            const QString text = canvas.fitted(worklistCell(r, c.column), c.width);
            if (c.right)
                canvas.drawTextRight(c.left + c.width, y, text);
            else
                canvas.drawText(QPointF(c.left, y), text);
        }
        y += kLine;
        if (!detail.isEmpty()) {
            canvas.setFont({7});
            canvas.drawText(QPointF(25, y - 0.6),
                            canvas.fitted(detail, canvas.pageSize().width() - 25));
            y += kDetail;
        }
    }
}

} // namespace book
