// The least-cost engine against GLPK's and CLP's simplex on the same generated blends:
// ingredients x nutrients, a third of the nutrients with both limits, a fifth of the
// ingredients with a maximum. Each benchmark builds the problem and solves it. Run with
//   --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// and compare the medians pairwise. "Dense" and "Bounded" are the two paths of the engine on
// an assembled tableau, "Engine" what the program runs (assembleAndSolve: the path by size, and on
// the bounded one no assembled tableau); the counters give the pivots per blend (for CLP its
// iterations).

#include "../tests/engine/blend_generator.h"
#include "../tests/engine/glpk_reference.h"
#include "optimizer/engine/engine.h"

#include <benchmark/benchmark.h>

#ifdef DOSIVANT_WITH_CLP
#include <ClpSimplex.hpp>
#endif

#include <memory>
#include <vector>

namespace {

constexpr int kBlendsPerSize = 5;

// The same blends for every benchmark of a size, drawn once.
const std::vector<lp::Blend>& blends(int ingredients, int nutrients) {
    static std::vector<std::pair<std::pair<int, int>, std::vector<lp::Blend>>> cache;
    for (const auto& [size, list] : cache)
        if (size == std::pair{ingredients, nutrients})
            return list;
    lp::generator::Rng rng(static_cast<std::uint64_t>(ingredients) * 1000 + nutrients);
    lp::generator::Shape shape;
    shape.ingredients = ingredients;
    shape.nutrients = nutrients;
    std::vector<lp::Blend> list;
    for (int i = 0; i < kBlendsPerSize; ++i)
        list.push_back(lp::generator::randomBlend(rng, shape));
    cache.push_back({{ingredients, nutrients}, std::move(list)});
    return cache.back().second;
}

const std::vector<lp::Blend>& blendsOf(const benchmark::State& state) {
    return blends(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
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

void sizes(benchmark::internal::Benchmark* b) {
    for (auto [n, k] : {std::pair{10, 5},
                        {20, 15},
                        {40, 20},
                        {60, 40},
                        {100, 50},
                        {200, 100},
                        {300, 150},
                        {600, 200}})
        b->Args({n, k});
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(Engine)->Apply(sizes);
BENCHMARK(Dense)->Apply(sizes);
BENCHMARK(Bounded)->Apply(sizes);
BENCHMARK(Glpk)->Apply(sizes);
#ifdef DOSIVANT_WITH_CLP
BENCHMARK(ClpDual)->Apply(sizes);
#endif

} // namespace

BENCHMARK_MAIN();
