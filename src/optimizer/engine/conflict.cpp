#include "optimizer/engine/conflict.h"

#include "optimizer/engine/simplex.h"
#include "optimizer/engine/solution.h"
#include "optimizer/engine/tableau.h"

#include <algorithm>
#include <cmath>

namespace lp {

namespace {

template <typename Item> auto& sideOf(Item& item, const LimitRef& limit) {
    return limit.side == LimitRef::Minimum ? item.minimo : item.maximo;
}

// The limit's value in a blend, to read or (in a copy) to set.
template <typename B> auto& slot(B& blend, const LimitRef& limit) {
    switch (limit.kind) {
    case LimitRef::Nutrient:
        return sideOf(blend.nutrients[limit.index], limit);
    case LimitRef::Ratio:
        return sideOf(blend.ratios[limit.index], limit);
    case LimitRef::Group:
        return sideOf(blend.groups[limit.index], limit);
    case LimitRef::Ingredient:
        break;
    }
    return sideOf(blend.ingredients[limit.index], limit);
}

// Limits on quantities of the batch: a share lies between 0 and the whole batch.
bool onQuantity(const LimitRef& limit) {
    return limit.kind == LimitRef::Ingredient || limit.kind == LimitRef::Group;
}

// What the conflict view calls a limit.
std::string limitName(const Blend& blend, const LimitRef& limit) {
    switch (limit.kind) {
    case LimitRef::Nutrient:
        return blend.nutrients[limit.index].nombre;
    case LimitRef::Ratio:
        return ratioName(blend, limit.index);
    case LimitRef::Group:
        return groupName(blend, limit.index);
    case LimitRef::Ingredient:
        break;
    }
    return blend.ingredients[limit.index].nombre;
}

bool feasibleAt(const Blend& blend, const LimitRef& limit, double value) {
    return probe(withLimit(blend, limit, value)).feasible;
}

// A value of the limit at which the blend is feasible, moving away from the stored one in the
// direction that loosens it, or none. Loosening a limit only widens the set of mixes, so the
// values that work form one interval reaching to the loose end.
std::optional<double> someFeasibleValue(const Blend& blend, const LimitRef& limit, double stored) {
    const double loosen = limit.side == LimitRef::Minimum ? -1.0 : 1.0;
    if (onQuantity(limit)) {
        // A share lies between 0 and the whole batch: those ends are no limit.
        const double end = limit.side == LimitRef::Minimum ? 0.0 : std::max(blend.cantidad, stored);
        if (feasibleAt(blend, limit, end))
            return end;
    }
    double step = std::max(std::abs(stored), 1.0);
    for (int k = 0; k < 64; ++k, step *= 2)
        if (feasibleAt(blend, limit, stored + loosen * step))
            return stored + loosen * step;
    return std::nullopt;
}

// The figure as shown: rounded to a few decimals on the loose side, when that still holds, so the
// value is a readable one and re-solving at it still finds a mix.
double readable(const Blend& blend, const LimitRef& limit, double good) {
    const double quantum = std::abs(good) >= 1 ? 1e-6 : 1e-9;
    const double scaled = good / quantum;
    const double rounded =
        (limit.side == LimitRef::Minimum ? std::floor(scaled) : std::ceil(scaled)) * quantum;
    // A quantity or a ratio of contents below 0 is no figure to show.
    if (limit.kind != LimitRef::Nutrient && rounded < 0)
        return good;
    return feasibleAt(blend, limit, rounded) ? rounded : good;
}

// Bisection between the stored value (infeasible) and a feasible one; what it returns is always a
// value the engine was seen to solve.
std::optional<double> nearestFeasible(const Blend& blend, const LimitRef& limit, double stored) {
    if (!probe(withLimit(blend, limit, std::nullopt)).feasible)
        return std::nullopt;
    const std::optional<double> start = someFeasibleValue(blend, limit, stored);
    if (!start)
        return std::nullopt;
    double good = *start, bad = stored;
    for (int k = 0; k < 200; ++k) {
        if (std::abs(good - bad) <= 1e-10 * std::max(1.0, std::abs(good)))
            break;
        const double mid = (good + bad) / 2;
        if (mid == good || mid == bad)
            break;
        (feasibleAt(blend, limit, mid) ? good : bad) = mid;
    }
    return readable(blend, limit, good);
}

} // namespace

Probe probe(const Blend& blend) {
    const SolvedBlend run = assembleAndSolve(blend);
    const Tableau& t = run.tableau;
    const SolveResult& solved = run.result;
    Probe p;
    p.feasible = solved.outcome != Outcome::Infeasible && solved.outcome != Outcome::NotStandard &&
                 !solved.phase1LimitReached;
    if (p.feasible &&
        (solved.outcome == Outcome::Optimum || solved.outcome == Outcome::NoLeavingRow)) {
        const std::vector<BatchLine> lines = batchLines(blend, shares(t));
        double cost = 0;
        for (size_t j = 0; j < lines.size(); ++j)
            cost += lines[j].porcentajeHumeda * blend.ingredients[j].costoHumeda;
        p.costo = cost;
    }
    return p;
}

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

std::optional<double> limitValue(const Blend& blend, const LimitRef& limit) {
    return slot(blend, limit);
}

Blend withLimit(Blend blend, const LimitRef& limit, std::optional<double> value) {
    slot(blend, limit) = value;
    return blend;
}

std::vector<ConflictLimit> diagnoseConflict(const Blend& blend) {
    if (probe(blend).feasible)
        return {};
    Blend rest = blend;
    std::vector<LimitRef> kept;
    for (const LimitRef& limit : userLimits(blend)) {
        Blend without = withLimit(rest, limit, std::nullopt);
        if (probe(without).feasible)
            kept.push_back(limit);
        else
            rest = std::move(without);
    }
    std::vector<ConflictLimit> conflict;
    for (const LimitRef& limit : kept) {
        ConflictLimit c;
        c.limit = limit;
        c.nombre = limitName(blend, limit);
        c.valor = limitValue(blend, limit).value_or(0);
        c.relajacion = nearestFeasible(blend, limit, c.valor);
        if (c.relajacion)
            c.costo = probe(withLimit(blend, limit, *c.relajacion)).costo;
        if (!c.costo)
            c.relajacion.reset();
        conflict.push_back(c);
    }
    return conflict;
}

} // namespace lp
