// Production plans: many formulas solved as one programme under shared stock. The engine
// (solvePlan: assembly and the bounded dual simplex, no diagnosis or costs alone) against CLP's
// dual simplex on the same programme (planProgramme), at formulas x ingredients x nutrients of
// 10x40x20, 30x60x30 and 60x100x40, with a third of the ingredients' stock short; and the whole
// `plan --json` command over a plan of 30 sample formulas (target: under 1 s).

#include "../tests/engine/blend_generator.h"
#include "cli/plan_command.h"
#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/plan.h"
#include "store/database.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>

#ifdef DOSIVANT_WITH_CLP
#include <ClpSimplex.hpp>
#endif

#include <map>

namespace {

lp::Plan makePlan(int formulas, int ingredients, int nutrients) {
    lp::generator::Rng rng(7000 + formulas);
    lp::Plan plan;
    for (int f = 0; f < formulas; ++f) {
        lp::generator::Shape s;
        s.ingredients = ingredients;
        s.nutrients = nutrients;
        s.secaIng = f % 3 == 0;
        s.secaNut = f % 2 == 0;
        s.ratios = 2;
        s.groups = 2;
        plan.formulas.push_back({lp::generator::randomBlend(rng, s), rng.uniform(1, 40) * 1000});
    }
    for (int id = 1; id <= ingredients; ++id)
        plan.stock.push_back({id, "Ingrediente " + std::to_string(id), std::nullopt, std::nullopt});
    const lp::PlanResult free = lp::solvePlan(plan, {false, false});
    for (std::size_t s = 0; s < plan.stock.size(); ++s)
        if (free.stock[s].usado > 0 && s % 3 == 0)
            plan.stock[s].disponible = free.stock[s].usado * 0.8;
    return plan;
}

const lp::Plan& planOf(const benchmark::State& state) {
    static std::map<int, lp::Plan> plans;
    const int f = static_cast<int>(state.range(0));
    auto it = plans.find(f);
    if (it == plans.end())
        it = plans
                 .emplace(f, makePlan(f, static_cast<int>(state.range(1)),
                                      static_cast<int>(state.range(2))))
                 .first;
    return it->second;
}

void Engine(benchmark::State& state) {
    const lp::Plan& plan = planOf(state);
    long pivots = 0;
    for (auto _ : state) {
        const lp::PlanResult r = lp::solvePlan(plan, {false, false});
        if (r.outcome != lp::PlanOutcome::Optimum)
            state.SkipWithError("no optimum");
        pivots = r.pivots;
    }
    state.counters["pivots"] = static_cast<double>(pivots);
}

#ifdef DOSIVANT_WITH_CLP
// The same bounded programme: A x + s = b with s in [lo, up] is b - up <= A x <= b - lo.
void Clp(benchmark::State& state) {
    const lp::Plan& plan = planOf(state);
    lp::BoundedLp p;
    if (!lp::planProgramme(plan, p)) {
        state.SkipWithError("no programme");
        return;
    }
    std::vector<int> start{0}, index;
    std::vector<double> value, rowLo(p.m), rowUp(p.m);
    for (int j = 0; j < p.n; ++j) {
        for (int i = 0; i < p.m; ++i)
            if (p.at(i, j) != 0) {
                index.push_back(i);
                value.push_back(p.at(i, j));
            }
        start.push_back(static_cast<int>(index.size()));
    }
    auto finite = [](double v) { return std::isinf(v) ? COIN_DBL_MAX : v; };
    for (int i = 0; i < p.m; ++i) {
        rowLo[i] = std::isinf(p.upper[p.n + i]) ? -COIN_DBL_MAX : p.b[i] - p.upper[p.n + i];
        rowUp[i] = p.b[i] - p.lower[p.n + i];
    }
    std::vector<double> colUp(p.upper.begin(), p.upper.begin() + p.n);
    for (double& u : colUp)
        u = finite(u);
    double iterations = 0;
    for (auto _ : state) {
        ClpSimplex model;
        model.setLogLevel(0);
        model.loadProblem(p.n, p.m, start.data(), index.data(), value.data(), p.lower.data(),
                          colUp.data(), p.cost.data(), rowLo.data(), rowUp.data());
        model.dual();
        if (model.status() != 0)
            state.SkipWithError("CLP found no optimum");
        iterations = model.numberIterations();
    }
    state.counters["pivots"] = iterations;
}
#endif

// The same plans with their short stock cut to a tenth: no mix, and the diagnosis that names the
// stock bounds that cannot hold together and the usage at which each would.
void Diagnosis(benchmark::State& state) {
    lp::Plan plan = planOf(state);
    for (lp::PlanStock& s : plan.stock)
        if (s.disponible)
            *s.disponible *= 0.1;
    std::size_t conflicts = 0;
    for (auto _ : state) {
        const lp::PlanResult r = lp::solvePlan(plan, {false, true});
        if (r.outcome != lp::PlanOutcome::Infeasible)
            state.SkipWithError("the plan has a mix");
        conflicts = r.conflicto.size();
    }
    state.counters["conflictos"] = static_cast<double>(conflicts);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({10, 40, 20})->Args({30, 60, 30})->Args({60, 100, 40});
    b->ArgNames({"formulas", "ingredientes", "nutrientes"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(Engine)->Apply(sizes);
BENCHMARK(Diagnosis)->Apply(sizes);
#ifdef DOSIVANT_WITH_CLP
BENCHMARK(Clp)->Apply(sizes);
#endif

// A plan of 30 formulas: the four sample formulas copied under new codes, maize and sorghum
// short, run as `plan --json` runs it (open, load and formulate each alone, the plan, print).
void PlanCommand(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("plan.db");
    store::Database::createFile(path, true);
    {
        auto db = store::Database::openFile(path);
        store::Database::Transaction tx(*db);
        const QString copies = "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM k "
                               "WHERE i<7) ";
        db->exec(copies + "INSERT INTO formulas (id_formula,codigo,producto,cantidad,version,"
                          "fecha_creacion,fecha_modificacion,tipoBase,tipoBaseNutrientes) SELECT "
                          "id_formula+4*i, codigo || '-' || i, producto, cantidad, version, "
                          "fecha_creacion, fecha_modificacion, tipoBase, tipoBaseNutrientes FROM "
                          "formulas, k WHERE id_formula<=4 AND id_formula+4*i<=30");
        for (const char* table : {"formula_producto (id_formula,id_producto,minimo,maximo,costo,"
                                  "materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,"
                                  "cantidad_seca) SELECT id_formula+4*i,id_producto,minimo,maximo,"
                                  "costo,materia_seca,porcentaje_humeda,porcentaje_seca,"
                                  "cantidad_humeda,cantidad_seca FROM formula_producto",
                                  "formula_propiedad (id_formula,id_propiedad,minimo,maximo,valor)"
                                  " SELECT id_formula+4*i,id_propiedad,minimo,maximo,valor FROM "
                                  "formula_propiedad"})
            db->exec(copies + "INSERT INTO " + table +
                     ", k WHERE id_formula<=4 AND id_formula+4*i<=30");
        db->exec("INSERT INTO plan_formula (id_plan,id_formula,cantidad) SELECT 1,id_formula,"
                 "5000 FROM formulas WHERE id_formula>4");
        db->exec("UPDATE plan_producto SET disponible=disponible*5");
        tx.commit();
    }
    cli::PlanOptions options;
    options.database = path;
    options.plan = "Semana de ejemplo";
    options.json = true;
    QString err;
    QTextStream errStream(&err);
    for (auto _ : state) {
        QString out;
        if (cli::runPlan(options, &out, errStream) != 0)
            state.SkipWithError("the plan did not solve");
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(PlanCommand)->Unit(benchmark::kMillisecond);

} // namespace
