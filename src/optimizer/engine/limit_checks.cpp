#include "optimizer/engine/limit_checks.h"

#include "optimizer/engine/reachability.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lp {

namespace {

// Figures in the messages: at most four decimals, no trailing zeros.
std::string number(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4f", v);
    std::string s = buffer;
    s.erase(s.find_last_not_of('0') + 1);
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

// Round-off of sums of quantities may not turn a limit met exactly into a refusal.
bool above(double a, double b) {
    return a > b + 1e-9 * std::max({1.0, std::abs(a), std::abs(b)});
}

struct Issues {
    std::vector<LimitIssue> list;

    void add(LimitIssue::Problem problem, LimitRef limit, const std::string& name, double valor,
             double referencia, std::string text) {
        list.push_back({problem, limit, name, valor, referencia, std::move(text)});
    }
};

void checkRatio(const Blend& blend, size_t r, Issues& out) {
    const Ratio& ratio = blend.ratios[r];
    const std::string name = ratioName(blend, r);
    const std::string who = "la relación <" + name + ">";
    const LimitRef limit{LimitRef::Ratio, LimitRef::Minimum, r};
    const int num = nutrientIndex(blend, ratio.numerador),
              div = nutrientIndex(blend, ratio.divisor);
    if (num < 0 || div < 0) {
        out.add(LimitIssue::RatioNutrientMissing, limit, name, 0, 0,
                "La relación <" + name + "> usa un nutriente que no está en la fórmula");
        return;
    }
    const std::vector<double>& a = blend.valor[size_t(div)];
    if (std::all_of(a.begin(), a.end(), [](double v) { return v == 0; })) {
        out.add(LimitIssue::RatioDivisorZero, limit, name, 0, 0,
                "El divisor de " + who + ", <" + blend.nutrients[size_t(div)].nombre +
                    ">, vale 0 en todos los ingredientes de la fórmula: la relación no se puede "
                    "calcular");
        return;
    }
    if (ratio.minimo && ratio.maximo && *ratio.minimo > *ratio.maximo) {
        out.add(LimitIssue::LimitsCrossed, limit, name, *ratio.minimo, *ratio.maximo,
                "El valor máximo debe ser mayor o igual al mínimo para " + who);
        return;
    }
    // Judged over the same mixes the engine chooses from, so a ratio the engine could meet is
    // never refused.
    const std::optional<RatioRange> range = ratioRange(blend, r);
    if (!range)
        return;
    const std::string of = "de la relación <" + name + ">";
    if (ratio.minimo && above(*ratio.minimo, range->maximo))
        out.add(LimitIssue::RatioMinimumUnreachable, limit, name, *ratio.minimo, range->maximo,
                "El mínimo " + of + " (" + number(*ratio.minimo) +
                    ") no se alcanza: con los límites de los ingredientes llega como máximo a " +
                    number(range->maximo));
    if (ratio.maximo && above(range->minimo, *ratio.maximo))
        out.add(LimitIssue::RatioMaximumUnreachable, {LimitRef::Ratio, LimitRef::Maximum, r}, name,
                *ratio.maximo, range->minimo,
                "El máximo " + of + " (" + number(*ratio.maximo) +
                    ") no se alcanza: con los límites de los ingredientes llega como mínimo a " +
                    number(range->minimo));
}

void checkGroup(const Blend& blend, size_t g, Issues& out) {
    const Group& group = blend.groups[g];
    const std::string name = groupName(blend, g);
    const std::string who = "el grupo <" + name + ">", of = "del grupo <" + name + ">";
    const LimitRef minimum{LimitRef::Group, LimitRef::Minimum, g};
    const LimitRef maximum{LimitRef::Group, LimitRef::Maximum, g};
    if (group.minimo && group.maximo && *group.minimo > *group.maximo) {
        out.add(LimitIssue::LimitsCrossed, minimum, name, *group.minimo, *group.maximo,
                "El valor máximo debe ser mayor o igual al mínimo para " + who);
        return;
    }
    const double q = blend.cantidad;
    double minimums = 0, maximums = 0;
    for (const Ingredient& ing : blend.ingredients) {
        if (std::find(group.ingredientIds.begin(), group.ingredientIds.end(), ing.id) ==
            group.ingredientIds.end())
            continue;
        minimums += ing.minimo.value_or(0.0);
        maximums += ing.maximo.value_or(q);
    }
    maximums = std::min(maximums, q);
    if (group.minimo && above(*group.minimo, q)) {
        out.add(LimitIssue::GroupMinimumAboveBatch, minimum, name, *group.minimo, q,
                "El mínimo " + of + " (" + number(*group.minimo) +
                    ") supera la cantidad total a elaborar (" + number(q) + ")");
    } else if (group.minimo && above(*group.minimo, maximums)) {
        out.add(LimitIssue::GroupMinimumUnreachable, minimum, name, *group.minimo, maximums,
                "El mínimo " + of + " (" + number(*group.minimo) +
                    ") no se alcanza: sus ingredientes en la fórmula suman como máximo " +
                    number(maximums));
    }
    if (group.maximo && above(minimums, *group.maximo))
        out.add(LimitIssue::GroupMaximumBelowMinimums, maximum, name, *group.maximo, minimums,
                "El máximo " + of + " (" + number(*group.maximo) +
                    ") es menor que la suma de los mínimos de sus ingredientes (" +
                    number(minimums) + ")");
}

} // namespace

std::vector<LimitIssue> checkRatiosAndGroups(const Blend& blend) {
    Issues issues;
    for (size_t r = 0; r < blend.ratios.size(); ++r)
        checkRatio(blend, r, issues);
    for (size_t g = 0; g < blend.groups.size(); ++g)
        checkGroup(blend, g, issues);
    return issues.list;
}

} // namespace lp
