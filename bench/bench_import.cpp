// Importing a big catalogue (5,000 ingredients x 300 nutrients: 1.5 million composition values)
// from a SQLite source, into an empty database and into one that already holds the same
// catalogue (every row refreshed). Reports the longest gap between two progress updates. The
// window runs the import on a worker thread; the last benchmark runs it so, with a timer on the
// starting thread standing in for the window's repaints, and reports the longest gap between two
// of its ticks: the longest the window goes without repainting or reading Esc.

#include "import/background_import.h"
#include "import/file_dsn.h"
#include "import/import_settings.h"
#include "import/importer.h"
#include "import/remote_source.h"
#include "store/database.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// DOSIVANT_BENCH_INGREDIENTS makes the catalogue smaller, for profiling.
const int kIngredients = qEnvironmentVariableIsSet("DOSIVANT_BENCH_INGREDIENTS")
                             ? qEnvironmentVariableIntValue("DOSIVANT_BENCH_INGREDIENTS")
                             : 5000;
constexpr int kNutrients = 300;

// The generated catalogue, written with set statements (a row at a time would take longer than
// the import itself).
void fillCatalogue(store::Database& db) {
    store::Database::Transaction tx(db);
    db.exec(QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<%1) "
                "INSERT INTO productos (id_producto,codigo,nombre,unidad,costo,materia_seca) "
                "SELECT i, substr('                    ' || 'G' || i, -20), 'Ingrediente ' || i, "
                "'Kg', i % 97 + 0.25, 80 + i % 20 FROM n")
                .arg(kIngredients));
    db.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE "
                           "i<%1) INSERT INTO propiedades (id_propiedad,nombre,unidad) "
                           "SELECT i, 'Nutriente ' || i, '%' FROM n")
                .arg(kNutrients));
    db.exec(QStringLiteral("INSERT INTO producto_propiedad (id_producto,id_propiedad,valor) "
                           "SELECT p.id_producto, n.id_propiedad, "
                           "((p.id_producto * 31 + n.id_propiedad * 17) % 1000) / 8.0 "
                           "FROM productos p, propiedades n"));
    tx.commit();
}

struct Files {
    QTemporaryDir dir;
    QString source = dir.filePath(QStringLiteral("remoto.db"));
    QString empty = dir.filePath(QStringLiteral("vacia.db"));
    QString full = dir.filePath(QStringLiteral("llena.db"));
    Files() {
        store::Database::createFile(source, false);
        fillCatalogue(*store::Database::openFile(source));
        store::Database::createFile(empty, false);
        QFile::copy(source, full);
    }
};

Files& files() {
    static Files f;
    return f;
}

void runImport(benchmark::State& state, const QString& startingPoint) {
    double longestGapMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString target = files().dir.filePath(QStringLiteral("trabajo.db"));
        QFile::remove(target);
        QFile::copy(startingPoint, target);
        auto db = store::Database::openFile(target);
        state.ResumeTiming();

        auto source = import::RemoteSource::openFile(files().source);
        QElapsedTimer sinceUpdate;
        sinceUpdate.start();
        import::ImportCallbacks cb;
        if (qEnvironmentVariableIsSet("DOSIVANT_BENCH_BATCH"))
            cb.batchRows = qEnvironmentVariableIntValue("DOSIVANT_BENCH_BATCH");
        cb.progress = [&](const QString&, int, int) {
            longestGapMs = std::max(longestGapMs, double(sinceUpdate.nsecsElapsed()) / 1e6);
            sinceUpdate.restart();
        };
        const auto result = import::runImport(*db, *source, cb);
        if (result.outcome != import::ImportOutcome::Finished)
            state.SkipWithError(result.failure.toUtf8().constData());
        benchmark::DoNotOptimize(result);
    }
    state.counters["longest_gap_ms"] = longestGapMs;
}

void BM_ImportIntoEmptyDatabase(benchmark::State& state) {
    runImport(state, files().empty);
}
BENCHMARK(BM_ImportIntoEmptyDatabase)->Unit(benchmark::kSecond)->Iterations(1);

void BM_ImportIntoFullDatabase(benchmark::State& state) {
    runImport(state, files().full);
}
BENCHMARK(BM_ImportIntoFullDatabase)->Unit(benchmark::kSecond)->Iterations(1);

// Into an empty database, on a worker, with the starting thread's event loop measured.
void BM_ImportOnWorkerThread(benchmark::State& state) {
    double longestProgressGapMs = 0, longestLoopGapMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString target = files().dir.filePath(QStringLiteral("trabajo.db"));
        QFile::remove(target);
        QFile::copy(files().empty, target);
        const QString dsn = files().dir.filePath(QStringLiteral("origen.dsn"));
        import::writeDsn(dsn, files().dir.path(), files().source);
        state.ResumeTiming();

        import::BackgroundImport job(target, import::remoteConnectionText(dsn, QString()));
        QElapsedTimer sinceUpdate, sinceTick;
        sinceUpdate.start();
        sinceTick.start();
        QObject::connect(&job, &import::BackgroundImport::progress, &job, [&] {
            longestProgressGapMs =
                std::max(longestProgressGapMs, double(sinceUpdate.nsecsElapsed()) / 1e6);
            sinceUpdate.restart();
        });
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
            longestLoopGapMs = std::max(longestLoopGapMs, double(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        QEventLoop loop;
        QObject::connect(&job, &import::BackgroundImport::finished, &loop, &QEventLoop::quit);
        tick.start(10);
        job.start();
        loop.exec();
        if (job.result().outcome != import::ImportOutcome::Finished)
            state.SkipWithError(job.result().failure.toUtf8().constData());
    }
    state.counters["longest_gap_ms"] = longestProgressGapMs;
    state.counters["longest_event_loop_gap_ms"] = longestLoopGapMs;
}
BENCHMARK(BM_ImportOnWorkerThread)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
