#pragma once

// Random blends shaped like feed formulas, shared by the engine tests and benchmarks. Every
// draw goes through Rng, so a seed gives the same blends on every platform.

#include "optimizer/engine/blend.h"

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace lp::generator {

class Rng {
public:
    explicit Rng(std::uint64_t seed) : engine_(seed) {}
    double uniform(double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(engine_() >> 11) * 0x1.0p-53;
    }
    double logUniform(double lo, double hi) {
        return std::exp(uniform(std::log(lo), std::log(hi)));
    }
    int integer(int lo, int hi) {
        return lo + static_cast<int>(engine_() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool chance(double p) { return uniform(0, 1) < p; }

private:
    std::mt19937_64 engine_;
};

struct Shape {
    int ingredients = 10;
    int nutrients = 5;
    bool secaIng = false;
    bool secaNut = false;
    double cantidad = 1000;
    double bothLimits = 1.0 / 3; // nutrients with a minimum and a maximum (the rest: one)
    double withMaximum = 0.2;    // ingredients with a maximum
    double withMinimum = 0.1;    // ingredients with a minimum
    double fixed = 0.0;          // ingredients with minimum = maximum
    double stretched = 0.0;      // nutrient limits pushed past the planted mix (may be infeasible)
    double twins = 0.0;          // ingredients identical to the one before them
    double free = 0.0;           // ingredients that cost nothing
    double paid = 0.0;           // ingredients one is paid to take (negative cost)
};

// A blend built around a planted mix: the limits bracket the planted mix's own contents and
// inclusions, so the blend is feasible unless limits were stretched.
inline Blend randomBlend(Rng& rng, const Shape& s) {
    Blend b;
    b.secaIng = s.secaIng;
    b.secaNut = s.secaNut;
    b.cantidad = s.cantidad;
    const int n = s.ingredients;
    std::vector<double> planted(n);
    std::vector<bool> twin(n, false);
    double total = 0;
    for (int j = 0; j < n; ++j) {
        twin[j] = j > 0 && rng.chance(s.twins);
        const double dm = rng.chance(0.15) ? rng.uniform(20, 60) : rng.uniform(85, 99.5);
        double cost = rng.logUniform(0.04, 4.0);
        if (rng.chance(s.free))
            cost = 0;
        else if (rng.chance(s.paid))
            cost = -cost;
        b.ingredients.push_back({j + 1, "Ingrediente " + std::to_string(j + 1), dm,
                                 cost / (dm / 100), cost, std::nullopt, std::nullopt, dm});
        if (twin[j]) {
            const Ingredient before = b.ingredients[j - 1];
            b.ingredients[j] = before;
            b.ingredients[j].id = j + 1;
            b.ingredients[j].nombre = "Ingrediente " + std::to_string(j + 1);
        }
        planted[j] = rng.chance(0.5) ? -std::log(rng.uniform(1e-9, 1)) : 0.0;
        total += planted[j];
    }
    if (total == 0) {
        planted[0] = 1;
        total = 1;
    }
    for (double& x : planted)
        x /= total;

    for (int k = 0; k < s.nutrients; ++k) {
        // Scales from trace minerals (%) to energy in kcal.
        const double scale = rng.chance(0.1) ? rng.uniform(2000, 4000) : rng.logUniform(0.05, 60);
        std::vector<double> a(n);
        for (int j = 0; j < n; ++j)
            a[j] = twin[j] ? a[j - 1] : rng.chance(0.75) ? scale * rng.uniform(0.02, 1.5) : 0.0;
        double content = 0, dry = 0;
        for (int j = 0; j < n; ++j) {
            const double f = b.ingredients[j].materiaSeca / 100;
            if (s.secaIng)
                content += a[j] * planted[j];
            else
                content += a[j] * f * planted[j];
            dry += f * planted[j];
        }
        if (!s.secaIng && s.secaNut)
            content /= dry;
        Nutrient nut{k + 1, "Nutriente " + std::to_string(k + 1), std::nullopt, std::nullopt};
        const double stretch = rng.chance(s.stretched) ? rng.uniform(1.2, 3.0) : 1.0;
        const double u = rng.uniform(0, 1);
        if (u < s.bothLimits + (1 - s.bothLimits) / 2)
            nut.minimo = content * rng.uniform(0.7, 0.99) * stretch;
        if (u < s.bothLimits || !nut.minimo)
            nut.maximo = content * rng.uniform(1.01, 1.4) / stretch;
        if (nut.minimo && nut.maximo && *nut.maximo <= *nut.minimo * 1.001)
            nut.maximo = *nut.minimo * 1.01; // validation wants maximum > minimum by 0.01 %
        if (content <= 0) { // nothing of it in the planted mix: only a cap makes sense
            nut.minimo.reset();
            nut.maximo = scale;
        }
        b.nutrients.push_back(nut);
        b.valor.push_back(a);
    }

    for (int j = 0; j < n; ++j) {
        Ingredient& ing = b.ingredients[j];
        const double q = planted[j] * s.cantidad;
        if (rng.chance(s.fixed)) {
            ing.minimo = ing.maximo = q;
            continue;
        }
        if (rng.chance(s.withMinimum))
            ing.minimo = q * rng.uniform(0.2, 0.95);
        else if (rng.chance(0.5))
            ing.minimo = 0.0;
        if (rng.chance(s.withMaximum))
            ing.maximo = std::max(q * rng.uniform(1.05, 3.0), 0.02 * s.cantidad);
    }
    return b;
}

} // namespace lp::generator
