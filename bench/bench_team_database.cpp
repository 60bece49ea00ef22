// The team database against the file: the same work on a SQLite file and on a PostgreSQL server
// that this program starts for itself (tests/support/test_server.h, Unix socket). Opening the
// sample broiler formula and formulating it, and opening the ingredient list of a catalogue of
// 5,000 ingredients × 300 nutrients (copied onto the server with copy-database's own code).

#include "big_catalogue.h"

#include "app/messages.h"
#include "catalog/ingredient_search.h"
#include "optimizer/formulation_run.h"
#include "store/database.h"
#include "store/database_copy.h"
#include "support/test_server.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class Silent : public msg::MessageService {
public:
    int show(const QString&, int, const QString&) override { return msg::Ok; }
};

struct Pair {
    QTemporaryDir dir;
    std::unique_ptr<store::Database> file, server;
};

Pair& sample() {
    static Pair p = [] {
        Pair x;
        const QString path = x.dir.filePath("muestra.db");
        store::Database::createFile(path, true);
        const QString url = TestServer::instance().createDatabase();
        store::copyDatabase(path, url);
        x.file = store::Database::openFile(path);
        x.server = store::Database::openFile(url);
        return x;
    }();
    return p;
}

Pair& bigCatalogue() {
    static Pair p = [] {
        Pair x;
        const QString path = x.dir.filePath("grande.db");
        bench::writeBigCatalogue(path);
        const QString url = TestServer::instance().createDatabase();
        store::copyDatabase(path, url);
        x.file = store::Database::openFile(path);
        x.server = store::Database::openFile(url);
        return x;
    }();
    return p;
}

void openAndFormulate(benchmark::State& state, store::Database& db) {
    Silent silent;
    msg::MessageService* previous = msg::setService(&silent);
    const int formula =
        db.query("select id_formula from formulas where codigo='POLLO-INI'").toInt("id_formula");
    for (auto _ : state) {
        workspace::Workspace ws;
        ws.formulaId = formula;
        workspace::LoadedFormula loaded = workspace::loadFormula(db, ws.formulaId);
        workspace::adoptLoaded(ws, std::move(loaded.ws), ws.formulaId);
        if (!loaded.header.found)
            state.SkipWithError("the formula did not load");
        optimizer::FormulationRequest in{1000, ws.ingredientsDry, ws.nutrientsDry, {}};
        if (optimizer::formulate(ws, db, in).outcome != optimizer::RunOutcome::Optimum)
            state.SkipWithError("the formulation did not reach an optimum");
        benchmark::DoNotOptimize(ws.vCostoHumeda);
    }
    msg::setService(previous);
}

void ingredientList(benchmark::State& state, store::Database& db) {
    for (auto _ : state) {
        store::RecordSet rs = db.query(catalog::kIngredientListSql);
        grid::GridContent grid = catalog::ingredientGrid(rs);
        benchmark::DoNotOptimize(grid.rows.data());
        state.counters["rows"] = rs.count();
    }
}

void BM_SampleBroilerOpenAndFormulate_File(benchmark::State& s) {
    openAndFormulate(s, *sample().file);
}
void BM_SampleBroilerOpenAndFormulate_Server(benchmark::State& s) {
    openAndFormulate(s, *sample().server);
}
void BM_IngredientList5000x300_File(benchmark::State& s) {
    ingredientList(s, *bigCatalogue().file);
}
void BM_IngredientList5000x300_Server(benchmark::State& s) {
    ingredientList(s, *bigCatalogue().server);
}

BENCHMARK(BM_SampleBroilerOpenAndFormulate_File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleBroilerOpenAndFormulate_Server)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IngredientList5000x300_File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IngredientList5000x300_Server)->Unit(benchmark::kMillisecond);

} // namespace
