#include "optimizer/engine/reachability.h"

#include "optimizer/engine/tableau.h"
#include "optimizer/engine/text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace lp {

namespace {

// The shares the engine may choose from: within each ingredient's limits (a fixed ingredient
// widened by 0.001 units either side, as in its tableau rows), summing to 1 within the same
// band as the quantity rows. Judging reach over exactly this set means the screen never
// refuses a blend the engine would solve, and refuses every minimum no such mix reaches.
struct Admissible {
    std::vector<double> lo, hi;
    double sumLo = 0.99999999, sumHi = 1.00000001;
};

Admissible admissible(const Blend& blend) {
    Admissible a;
    const double q = blend.cantidad;
    for (const Ingredient& ing : blend.ingredients) {
        const bool fixed = ing.minimo && ing.maximo && *ing.minimo == *ing.maximo;
        const double w = fixed ? 0.001 : 0.0;
        a.lo.push_back(ing.minimo ? std::max(0.0, (*ing.minimo - w) / q) : 0.0);
        a.hi.push_back(ing.maximo ? (*ing.maximo + w) / q : a.sumHi);
    }
    return a;
}

// The shares that maximise sum(v x) over the admissible set: every share at its lower limit,
// then the room is handed out from the largest v down, up to the upper end of the sum band
// while v is positive and only up to its lower end otherwise.
std::vector<double> greedyFill(const Admissible& a, const std::vector<double>& v) {
    std::vector<size_t> order(v.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t l, size_t r) { return v[l] > v[r]; });
    std::vector<double> x = a.lo;
    double total = std::accumulate(x.begin(), x.end(), 0.0);
    for (size_t j : order) {
        const double cap = (v[j] > 0 ? a.sumHi : a.sumLo) - total;
        const double take = std::clamp(a.hi[j] - a.lo[j], 0.0, std::max(cap, 0.0));
        x[j] += take;
        total += take;
    }
    return x;
}

double dot(const std::vector<double>& a, const std::vector<double>& b) {
    return std::inner_product(a.begin(), a.end(), b.begin(), 0.0);
}

// Dry-basis content of an as-fed mix: sum(a dm x) / sum(dm x), a weighted average that is not
// linear in the shares. Its maximum solves max sum((a - t) dm x) = 0 for t, found by
// Dinkelbach's iteration: each greedy fill at the current t gives a mix of higher content,
// and the content stops rising at the maximum after a few rounds.
double maximumRatio(const Admissible& adm, const std::vector<double>& a,
                    const std::vector<double>& dm) {
    std::vector<double> weighted(a.size());
    for (size_t j = 0; j < a.size(); ++j)
        weighted[j] = a[j] * dm[j];
    auto content = [&](const std::vector<double>& x) {
        const double dry = dot(dm, x);
        return dry > 0 ? dot(weighted, x) / dry : 0.0;
    };
    double t = content(greedyFill(adm, weighted));
    for (size_t round = 0; round < 2 * a.size() + 10; ++round) {
        std::vector<double> v(a.size());
        for (size_t j = 0; j < a.size(); ++j)
            v[j] = (a[j] - t) * dm[j];
        const double next = content(greedyFill(adm, v));
        if (!(next > t + 1e-15 * std::max(1.0, std::abs(t))))
            break;
        t = next;
    }
    return t;
}

double contributionPerUnit(const Blend& blend, size_t n, size_t i) {
    const double v = blend.valor[n][i];
    return blend.secaNut ? v : v * blend.ingredients[i].materiaSecaCatalogo / 100;
}

// The most the nutrient reaches in an admissible mix, on the nutrient's basis, with the
// catalogue's dry matter (as the contribution rows).
double maximumReach(const Blend& blend, const Admissible& adm, size_t n) {
    const size_t count = blend.ingredients.size();
    if (!blend.secaIng && blend.secaNut) {
        std::vector<double> dm(count);
        for (size_t i = 0; i < count; ++i)
            dm[i] = blend.ingredients[i].materiaSecaCatalogo / 100;
        return maximumRatio(adm, blend.valor[n], dm);
    }
    std::vector<double> v(count);
    for (size_t i = 0; i < count; ++i)
        v[i] = contributionPerUnit(blend, n, i);
    return dot(v, greedyFill(adm, v));
}

// The largest num(x) / den(x) over the admissible mixes with den(x) > 0, by Dinkelbach's
// iteration from the mix richest in the divisor; infinite when a mix gives num(x) > 0 with
// den(x) = 0, empty when every mix has den(x) = 0.
std::optional<double> largestQuotient(const Admissible& adm, const std::vector<double>& num,
                                      const std::vector<double>& den) {
    std::vector<double> x = greedyFill(adm, den);
    if (!(dot(den, x) > 0))
        return std::nullopt;
    double t = dot(num, x) / dot(den, x);
    std::vector<double> v(num.size());
    for (size_t round = 0; round < 2 * num.size() + 10; ++round) {
        for (size_t j = 0; j < num.size(); ++j)
            v[j] = num[j] - t * den[j];
        x = greedyFill(adm, v);
        const double gain = dot(v, x);
        if (!(gain > 1e-15 * std::max(1.0, std::abs(t)) * std::max(1.0, dot(den, x))))
            break;
        const double d = dot(den, x);
        if (!(d > 0))
            return std::numeric_limits<double>::infinity();
        t = dot(num, x) / d;
    }
    return t;
}

} // namespace

std::optional<RatioRange> ratioRange(const Blend& blend, size_t ratio) {
    const Ratio& r = blend.ratios[ratio];
    const int n = nutrientIndex(blend, r.numerador), d = nutrientIndex(blend, r.divisor);
    if (n < 0 || d < 0)
        return std::nullopt;
    const size_t count = blend.ingredients.size();
    std::vector<double> num(count), den(count), negated(count);
    for (size_t j = 0; j < count; ++j) {
        const double w = contentFactor(blend, j);
        num[j] = blend.valor[size_t(n)][j] * w;
        negated[j] = -num[j];
        den[j] = blend.valor[size_t(d)][j] * w;
    }
    const Admissible adm = admissible(blend);
    const std::optional<double> most = largestQuotient(adm, num, den);
    const std::optional<double> least = largestQuotient(adm, negated, den);
    if (!most || !least)
        return std::nullopt;
    return RatioRange{-*least, *most};
}

Reachability checkReachability(const Blend& blend,
                               const std::vector<int>& ingredientsInWorkspaceOrder) {
    Reachability res;
    const Admissible adm = admissible(blend);
    for (size_t n = 0; n < blend.nutrients.size(); ++n) {
        const auto& minimo = blend.nutrients[n].minimo;
        if (!minimo)
            continue;
        const double reach = maximumReach(blend, adm, n);
        // Round-off of the sums may not turn a minimum met exactly into a failure.
        if (reach >= *minimo - 1e-9 * std::max(1.0, std::abs(*minimo)))
            continue;
        res.passed = false;
        res.failingNutrient = static_cast<int>(n);
        res.maximoAlcanzable = reach;
        for (int i : ingredientsInWorkspaceOrder) {
            const Ingredient& ing = blend.ingredients[i];
            const double v = contributionPerUnit(blend, n, i);
            const double share = ing.maximo ? *ing.maximo / blend.cantidad : 1.0;
            res.rows.push_back({firstCharacters(ing.nombre, 50), ing.maximo, v, v * share});
        }
        return res;
    }
    return res;
}

} // namespace lp
