#include "optimizer/engine/ranging.h"

#include "optimizer/engine/simplex.h"
#include "optimizer/engine/solution.h"
#include "optimizer/engine/tableau.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lp {

namespace {

// How the tableau moves per unit of the parameter: the cost row (price-like parameters) or the
// right-hand sides (limit-like ones), in the assembled layout.
struct Direction {
    Tableau base; // assembled at `at`
    double at = 0;
    bool cost = false;
    std::vector<double> dc; // [0..C+1]: cost row
    std::vector<double> db; // [0..M]: right-hand sides
    bool any = false;
};

enum class DirectionKind { Ok, NotLinear, TooWide };

bool allFinite(const std::vector<double>& v) {
    return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

// Whether the cost row and the right-hand sides of a tableau are finite.
bool finiteEnds(const Tableau& t) {
    for (int c = 0; c < t.width(); ++c)
        if (!std::isfinite(t.at(0, c)))
            return false;
    for (int r = 1; r <= t.M; ++r)
        if (!std::isfinite(t.at(r, t.rhs())))
            return false;
    return true;
}

// The direction is read off two assembled tableaux at inner points of the range, away from its
// ends, where a fixed ingredient (minimum = maximum) would be widened.
DirectionKind directionOf(const Blend& blend, const BlendParameter& at, double desde, double hasta,
                          Direction& d) {
    const double p1 = desde + (hasta - desde) / 3, p2 = desde + 2 * (hasta - desde) / 3;
    // Beyond about 1e308 the inner points, the blend's costs (a price on a dry basis) or the
    // direction overflow, and a walk on infinities never ends.
    if (!std::isfinite(p1) || !std::isfinite(p2) || !(p1 < p2))
        return DirectionKind::TooWide;
    Tableau a = assemble(at(blend, p1));
    const Tableau b = assemble(at(blend, p2));
    if (!finiteEnds(a) || !finiteEnds(b))
        return DirectionKind::TooWide;
    if (a.N != b.N || a.M != b.M)
        return DirectionKind::NotLinear;
    for (int r = 1; r <= a.M; ++r)
        for (int c = 1; c <= a.C; ++c)
            if (a.at(r, c) != b.at(r, c))
                return DirectionKind::NotLinear;
    const double h = p2 - p1;
    d.dc.assign(a.width(), 0.0);
    d.db.assign(a.M + 1, 0.0);
    bool cost = false, rhs = false;
    for (int c = 1; c <= a.N; ++c)
        if (a.at(0, c) != b.at(0, c)) {
            d.dc[c] = (b.at(0, c) - a.at(0, c)) / h;
            cost = true;
        }
    for (int r = 1; r <= a.M; ++r)
        if (a.at(r, a.rhs()) != b.at(r, a.rhs())) {
            d.db[r] = (b.at(r, a.rhs()) - a.at(r, a.rhs())) / h;
            rhs = true;
        }
    if (cost && rhs)
        return DirectionKind::NotLinear;
    if (!allFinite(d.dc) || !allFinite(d.db))
        return DirectionKind::TooWide;
    d.base = std::move(a);
    d.at = p1;
    d.cost = cost;
    d.any = cost || rhs;
    return DirectionKind::Ok;
}

double maxAbs(const std::vector<double>& v) {
    double m = 0;
    for (double x : v)
        m = std::max(m, std::abs(x));
    return m;
}

double batchCost(const Tableau& t, double q) {
    return -t.at(0, t.rhs()) * q;
}

struct Step {
    double from = 0, to = 0, costFrom = 0, costTo = 0, slope = 0;
    std::vector<double> mixFrom, mixTo;
};

struct Walk {
    std::vector<Step> steps;
    std::optional<double> infeasibleFrom; // the walk met a value past which no mix exists
    bool failed = false;
    long stepLimit = 0; // the bound of steps the walk reached, 0 when it ended
    long pivots = 0;
};

// Moves the parameter from `from` to `to` on the optimal tableau `t`, pivoting at each value
// where the basis stops being optimal (cost direction) or feasible (right-hand-side direction).
class Walker {
public:
    Walker(Tableau t, const Direction& d, double q, double from, double to)
        : t_(std::move(t)), d_(d), q_(q), t0_(from), end_(to), sign_(to >= from ? 1.0 : -1.0),
          limit_(rangingStepLimit(t_.M, t_.C)), basic_(t_.C + 1, false) {
        for (int r = 1; r <= t_.M; ++r)
            basic_[t_.varBasica[r]] = true;
    }

    Walk run() {
        Walk w;
        double at = t0_;
        for (long k = 0; k <= limit_; ++k) {
            const double left = std::abs(end_ - at);
            const bool done = d_.cost ? costStep(at, left, w) : rhsStep(at, left, w);
            if (done || w.failed || w.infeasibleFrom)
                return w;
            at = w.steps.back().to;
        }
        w.stepLimit = limit_;
        return w;
    }

private:
    // Appends the step of length u (in the walking direction) and moves the tableau to its end.
    void push(Walk& w, double at, double u, double slopePerU, const std::vector<double>& row,
              bool costRow) {
        Step s;
        s.from = at;
        s.to = at + sign_ * u;
        s.costFrom = batchCost(t_, q_);
        s.slope = sign_ * slopePerU;
        s.mixFrom = shares(t_);
        if (costRow)
            for (int c = 0; c < t_.width(); ++c)
                t_.at(0, c) += u * row[c];
        else
            for (int r = 0; r <= t_.M; ++r)
                t_.at(r, t_.rhs()) += u * row[r];
        s.costTo = batchCost(t_, q_);
        s.mixTo = shares(t_);
        w.steps.push_back(std::move(s));
    }

    void pivotOn(int p, int q, Walk& w) {
        basic_[t_.varBasica[p]] = false;
        pivot(t_, p, q);
        basic_[q] = true;
        ++w.pivots;
    }

    // Cost row per unit of the walk: the change of the costs less what the basic columns'
    // change carries through their rows.
    std::vector<double> costDelta() const {
        std::vector<double> row(t_.width(), 0.0);
        for (int c = 1; c <= t_.N; ++c)
            row[c] = sign_ * d_.dc[c];
        for (int r = 1; r <= t_.M; ++r) {
            const double f = sign_ * d_.dc[t_.varBasica[r]];
            if (t_.varBasica[r] > t_.N || f == 0)
                continue;
            for (int c = 1; c <= t_.C; ++c)
                if (!basic_[c])
                    row[c] -= f * t_.at(r, c);
            row[t_.rhs()] -= f * t_.at(r, t_.rhs());
        }
        for (int c = 1; c <= t_.C; ++c)
            if (basic_[c])
                row[c] = 0;
        return row;
    }

    bool costStep(double at, double left, Walk& w) {
        const std::vector<double> delta = costDelta();
        const double tol = kOptimalityTolerance * std::max(1.0, maxAbs(delta));
        double u = left;
        int enter = -1;
        for (int c = 1; c <= t_.C; ++c) {
            if (basic_[c] || !(delta[c] < -tol))
                continue;
            const double ratio = std::max(t_.at(0, c), 0.0) / -delta[c];
            if (ratio < u) {
                u = ratio;
                enter = c;
            }
        }
        push(w, at, u, -delta[t_.rhs()] * q_, delta, true);
        if (enter < 0)
            return true;
        t_.at(0, enter) = 0;
        double colMax = 0;
        for (int r = 1; r <= t_.M; ++r)
            colMax = std::max(colMax, std::abs(t_.at(r, enter)));
        const double pivotTol = kPivotTolerance * std::max(1.0, colMax);
        int leave = -1;
        double best = 0;
        for (int r = 1; r <= t_.M; ++r) {
            const double e = t_.at(r, enter);
            if (!(e > pivotTol))
                continue;
            const double ratio = std::max(t_.at(r, t_.rhs()), 0.0) / e;
            if (leave < 0 || ratio < best || (ratio == best && e > t_.at(leave, enter))) {
                leave = r;
                best = ratio;
            }
        }
        if (leave < 0) {
            w.failed = true;
            return true;
        }
        pivotOn(leave, enter, w);
        return false;
    }

    // Right-hand sides per unit of the walk: each moved row's slack column of the final
    // tableau is B^-1 of that row's unit vector.
    std::vector<double> rhsDelta() const {
        std::vector<double> g(t_.M + 1, 0.0);
        for (int q = 1; q <= t_.M; ++q) {
            const double f = sign_ * d_.db[q];
            if (f == 0)
                continue;
            for (int r = 0; r <= t_.M; ++r)
                g[r] += f * t_.at(r, t_.N + q);
        }
        return g;
    }

    bool rhsStep(double at, double left, Walk& w) {
        const std::vector<double> g = rhsDelta();
        const double tol = 1e-12 * maxAbs(g);
        double u = left;
        int leave = -1;
        for (int r = 1; r <= t_.M; ++r) {
            if (!(g[r] < -tol))
                continue;
            const double ratio = std::max(t_.at(r, t_.rhs()), 0.0) / -g[r];
            if (ratio < u || (ratio == u && leave >= 0 && g[r] < g[leave])) {
                u = ratio;
                leave = r;
            }
        }
        push(w, at, u, -g[0] * q_, g, false);
        if (leave < 0)
            return true;
        t_.at(leave, t_.rhs()) = 0;
        double rowMax = 0;
        for (int c = 1; c <= t_.C; ++c)
            rowMax = std::max(rowMax, std::abs(t_.at(leave, c)));
        const double pivotTol = kPivotTolerance * std::max(1.0, rowMax);
        int enter = -1;
        double best = 0;
        for (int c = 1; c <= t_.C; ++c) {
            const double e = t_.at(leave, c);
            if (basic_[c] || !(e < -pivotTol))
                continue;
            const double ratio = std::max(t_.at(0, c), 0.0) / -e;
            if (enter < 0 || ratio < best) {
                enter = c;
                best = ratio;
            }
        }
        if (enter < 0) {
            // Rows that all stay within the engine's feasibility tolerance up to the end of the
            // range end it by round-off only (an ingredient's maximum ranged down to 0 empties
            // its share exactly there): the last step runs on to the end.
            if (stretchToEnd(w, left - u, g))
                return true;
            w.infeasibleFrom = w.steps.back().to;
            return true;
        }
        pivotOn(leave, enter, w);
        return false;
    }

    // Moves the tableau `rest` further along g, to the end of the range, and the last step's end
    // with it, when no right-hand side falls below the feasibility tolerance there.
    bool stretchToEnd(Walk& w, double rest, const std::vector<double>& g) {
        for (int r = 1; r <= t_.M; ++r)
            if (t_.at(r, t_.rhs()) + rest * g[r] < -kFeasibilityTolerance)
                return false;
        for (int r = 0; r <= t_.M; ++r)
            t_.at(r, t_.rhs()) += rest * g[r];
        Step& s = w.steps.back();
        s.to = end_;
        s.costTo = batchCost(t_, q_);
        s.mixTo = shares(t_);
        return true;
    }

    Tableau t_;
    const Direction& d_;
    double q_, t0_, end_, sign_;
    long limit_;
    std::vector<bool> basic_;
};

bool near(const std::vector<double>& a, const std::vector<double>& b) {
    for (size_t i = 0; i < a.size(); ++i)
        if (std::abs(a[i] - b[i]) > 1e-9)
            return false;
    return true;
}

// Whether step s goes on as the interval before it did: the same slope of the cost and the mix
// on the same line, so the pivot between them changed the basis only.
bool continues(const RangingInterval& last, const Step& s) {
    if (std::abs(last.pendiente - s.slope) > 1e-9 * std::max(1.0, std::abs(s.slope)))
        return false;
    const double f = (s.to - last.desde) / (last.hasta - last.desde);
    std::vector<double> extended(last.mezcla.size());
    for (size_t i = 0; i < extended.size(); ++i)
        extended[i] = last.mezcla[i] + f * (last.mezclaHasta[i] - last.mezcla[i]);
    return near(extended, s.mixTo);
}

// Steps in ascending order become the intervals: steps of no length are dropped, and a step that
// only changed the basis joins the interval before it.
void appendIntervals(std::vector<RangingInterval>& out, const std::vector<Step>& steps,
                     double scale) {
    for (const Step& s : steps) {
        if (!(s.to - s.from > 1e-12 * scale))
            continue;
        if (!out.empty() && continues(out.back(), s)) {
            out.back().hasta = s.to;
            out.back().costoHasta = s.costTo;
            out.back().mezclaHasta = s.mixTo;
            continue;
        }
        out.push_back({s.from, s.to, s.costFrom, s.costTo, s.slope, s.mixFrom, s.mixTo});
    }
}

// A walk towards lower values, turned to ascend: each step's ends swap, with their costs and
// mixes.
std::vector<Step> ascending(const Walk& down) {
    std::vector<Step> steps;
    for (auto it = down.steps.rbegin(); it != down.steps.rend(); ++it) {
        Step s = *it;
        std::swap(s.from, s.to);
        std::swap(s.costFrom, s.costTo);
        std::swap(s.mixFrom, s.mixTo);
        steps.push_back(std::move(s));
    }
    return steps;
}

// The assembled tableau moved along the direction to the parameter's value s.
void moveAlong(Tableau& t, const Direction& d, double s) {
    if (d.cost)
        for (int c = 1; c <= t.N; ++c)
            t.at(0, c) += (s - d.at) * d.dc[c];
    else
        for (int r = 1; r <= t.M; ++r)
            t.at(r, t.rhs()) += (s - d.at) * d.db[r];
}

// The largest error the rounding of (s - d.at) times the direction leaves on the tableau.
double roundOff(const Direction& d, double s) {
    return std::abs(s - d.at) * maxAbs(d.cost ? d.dc : d.db) *
           std::numeric_limits<double>::epsilon();
}

// The largest cost (or right-hand side) the parameter leaves alone, and at least 1.
double unmovedSize(const Direction& d) {
    double size = 1;
    if (d.cost) {
        for (int c = 1; c <= d.base.N; ++c)
            if (d.dc[c] == 0)
                size = std::max(size, std::abs(d.base.at(0, c)));
    } else {
        for (int r = 1; r <= d.base.M; ++r)
            if (d.db[r] == 0)
                size = std::max(size, std::abs(d.base.at(r, d.base.rhs())));
    }
    return size;
}

} // namespace

long rangingStepLimit(int m, int c) {
    return 20L * (m + c) + 1000;
}

Ranging rangeParameter(const Blend& blend, const BlendParameter& at, double current, double desde,
                       double hasta) {
    Ranging out;
    if (!(desde < hasta) || !std::isfinite(desde) || !std::isfinite(hasta))
        return out;
    Direction d;
    switch (directionOf(blend, at, desde, hasta, d)) {
    case DirectionKind::NotLinear:
        out.status = RangingStatus::NotLinear;
        return out;
    case DirectionKind::TooWide:
        out.status = RangingStatus::TooWide;
        return out;
    case DirectionKind::Ok:
        break;
    }
    // The blend at either end of the range, as the walk will reach it, must be finite too, and
    // the round-off of moving the assembled tableau there must stay within the feasibility
    // tolerance of the blend's own costs or limits: past that (a price of 1e300) the tableau the
    // walk starts from is noise.
    for (double end : {desde, hasta}) {
        Tableau t = d.base;
        moveAlong(t, d, end);
        if (!finiteEnds(t) || roundOff(d, end) > kFeasibilityTolerance * unmovedSize(d)) {
            out.status = RangingStatus::TooWide;
            return out;
        }
    }
    // A moving cost leaves the mixes that meet the limits as they are: one start decides. A moving
    // right-hand side makes the values with a mix one interval; it is looked for from the
    // current value, then from either end.
    std::vector<double> starts = {std::clamp(current, desde, hasta)};
    if (!d.cost)
        starts.insert(starts.end(), {desde, hasta});
    // The start is the assembled tableau moved along the direction, so the walk follows the
    // same line everywhere (a fixed ingredient's widening at one value is no part of it).
    std::optional<Tableau> start;
    double t0 = 0;
    for (double s : starts) {
        Tableau t = d.base;
        moveAlong(t, d, s);
        const Outcome o = solve(t).outcome;
        if (o == Outcome::Infeasible)
            continue;
        if (o != Outcome::Optimum)
            return out;
        start = std::move(t);
        t0 = s;
        break;
    }
    if (!start) {
        out.status = RangingStatus::Infeasible;
        out.infactibleDesde = desde;
        return out;
    }
    const double q = blend.cantidad;
    const Walk down = Walker(*start, d, q, t0, desde).run();
    const Walk up = Walker(*start, d, q, t0, hasta).run();
    if (down.failed || up.failed)
        return out;
    if (down.stepLimit || up.stepLimit) {
        out.status = RangingStatus::StepLimit;
        out.stepLimit = std::max(down.stepLimit, up.stepLimit);
        out.pivots = down.pivots + up.pivots;
        return out;
    }
    const double scale = std::max({std::abs(desde), std::abs(hasta), hasta - desde});
    appendIntervals(out.tramos, ascending(down), scale);
    appendIntervals(out.tramos, up.steps, scale);
    out.infactibleHasta = down.infeasibleFrom;
    out.infactibleDesde = up.infeasibleFrom;
    out.pivots = down.pivots + up.pivots;
    out.status = RangingStatus::Ok;
    return out;
}

Blend withPrice(Blend blend, std::size_t i, double price) {
    Ingredient& ing = blend.ingredients[i];
    ing.costoHumeda = price;
    ing.costoSeca = price / (ing.materiaSeca / 100);
    return blend;
}

Ranging rangePrice(const Blend& blend, std::size_t i, double desde, double hasta) {
    const auto at = [i](const Blend& b, double v) { return withPrice(b, i, v); };
    return rangeParameter(blend, at, blend.ingredients[i].costoHumeda, desde, hasta);
}

Ranging rangeLimit(const Blend& blend, const LimitRef& limit, double desde, double hasta) {
    // A ratio's bound multiplies the divisor's contents in its row: on one basis the cost is a
    // quotient of lines in it, not a line, so no interval of this kind describes it.
    if (limit.kind == LimitRef::Ratio) {
        Ranging out;
        out.status = RangingStatus::NotLinear;
        return out;
    }
    const auto at = [limit](const Blend& b, double v) { return withLimit(b, limit, v); };
    return rangeParameter(blend, at, limitValue(blend, limit).value_or(desde), desde, hasta);
}

} // namespace lp
