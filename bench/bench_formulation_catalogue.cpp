// Formulation and loading against the size of the catalogue: a 25 × 20 formula on a catalogue of
// 5,000 ingredients × 300 nutrients should cost what the formula costs, not what the catalogue
// holds. The sample diet is measured alongside as the everyday case.

#include "big_catalogue.h"

#include "app/messages.h"
#include "optimizer/formulation_run.h"
#include "store/database.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class Silent : public msg::MessageService {
public:
    int show(const QString&, int, const QString&) override { return msg::Ok; }
};

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<store::Database> db;
    int formula = 0;
};

Fixture& bigCatalogue() {
    static Fixture f = [] {
        Fixture x;
        const QString path = x.dir.filePath("grande.db");
        x.formula = bench::writeBigCatalogue(path);
        x.db = store::Database::openFile(path);
        return x;
    }();
    return f;
}

Fixture& sampleDiet() {
    static Fixture f = [] {
        Fixture x;
        const QString path = x.dir.filePath("muestra.db");
        store::Database::createFile(path, true);
        x.db = store::Database::openFile(path);
        x.formula = x.db->query("select id_formula from formulas where codigo='POLLO-INI'")
                        .toInt("id_formula");
        return x;
    }();
    return f;
}

void load(benchmark::State& state, Fixture& f) {
    Silent silent;
    msg::MessageService* previous = msg::setService(&silent);
    for (auto _ : state) {
        workspace::Workspace ws;
        ws.formulaId = f.formula;
        workspace::LoadedFormula loaded = workspace::loadFormula(*f.db, ws.formulaId);
        const workspace::FormulaHeader header = loaded.header;
        workspace::adoptLoaded(ws, std::move(loaded.ws), ws.formulaId);
        if (!header.found || ws.ingredients.empty())
            state.SkipWithError("the formula did not load");
        benchmark::DoNotOptimize(ws.vMateriaSeca);
    }
    msg::setService(previous);
}

void formulate(benchmark::State& state, Fixture& f) {
    Silent silent;
    msg::MessageService* previous = msg::setService(&silent);
    workspace::Workspace ws;
    ws.formulaId = f.formula;
    workspace::adoptLoaded(ws, workspace::loadFormula(*f.db, ws.formulaId).ws, ws.formulaId);
    optimizer::FormulationRequest in{1000, ws.ingredientsDry, ws.nutrientsDry, {}};
    for (auto _ : state) {
        const auto r = optimizer::formulate(ws, *f.db, in);
        if (r.outcome != optimizer::RunOutcome::Optimum)
            state.SkipWithError("the formulation did not reach an optimum");
        benchmark::DoNotOptimize(ws.vCostoHumeda);
    }
    msg::setService(previous);
}

void BM_LoadBigCatalogue25x20(benchmark::State& s) {
    load(s, bigCatalogue());
}
void BM_FormulationBigCatalogue25x20(benchmark::State& s) {
    formulate(s, bigCatalogue());
}
void BM_LoadSampleBroiler(benchmark::State& s) {
    load(s, sampleDiet());
}
void BM_FormulationSampleBroiler(benchmark::State& s) {
    formulate(s, sampleDiet());
}

BENCHMARK(BM_LoadBigCatalogue25x20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormulationBigCatalogue25x20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSampleBroiler)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormulationSampleBroiler)->Unit(benchmark::kMillisecond);

} // namespace
