#include "printing/formula_printout.h"
#include "printing/page_canvas.h"
#include "printing/page_output.h"
#include "printout_fixture.h"
#include "recording_canvas.h"
#include "support/qt_printers.h"

#include <QFontMetricsF>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using printing::TextStyle;

namespace {

const QDate kToday(2026, 12, 6);
constexpr double kTolerance = 0.1; // mm

void expectTextAt(const RecordingCanvas& page, const QString& text, double x, double y,
                  TextStyle style, int onPage = 1) {
    const auto* t = page.find(text, onPage);
    ASSERT_NE(t, nullptr) << text.toStdString();
    EXPECT_NEAR(t->at.x(), x, kTolerance) << text.toStdString();
    EXPECT_NEAR(t->at.y(), y, kTolerance) << text.toStdString();
    EXPECT_EQ(t->style, style) << text.toStdString();
}

void expectRightAt(const RecordingCanvas& page, const QString& text, double right, double y,
                   double points, bool bold, int onPage = 1) {
    const auto* t = page.find(text, onPage);
    ASSERT_NE(t, nullptr) << text.toStdString();
    EXPECT_NEAR(t->right(), right, kTolerance) << text.toStdString();
    EXPECT_NEAR(t->at.y(), y, kTolerance) << text.toStdString();
    EXPECT_EQ(t->style, (TextStyle{points, bold, false})) << text.toStdString();
}

// The four segments of a box drawn clockwise from its top-left corner.
bool hasBox(const RecordingCanvas& page, double x, double y, double w, double h, int drawWidth,
            int onPage = 1) {
    const QPointF corners[] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}};
    for (int i = 0; i + 1 < 5; ++i) {
        bool found = false;
        for (const auto& l : page.lines)
            found = found || (l.page == onPage && l.drawWidth == drawWidth &&
                              QLineF(l.from, corners[i]).length() < kTolerance &&
                              QLineF(l.to, corners[i + 1]).length() < kTolerance);
        if (!found)
            return false;
    }
    return true;
}

} // namespace

TEST(FormulaPrintout, PageHeaderDataLinesAndHeadings) {
    workspace::Workspace ws;
    addNutrient(ws, "Proteína", 20.0, 23.0, 21.456);
    addNutrient(ws, "Calcio", 0.9, QVariant(), 1.0);
    addNutrient(ws, "Energía", 3.0, QVariant(), 3.04951);
    printing::PrintoutTexts texts = sampleTexts();
    texts.unidades = {{1, "%"}, {3, "Mcal/kg"}}; // Calcio has no unit
    RecordingCanvas page;
    printing::imprimeImpresora(page, ws, texts, kToday);

    ASSERT_FALSE(page.lines.isEmpty());
    const auto& top = page.lines.first();
    EXPECT_EQ(top.from, QPointF(10, 10));
    EXPECT_EQ(top.to, QPointF(200, 10));
    EXPECT_EQ(top.drawWidth, 1);
    expectTextAt(page, "Dosivant", 11, 5, {12, true, false});
    expectTextAt(page, "Fecha de Impresión: 06/12/2026", 160, 6, {8, false, false});
    expectTextAt(page, "COMPOSICIÓN DE FÓRMULAS", 60, 19, {12, true, true});
    expectTextAt(page, "Iniciador pollos", 13, 33, {12, true, false});
    EXPECT_TRUE(hasBox(page, 10, 31, 150, 7, 3));

    expectTextAt(page, "Código:", 13, 42, {8, false, false});
    expectTextAt(page, "POL-01", 40, 42, {8, true, false});
    expectTextAt(page, "Versión:", 13, 47, {8, false, false});
    expectTextAt(page, "3", 40, 47, {8, true, false});
    expectTextAt(page, "Última modificación:", 13, 52, {8, false, false});
    expectTextAt(page, "05/12/2026", 40, 52, {8, true, false});
    EXPECT_EQ(page.find("Costo unitario:"), nullptr); // no mix, no cost

    expectTextAt(page, "NUTRIENTES", 13, 62, {8, true, false});
    expectRightAt(page, "Mínimo", 90, 62, 8, false);
    expectRightAt(page, "Máximo", 115, 62, 8, false);
    expectRightAt(page, "Valor", 140, 62, 8, false);
    EXPECT_TRUE(hasBox(page, 10, 60.5, 140, 5, 1));

    expectTextAt(page, "Proteína", 17, 67, {8, false, false});
    // Each figure with its unit, in the decimals the unit reads with.
    expectRightAt(page, "20.00 %", 90, 67, 8, false);
    expectRightAt(page, "23.00 %", 115, 67, 8, false);
    expectRightAt(page, "21.46 %", 140, 67, 8, false);
    // Only a minimum: the maximum's place stays blank.
    expectTextAt(page, "Calcio", 17, 72, {8, false, false});
    int onCalcioLine = 0;
    for (const auto& t : page.texts)
        onCalcioLine += qAbs(t.at.y() - 72) < kTolerance;
    EXPECT_EQ(onCalcioLine, 3); // name, minimum, value
    expectRightAt(page, "0.90", 90, 72, 8, false);
    expectRightAt(page, "1.00", 140, 72, 8, false);
    expectRightAt(page, "3.000 Mcal/kg", 90, 77, 8, false);
    expectRightAt(page, "3.050 Mcal/kg", 140, 77, 8, false);

    expectTextAt(page, "INGREDIENTES", 13, 92, {8, true, false});
    expectRightAt(page, "Base Seca (kg)", 90, 92, 8, false);
    expectRightAt(page, "Base Húmeda (kg)", 125, 92, 8, false);
    EXPECT_TRUE(hasBox(page, 10, 90.5, 140, 5, 1));
    EXPECT_EQ(page.pages, 1);
}

TEST(FormulaPrintout, RatioAndGroupLimitsComeBetweenNutrientsAndIngredients) {
    workspace::Workspace ws;
    addNutrient(ws, "Calcio", 0.9, QVariant(), 1.0);
    formulas::FormulaRatio ratio;
    ratio.nombreNumerador = "Calcio";
    ratio.nombreDivisor = "Fósforo";
    ratio.minimo = 1.8;
    ratio.maximo = 2.2;
    ratio.valor = 2.0;
    ws.ratios = {ratio};
    formulas::FormulaGroup group;
    group.nombre = "Granos";
    group.minimo = 450;
    group.valor = 512.5;
    ws.groups = {group};
    RecordingCanvas page;
    printing::imprimeImpresora(page, ws, sampleTexts(), kToday);

    // Calcio's line at 67, then a gap of 5 under the nutrients before each section.
    expectTextAt(page, "RELACIONES", 13, 77, {8, true, false});
    EXPECT_TRUE(hasBox(page, 10, 75.5, 140, 5, 1));
    expectTextAt(page, "Calcio / Fósforo", 17, 82, {8, false, false});
    expectRightAt(page, "1.80", 90, 82, 8, false);
    expectRightAt(page, "2.20", 115, 82, 8, false);
    expectRightAt(page, "2.00", 140, 82, 8, false);
    expectTextAt(page, "GRUPOS", 13, 92, {8, true, false});
    expectRightAt(page, "Cantidad (kg)", 140, 92, 8, false); // a group's quantity is kilograms
    expectTextAt(page, "Granos", 17, 97, {8, false, false});
    expectRightAt(page, "450.00", 90, 97, 8, false);
    expectRightAt(page, "512.50", 140, 97, 8, false);
    expectTextAt(page, "INGREDIENTES", 13, 112, {8, true, false});

    // Without them the page is as it always was.
    RecordingCanvas plain;
    ws.ratios.clear();
    ws.groups.clear();
    printing::imprimeImpresora(plain, ws, sampleTexts(), kToday);
    EXPECT_EQ(plain.find("RELACIONES"), nullptr);
    EXPECT_EQ(plain.find("GRUPOS"), nullptr);
    expectTextAt(plain, "INGREDIENTES", 13, 82, {8, true, false});
}

TEST(FormulaPrintout, IngredientRowsSharesAndTotals) {
    workspace::Workspace ws;
    addIngredient(ws, "Maíz", 500.0, 0.125, 560.0, 0.56);
    addIngredient(ws, "Sin uso", 0.0, 0.0, 0.0, 0.0);
    addIngredient(ws, "Sin formular", QVariant(), QVariant(), QVariant(), QVariant());
    addIngredient(ws, "Soja", 384.0, 0.875, 440.0, 0.44);
    ws.vCostoHumeda = 0.18765;
    RecordingCanvas page;
    printing::imprimeImpresora(page, ws, sampleTexts(), kToday);

    // The cost of a unit of the mix, as every price: four decimals, beside the code.
    expectTextAt(page, "Costo unitario:", 95, 42, {8, false, false});
    expectRightAt(page, "$ 0.1877 por kg", 150, 42, 8, true);

    // No nutrients: the ingredient heading stands 10 below the nutrient heading's row.
    expectTextAt(page, "INGREDIENTES", 13, 77, {8, true, false});
    expectTextAt(page, "Maíz", 17, 82, {8, false, false});
    expectRightAt(page, "500.00", 90, 82, 8, false);
    expectRightAt(page, "12.50 %", 105, 82, 7, false);
    expectRightAt(page, "560.00", 125, 82, 8, false);
    expectRightAt(page, "56.00 %", 140, 82, 7, false);
    // Rows without an as-fed quantity take no line.
    EXPECT_EQ(page.find("Sin uso"), nullptr);
    EXPECT_EQ(page.find("Sin formular"), nullptr);
    expectTextAt(page, "Soja", 17, 87, {8, false, false});
    expectRightAt(page, "87.50 %", 105, 87, 7, false);

    // The total line between two rules, each figure in its own column.
    const auto& upper = page.lines.at(page.lines.size() - 2);
    const auto& lower = page.lines.last();
    EXPECT_EQ(upper.from, QPointF(13, 92));
    EXPECT_EQ(upper.to, QPointF(150, 92));
    expectTextAt(page, "Materia Seca", 17, 94, {8, true, false});
    expectTextAt(page, "88.40", 35, 94, {8, true, false});
    expectRightAt(page, "884.00", 90, 94, 8, true);
    expectRightAt(page, "99.98 %", 105, 94, 7, false);
    expectRightAt(page, "1000.00", 125, 94, 8, true);
    expectRightAt(page, "100.01 %", 140, 94, 7, false);
    // The lower rule runs under the text, not through its figures.
    const double textBottom =
        94 + QFontMetricsF(printing::canvasFont({8, true, false})).height() / 100;
    EXPECT_GT(lower.from.y(), textBottom);
    EXPECT_LT(lower.from.y(), textBottom + 2);
    EXPECT_EQ(lower.from.x(), 13);
    EXPECT_EQ(lower.to, QPointF(150, lower.from.y()));
}

TEST(FormulaPrintout, EmptyWorkspacePrintsHeadingsAndEmptyTotals) {
    workspace::Workspace ws;
    RecordingCanvas page;
    printing::imprimeImpresora(page, ws, printing::PrintoutTexts{}, kToday);
    EXPECT_NE(page.find("NUTRIENTES"), nullptr);
    EXPECT_NE(page.find("INGREDIENTES"), nullptr);
    EXPECT_NE(page.find("Materia Seca"), nullptr);
    EXPECT_NE(page.find(" %"), nullptr);
    EXPECT_EQ(page.pages, 1);
}

TEST(FormulaPrintout, LongFormulaBreaksPagesAt266WithoutRepeatingHeadings) {
    const workspace::Workspace ws = bigFormula(60, 40);
    RecordingCanvas page;
    printing::imprimeImpresora(page, ws, sampleTexts(), kToday);

    // Nutrients 1-40 fill page 1 from 67 to 262; the row after 262 would start at 267.
    expectTextAt(page, "Nutriente 1", 17, 67, {8, false, false}, 1);
    expectTextAt(page, "Nutriente 40", 17, 262, {8, false, false}, 1);
    // Page 2: the page header again, rows from 42, at 8 points, no column headings.
    expectTextAt(page, "Dosivant", 11, 5, {12, true, false}, 2);
    expectTextAt(page, "Iniciador pollos", 13, 33, {12, true, false}, 2);
    EXPECT_TRUE(hasBox(page, 10, 31, 150, 7, 3, 2));
    expectTextAt(page, "Nutriente 41", 17, 42, {8, false, false}, 2);
    expectTextAt(page, "Nutriente 60", 17, 137, {8, false, false}, 2);
    EXPECT_EQ(page.find("Mínimo", 2), nullptr);
    // Ingredients: heading at 152, rows from 157; 32 of 40 have a quantity.
    expectTextAt(page, "INGREDIENTES", 13, 152, {8, true, false}, 2);
    expectTextAt(page, "Ingrediente 1", 17, 157, {8, false, false}, 2);
    int ingredientRows = 0;
    for (const auto& t : page.texts)
        ingredientRows += t.text.startsWith("Ingrediente ");
    EXPECT_EQ(ingredientRows, 32);
    EXPECT_EQ(page.find("Ingrediente 5"), nullptr);
    // 157 + 5 * 21 = 262 is the last line of page 2; ingredient 28 (the 23rd printed) opens
    // page 3 at 42.
    expectTextAt(page, "Ingrediente 27", 17, 262, {8, false, false}, 2);
    expectTextAt(page, "Ingrediente 28", 17, 42, {8, false, false}, 3);
    EXPECT_EQ(page.find("Base Seca (kg)", 3), nullptr);
    EXPECT_EQ(page.pages, 3);
    EXPECT_NE(page.find("Materia Seca", 3), nullptr);

    // Nothing leaves the printable area of an A4 sheet in an office printer.
    for (int p = 1; p <= page.pages; ++p)
        for (const auto& t : page.onPage(p))
            EXPECT_LE(t.at.y(), 266) << t.text.toStdString();
    const QRectF extent = page.extent();
    EXPECT_GE(extent.left(), 0);
    EXPECT_GE(extent.top(), 0);
    EXPECT_LE(extent.right(), page.pageSize().width());
    EXPECT_LE(extent.bottom(), page.pageSize().height());
}

TEST(FormulaPrintout, RendersOnImagesAndIntoPdf) {
    const workspace::Workspace ws = bigFormula(60, 40);
    const printing::PageDrawing draw = [&](printing::PageCanvas& canvas) {
        printing::imprimeImpresora(canvas, ws, sampleTexts(), kToday);
    };
    const QList<QImage> pages = printing::renderPages(draw, 100);
    ASSERT_EQ(pages.size(), 3);
    const QImage& first = pages.first();
    const double dotsPerMm = 100 / 25.4;
    // Inked: some pixel of the 3 x 3 around the point is clearly not white.
    auto dark = [&](double xMm, double yMm) {
        const int cx = int(xMm * dotsPerMm), cy = int(yMm * dotsPerMm);
        for (int x = cx - 1; x <= cx + 1; ++x)
            for (int y = cy - 1; y <= cy + 1; ++y)
                if (first.valid(x, y) && qGray(first.pixel(x, y)) < 200)
                    return true;
        return false;
    };
    // The rule under the brand runs from 10 to 200 mm at 10 mm.
    EXPECT_TRUE(dark(20, 10));
    EXPECT_TRUE(dark(199, 10));
    EXPECT_FALSE(dark(8, 10));
    // The thick frame of the product name: its left edge at 10 mm between 31 and 38 mm.
    EXPECT_TRUE(dark(10, 34));
    EXPECT_TRUE(dark(160, 34));
    EXPECT_FALSE(dark(165, 34));
    // The page's bottom strip stays white.
    for (int y = int(275 * dotsPerMm); y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x)
            ASSERT_EQ(first.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;

    QTemporaryDir dir;
    const QString path = dir.filePath("formula.pdf");
    QString error;
    ASSERT_TRUE(printing::writePdf(path, "Fórmula", draw, &error)) << error.toStdString();
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(bytes.count("/Type /Page\n"), 3);
}

TEST(FormulaPrintout, PdfIntoAFolderThatCannotBeWrittenReportsInSpanish) {
    QString error;
    EXPECT_FALSE(printing::writePdf(
        "/proc/no/such/folder/formula.pdf", "x", [](printing::PageCanvas&) {}, &error));
    EXPECT_TRUE(error.startsWith("No se pudo")) << error.toStdString();
}

// A chosen goal's line: per kg and per tonne in the units its own reads in.
TEST(FormulaPrintout, GoalLinesPerKgAndPerTonneUnderTheLimits) {
    using printing::goalText;
    EXPECT_EQ(goalText({1, "Huella de carbono", "kg CO2e/kg", 0.51234}),
              "Huella de carbono: 0.5123 kg CO2e/kg · 512.34 kg CO2e/t");
    EXPECT_EQ(goalText({2, "Fósforo total", "%", 0.6612}),
              "Fósforo total: 6.6120 g/kg · 6.61 kg/t");
    EXPECT_EQ(goalText({3, "Cobre", "ppm", 12.5}), "Cobre: 12.5000 mg/kg · 12.50 g/t");
    EXPECT_EQ(goalText({4, "Energía", "Mcal", 3.2}), "Energía: 3.2000 Mcal/kg · 3200.00 Mcal/t");
    EXPECT_EQ(goalText({5, "Índice", "", 2.0}), "Índice: 2.0000 por kg · 2000.00 por t");
    EXPECT_EQ(goalText({6, "Huella de agua", "L/kg", std::nullopt}), "Huella de agua: -");

    workspace::Workspace ws;
    addNutrient(ws, "Calcio", 0.9, QVariant(), 1.0);
    printing::PrintoutTexts texts = sampleTexts();
    texts.objetivos = {{7, "Huella de carbono", "kg CO2e/kg", 0.5}, {2, "Fósforo total", "%", 0.6}};
    RecordingCanvas page;
    printing::imprimeImpresora(page, ws, texts, kToday);
    // Calcio's line at 67, then the goals' heading after a gap, a line each, then the ingredients.
    expectTextAt(page, "OBJETIVOS (por kg y por tonelada tal cual)", 13, 77, {8, true, false});
    EXPECT_TRUE(hasBox(page, 10, 75.5, 140, 5, 1));
    expectTextAt(page, "Huella de carbono: 0.5000 kg CO2e/kg · 500.00 kg CO2e/t", 17, 82,
                 {8, false, false});
    expectTextAt(page, "Fósforo total: 6.0000 g/kg · 6.00 kg/t", 17, 87, {8, false, false});
    expectTextAt(page, "INGREDIENTES", 13, 102, {8, true, false});
}

TEST(FormulaPrintout, LimitsHeldWithAProbabilityShowTheirMeanMarginAndAssumption) {
    workspace::Workspace ws;
    addNutrient(ws, "Calcio", 0.9, QVariant(), 1.0);
    printing::PrintoutTexts texts = sampleTexts();
    texts.probabilidades = {{ws.nutrients[0].id, "Calcio", 0.95, 1.0, 0.0608, 0.1, 12.5, 0}};
    RecordingCanvas page;
    printing::imprimeImpresora(page, ws, texts, kToday);
    // Calcio's line at 67, then the section as the ratios' would stand.
    expectTextAt(page, "LÍMITES CON PROBABILIDAD", 13, 77, {8, true, false});
    expectRightAt(page, "95 %", 90, 82, 8, false);
    expectRightAt(page, "0.10", 140, 82, 8, false);
    ASSERT_NE(page.find(optimizer::independenceNote()), nullptr);
    EXPECT_GT(page.find("INGREDIENTES")->at.y(), page.find(optimizer::independenceNote())->at.y());
}

TEST(FormulaPrintout, ARoundedFormulaPrintsItsConditionsAndAWeighingSheetByScale) {
    workspace::Workspace ws;
    ws.ingredientsDry = false;
    addNutrient(ws, "Proteína", 18, QVariant(), 18.2);
    addIngredient(ws, "Maíz", 600, 0.6, 680, 0.68);
    addIngredient(ws, "Soja", 200, 0.2, 225, 0.225);
    addIngredient(ws, "Sal", 3, 0.003, 3.4, 0.0034);
    addIngredient(ws, "Aceite", 80, 0.08, 91.6, 0.0916);
    addIngredient(ws, "Urea", 0, 0, 0, 0); // out of the mix: not weighed
    ws.ingredients[0].paso = 5;
    ws.ingredients[1].paso = 5;
    ws.ingredients[1].minimoSiSeUsa = 50;
    ws.ingredients[2].paso = 0.1;
    ws.ingredients[4].paso = 5;
    ws.maxIngredientes = 4;

    // Without rounding: the conditions, no sheet.
    EXPECT_TRUE(printing::weighingSheet(ws).empty());
    EXPECT_EQ(printing::weighingConditionLines(ws),
              (std::vector<std::pair<QString, QString>>{{"Máximo de ingredientes", "4"},
                                                        {"Mínimo si se usa: Soja", "50.00"}}));

    ws.redondear = true;
    const std::vector<printing::WeighingScale> sheet = printing::weighingSheet(ws);
    ASSERT_EQ(sheet.size(), 3u);
    EXPECT_EQ(sheet[0].paso, 5.0);
    ASSERT_EQ(sheet[0].lines.size(), 2u);
    EXPECT_EQ(sheet[0].lines[0].nombre, "Maíz");
    EXPECT_EQ(sheet[0].lines[0].pasos, 136);
    EXPECT_EQ(sheet[0].lines[1].pasos, 45);
    EXPECT_EQ(sheet[1].paso, 0.1);
    EXPECT_EQ(sheet[1].lines[0].pasos, 34);
    EXPECT_FALSE(sheet[2].paso);
    EXPECT_EQ(sheet[2].lines[0].nombre, "Aceite");
    EXPECT_FALSE(sheet[2].lines[0].pasos);

    RecordingCanvas page;
    printing::imprimeImpresora(page, ws, sampleTexts(), kToday);
    ASSERT_NE(page.find("CONDICIONES DE PESADA"), nullptr);
    ASSERT_NE(page.find("Redondear a la pesada"), nullptr);
    const auto* title = page.find("HOJA DE PESADA");
    ASSERT_NE(title, nullptr);
    const auto* scale = page.find("Balanza de paso 5 kg");
    const auto* micro = page.find("Balanza de paso 0.1 kg");
    const auto* rest = page.find("Sin paso de pesada");
    ASSERT_TRUE(scale && micro && rest);
    EXPECT_LT(title->at.y(), scale->at.y());
    EXPECT_LT(scale->at.y(), micro->at.y());
    EXPECT_LT(micro->at.y(), rest->at.y());
    const auto* steps = page.find("136 × 5 kg");
    ASSERT_NE(steps, nullptr);
    EXPECT_GT(steps->at.y(), scale->at.y());
    EXPECT_LT(steps->at.y(), micro->at.y());
    EXPECT_NE(page.find("34 × 0.1 kg"), nullptr);

    // A formula without conditions prints neither section.
    RecordingCanvas plain;
    workspace::Workspace without = ws;
    without.redondear = false;
    without.maxIngredientes.reset();
    without.ingredients[1].minimoSiSeUsa.reset();
    printing::imprimeImpresora(plain, without, sampleTexts(), kToday);
    EXPECT_EQ(plain.find("CONDICIONES DE PESADA"), nullptr);
    EXPECT_EQ(plain.find("HOJA DE PESADA"), nullptr);
}
