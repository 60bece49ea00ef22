// The exact ranging of one ingredient's price over a wide range (0 to ten times today's price)
// against solving the blend from scratch at each breakpoint it finds: on the sample broiler
// starter (fish meal) and on generated blends of 200 ingredients and 100 nutrients. The counters
// give the intervals and the pivots of the walk per ranging. Run with
//   --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "../tests/engine/blend_generator.h"
#include "../tests/engine/sample_catalogue.h"
#include "optimizer/engine/engine.h"
#include "optimizer/engine/ranging.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

struct Case {
    lp::Blend blend;
    std::size_t ingredient = 0;
};

const Case& broiler() {
    static const Case c = [] {
        Case out{lp::sample::Catalogue().blend("POLLO-INI"), 0};
        for (std::size_t i = 0; i < out.blend.ingredients.size(); ++i)
            if (out.blend.ingredients[i].nombre.rfind("Harina de pescado", 0) == 0)
                out.ingredient = i;
        return out;
    }();
    return c;
}

// The ingredient ranged is the one with the most breakpoints over its range, so the walk is long.
const Case& large() {
    static const Case c = [] {
        lp::generator::Rng rng(200100);
        lp::generator::Shape shape;
        shape.ingredients = 200;
        shape.nutrients = 100;
        Case out{lp::generator::randomBlend(rng, shape), 0};
        std::size_t most = 0;
        for (std::size_t i = 0; i < 20; ++i) {
            const double p = out.blend.ingredients[i].costoHumeda;
            const std::size_t n = lp::rangePrice(out.blend, i, 0, 10 * p).tramos.size();
            if (n > most) {
                most = n;
                out.ingredient = i;
            }
        }
        return out;
    }();
    return c;
}

void ranging(benchmark::State& state, const Case& c) {
    const double p = c.blend.ingredients[c.ingredient].costoHumeda;
    double intervals = 0, pivots = 0;
    for (auto _ : state) {
        const lp::Ranging r = lp::rangePrice(c.blend, c.ingredient, 0, 10 * p);
        if (r.status != lp::RangingStatus::Ok)
            state.SkipWithError("ranging failed");
        intervals = static_cast<double>(r.tramos.size());
        pivots = static_cast<double>(r.pivots);
        benchmark::DoNotOptimize(r.tramos.data());
    }
    state.counters["intervals"] = intervals;
    state.counters["pivots"] = pivots;
}

void resolving(benchmark::State& state, const Case& c) {
    const double p = c.blend.ingredients[c.ingredient].costoHumeda;
    const lp::Ranging r = lp::rangePrice(c.blend, c.ingredient, 0, 10 * p);
    std::vector<double> points = {0};
    for (const lp::RangingInterval& i : r.tramos)
        points.push_back(i.hasta);
    for (auto _ : state)
        for (double v : points) {
            const lp::SolvedBlend s = lp::assembleAndSolve(lp::withPrice(c.blend, c.ingredient, v));
            benchmark::DoNotOptimize(s.tableau.tabla.data());
        }
    state.counters["solves"] = static_cast<double>(points.size());
}

void BM_RangingBroiler(benchmark::State& state) {
    ranging(state, broiler());
}
void BM_ResolvingBroiler(benchmark::State& state) {
    resolving(state, broiler());
}
void BM_Ranging200x100(benchmark::State& state) {
    ranging(state, large());
}
void BM_Resolving200x100(benchmark::State& state) {
    resolving(state, large());
}

BENCHMARK(BM_RangingBroiler)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ResolvingBroiler)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Ranging200x100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resolving200x100)->Unit(benchmark::kMillisecond);

} // namespace
