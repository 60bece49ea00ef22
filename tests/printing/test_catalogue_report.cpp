#include "printing/catalogue_report.h"
#include "printing/page_output.h"
#include "recording_canvas.h"
#include "store/record_set.h"
#include "support/qt_printers.h"

#include <algorithm>
#include <gtest/gtest.h>

using store::FieldType;

namespace {

const QDate kToday(2026, 12, 6);

store::RecordSet ingredientRows(int count) {
    store::RecordSet rs;
    rs.appendField("id_producto", FieldType::Integer32);
    rs.appendField("codigo", FieldType::Char, 20);
    rs.appendField("nombre", FieldType::Char, 100);
    rs.appendField("unidad", FieldType::Char, 10);
    rs.appendField("costo", FieldType::Double, 0, true);
    rs.appendField("materia_seca", FieldType::Double, 0, true);
    for (int i = 1; i <= count; ++i)
        rs.appendRow({i, QStringLiteral("%1").arg(i, 20), QStringLiteral("Ingrediente %1").arg(i),
                      "kg", i * 0.125, 88.0});
    return rs;
}

store::RecordSet formulaRows() {
    store::RecordSet rs;
    rs.appendField("id_formula", FieldType::Integer32);
    rs.appendField("codigo", FieldType::Char, 20);
    rs.appendField("producto", FieldType::Char, 100);
    rs.appendField("cantidad", FieldType::Double);
    rs.appendField("version", FieldType::Integer32);
    rs.appendField("fecha_creacion", FieldType::Char, 20, true);
    rs.appendField("fecha_modificacion", FieldType::Char, 20, true);
    rs.appendRow({1, "POL-01", "Iniciador pollos", 1000.0, 3, "2026-01-31", "2026-12-05"});
    rs.appendRow({2, "CER-02", "Terminador cerdos", 500.0, 1, QVariant(), "2026-11-20"});
    return rs;
}

QStringList pageTexts(const RecordingCanvas& canvas, int page) {
    QStringList result;
    for (const auto& t : canvas.onPage(page))
        result << t.text;
    return result;
}

} // namespace

TEST(CatalogueReport, DefinitionsHoldTitlesCaptionsFieldsAndFormats) {
    auto captions = [](const printing::ReportDefinition& r) {
        QStringList c;
        for (const auto& col : r.columns)
            c << col.caption + "=" + col.field;
        return c;
    };
    EXPECT_EQ(printing::repIngredientes().title, "Ingredientes");
    EXPECT_EQ(captions(printing::repIngredientes()),
              QStringList({"Código=codigo", "Descripción=nombre", "Costo=costo",
                           "Materia Seca=materia_seca"}));
    EXPECT_EQ(printing::repNutrientes().title, "Nutrientes");
    EXPECT_EQ(captions(printing::repNutrientes()),
              QStringList({"Descripción=nombre", "Unidad=unidad"}));
    EXPECT_EQ(printing::repFormulas().title, "Fórmulas");
    EXPECT_EQ(
        captions(printing::repFormulas()),
        QStringList({"Código=codigo", "Versión=version", "Producto=producto",
                     "Fecha Creación=fecha_creacion", "Última modificación=fecha_modificacion"}));

    const auto& cost = printing::repIngredientes().columns.at(2);
    EXPECT_EQ(printing::reportCellText(cost, 2.675), "2.68");
    EXPECT_EQ(printing::reportCellText(cost, 5.0), "5.00");
    EXPECT_EQ(printing::reportCellText(cost, QVariant()), "");
    const auto& code = printing::repIngredientes().columns.at(0);
    EXPECT_EQ(printing::reportCellText(code, QStringLiteral("%1").arg("A7", 20)),
              QStringLiteral("%1").arg("A7", 20));
    const auto& created = printing::repFormulas().columns.at(3);
    EXPECT_EQ(printing::reportCellText(created, "2026-01-31"), "31/01/2026");
    EXPECT_EQ(printing::reportCellText(created, QVariant()), "");
}

TEST(CatalogueReport, PageHeaderAndDetailLines) {
    const store::RecordSet rows = formulaRows();
    RecordingCanvas canvas;
    printing::renderReport(canvas, printing::repFormulas(), rows, kToday);
    EXPECT_EQ(canvas.pages, 1);
    const QStringList texts = pageTexts(canvas, 1);
    for (const char* expected : {"Fórmulas", "Fecha", "06/12/2026", "Página", "1", "Código",
                                 "Versión", "Producto", "Fecha Creación", "Última modificación",
                                 "POL-01", "Iniciador pollos", "31/01/2026", "05/12/2026"})
        EXPECT_TRUE(texts.contains(expected)) << expected;
    // The second formula has no creation date: its line holds four texts, not five.
    const auto* second = canvas.find("CER-02");
    ASSERT_NE(second, nullptr);
    int onLine = 0;
    for (const auto& t : canvas.texts)
        onLine += qAbs(t.at.y() - second->at.y()) < 0.01;
    EXPECT_EQ(onLine, 4);
    // Lines follow the list's order, one below the other.
    EXPECT_LT(canvas.find("POL-01")->at.y(), second->at.y());
    EXPECT_EQ(canvas.find("Fórmulas")->style.bold, true);
    // The version column is right-aligned: its caption and values end at the same x.
    EXPECT_NEAR(canvas.find("Versión")->right(), canvas.find("3")->right(), 0.01);
}

TEST(CatalogueReport, FiveThousandIngredientsPaginateWithoutCuttingRows) {
    const store::RecordSet rows = ingredientRows(5000);
    RecordingCanvas canvas;
    printing::renderReport(canvas, printing::repIngredientes(), rows, kToday);

    const printing::ReportLayout layout(canvas.pageSize());
    const int expectedPages = (5000 + layout.rowsPerPage - 1) / layout.rowsPerPage;
    EXPECT_EQ(canvas.pages, expectedPages);
    EXPECT_EQ(printing::reportPageCount(5000, canvas.pageSize()), expectedPages);

    int details = 0;
    double lastBottom = 0;
    for (int p = 1; p <= canvas.pages; ++p) {
        const QStringList texts = pageTexts(canvas, p);
        // The header on every page with its own number.
        EXPECT_EQ(texts.count("Ingredientes"), 1) << p;
        EXPECT_TRUE(texts.contains("Materia Seca")) << p;
        EXPECT_TRUE(texts.contains(QString::number(p))) << p;
        for (const auto& t : canvas.onPage(p))
            if (t.text.startsWith("Ingrediente ")) {
                ++details;
                lastBottom = std::max(lastBottom, t.at.y() + layout.rowHeight);
            }
    }
    EXPECT_EQ(details, 5000);
    // Every line, with its full height, stands above the page's lower margin.
    EXPECT_LE(lastBottom, layout.bottom + 1e-6);
    EXPECT_LE(canvas.extent().bottom(), canvas.pageSize().height());
    EXPECT_LE(canvas.extent().right(), canvas.pageSize().width());
    // The rows keep the list's order across pages.
    EXPECT_EQ(canvas.onPage(2).last().text, "88.00");
    EXPECT_NE(canvas.find(QStringLiteral("Ingrediente %1").arg(layout.rowsPerPage + 1), 2),
              nullptr);
}

TEST(CatalogueReport, EmptyListIsOnePageWithTheHeaderOnly) {
    const store::RecordSet rows = ingredientRows(0);
    RecordingCanvas canvas;
    printing::renderReport(canvas, printing::repIngredientes(), rows, kToday);
    EXPECT_EQ(canvas.pages, 1);
    EXPECT_EQ(pageTexts(canvas, 1),
              QStringList({"Ingredientes", "Fecha", "Página", "06/12/2026", "1", "Código",
                           "Descripción", "Costo", "Materia Seca"}));
}

TEST(CatalogueReport, LongNamesAreShortenedToTheirColumn) {
    store::RecordSet rs;
    rs.appendField("nombre", FieldType::Char, 200);
    rs.appendField("unidad", FieldType::Char, 10);
    rs.appendRow({QString(150, u'W'), "mg/kg"});
    RecordingCanvas canvas;
    printing::renderReport(canvas, printing::repNutrientes(), rs, kToday);
    printing::ReportLayout layout(canvas.pageSize());
    layout.placeColumns(printing::repNutrientes());
    for (const auto& t : canvas.texts)
        if (t.text.startsWith("WWW")) {
            EXPECT_TRUE(t.text.endsWith("…"));
            EXPECT_LE(t.right(), layout.columnLefts.at(1));
        }
}

TEST(CatalogueReport, RendersAPageImage) {
    const store::RecordSet rows = ingredientRows(60);
    const QList<QImage> pages = printing::renderPages(
        [&](printing::PageCanvas& c) {
            printing::renderReport(c, printing::repIngredientes(), rows, kToday);
        },
        100);
    ASSERT_EQ(pages.size(), 2);
    // The header frame's left edge is drawn 10 mm in, the page's bottom margin stays white.
    const double dotsPerMm = 100 / 25.4;
    EXPECT_LT(qGray(pages.at(0).pixel(int(10 * dotsPerMm), int(20 * dotsPerMm))), 160);
    const int bottom = pages.at(0).height() - 1;
    for (int x = 0; x < pages.at(0).width(); ++x)
        ASSERT_EQ(pages.at(0).pixel(x, bottom), qRgb(255, 255, 255));
}

TEST(CatalogueReport, FormulaNamesGetTheRoomTheDatesDoNotNeed) {
    store::RecordSet rs = formulaRows();
    const QString longName = "Cerdo en crecimiento y terminación 50-110 kg, verano";
    rs.appendRow({3, "CER-TER-V", longName, 1000.0, 12, "2026-02-28", "2026-12-06"});
    RecordingCanvas canvas;
    printing::renderReport(canvas, printing::repFormulas(), rs, kToday);
    printing::ReportLayout layout(canvas.pageSize());
    layout.placeColumns(printing::repFormulas());

    // Whole texts: the long name, every caption, the dates and versions.
    QStringList whole = {longName, "28/02/2026", "12"};
    for (const auto& c : printing::repFormulas().columns)
        whole << c.caption;
    for (const QString& text : whole)
        EXPECT_NE(canvas.find(text), nullptr) << text.toStdString();

    // Each text stays inside its own column.
    for (const auto& t : canvas.texts) {
        if (t.at.y() < layout.captionTop)
            continue;
        for (int c = 0; c + 1 < layout.columnLefts.size(); ++c) {
            if (t.at.x() >= layout.columnLefts.at(c) && t.at.x() < layout.columnLefts.at(c + 1)) {
                EXPECT_LE(t.right(), layout.columnLefts.at(c + 1)) << t.text.toStdString();
            }
        }
    }
    // The product takes the widest column; the columns fill the page between the margins.
    const QList<double>& widths = layout.columnWidths;
    EXPECT_EQ(*std::max_element(widths.begin(), widths.end()), widths.at(2));
    EXPECT_NEAR(layout.columnLefts.last() + widths.last(), layout.right, 1e-9);
}
