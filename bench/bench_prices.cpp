// A weekly price list of the whole catalogue: 5,000 lines (semicolons, decimal commas, cost and
// dry matter) against the big catalogue of 5,000 ingredients × 300 nutrients. Times reading the
// file, holding it against the catalogue (the preview), laying out the preview's grid, and
// applying every change with its history row in one transaction.

#include "big_catalogue.h"
#include "catalog/price_list.h"
#include "store/database.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kLines = 5000;

struct Setting {
    QTemporaryDir dir;
    std::unique_ptr<store::Database> db;
    QString lists[2];
};

// Two lists that reprice every ingredient, each against what the other left.
Setting& setting() {
    static Setting s = [] {
        Setting made;
        const QString path = made.dir.filePath(QStringLiteral("big.db"));
        bench::writeBigCatalogue(path);
        made.db = store::Database::openFile(path);
        for (int k = 0; k < 2; ++k) {
            QByteArray csv = "codigo;costo;materia_seca\n";
            for (int i = 1; i <= kLines; ++i) {
                const double cost = 0.05 + (i * 7919 % 1000) / 2000.0 + 0.01 * (k + 1);
                csv += "P" + QByteArray::number(i) + ';' +
                       QByteArray::number(cost, 'f', 4).replace('.', ',') + ';' +
                       QByteArray::number(85 + (i + k) % 10) + '\n';
            }
            made.lists[k] = made.dir.filePath(QStringLiteral("lista%1.csv").arg(k));
            QFile f(made.lists[k]);
            f.open(QIODevice::WriteOnly);
            f.write(csv);
        }
        return made;
    }();
    return s;
}

void BM_ReadPriceList(benchmark::State& state) {
    Setting& s = setting();
    QFile f(s.lists[0]);
    f.open(QIODevice::ReadOnly);
    const QByteArray content = f.readAll();
    for (auto _ : state) {
        const catalog::PriceListFile file = catalog::readPriceList(content, s.lists[0], u',');
        benchmark::DoNotOptimize(file.lines.data());
    }
}

void BM_PreviewPriceList(benchmark::State& state) {
    Setting& s = setting();
    for (auto _ : state) {
        const catalog::PriceListPreview p = catalog::previewPriceListFile(*s.db, s.lists[0], u',');
        benchmark::DoNotOptimize(p.rows.data());
    }
}

void BM_PriceListGrid(benchmark::State& state) {
    Setting& s = setting();
    const catalog::PriceListPreview p = catalog::previewPriceListFile(*s.db, s.lists[0], u',');
    for (auto _ : state) {
        const grid::GridContent g = catalog::priceListGrid(p);
        benchmark::DoNotOptimize(g.rows.data());
    }
}

void BM_ApplyPriceList(benchmark::State& state) {
    Setting& s = setting();
    int k = 0;
    int changed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const catalog::PriceListPreview p =
            catalog::previewPriceListFile(*s.db, s.lists[k++ % 2], u',');
        state.ResumeTiming();
        changed = catalog::applyPriceList(*s.db, p);
    }
    state.counters["changed"] = changed;
}

BENCHMARK(BM_ReadPriceList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewPriceList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PriceListGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyPriceList)->Unit(benchmark::kMillisecond);

} // namespace
