// Chance limits as the button runs them: the whole formulation of a stored formula (validation,
// the reachability screens, the composition and deviation queries, the engine, the analysis rows,
// the write-back and the result figures), once with every nutrient limit at 95 % and once for
// the same workspace with its probabilities taken away. The four sample diets (deviations of 2
// to 4 % of each value) and generated 200 x 60 formulas (10 to 25 %), the cases the engine's
// benchmark bench_chance times without the database around them. Run with
//   --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// and compare the medians pairwise.

#include "../tests/engine/chance_checks.h"
#include "support/stored_blend.h"

#include "app/messages.h"
#include "optimizer/formulation_run.h"
#include "store/database.h"
#include "store/sql_text.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

class Silent : public msg::MessageService {
public:
    int show(const QString&, int, const QString&) override { return msg::Ok; }
};

struct Case {
    std::unique_ptr<store::Database> db;
    workspace::Workspace chance, linear;
};

// Loads the formula twice: as stored (with its probabilities) and without them.
void loadBoth(Case& c, int formula) {
    c.chance.formulaId = formula;
    workspace::adoptLoaded(c.chance, workspace::loadFormula(*c.db, formula).ws, formula);
    c.linear = c.chance;
    for (workspace::FormulaNutrient& n : c.linear.nutrients)
        n.probabilidad = std::nullopt;
}

void everyNutrientAt95(store::Database& db, int formula) {
    db.exec("insert into formula_propiedad_probabilidad (id_formula,id_propiedad,probabilidad) "
            "select id_formula,id_propiedad,0.95 from formula_propiedad where id_formula=" +
            QString::number(formula));
}

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

std::vector<Case>& sampleDiets() {
    static std::vector<Case> cases = [] {
        const QString path = folder().filePath("sample.db");
        store::Database::createFile(path, true);
        auto db = store::Database::openFile(path);
        // Every composition value varies by 2 to 4 % of itself, spread over the pairs (at 3 to 7 %
        // the broiler starter cannot hold its energy minimum at 95 %).
        db->exec("insert into producto_propiedad_desvio (id_producto,id_propiedad,desvio) "
                 "select id_producto,id_propiedad,abs(valor)*(0.02+((id_producto*7919+"
                 "id_propiedad*104729)%1000)/50000.0) from producto_propiedad");
        const store::RecordSet ids = db->query("select id_formula from formulas order by codigo");
        std::vector<int> formulas;
        for (int r = 0; r < ids.count(); ++r)
            formulas.push_back(ids.valueAt(r, 0).toInt());
        for (int f : formulas)
            everyNutrientAt95(*db, f);
        std::vector<Case> out;
        for (int f : formulas) {
            Case c;
            c.db = store::Database::openFile(path);
            loadBoth(c, f);
            out.push_back(std::move(c));
        }
        return out;
    }();
    return cases;
}

std::vector<Case>& generated() {
    static std::vector<Case> cases = [] {
        lp::generator::Rng rng(200060);
        lp::generator::Shape shape;
        shape.ingredients = 200;
        shape.nutrients = 60;
        std::vector<Case> out;
        while (out.size() < 5) {
            const lp::Blend b = lp::generator::randomBlend(rng, shape);
            const lp::ChanceLimits limits = lp::generator::everyLimitAt(rng, b, 0.95, 0.1, 0.25);
            if (lp::solveChance(b, limits).status != lp::ChanceStatus::Optimum)
                continue;
            const QString path = folder().filePath(QString("gen%1.db").arg(out.size()));
            store::Database::createFile(path, false);
            Case c;
            c.db = store::Database::openFile(path);
            std::vector<int> ingredientIds, nutrientIds;
            const int f = bench::storeBlend(*c.db, b, &ingredientIds, &nutrientIds);
            store::Database::Transaction tx(*c.db);
            for (size_t n = 0; n < nutrientIds.size(); ++n)
                for (size_t i = 0; i < ingredientIds.size(); ++i)
                    c.db->exec("insert into producto_propiedad_desvio (id_producto,id_propiedad,"
                               "desvio) values (" +
                               QString::number(ingredientIds[i]) + "," +
                               QString::number(nutrientIds[n]) + "," +
                               sql::number(limits.desvio[n][i]) + ")");
            everyNutrientAt95(*c.db, f);
            tx.commit();
            loadBoth(c, f);
            out.push_back(std::move(c));
        }
        return out;
    }();
    return cases;
}

// One iteration formulates every case once.
void run(benchmark::State& state, std::vector<Case>& cases, bool withProbabilities) {
    Silent silent;
    msg::MessageService* previous = msg::setService(&silent);
    for (auto _ : state) {
        for (Case& c : cases) {
            workspace::Workspace& ws = withProbabilities ? c.chance : c.linear;
            const optimizer::FormulationRequest in{
                ws.batchQuantity, ws.ingredientsDry, ws.nutrientsDry, {}};
            const auto r = optimizer::formulate(ws, *c.db, in);
            if (r.outcome != optimizer::RunOutcome::Optimum)
                state.SkipWithError(("formula " + std::to_string(ws.formulaId) +
                                     " did not reach an optimum: " + std::to_string(int(r.outcome)))
                                        .c_str());
            benchmark::DoNotOptimize(ws.vCostoHumeda);
        }
    }
    state.counters["per_formula_us"] = benchmark::Counter(
        static_cast<double>(cases.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    msg::setService(previous);
}

void BM_SampleDietsLinear(benchmark::State& s) {
    run(s, sampleDiets(), false);
}
void BM_SampleDietsChance(benchmark::State& s) {
    run(s, sampleDiets(), true);
}
void BM_Generated200x60Linear(benchmark::State& s) {
    run(s, generated(), false);
}
void BM_Generated200x60Chance(benchmark::State& s) {
    run(s, generated(), true);
}

BENCHMARK(BM_SampleDietsLinear)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SampleDietsChance)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Generated200x60Linear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Generated200x60Chance)->Unit(benchmark::kMillisecond);

} // namespace
