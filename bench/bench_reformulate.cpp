// Re-formulating a book of 1,000 stored formulas after a price rise, as a script runs it:
// `reformulate --json` (the whole command: open, choose, load, formulate, print), and the same
// with `--save` (every formula saved as a new version in one transaction). Targets: 2 s and 4 s.

#include "cli/reformulate_command.h"
#include "optimizer/sample_formulas.h"
#include "store/database.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>

namespace {

constexpr int kFormulas = 1000;

// The four sample diets, formulated, copied under new codes up to 1,000 formulas of their size
// (10 to 19 ingredients, 9 to 12 nutrient limits each); then maize and soybean meal 30 % dearer.
QString makeBook(const QTemporaryDir& dir) {
    const QString path = dir.filePath("libro.db");
    store::Database::createFile(path, true);
    auto db = store::Database::openFile(path);
    optimizer::formulateSampleFormulas(*db);
    store::Database::Transaction tx(*db);
    const QString copies = QString("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k "
                                   "WHERE i<%1) ")
                               .arg(kFormulas / 4 - 1);
    db->exec(copies + "INSERT INTO formulas (id_formula,codigo,producto,cantidad,version,"
                      "fecha_creacion,fecha_modificacion,tipoBase,tipoBaseNutrientes) SELECT "
                      "id_formula+4*i, codigo || '-' || i, producto, cantidad, version, "
                      "fecha_creacion, fecha_modificacion, tipoBase, tipoBaseNutrientes FROM "
                      "formulas, k WHERE id_formula<=4");
    db->exec(copies + "INSERT INTO formula_producto (id_formula,id_producto,minimo,maximo,costo,"
                      "materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,"
                      "cantidad_seca) SELECT id_formula+4*i,id_producto,minimo,maximo,costo,"
                      "materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,"
                      "cantidad_seca FROM formula_producto, k WHERE id_formula<=4");
    db->exec(copies + "INSERT INTO formula_propiedad (id_formula,id_propiedad,minimo,maximo,"
                      "valor) SELECT id_formula+4*i,id_propiedad,minimo,maximo,valor FROM "
                      "formula_propiedad, k WHERE id_formula<=4");
    db->exec("update productos set costo=costo*1.3 where trim(codigo) in "
             "('MAIZ','SOJA44','SOJA48')");
    tx.commit();
    return path;
}

void run(benchmark::State& state, bool save) {
    QTemporaryDir dir;
    const QString book = makeBook(dir);
    const QString work = dir.filePath("trabajo.db");
    QFile::copy(book, work);
    int lines = 0;
    for (auto _ : state) {
        if (save) { // each run saves into a book that has no new versions yet
            state.PauseTiming();
            QFile::remove(work);
            QFile::copy(book, work);
            state.ResumeTiming();
        }
        QString out, err;
        QTextStream o(&out), e(&err);
        const int status = cli::runReformulate({work, {}, save, true}, o, e);
        o.flush();
        if (status != 0)
            state.SkipWithError(err.toUtf8().constData());
        lines = int(out.count(u'\n'));
    }
    state.counters["formulas"] = lines;
}

void BM_ReformulateJson(benchmark::State& state) {
    run(state, false);
}

void BM_ReformulateSaveJson(benchmark::State& state) {
    run(state, true);
}

} // namespace

BENCHMARK(BM_ReformulateJson)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ReformulateSaveJson)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
