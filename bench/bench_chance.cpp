// Chance limits against the same formulas without probabilities: the four sample diets and
// random 200 x 60 blends, every nutrient limit at 95 %. "Linear" is the linear engine's run
// (assembleAndSolve), "Chance" the whole chance run on the same blend (that linear run, the
// rounds of tangent rows with Newton's method between them). The counters give
// the rounds and tangent rows per blend. Run with
//   --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// and compare the medians pairwise. On the 2-core build machine under other builds' load the
// wall figures swing by a quarter from run to run; the instructions counted by callgrind
// (--toggle-collect='lp::solveChance(*') do not. Sample diets: linear 64-110 us, chance
// 0.64-0.70 ms (3 rounds, 30 tangent rows, 7.4 M instructions per pass over the four);
// 200 x 60: linear 1.9-2.7 ms, chance 27-35 ms (4.2 rounds, 210 rows). Of a 200 x 60 chance
// run some 40 % is Newton's method (its LU factors and solves the most, then the residuals and
// Jacobians and the review of the active set; passes that end without the optimum are lost but
// for their first mix), a fifth the rounds' programmes from the last basis (whose inverse is
// extended over the new tangents, no longer computed afresh), a tenth the linear run, some 12 %
// the programmes solved from the slack basis (the inner mix, the first round).

#include "engine/chance_checks.h"
#include "engine/sample_catalogue.h"
#include "optimizer/engine/chance.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

struct Case {
    lp::Blend blend;
    lp::ChanceLimits chance;
};

// Every nutrient at 95 %, each composition value with a deviation of a tenth to a quarter of it
// (a twentieth on the sample diets, whose tables are averages of many lots).
lp::ChanceLimits everyLimit(lp::generator::Rng& rng, const lp::Blend& b, double lo, double hi) {
    return lp::generator::everyLimitAt(rng, b, 0.95, lo, hi);
}

const std::vector<Case>& sampleDiets() {
    static const std::vector<Case> cases = [] {
        const lp::sample::Catalogue catalogue;
        lp::generator::Rng rng(95);
        std::vector<Case> out;
        for (const std::string& code : catalogue.formulaCodes()) {
            lp::Blend b = catalogue.blend(code);
            out.push_back({b, everyLimit(rng, b, 0.03, 0.07)});
        }
        return out;
    }();
    return cases;
}

const std::vector<Case>& randomBlends() {
    static const std::vector<Case> cases = [] {
        lp::generator::Rng rng(200060);
        lp::generator::Shape shape;
        shape.ingredients = 200;
        shape.nutrients = 60;
        std::vector<Case> out;
        while (out.size() < 5) {
            lp::Blend b = lp::generator::randomBlend(rng, shape);
            lp::ChanceLimits c = everyLimit(rng, b, 0.1, 0.25);
            if (lp::solveChance(b, c).status == lp::ChanceStatus::Optimum)
                out.push_back({b, c});
        }
        return out;
    }();
    return cases;
}

const std::vector<Case>& casesOf(const benchmark::State& state) {
    return state.range(0) == 0 ? sampleDiets() : randomBlends();
}

void Linear(benchmark::State& state) {
    const std::vector<Case>& cases = casesOf(state);
    for (auto _ : state)
        for (const Case& c : cases) {
            lp::SolvedBlend s = lp::assembleAndSolve(c.blend);
            benchmark::DoNotOptimize(s);
        }
}

void Chance(benchmark::State& state) {
    const std::vector<Case>& cases = casesOf(state);
    double rounds = 0, cuts = 0, runs = 0;
    for (auto _ : state)
        for (const Case& c : cases) {
            lp::ChanceSolution s = lp::solveChance(c.blend, c.chance);
            if (s.status != lp::ChanceStatus::Optimum)
                state.SkipWithError("blend not solved to the optimum");
            rounds += s.rounds;
            cuts += s.cuts;
            runs += 1;
            benchmark::DoNotOptimize(s);
        }
    state.counters["rounds"] = rounds / runs;
    state.counters["cuts"] = cuts / runs;
}

// 0: the sample diets, 1: random 200 x 60 blends.
BENCHMARK(Linear)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(Chance)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
