// A whole formulation as the button runs it, from a database: validation, the reachability
// check, the composition queries, the tableau, the simplex, the sensitivity rows, the write-back
// and the result figures. GLPK's simplex is timed on the same constraints in the same run.

#include "../tests/engine/blend_generator.h"
#include "../tests/engine/glpk_reference.h"
#include "support/stored_blend.h"

#include "app/messages.h"
#include "optimizer/formulation_run.h"
#include "store/database.h"
#include "store/sql_text.h"
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
    workspace::Workspace ws;

    Fixture() {
        const QString path = dir.filePath("bench.db");
        store::Database::createFile(path, true);
        db = store::Database::openFile(path);
    }
    void load(int formula) {
        ws.formulaId = formula;
        workspace::adoptLoaded(ws, workspace::loadFormula(*db, ws.formulaId).ws, ws.formulaId);
    }
};

Fixture& sample() {
    static Fixture f = [] {
        Fixture x;
        x.load(x.db->query("select id_formula from formulas where codigo='POLLO-INI'")
                   .toInt("id_formula"));
        return x;
    }();
    return f;
}

Fixture& generated() {
    static Fixture f = [] {
        Fixture x;
        lp::generator::Rng rng(20261206);
        lp::generator::Shape shape;
        shape.ingredients = 300;
        shape.nutrients = 150;
        const lp::Blend b = lp::generator::randomBlend(rng, shape);
        x.load(bench::storeBlend(*x.db, b));
        return x;
    }();
    return f;
}

void runFormulation(benchmark::State& state, Fixture& f) {
    Silent silent;
    msg::MessageService* previous = msg::setService(&silent);
    optimizer::FormulationRequest in{1000, f.ws.ingredientsDry, f.ws.nutrientsDry, {}};
    for (auto _ : state) {
        const auto r = optimizer::formulate(f.ws, *f.db, in);
        if (r.outcome != optimizer::RunOutcome::Optimum)
            state.SkipWithError("the formulation did not reach an optimum");
        benchmark::DoNotOptimize(f.ws.vCostoHumeda);
    }
    msg::setService(previous);
}

void runGlpk(benchmark::State& state, Fixture& f) {
    f.ws.batchQuantity = 1000;
    const lp::Blend blend = optimizer::tableauBlend(f.ws, *f.db);
    for (auto _ : state) {
        const auto s = lp::reference::solveWithGlpk(blend);
        if (s.status != lp::reference::Status::Optimum)
            state.SkipWithError("GLPK found no optimum");
        benchmark::DoNotOptimize(s.cost);
    }
}

void BM_FormulationSampleBroiler(benchmark::State& s) {
    runFormulation(s, sample());
}
void BM_GlpkSampleBroiler(benchmark::State& s) {
    runGlpk(s, sample());
}
void BM_FormulationGenerated300x150(benchmark::State& s) {
    runFormulation(s, generated());
}
void BM_GlpkGenerated300x150(benchmark::State& s) {
    runGlpk(s, generated());
}

BENCHMARK(BM_FormulationSampleBroiler)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlpkSampleBroiler)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormulationGenerated300x150)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlpkGenerated300x150)->Unit(benchmark::kMillisecond);

} // namespace
