// The least-cost engine against GLPK's simplex on the same generated blends:
// ingredients x nutrients, a third of the nutrients with both limits, a fifth of the
// ingredients with a maximum. Run with --benchmark_repetitions=5
// --benchmark_report_aggregates_only=true and compare the medians pairwise.

#include "../tests/engine/blend_generator.h"
#include "../tests/engine/glpk_reference.h"
#include "optimizer/engine/engine.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int kBlendsPerSize = 8;

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

void EngineAssembleAndSolve(benchmark::State& state) {
    const auto& list = blends(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    size_t i = 0;
    for (auto _ : state) {
        lp::Tableau t = lp::assemble(list[i++ % list.size()]);
        const lp::SolveResult r = lp::solve(t);
        if (r.outcome != lp::Outcome::Optimum)
            state.SkipWithError("blend not solved to the optimum");
        benchmark::DoNotOptimize(t.tabla.data());
    }
}

void EngineSolve(benchmark::State& state) {
    const auto& list = blends(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<lp::Tableau> built;
    for (const auto& b : list)
        built.push_back(lp::assemble(b));
    size_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        lp::Tableau t = built[i++ % built.size()];
        state.ResumeTiming();
        benchmark::DoNotOptimize(lp::solve(t));
    }
}

void GlpkBuildAndSolve(benchmark::State& state) {
    const auto& list = blends(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    size_t i = 0;
    for (auto _ : state) {
        lp::reference::GlpkBlend p(list[i++ % list.size()]);
        if (p.simplexFromScratch() != GLP_OPT)
            state.SkipWithError("GLPK found no optimum");
    }
}

void GlpkSolve(benchmark::State& state) {
    const auto& list = blends(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<std::unique_ptr<lp::reference::GlpkBlend>> built;
    for (const auto& b : list)
        built.push_back(std::make_unique<lp::reference::GlpkBlend>(b));
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(built[i++ % built.size()]->simplexFromScratch());
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({10, 5})->Args({40, 20})->Args({100, 50})->Args({300, 150});
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(EngineAssembleAndSolve)->Apply(sizes);
BENCHMARK(GlpkBuildAndSolve)->Apply(sizes);
BENCHMARK(EngineSolve)->Apply(sizes);
BENCHMARK(GlpkSolve)->Apply(sizes);

} // namespace

BENCHMARK_MAIN();
