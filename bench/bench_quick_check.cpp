// The cost of SQLite's quick check of a file's pages and indexes on the large catalogue (5,000
// ingredients × 300 nutrients): it decides whether the check can run on every opening or only
// before the first write of a connection. Opening is timed alongside, read-only and for writing.

#include "big_catalogue.h"

#include "store/database.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QString& bigCatalogue() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath("grande.db");
        bench::writeBigCatalogue(p);
        return p;
    }();
    return path;
}

void BM_QuickCheck(benchmark::State& state) {
    auto db = store::Database::openFile(bigCatalogue(), store::Database::OpenMode::ReadOnly);
    for (auto _ : state) {
        store::RecordSet rs = db->query(QStringLiteral("PRAGMA quick_check"));
        if (rs.toString(QStringLiteral("quick_check")) != QStringLiteral("ok"))
            state.SkipWithError("the generated catalogue fails its check");
    }
}

void BM_OpenReadOnly(benchmark::State& state) {
    const QString& path = bigCatalogue();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            store::Database::openFile(path, store::Database::OpenMode::ReadOnly));
}

void BM_OpenForWriting(benchmark::State& state) {
    const QString& path = bigCatalogue();
    for (auto _ : state)
        benchmark::DoNotOptimize(store::Database::openFile(path));
}

// The first write of a connection pays for the check; later ones do not.
void BM_FirstWriteOfAConnection(benchmark::State& state) {
    const QString& path = bigCatalogue();
    for (auto _ : state) {
        state.PauseTiming();
        auto db = store::Database::openFile(path);
        state.ResumeTiming();
        db->exec(QStringLiteral("update propiedades set unidad='%' where id_propiedad=1"));
    }
}

BENCHMARK(BM_QuickCheck)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenReadOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenForWriting)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstWriteOfAConnection)->Unit(benchmark::kMillisecond);

} // namespace
