// A weekly price list of the whole catalogue: 5,000 lines (semicolons, decimal commas, cost and
// dry matter) against the big catalogue of 5,000 ingredients × 300 nutrients. Times reading the
// file, holding it against the catalogue (the preview), laying out the preview's grid, and
// applying every change with its history row in one transaction. Then a list of 1,000,000 lines
// that repeat the sample catalogue's codes over and over, read and held against the sample
// catalogue, with the process's peak memory (run it alone to see its own).

#include "big_catalogue.h"
#include "catalog/price_list.h"
#include "store/database.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

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

// Every code of the sample catalogue, a million lines over.
void BM_PreviewRepeatedCodes(benchmark::State& state) {
    constexpr int kRepeatedLines = 1000000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("muestra.db"));
    store::Database::createFile(path, true);
    const std::unique_ptr<store::Database> db = store::Database::openFile(path);
    QStringList codes;
    db->forEachRow(QStringLiteral("select codigo from productos"), {},
                   [&](const store::Database::Row& row) { codes << row[0].toString().trimmed(); });
    const QString list = dir.filePath(QStringLiteral("repetida.csv"));
    {
        QByteArray csv = "codigo;costo;materia_seca\n";
        for (int i = 0; i < kRepeatedLines; ++i)
            csv += codes[i % codes.size()].toUtf8() + ';' +
                   QByteArray::number(0.1 + (i % 97) / 100.0, 'f', 3).replace('.', ',') + ";88\n";
        QFile f(list);
        f.open(QIODevice::WriteOnly);
        f.write(csv);
    }
    std::size_t conflicts = 0;
    for (auto _ : state) {
        const catalog::PriceListPreview p = catalog::previewPriceListFile(*db, list, u',');
        conflicts = p.conflicts.size();
        benchmark::DoNotOptimize(p.conflicts.data());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["lineas"] = kRepeatedLines;
    state.counters["conflictos"] = double(conflicts);
    state.counters["pico_MB"] = double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KB
}

BENCHMARK(BM_ReadPriceList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewPriceList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PriceListGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyPriceList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewRepeatedCodes)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
