#include "book/worklist_grid.h"
#include "book/worklist_printout.h"
#include "printing/recording_canvas.h"

#include <gtest/gtest.h>

namespace {

std::vector<book::WorklistRow> manyRows(int n) {
    std::vector<book::WorklistRow> rows(size_t(n), book::WorklistRow{});
    for (int i = 0; i < n; ++i) {
        book::WorklistRow& r = rows[size_t(i)];
        r.codigo = QString("F%1").arg(i, 3, 10, QChar('0'));
        r.producto = "Producto con un nombre largo que no entra en su columna " + r.codigo;
        r.costoAnterior = 0.2;
        r.costoNuevo = 0.2 + i * 0.001;
        r.outcome = book::Outcome::Optimum;
        if (i % 2)
            r.entran = QStringList{"Trigo grano"};
    }
    return rows;
}

} // namespace

// The printed worklist: title, summary and header, one line per formula in the order given,
// the entering ingredients under it, texts cut to their columns, and new pages as needed with
// the header repeated.
TEST(WorklistPrintout, ListsEveryFormulaOnAsManyPagesAsNeeded) {
    const std::vector<book::WorklistRow> rows = manyRows(80);
    std::vector<int> order(rows.size());
    for (int i = 0; i < 80; ++i)
        order[size_t(i)] = 79 - i;
    RecordingCanvas canvas;
    book::drawWorklist(canvas, rows, order, "80 fórmulas", QDate(2026, 12, 7));
    ASSERT_TRUE(canvas.find("Reformulación de fórmulas"));
    ASSERT_TRUE(canvas.find("07/12/2026"));
    ASSERT_TRUE(canvas.find("80 fórmulas"));
    EXPECT_GT(canvas.pages, 1);
    for (int page = 1; page <= canvas.pages; ++page)
        EXPECT_TRUE(canvas.find("Nuevo", page)) << page;
    const RecordingCanvas::Text* first = canvas.find("F079");
    const RecordingCanvas::Text* last = canvas.find("F000");
    ASSERT_TRUE(first && last);
    EXPECT_LT(first->page * 1000 + first->at.y(), last->page * 1000 + last->at.y());
    EXPECT_TRUE(canvas.find("Entran: Trigo grano"));
    EXPECT_TRUE(canvas.find("+39.50"));
    for (const RecordingCanvas::Text& t : canvas.texts) {
        EXPECT_LE(t.right(), canvas.pageSize().width() + 0.01) << t.text.toStdString();
        EXPECT_LE(t.at.y(), canvas.pageSize().height()) << t.text.toStdString();
        if (t.text.startsWith("Producto con")) {
            EXPECT_TRUE(t.text.endsWith(u'…'));
        }
    }
}
