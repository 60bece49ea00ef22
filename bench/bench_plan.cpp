// Production plans: many formulas solved as one programme under shared stock. The engine
// (solvePlan: assembly and the bounded dual simplex, no diagnosis or costs alone) against CLP's
// dual simplex on the same programme (planProgramme), at formulas x ingredients x nutrients of
// 10x40x20, 30x60x30 and 60x100x40, with a third of the ingredients' stock short; the whole
// `plan --json` command over a plan of 30 sample formulas (target: under 1 s); and the whole
// command over generated stored plans of 30x60x30 and 60x100x40 beside the engine's solve of the
// same programme (target: the command within twice the solve).

#include "../tests/engine/blend_generator.h"
#include "cli/plan_command.h"
#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/plan.h"
#include "store/database.h"
#include "store/sql_text.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>

#ifdef DOSIVANT_WITH_CLP
#include <ClpSimplex.hpp>
#endif

#include <cmath>
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

// A stored plan on one catalogue: every formula takes the whole catalogue and limits each
// nutrient around the content of a mix planted for it (as the engine's generator does), so each
// formula is feasible alone; a third of the ingredients the plan uses without stock limits are
// then cut to 80 % of that use. Written to `path`, and returned as the engine's programme.
lp::Plan writeStoredPlan(const QString& path, int formulas, int ingredients, int nutrients) {
    lp::generator::Rng rng(9000 + formulas);
    lp::generator::Shape shape;
    shape.ingredients = ingredients;
    shape.nutrients = nutrients;
    const lp::Blend catalogue = lp::generator::randomBlend(rng, shape);
    lp::Plan plan;
    for (int f = 0; f < formulas; ++f) {
        lp::Blend b = catalogue;
        b.secaIng = f % 3 == 0;
        b.secaNut = f % 2 == 0;
        b.cantidad = 1000;
        std::vector<double> planted(size_t(ingredients), 0.0);
        double total = 0;
        for (double& x : planted)
            total += x = rng.chance(0.5) ? -std::log(rng.uniform(1e-9, 1)) : 0.0;
        if (total == 0) {
            planted[0] = 1;
            total = 1;
        }
        for (size_t k = 0; k < b.nutrients.size(); ++k) {
            double content = 0, dry = 0;
            for (size_t j = 0; j < planted.size(); ++j) {
                const double share = planted[j] / total, dm = b.ingredients[j].materiaSeca / 100;
                content += b.valor[k][j] * (b.secaIng ? 1.0 : dm) * share;
                dry += dm * share;
            }
            if (!b.secaIng && b.secaNut)
                content /= dry;
            lp::Nutrient& n = b.nutrients[k];
            n.minimo.reset();
            n.maximo.reset();
            if (content <= 0) {
                n.maximo = 1000.0;
                continue;
            }
            const double u = rng.uniform(0, 1);
            if (u < 2.0 / 3)
                n.minimo = content * rng.uniform(0.7, 0.99);
            if (u >= 1.0 / 3)
                n.maximo = content * rng.uniform(1.01, 1.4);
        }
        for (lp::Ingredient& i : b.ingredients)
            i.minimo = i.maximo = std::nullopt;
        plan.formulas.push_back({b, 500.0 * rng.integer(1, 40)});
    }
    for (const lp::Ingredient& i : catalogue.ingredients)
        plan.stock.push_back({i.id, i.nombre, std::nullopt, std::nullopt});
    const lp::PlanResult free = lp::solvePlan(plan, {false, false});
    if (free.outcome == lp::PlanOutcome::Optimum)
        for (std::size_t s = 0; s < plan.stock.size(); ++s)
            if (free.stock[s].usado > 0 && s % 3 == 0)
                plan.stock[s].disponible = free.stock[s].usado * 0.8;

    store::Database::createFile(path, false);
    auto db = store::Database::openFile(path);
    store::Database::Transaction tx(*db);
    const auto limit = [](const std::optional<double>& v) {
        return v ? sql::number(*v) : QStringLiteral("Null");
    };
    for (const lp::Ingredient& i : catalogue.ingredients)
        db->exec(QStringLiteral("insert into productos (id_producto,codigo,nombre,unidad,costo,"
                                "materia_seca) values (%1,%2,%3,'Kg',%4,%5)")
                     .arg(i.id)
                     .arg(sql::codeText(QStringLiteral("P%1").arg(i.id)),
                          sql::text(QString::fromStdString(i.nombre)), sql::number(i.costoHumeda),
                          sql::number(i.materiaSeca)));
    for (std::size_t k = 0; k < catalogue.nutrients.size(); ++k) {
        const lp::Nutrient& n = catalogue.nutrients[k];
        db->exec(QStringLiteral("insert into propiedades (id_propiedad,nombre,unidad) values "
                                "(%1,%2,'%')")
                     .arg(n.id)
                     .arg(sql::text(QString::fromStdString(n.nombre))));
        for (std::size_t j = 0; j < catalogue.ingredients.size(); ++j)
            if (catalogue.valor[k][j] != 0)
                db->exec(QStringLiteral("insert into producto_propiedad (id_producto,id_propiedad,"
                                        "valor) values (%1,%2,%3)")
                             .arg(catalogue.ingredients[j].id)
                             .arg(n.id)
                             .arg(sql::number(catalogue.valor[k][j])));
    }
    db->exec(QStringLiteral("insert into planes (id_plan,nombre) values (1,'Generado')"));
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const lp::Blend& b = plan.formulas[f].blend;
        const QString id = QString::number(f + 1);
        db->exec(QStringLiteral("insert into formulas (id_formula,codigo,producto,cantidad,version,"
                                "fecha_creacion,fecha_modificacion,tipoBase,tipoBaseNutrientes) "
                                "values (%1,'F%1','Formula %1',1000,0,Null,Null,%2,%3)")
                     .arg(id)
                     .arg(b.secaIng ? 0 : 1)
                     .arg(b.secaNut ? 0 : 1));
        for (const lp::Ingredient& i : b.ingredients)
            db->exec(QStringLiteral("insert into formula_producto (id_formula,id_producto,minimo,"
                                    "maximo,costo,materia_seca,porcentaje_humeda,porcentaje_seca,"
                                    "cantidad_humeda,cantidad_seca) values (%1,%2,Null,Null,%3,"
                                    "%4,0,0,0,0)")
                         .arg(id)
                         .arg(i.id)
                         .arg(sql::number(i.costoHumeda), sql::number(i.materiaSeca)));
        for (const lp::Nutrient& n : b.nutrients)
            db->exec(QStringLiteral("insert into formula_propiedad (id_formula,id_propiedad,minimo,"
                                    "maximo,valor) values (%1,%2,%3,%4,Null)")
                         .arg(id)
                         .arg(n.id)
                         .arg(limit(n.minimo), limit(n.maximo)));
        db->exec(QStringLiteral("insert into plan_formula (id_plan,id_formula,cantidad) values "
                                "(1,%1,%2)")
                     .arg(id, sql::number(plan.formulas[f].cantidad)));
    }
    for (const lp::PlanStock& s : plan.stock)
        db->exec(QStringLiteral("insert into plan_producto (id_plan,id_producto,disponible,"
                                "minimo_uso) values (1,%1,%2,Null)")
                     .arg(s.id)
                     .arg(limit(s.disponible)));
    tx.commit();
    return plan;
}

struct GeneratedPlan {
    QTemporaryDir dir;
    lp::Plan plan;
};

const GeneratedPlan& generatedPlan(const benchmark::State& state) {
    static std::map<int, std::unique_ptr<GeneratedPlan>> plans;
    const int f = static_cast<int>(state.range(0));
    std::unique_ptr<GeneratedPlan>& p = plans[f];
    if (!p) {
        p = std::make_unique<GeneratedPlan>();
        p->plan = writeStoredPlan(p->dir.filePath("plan.db"), f, static_cast<int>(state.range(1)),
                                  static_cast<int>(state.range(2)));
    }
    return *p;
}

// The whole `plan --json` command over the generated stored plan.
void StoredPlanCommand(benchmark::State& state) {
    const GeneratedPlan& generated = generatedPlan(state);
    cli::PlanOptions options;
    options.database = generated.dir.filePath("plan.db");
    options.plan = "Generado";
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

// The engine's solve of the same programme, as the command runs it (with the diagnosis on).
void StoredPlanSolve(benchmark::State& state) {
    const GeneratedPlan& generated = generatedPlan(state);
    for (auto _ : state) {
        const lp::PlanResult r = lp::solvePlan(generated.plan, {false, true});
        if (r.outcome != lp::PlanOutcome::Optimum)
            state.SkipWithError("no optimum");
        benchmark::DoNotOptimize(r.costoTotal);
    }
}

void storedSizes(benchmark::internal::Benchmark* b) {
    b->Args({30, 60, 30})->Args({60, 100, 40});
    b->ArgNames({"formulas", "ingredientes", "nutrientes"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(StoredPlanSolve)->Apply(storedSizes);
BENCHMARK(StoredPlanCommand)->Apply(storedSizes);

} // namespace
