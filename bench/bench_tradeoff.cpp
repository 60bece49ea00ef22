// The exact trade-off curve of cost against a second goal: the sample broiler starter against
// its total phosphorus (a goal the formula does not limit, brought in from the catalogue), and a
// generated blend of 200 ingredients and 100 nutrients against a footprint of its own. The
// counters give the vertices and the pivots of the walk per curve. Run with
//   --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "../tests/engine/blend_generator.h"
#include "../tests/engine/sample_catalogue.h"
#include "optimizer/engine/tradeoff.h"

#include <benchmark/benchmark.h>

namespace {

struct Case {
    lp::Blend blend;
    lp::TradeoffGoal goal;
};

const Case& broiler() {
    static const Case c = [] {
        const lp::sample::Catalogue cat;
        Case out{cat.blend("POLLO-INI"), {"Fósforo total", {}, false}};
        for (const lp::Ingredient& ing : out.blend.ingredients)
            out.goal.valor.push_back(cat.content(cat.ingredients[ing.id - 1][0], "Fósforo total"));
        return out;
    }();
    return c;
}

const Case& large() {
    static const Case c = [] {
        lp::generator::Rng rng(200100);
        lp::generator::Shape shape;
        shape.ingredients = 200;
        shape.nutrients = 100;
        Case out{lp::generator::randomBlend(rng, shape), {"Huella de carbono", {}, false}};
        for (int j = 0; j < shape.ingredients; ++j)
            out.goal.valor.push_back(rng.uniform(0.2, 3.0));
        return out;
    }();
    return c;
}

void curve(benchmark::State& state, const Case& c) {
    double vertices = 0, pivots = 0;
    for (auto _ : state) {
        const lp::TradeoffCurve t = lp::tradeoffCurve(c.blend, c.goal);
        if (t.status != lp::TradeoffStatus::Ok) {
            state.SkipWithError(t.mensaje.c_str());
            break;
        }
        vertices = double(t.vertices.size());
        pivots = double(t.pivots);
        benchmark::DoNotOptimize(t.vertices.data());
    }
    state.counters["vertices"] = vertices;
    state.counters["pivots"] = pivots;
}

void BM_BroilerPhosphorusCurve(benchmark::State& state) {
    curve(state, broiler());
}
BENCHMARK(BM_BroilerPhosphorusCurve)->Unit(benchmark::kMillisecond);

void BM_Blend200x100Curve(benchmark::State& state) {
    curve(state, large());
}
BENCHMARK(BM_Blend200x100Curve)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
