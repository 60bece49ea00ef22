// The least-cost engine against GLPK's and CLP's simplex on the same generated blends:
// ingredients x nutrients, a third of the nutrients with both limits, a fifth of the
// ingredients with a maximum. Each benchmark builds the problem and solves it. Run with
//   --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// and compare the medians pairwise. "Dense" and "Bounded" are the two paths of the engine on
// an assembled tableau, "Engine" what the program runs (assembleAndSolve: the path by size, and on
// the bounded one no assembled tableau); the counters give the pivots per blend (for CLP its
// iterations). The "...Ratios" benchmarks run the same sizes with 10 ratio rows and 5 group
// rows added to each blend. "Diagnosis" is the conflict diagnosis of infeasible blends of that
// kind (dry basis, 10 ratios and 5 groups, some limits pushed past the planted mix): the whole
// answer the window waits for, its engine runs and the limits of the conflict as counters.

#include "../tests/engine/blend_generator.h"
#include "../tests/engine/glpk_reference.h"
#include "optimizer/engine/engine.h"

#include <benchmark/benchmark.h>

#ifdef DOSIVANT_WITH_CLP
#include <ClpSimplex.hpp>
#endif

#include <memory>
#include <tuple>
#include <vector>

namespace {

constexpr int kBlendsPerSize = 5;

// One limit of each ratio and group, so that the blend gets exactly one row per ratio and group.
void keepOneSide(lp::Blend& b) {
    for (lp::Ratio& r : b.ratios)
        if (r.minimo)
            r.maximo.reset();
    for (lp::Group& g : b.groups)
        if (g.minimo)
            g.maximo.reset();
}

// The same blends for every benchmark of a size, drawn once; `ratios`: with 10 ratio rows and
// 5 group rows.
const std::vector<lp::Blend>& blends(int ingredients, int nutrients, bool ratios) {
    using Key = std::tuple<int, int, bool>;
    static std::vector<std::pair<Key, std::vector<lp::Blend>>> cache;
    for (const auto& [size, list] : cache)
        if (size == Key{ingredients, nutrients, ratios})
            return list;
    lp::generator::Rng rng(static_cast<std::uint64_t>(ingredients) * 1000 + nutrients);
    lp::generator::Shape shape;
    shape.ingredients = ingredients;
    shape.nutrients = nutrients;
    if (ratios) {
        shape.ratios = 10;
        shape.groups = 5;
    }
    std::vector<lp::Blend> list;
    for (int i = 0; i < kBlendsPerSize; ++i) {
        list.push_back(lp::generator::randomBlend(rng, shape));
        keepOneSide(list.back());
    }
    cache.push_back({{ingredients, nutrients, ratios}, std::move(list)});
    return cache.back().second;
}

const std::vector<lp::Blend>& blendsOf(const benchmark::State& state) {
    return blends(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                  state.range(2) != 0);
}

template <typename Solve> void engineRun(benchmark::State& state, Solve solve) {
    const auto& list = blendsOf(state);
    size_t i = 0;
    double pivots = 0, runs = 0;
    for (auto _ : state) {
        lp::Tableau t = lp::assemble(list[i++ % list.size()]);
        const lp::SolveResult r = solve(t);
        if (r.outcome != lp::Outcome::Optimum)
            state.SkipWithError("blend not solved to the optimum");
        pivots += static_cast<double>(r.bounded ? r.boundedPivots + r.phase2Pivots
                                                : r.phase1Pivots + r.phase2Pivots);
        ++runs;
        benchmark::DoNotOptimize(t.tabla.data());
    }
    state.counters["pivots"] = pivots / runs;
}

// What the program runs: the blend to its final tableau, by assembleAndSolve.
void Engine(benchmark::State& state) {
    const auto& list = blendsOf(state);
    size_t i = 0;
    double pivots = 0, runs = 0;
    for (auto _ : state) {
        const lp::SolvedBlend s = lp::assembleAndSolve(list[i++ % list.size()]);
        const lp::SolveResult& r = s.result;
        if (r.outcome != lp::Outcome::Optimum)
            state.SkipWithError("blend not solved to the optimum");
        pivots += static_cast<double>(r.bounded ? r.boundedPivots + r.phase2Pivots
                                                : r.phase1Pivots + r.phase2Pivots);
        ++runs;
        benchmark::DoNotOptimize(s.tableau.tabla.data());
    }
    state.counters["pivots"] = pivots / runs;
}

void Dense(benchmark::State& state) {
    engineRun(state, [](lp::Tableau& t) { return lp::solveDense(t); });
}

void Bounded(benchmark::State& state) {
    engineRun(state, [](lp::Tableau& t) { return lp::solveBoundedPath(t); });
}

void Glpk(benchmark::State& state) {
    const auto& list = blendsOf(state);
    size_t i = 0;
    for (auto _ : state) {
        lp::reference::GlpkBlend p(list[i++ % list.size()]);
        if (p.simplexFromScratch() != GLP_OPT)
            state.SkipWithError("GLPK found no optimum");
    }
}

#ifdef DOSIVANT_WITH_CLP
// The blend for CLP as for GLPK: limits of the shares as column bounds, one row per nutrient
// limit, one ranged row for the sum of shares; solved by CLP's dual simplex.
void buildClp(const lp::Blend& b, ClpSimplex& model) {
    const int n = static_cast<int>(b.ingredients.size());
    std::vector<std::vector<double>> rows;
    std::vector<double> rowLo, rowUp;
    const bool ratio = !b.secaIng && b.secaNut;
    for (size_t k = 0; k < b.nutrients.size(); ++k) {
        const lp::Nutrient& nut = b.nutrients[k];
        auto add = [&](double limit, bool minimum) {
            std::vector<double> c(n);
            for (int j = 0; j < n; ++j) {
                const double a = b.valor[k][j], dm = b.ingredients[j].materiaSeca / 100;
                c[j] = ratio ? (a - limit) * dm : b.secaIng ? a : a * dm;
            }
            rows.push_back(std::move(c));
            const double rhs = ratio ? 0 : limit;
            rowLo.push_back(minimum ? rhs : -COIN_DBL_MAX);
            rowUp.push_back(minimum ? COIN_DBL_MAX : rhs);
        };
        if (nut.minimo)
            add(*nut.minimo, true);
        if (nut.maximo)
            add(*nut.maximo, false);
    }
    for (const lp::Ratio& r : b.ratios) {
        const int num = lp::nutrientIndex(b, r.numerador), div = lp::nutrientIndex(b, r.divisor);
        for (const auto& [limit, minimum] : {std::pair{r.minimo, true}, {r.maximo, false}}) {
            if (!limit)
                continue;
            std::vector<double> c(n);
            for (int j = 0; j < n; ++j)
                c[j] = (b.valor[num][j] - *limit * b.valor[div][j]) *
                       (b.secaIng ? 1.0 : b.ingredients[j].materiaSeca / 100);
            rows.push_back(std::move(c));
            rowLo.push_back(minimum ? 0.0 : -COIN_DBL_MAX);
            rowUp.push_back(minimum ? COIN_DBL_MAX : 0.0);
        }
    }
    for (const lp::Group& g : b.groups) {
        if (!g.minimo && !g.maximo)
            continue;
        std::vector<double> c(n, 0.0);
        for (int j = 0; j < n; ++j)
            for (int id : g.ingredientIds)
                c[j] = id == b.ingredients[j].id ? 1.0 : c[j];
        rows.push_back(std::move(c));
        rowLo.push_back(g.minimo ? *g.minimo / b.cantidad : -COIN_DBL_MAX);
        rowUp.push_back(g.maximo ? *g.maximo / b.cantidad : COIN_DBL_MAX);
    }
    rows.emplace_back(n, 1.0);
    rowLo.push_back(0.99999999);
    rowUp.push_back(1.00000001);
    std::vector<int> start{0}, index;
    std::vector<double> value, lo(n), up(n), cost(n);
    for (int j = 0; j < n; ++j) {
        for (size_t r = 0; r < rows.size(); ++r)
            if (rows[r][j] != 0) {
                index.push_back(static_cast<int>(r));
                value.push_back(rows[r][j]);
            }
        start.push_back(static_cast<int>(index.size()));
        const lp::Ingredient& ing = b.ingredients[j];
        const bool fixed = ing.minimo && ing.maximo && *ing.minimo == *ing.maximo;
        const double widen = fixed ? 0.001 / b.cantidad : 0.0;
        lo[j] = ing.minimo ? std::max(0.0, *ing.minimo / b.cantidad - widen) : 0.0;
        up[j] = ing.maximo ? *ing.maximo / b.cantidad + widen : COIN_DBL_MAX;
        cost[j] = b.secaIng ? ing.costoSeca : ing.costoHumeda;
    }
    model.loadProblem(n, static_cast<int>(rows.size()), start.data(), index.data(), value.data(),
                      lo.data(), up.data(), cost.data(), rowLo.data(), rowUp.data());
}

void ClpDual(benchmark::State& state) {
    const auto& list = blendsOf(state);
    size_t i = 0;
    double pivots = 0, runs = 0;
    for (auto _ : state) {
        ClpSimplex model;
        model.setLogLevel(0);
        buildClp(list[i++ % list.size()], model);
        model.dual();
        if (model.status() != 0)
            state.SkipWithError("CLP found no optimum");
        pivots += model.numberIterations();
        ++runs;
    }
    state.counters["pivots"] = pivots / runs;
}
#endif

void sizeList(benchmark::internal::Benchmark* b, int ratios) {
    for (auto [n, k] : {std::pair{10, 5},
                        {20, 15},
                        {40, 20},
                        {60, 40},
                        {100, 50},
                        {200, 100},
                        {300, 150},
                        {600, 200}})
        b->Args({n, k, ratios});
    b->Unit(benchmark::kMicrosecond);
}

void sizes(benchmark::internal::Benchmark* b) {
    sizeList(b, 0);
}

void sizesWithRatios(benchmark::internal::Benchmark* b) {
    sizeList(b, 1);
}

// Infeasible blends for the diagnosis, each with its limits intact (ratios and groups may have
// both sides); only blends the checks before assembly let through.
const std::vector<lp::Blend>& infeasibleBlends(int ingredients, int nutrients) {
    static std::vector<std::pair<std::pair<int, int>, std::vector<lp::Blend>>> cache;
    for (const auto& [size, list] : cache)
        if (size == std::pair{ingredients, nutrients})
            return list;
    lp::generator::Rng rng(static_cast<std::uint64_t>(ingredients) * 1000 + nutrients);
    lp::generator::Shape shape;
    shape.ingredients = ingredients;
    shape.nutrients = nutrients;
    shape.secaIng = shape.secaNut = true;
    shape.ratios = 10;
    shape.groups = 5;
    shape.stretched = 0.1;
    shape.withMaximum = 0.5;
    shape.withMinimum = 0.2;
    std::vector<lp::Blend> list;
    while (list.size() < kBlendsPerSize) {
        lp::Blend b = lp::generator::randomBlend(rng, shape);
        if (lp::checkRatiosAndGroups(b).empty() && !lp::probe(b).feasible)
            list.push_back(std::move(b));
    }
    cache.push_back({{ingredients, nutrients}, std::move(list)});
    return cache.back().second;
}

void Diagnosis(benchmark::State& state) {
    const auto& list =
        infeasibleBlends(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    size_t i = 0;
    double runs = 0, limits = 0, diagnoses = 0;
    for (auto _ : state) {
        const lp::Diagnosis d = lp::diagnoseConflict(list[i++ % list.size()], [&](int, int) {
            ++runs;
            return true;
        });
        if (d.conflicto.empty())
            state.SkipWithError("no conflict found");
        limits += static_cast<double>(d.conflicto.size());
        ++diagnoses;
    }
    state.counters["runs"] = runs / diagnoses;
    state.counters["limits"] = limits / diagnoses;
}

BENCHMARK(Engine)->Apply(sizes);
BENCHMARK(Dense)->Apply(sizes);
BENCHMARK(Bounded)->Apply(sizes);
BENCHMARK(Glpk)->Apply(sizes);
#ifdef DOSIVANT_WITH_CLP
BENCHMARK(ClpDual)->Apply(sizes);
#endif

BENCHMARK(Engine)->Name("EngineRatios")->Apply(sizesWithRatios);
BENCHMARK(Dense)->Name("DenseRatios")->Apply(sizesWithRatios);
BENCHMARK(Bounded)->Name("BoundedRatios")->Apply(sizesWithRatios);
#ifdef DOSIVANT_WITH_CLP
BENCHMARK(ClpDual)->Name("ClpDualRatios")->Apply(sizesWithRatios);
#endif

BENCHMARK(Diagnosis)->Args({140, 30})->Args({200, 30})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
