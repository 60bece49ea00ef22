// Rendering a 5,000-row ingredient report into a PDF file, the largest report users print.
#include "printing/catalogue_report.h"
#include "printing/page_canvas.h"
#include "printing/page_output.h"
#include "store/record_set.h"

#include <QDate>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

store::RecordSet ingredients(int count) {
    store::RecordSet rs;
    rs.appendField("id_producto", store::FieldType::Integer32);
    rs.appendField("codigo", store::FieldType::Char, 20);
    rs.appendField("nombre", store::FieldType::Char, 100);
    rs.appendField("unidad", store::FieldType::Char, 10);
    rs.appendField("costo", store::FieldType::Double, 0, true);
    rs.appendField("materia_seca", store::FieldType::Double, 0, true);
    for (int i = 1; i <= count; ++i)
        rs.appendRow({i, QStringLiteral("%1").arg(i, 20),
                      QStringLiteral("Ingrediente de prueba número %1").arg(i), "kg", i * 0.37,
                      60.0 + i % 35});
    return rs;
}

void IngredientReportToPdf(benchmark::State& state) {
    const store::RecordSet rows = ingredients(int(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath("ingredientes.pdf");
    for (auto _ : state) {
        const bool ok = printing::writePdf(path, "Ingredientes", [&](printing::PageCanvas& c) {
            printing::renderReport(c, printing::repIngredientes(), rows, QDate(2026, 12, 6));
        });
        if (!ok)
            state.SkipWithError("the PDF was not written");
    }
    state.counters["pages"] = printing::reportPageCount(
        int(state.range(0)),
        printing::standardPageLayout().paintRect(QPageLayout::Millimeter).size());
}
BENCHMARK(IngredientReportToPdf)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
