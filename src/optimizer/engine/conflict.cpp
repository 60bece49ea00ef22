#include "optimizer/engine/conflict.h"

#include "optimizer/engine/simplex.h"
#include "optimizer/engine/solution.h"
#include "optimizer/engine/tableau.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

// Runs of the engine on behalf of one diagnosis: each one tells the caller, who may stop it.
// Once stopped, no more runs are made and every blend counts as infeasible, so the loops end.
class Runs {
public:
    explicit Runs(DiagnosisProgress progress) : progress_(std::move(progress)) {}

    SolvedBlend solve(const Blend& blend) {
        SolvedBlend run = assembleAndSolve(blend);
        tell();
        return run;
    }
    Probe probeOf(const Blend& blend) {
        if (cancelled_)
            return {};
        const Probe p = probe(blend);
        tell();
        return p;
    }
    bool feasibleAt(const Blend& blend, const LimitRef& limit, std::optional<double> value) {
        return probeOf(withLimit(blend, limit, value)).feasible;
    }
    bool cancelled() const { return cancelled_; }

    int done = 0, total = 0;

private:
    void tell() {
        if (progress_ && !cancelled_ && !progress_(done, total))
            cancelled_ = true;
    }

    DiagnosisProgress progress_;
    bool cancelled_ = false;
};

bool feasibleOutcome(const SolveResult& solved) {
    return solved.outcome != Outcome::Infeasible && solved.outcome != Outcome::NotStandard &&
           !solved.phase1LimitReached;
}

bool sameLimit(const LimitRef& a, const LimitRef& b) {
    return a.kind == b.kind && a.side == b.side && a.index == b.index;
}

// The user limits of `blend` that the proof of an infeasible run of it rests on: those of the
// rows with a weight in the proof row (see SolveResult::proofRow). None without a proof.
std::optional<std::vector<LimitRef>> proofLimits(const Blend& blend, const SolvedBlend& run) {
    const Tableau& t = run.tableau;
    const int r = run.result.proofRow;
    if (run.result.outcome != Outcome::Infeasible || r <= 0 || r > t.M)
        return std::nullopt;
    const std::vector<LimitRef> rows = rowLimits(blend);
    const double* weight = t.row(r) + t.N; // weight[k]: of row k
    double largest = 0;
    for (int k = 1; k <= t.M; ++k)
        largest = std::max(largest, std::abs(weight[k]));
    std::vector<LimitRef> limits;
    for (size_t k = 1; k <= rows.size() && static_cast<int>(k) <= t.M; ++k)
        if (std::abs(weight[k]) > 1e-9 * largest && limitValue(blend, rows[k - 1]))
            limits.push_back(rows[k - 1]);
    return limits;
}

// Drops from `rest` (infeasible, as `run` found it) the limits of `open` its proof does not rest
// on, as long as that leaves a blend the engine finds infeasible: a run checks each narrowing,
// should rounding have left out a limit the proof needs, and its own proof narrows again.
void narrowToProof(Blend& rest, std::vector<LimitRef>& open, SolvedBlend run, Runs& runs) {
    while (!runs.cancelled()) {
        const std::optional<std::vector<LimitRef>> proof = proofLimits(rest, run);
        if (!proof)
            return;
        Blend narrowed = rest;
        std::vector<LimitRef> left;
        for (const LimitRef& limit : open) {
            const bool needed = std::any_of(proof->begin(), proof->end(),
                                            [&](const LimitRef& p) { return sameLimit(p, limit); });
            if (needed)
                left.push_back(limit);
            else
                narrowed = withLimit(std::move(narrowed), limit, std::nullopt);
        }
        if (left.size() == open.size())
            return;
        run = runs.solve(narrowed);
        if (feasibleOutcome(run.result))
            return;
        runs.done += static_cast<int>(open.size() - left.size());
        rest = std::move(narrowed);
        open = std::move(left);
    }
}

// A value of the limit at which the blend is feasible, moving away from the stored one in the
// direction that loosens it, or none. Loosening a limit only widens the set of mixes, so the
// values that work form one interval reaching to the loose end.
std::optional<double> someFeasibleValue(const Blend& blend, const LimitRef& limit, double stored,
                                        Runs& runs) {
    const double loosen = limit.side == LimitRef::Minimum ? -1.0 : 1.0;
    if (onQuantity(limit)) {
        // A share lies between 0 and the whole batch: those ends are no limit.
        const double end = limit.side == LimitRef::Minimum ? 0.0 : std::max(blend.cantidad, stored);
        if (runs.feasibleAt(blend, limit, end))
            return end;
    }
    double step = std::max(std::abs(stored), 1.0);
    for (int k = 0; k < 64 && !runs.cancelled(); ++k, step *= 2)
        if (runs.feasibleAt(blend, limit, stored + loosen * step))
            return stored + loosen * step;
    return std::nullopt;
}

// The figure as shown: rounded to a few decimals on the loose side, when that still holds, so the
// value is a readable one and re-solving at it still finds a mix.
double readable(const Blend& blend, const LimitRef& limit, double good, Runs& runs) {
    const double quantum = std::abs(good) >= 1 ? 1e-6 : 1e-9;
    const double scaled = good / quantum;
    const double rounded =
        (limit.side == LimitRef::Minimum ? std::floor(scaled) : std::ceil(scaled)) * quantum;
    // A quantity or a ratio of contents below 0 is no figure to show.
    if (limit.kind != LimitRef::Nutrient && rounded < 0)
        return good;
    return runs.feasibleAt(blend, limit, rounded) ? rounded : good;
}

// Bisection between the stored value (infeasible) and a feasible one; what it returns is always a
// value the engine was seen to solve.
std::optional<double> nearestFeasible(const Blend& blend, const LimitRef& limit, double stored,
                                      Runs& runs) {
    if (!runs.feasibleAt(blend, limit, std::nullopt))
        return std::nullopt;
    const std::optional<double> start = someFeasibleValue(blend, limit, stored, runs);
    if (!start)
        return std::nullopt;
    double good = *start, bad = stored;
    for (int k = 0; k < 200 && !runs.cancelled(); ++k) {
        if (std::abs(good - bad) <= 1e-10 * std::max(1.0, std::abs(good)))
            break;
        const double mid = (good + bad) / 2;
        if (mid == good || mid == bad)
            break;
        (runs.feasibleAt(blend, limit, mid) ? good : bad) = mid;
    }
    return readable(blend, limit, good, runs);
}

ConflictLimit entry(const Blend& blend, const LimitRef& limit, Runs& runs) {
    ConflictLimit c;
    c.limit = limit;
    c.nombre = limitName(blend, limit);
    c.valor = limitValue(blend, limit).value_or(0);
    c.relajacion = nearestFeasible(blend, limit, c.valor, runs);
    if (c.relajacion)
        c.costo = runs.probeOf(withLimit(blend, limit, *c.relajacion)).costo;
    if (!c.costo)
        c.relajacion.reset();
    return c;
}

} // namespace

ConflictLimit conflictEntry(const Blend& blend, const LimitRef& limit) {
    Runs runs(nullptr);
    return entry(blend, limit, runs);
}

Probe probe(const Blend& blend) {
    const SolvedBlend run = assembleAndSolve(blend);
    const Tableau& t = run.tableau;
    const SolveResult& solved = run.result;
    Probe p;
    p.feasible = feasibleOutcome(solved);
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
    return diagnoseConflict(blend, nullptr).conflicto;
}

Diagnosis diagnoseConflict(const Blend& blend, const DiagnosisProgress& progress) {
    Diagnosis out;
    Runs runs(progress);
    std::vector<LimitRef> open = userLimits(blend);
    runs.total = static_cast<int>(open.size());
    const SolvedBlend first = runs.solve(blend);
    if (feasibleOutcome(first.result) || runs.cancelled()) {
        out.cancelled = runs.cancelled();
        return out;
    }
    // Deletion filtering: `rest` stays infeasible; `open` holds the limits still to try, in order.
    Blend rest = blend;
    narrowToProof(rest, open, first, runs);
    std::vector<LimitRef> kept;
    while (!open.empty() && !runs.cancelled()) {
        const LimitRef limit = open.front();
        open.erase(open.begin());
        ++runs.done;
        Blend without = withLimit(rest, limit, std::nullopt);
        const SolvedBlend run = runs.solve(without);
        if (feasibleOutcome(run.result)) {
            kept.push_back(limit);
            continue;
        }
        rest = std::move(without);
        narrowToProof(rest, open, run, runs);
    }
    runs.done = runs.total;
    runs.total += static_cast<int>(kept.size());
    for (const LimitRef& limit : kept) {
        if (runs.cancelled())
            break;
        out.conflicto.push_back(entry(blend, limit, runs));
        ++runs.done;
    }
    if (runs.cancelled()) {
        out.cancelled = true;
        out.conflicto.clear();
    }
    return out;
}

} // namespace lp
