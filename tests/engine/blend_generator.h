#pragma once

// Random blends shaped like feed formulas, shared by the engine tests and benchmarks. Every
// draw goes through Rng, so a seed gives the same blends on every platform.

#include "optimizer/engine/blend.h"

#include <algorithm>
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
    int ratios = 0;              // ratio limits between two nutrients of the blend
    int groups = 0;              // group limits over a few ingredients
};

// Minimum, maximum or both around a planted value v, pushed past it when stretched.
template <typename Item>
void bracket(Rng& rng, const Shape& s, double v, double lo, double hi, Item& item) {
    const double stretch = rng.chance(s.stretched) ? rng.uniform(1.2, 3.0) : 1.0;
    const double u = rng.uniform(0, 1);
    if (u < 2.0 / 3)
        item.minimo = v * rng.uniform(lo, 0.99) * stretch;
    if (u >= 1.0 / 3)
        item.maximo = v * rng.uniform(1.01, hi) / stretch;
}

// Ratios of two nutrients whose planted contents are not 0, bracketing the planted ratio.
inline void addRatios(Rng& rng, const Shape& s, const std::vector<double>& planted, Blend& b) {
    const size_t n = planted.size();
    auto content = [&](size_t k) {
        double c = 0;
        for (size_t j = 0; j < n; ++j)
            c +=
                b.valor[k][j] * (s.secaIng ? 1.0 : b.ingredients[j].materiaSeca / 100) * planted[j];
        return c;
    };
    std::vector<size_t> present;
    for (size_t k = 0; k < b.nutrients.size(); ++k)
        if (content(k) > 0)
            present.push_back(k);
    if (present.size() < 2)
        return;
    for (int r = 0; r < s.ratios; ++r) {
        const size_t num = present[size_t(rng.integer(0, int(present.size()) - 1))];
        size_t div = present[size_t(rng.integer(0, int(present.size()) - 2))];
        if (div == num)
            div = present.back();
        Ratio ratio{b.nutrients[num].id, b.nutrients[div].id, "Relación " + std::to_string(r + 1),
                    std::nullopt, std::nullopt};
        bracket(rng, s, content(num) / content(div), 0.7, 1.4, ratio);
        b.ratios.push_back(ratio);
    }
}

// Groups of one to eight ingredients (now and then with a member not in the blend), bracketing
// the planted quantity of the group.
inline void addGroups(Rng& rng, const Shape& s, const std::vector<double>& planted, Blend& b) {
    const int n = static_cast<int>(planted.size());
    for (int g = 0; g < s.groups; ++g) {
        Group group{g + 1, "Grupo " + std::to_string(g + 1), {}, std::nullopt, std::nullopt};
        double quantity = 0;
        const int size = rng.integer(1, std::min(n, 8));
        for (int k = 0; k < size; ++k) {
            const int j = rng.integer(0, n - 1);
            if (std::find(group.ingredientIds.begin(), group.ingredientIds.end(), j + 1) !=
                group.ingredientIds.end())
                continue;
            group.ingredientIds.push_back(j + 1);
            quantity += planted[size_t(j)] * s.cantidad;
        }
        if (rng.chance(0.2))
            group.ingredientIds.push_back(n + 1 + g);
        if (quantity > 0)
            bracket(rng, s, quantity, 0.5, 1.5, group);
        else
            group.maximo = 0.1 * s.cantidad;
        b.groups.push_back(group);
    }
}

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
    addRatios(rng, s, planted, b);
    addGroups(rng, s, planted, b);
    return b;
}

} // namespace lp::generator
