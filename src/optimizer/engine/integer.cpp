#include "optimizer/engine/integer.h"

#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/integer_search.h"
#include "optimizer/engine/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace lp {

bool IntegerConditions::any() const {
    if (maxIngredientes)
        return true;
    for (const IntegerIngredient& i : ingredients)
        if ((i.minimoSiSeUsa && *i.minimoSiSeUsa > 0) || (redondear && i.paso))
            return true;
    return false;
}

namespace {

std::string number(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6f", v);
    std::string s = buffer;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

// The search over the blend's bounded form: one group of all its columns.
SearchOutcome search(const Blend& blend, const IntegerConditions& c, const IntegerLimits& limits,
                     SearchMode mode = {}) {
    BoundedLp lp;
    BoundedLayout layout;
    if (!boundedForm(blend, lp, layout)) {
        SearchOutcome out;
        out.status = IntegerStatus::Infeasible;
        return out;
    }
    std::vector<SearchColumn> columns = searchColumns(blend, c);
    const int n = static_cast<int>(columns.size());
    return searchInteger(lp, std::move(columns), {{0, n, c.maxIngredientes}}, limits, mode);
}

// "el mínimo de Proteína", "el máximo de la relación Ca / P", "el mínimo del grupo Harinas".
std::string limitText(const Blend& blend, const LimitRef& limit) {
    const std::string side = limit.side == LimitRef::Minimum ? "el mínimo " : "el máximo ";
    switch (limit.kind) {
    case LimitRef::Nutrient:
        return side + "de " + trimmed(blend.nutrients[limit.index].nombre);
    case LimitRef::Ingredient:
        return side + "de " + trimmed(blend.ingredients[limit.index].nombre);
    case LimitRef::Ratio:
        return side + "de la relación " + ratioName(blend, limit.index);
    case LimitRef::Group:
        return side + "del grupo " + groupName(blend, limit.index);
    }
    return {};
}

Blend without(const Blend& blend, const LimitRef& limit) {
    Blend b = blend;
    auto drop = [&](auto& item) {
        (limit.side == LimitRef::Minimum ? item.minimo : item.maximo).reset();
    };
    switch (limit.kind) {
    case LimitRef::Nutrient:
        drop(b.nutrients[limit.index]);
        break;
    case LimitRef::Ingredient:
        drop(b.ingredients[limit.index]);
        break;
    case LimitRef::Ratio:
        drop(b.ratios[limit.index]);
        break;
    case LimitRef::Group:
        drop(b.groups[limit.index]);
        break;
    }
    return b;
}

// The limits the user set, in the order the rows of the blend list them.
std::vector<LimitRef> userLimits(const Blend& blend) {
    std::vector<LimitRef> limits = generalLimits(blend);
    for (size_t i = 0; i < blend.ingredients.size(); ++i) {
        if (blend.ingredients[i].minimo)
            limits.push_back({LimitRef::Ingredient, LimitRef::Minimum, i});
        if (blend.ingredients[i].maximo)
            limits.push_back({LimitRef::Ingredient, LimitRef::Maximum, i});
    }
    return limits;
}

// Which condition has no mix, and against which limit. Each family of conditions is tried
// alone; the first that has no mix by itself is named, else their combination. Then the first
// limit whose removal lets that family have a mix is named. Every try is a bounded search of
// its own, capped so that an explanation never takes long.
std::string explain(const Blend& blend, const IntegerConditions& c) {
    const IntegerLimits cap{20000, 2.0};
    // Every try is of a blend whose limits have a mix, and asks only whether the conditions
    // leave one: it ends at its first mix.
    auto hasMix = [&](const Blend& b, const IntegerConditions& cc) {
        const IntegerStatus st = search(b, cc, cap, {true, true}).status;
        return st == IntegerStatus::Optimal || st == IntegerStatus::Stopped;
    };
    auto infeasible = [&](const Blend& b, const IntegerConditions& cc) {
        return search(b, cc, cap, {true, true}).status == IntegerStatus::IntegerInfeasible;
    };
    IntegerConditions rounding, count, use;
    rounding.redondear = c.redondear;
    count.maxIngredientes = c.maxIngredientes;
    for (const IntegerIngredient& i : c.ingredients) {
        rounding.ingredients.push_back({std::nullopt, i.paso});
        count.ingredients.push_back({});
        use.ingredients.push_back({i.minimoSiSeUsa, std::nullopt});
    }
    const double q = blend.cantidad;
    std::string what;
    const IntegerConditions* culprit = &c;
    if (rounding.any() && infeasible(blend, rounding)) {
        std::set<double> steps;
        for (const IntegerIngredient& i : c.ingredients)
            if (i.paso)
                steps.insert(*i.paso);
        std::string list;
        for (double s : steps)
            list += (list.empty() ? "" : ", ") + number(s) + " kg";
        what = "ningún redondeo a pasos de " + list;
        culprit = &rounding;
    } else if (count.any() && infeasible(blend, count)) {
        what = "ninguna mezcla de " + std::to_string(*c.maxIngredientes) + " ingredientes o menos";
        culprit = &count;
    } else if (use.any() && infeasible(blend, use)) {
        std::string list;
        int shown = 0;
        for (size_t j = 0; j < c.ingredients.size(); ++j)
            if (c.ingredients[j].minimoSiSeUsa && *c.ingredients[j].minimoSiSeUsa > 0 &&
                shown++ < 3)
                list += (list.empty() ? "" : ", ") + trimmed(blend.ingredients[j].nombre) + " " +
                        number(*c.ingredients[j].minimoSiSeUsa) + " kg";
        what = "ninguna mezcla con los mínimos si se usa (" + list + (shown > 3 ? ", …" : "") + ")";
        culprit = &use;
    } else {
        what = "ninguna mezcla que cumpla a la vez las condiciones de pesada";
    }
    for (const LimitRef& limit : userLimits(blend))
        if (hasMix(without(blend, limit), *culprit))
            return what + " cumple " + limitText(blend, limit) + " con " + number(q) + " kg";
    return what + " cumple los límites de la fórmula con " + number(q) + " kg";
}

} // namespace

IntegerResult solveInteger(const Blend& blend, const IntegerConditions& conditions,
                           const IntegerLimits& limits) {
    IntegerResult r;
    if (std::string why = invalidConditions(blend, conditions); !why.empty()) {
        r.status = IntegerStatus::InvalidConditions;
        r.explicacion = why;
        return r;
    }
    const SearchOutcome o = search(blend, conditions, limits);
    r.status = o.status;
    r.shares = o.x;
    r.costo = o.costo;
    r.costoContinuo = o.costoContinuo;
    r.cota = o.cota;
    r.nodos = o.nodes;
    r.probado = o.proven;
    if (o.status == IntegerStatus::Stopped)
        r.brecha = (o.costo - o.cota) / std::max(std::abs(o.costo), 1e-300);
    if (o.status == IntegerStatus::IntegerInfeasible)
        r.explicacion = explain(blend, conditions);
    return r;
}

Blend fixedBlend(const Blend& blend, const IntegerConditions& conditions,
                 const IntegerResult& result) {
    Blend b = blend;
    if (result.shares.size() != blend.ingredients.size())
        return b;
    const std::vector<SearchColumn> rules = searchColumns(blend, conditions);
    const bool counting = conditions.maxIngredientes.has_value();
    for (size_t j = 0; j < b.ingredients.size(); ++j) {
        Ingredient& ing = b.ingredients[j];
        const double quantity = result.shares[j] * blend.cantidad;
        if (rules[j].step > 0) {
            const double step = *conditions.ingredients[j].paso;
            ing.minimo = ing.maximo = std::round(quantity / step) * step;
        } else if ((counting || rules[j].minUse > 0) && !(result.shares[j] > 0)) {
            ing.maximo = 0.0;
            if (ing.minimo && *ing.minimo > 0)
                ing.minimo.reset();
        } else if (rules[j].minUse > 0) {
            ing.minimo =
                std::max(ing.minimo.value_or(0.0), *conditions.ingredients[j].minimoSiSeUsa);
        }
    }
    return b;
}

} // namespace lp
