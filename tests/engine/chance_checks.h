#pragma once

// Random blends with chance limits, and what a chance-limited nutrient holds in a mix, shared
// by the chance tests and the benchmark.

#include "engine/blend_generator.h"
#include "optimizer/engine/chance.h"

#include <cmath>
#include <vector>

namespace lp::generator {

// Deviations of a tenth to a quarter of the value for most ingredients (a few steady ones
// without any), and a probability on `limited` nutrients drawn among those with limits.
inline ChanceLimits randomChance(Rng& rng, const Blend& b, int limited, double p = 0) {
    ChanceLimits c;
    c.probabilidad.assign(b.nutrients.size(), std::nullopt);
    c.desvio.assign(b.nutrients.size(), {});
    std::vector<size_t> candidates;
    for (size_t n = 0; n < b.nutrients.size(); ++n)
        if (b.nutrients[n].minimo || b.nutrients[n].maximo)
            candidates.push_back(n);
    for (int k = 0; k < limited && !candidates.empty(); ++k) {
        const size_t pick = size_t(rng.integer(0, int(candidates.size()) - 1));
        const size_t n = candidates[pick];
        candidates.erase(candidates.begin() + long(pick));
        c.probabilidad[n] = p > 0 ? p : rng.uniform(0.6, 0.99);
        for (double a : b.valor[n])
            c.desvio[n].push_back(rng.chance(0.85) ? a * rng.uniform(0.1, 0.25) : 0.0);
    }
    return c;
}

// Every nutrient at probability p, each composition value with a deviation of lo to hi of it.
inline ChanceLimits everyLimitAt(Rng& rng, const Blend& b, double p, double lo, double hi) {
    ChanceLimits c;
    for (size_t n = 0; n < b.nutrients.size(); ++n) {
        c.probabilidad.push_back(p);
        std::vector<double> row;
        for (double a : b.valor[n])
            row.push_back(a * rng.uniform(lo, hi));
        c.desvio.push_back(row);
    }
    return c;
}

// The mean and standard deviation of nutrient n's content in the mix, on the limit's basis,
// written out from the definition.
struct Content {
    double mean = 0, sd = 0;
};
inline Content contentIn(const Blend& b, const ChanceLimits& c, size_t n,
                         const std::vector<double>& x) {
    double sum = 0, var = 0, dry = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double dm = b.ingredients[i].materiaSeca / 100;
        const double w = b.secaIng ? 1.0 : dm;
        const double s = c.desvio[n].empty() ? 0.0 : c.desvio[n][i];
        sum += b.valor[n][i] * w * x[i];
        var += (s * w * x[i]) * (s * w * x[i]);
        dry += dm * x[i];
    }
    const double per = !b.secaIng && b.secaNut ? dry : 1.0;
    return {sum / per, std::sqrt(var) / per};
}

} // namespace lp::generator
