#include "optimizer/engine/chance.h"

#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/chance_basis.h"
#include "optimizer/engine/chance_kkt.h"
#include "optimizer/engine/chance_rows.h"
#include "optimizer/engine/sensitivity.h"
#include "optimizer/engine/solution.h"
#include "optimizer/engine/tableau.h"
#include "optimizer/engine/text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>

namespace lp {

namespace {

// The quantile of a probability p <= 0.5, where 0.5 erfc(-x / sqrt 2) has full relative
// precision.
double lowerQuantile(double p) {
    // Acklam's approximation, relative error below 1.15e-9 over the whole range.
    static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02,
                               -2.759285104469687e+02, 1.383577518672690e+02,
                               -3.066479806614716e+01, 2.506628277459239e+00};
    static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02,
                               -1.556989798598866e+02, 6.680131188771972e+01,
                               -1.328068155288572e+01};
    static const double c[] = {-7.784894002430293e-03, -3.223964580411365e-01,
                               -2.400758277161838e+00, -2.549732539343734e+00,
                               4.374664141464968e+00,  2.938163982698783e+00};
    static const double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                               3.754408661907416e+00};
    constexpr double low = 0.02425;
    double x = 0;
    if (p < low) {
        const double q = std::sqrt(-2 * std::log(p));
        x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    } else {
        const double q = p - 0.5, r = q * q;
        x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
            (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
    }
    // One Halley step on Phi(x) - p, Phi from erfc (accurate in both tails), takes the 1e-9 of
    // the approximation to the precision of a double.
    const double e = 0.5 * std::erfc(-x / std::sqrt(2.0)) - p;
    const double u = e * std::sqrt(2 * M_PI) * std::exp(x * x / 2);
    return x - u / (1 + x * u / 2);
}

} // namespace

// Above 0.5 the quantile is minus that of 1 - p, which a double holds exactly there: Phi(x) - p
// near 1 would lose the last digits of a high probability's quantile.
double normalQuantile(double p) {
    if (!(p > 0 && p < 1))
        return std::numeric_limits<double>::quiet_NaN();
    return p > 0.5 ? -lowerQuantile(1 - p) : lowerQuantile(p);
}

namespace {

double probabilityOf(const ChanceLimits& chance, size_t n) {
    return n < chance.probabilidad.size() && chance.probabilidad[n] ? *chance.probabilidad[n] : 0.0;
}

double deviationOf(const ChanceLimits& chance, size_t n, size_t i) {
    if (n >= chance.desvio.size() || i >= chance.desvio[n].size())
        return 0.0;
    return chance.desvio[n][i];
}

// The chance rows of a blend: nutrient limits with a probability above 0.5 and some deviation
// above 0. The deviation of a coefficient is the composition's deviation times the same factor
// the value is weighted by (1 on dry-matter shares, the dry-matter fraction on as-fed ones); on
// as-fed shares with a dry-basis limit the row is sum((a - limit) dm x), whose random part is
// again sum(a dm x).
std::vector<ChanceRow> chanceRows(const Blend& blend, const ChanceLimits& chance) {
    std::vector<ChanceRow> rows;
    const std::vector<LimitRef> general = generalLimits(blend);
    const size_t count = blend.ingredients.size();
    for (size_t k = 0; k < general.size(); ++k) {
        const LimitRef& limit = general[k];
        if (limit.kind != LimitRef::Nutrient)
            continue;
        const double p = probabilityOf(chance, limit.index);
        if (!(p > kMinimumProbability))
            continue;
        ChanceRow row;
        row.k = static_cast<int>(k);
        row.nutrient = limit.index;
        row.minimum = limit.side == LimitRef::Minimum;
        row.z = normalQuantile(p);
        row.sigma.resize(count);
        bool any = false;
        for (size_t i = 0; i < count; ++i) {
            row.sigma[i] = deviationOf(chance, limit.index, i) * contentFactor(blend, i);
            any = any || row.sigma[i] > 0;
        }
        if (!any || !(row.z > 0))
            continue;
        row.c.resize(count);
        row.b = generalRow(blend, limit, row.c.data());
        const Nutrient& nut = blend.nutrients[limit.index];
        row.limit = row.minimum ? *nut.minimo : *nut.maximo;
        const bool perDry = !blend.secaIng && blend.secaNut;
        for (size_t i = 0; i < count; ++i) {
            row.value.push_back(blend.valor[limit.index][i] * contentFactor(blend, i));
            row.limitWeight.push_back(perDry ? blend.ingredients[i].materiaSeca / 100 : 1.0);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// With Newton's method on the optimality conditions (kktPoint) the rounds end after one to three
// on the sample diets and three to seven on 200 x 60 blends with every limit at 95 %. The limit
// only stops a search that has lost its way, and such a run ends Failed, never as an optimum.
constexpr int kRoundLimit = 2000;

// The tangent of row's cone constraint at x, scaled by the limit's size: with g the gradient of
// z ||sigma x|| at x, (c + g) x <= b holds for every mix that meets the limit (Cauchy-Schwarz:
// ||sigma y|| >= (sigma x).(sigma y) / ||sigma x||), and touches it at x.
void appendCut(BoundedLp& lp, const ChanceRow& row, const std::vector<double>& x,
               std::vector<double>& scales) {
    const double sd = spread(row.sigma, x);
    const double scale = limitScale(row, x, sd);
    const int n = lp.n;
    const double slope = sd > 0 ? row.z / sd : 0.0, inverse = 1 / scale;
    const size_t at = lp.a.size();
    lp.a.resize(at + size_t(n));
    for (int j = 0; j < n; ++j)
        lp.a[at + size_t(j)] = (row.c[size_t(j)] + slope * row.sigma[size_t(j)] *
                                                       row.sigma[size_t(j)] * x[size_t(j)]) *
                               inverse;
    lp.b.push_back(row.b / scale);
    lp.lower.push_back(0.0);
    lp.upper.push_back(BoundedLp::kInfinity);
    ++lp.m;
    scales.push_back(scale);
}

// A mix that meets every chance limit: the optimum of the programme in which each margin is
// taken at its largest, z sum(sigma x) >= z ||sigma x|| on shares that are not negative. Empty
// when that stricter programme has no mix.
std::optional<std::vector<double>> innerMix(BoundedLp lp, const std::vector<ChanceRow>& rows,
                                            long& pivots) {
    for (const ChanceRow& row : rows)
        for (int j = 0; j < lp.n; ++j)
            lp.a[static_cast<size_t>(row.k) * lp.n + j] += row.z * row.sigma[size_t(j)];
    const BoundedSolution s = solveBounded(lp);
    pivots += s.pivots;
    if (s.status != BoundedStatus::Optimal)
        return std::nullopt;
    std::vector<double> x(s.x.begin(), s.x.begin() + lp.n);
    for (double& v : x)
        v = std::max(v, 0.0);
    if (std::any_of(rows.begin(), rows.end(), [&](const ChanceRow& r) { return excess(r, x) > 0; }))
        return std::nullopt; // round-off on the edge of a limit
    return x;
}

// How far the mix lies beyond the last row of lp (the row's left-hand side less its right).
double cutDepth(const BoundedLp& lp, const std::vector<double>& x) {
    const double* row = &lp.a[size_t(lp.m - 1) * size_t(lp.n)];
    return std::inner_product(row, row + lp.n, x.begin(), -lp.b.back());
}

// The excess of a row along the segment from `from` to `to`, as a function of the share t of
// the way: linear plus z times the root of a quadratic, its terms summed once, so that halving
// the segment costs nothing per step.
class SegmentExcess {
public:
    SegmentExcess(const ChanceRow& row, const std::vector<double>& from,
                  const std::vector<double>& to)
        : z_(row.z) {
        base_ = -row.b;
        for (size_t i = 0; i < from.size(); ++i) {
            const double w = to[i] - from[i], su = row.sigma[i] * from[i], sw = row.sigma[i] * w;
            base_ += row.c[i] * from[i];
            slope_ += row.c[i] * w;
            a_ += su * su;
            b_ += su * sw;
            c_ += sw * sw;
        }
    }
    double operator()(double t) const {
        return base_ + t * slope_ + z_ * std::sqrt(std::max(0.0, a_ + t * (2 * b_ + t * c_)));
    }

private:
    double z_ = 0, base_ = 0, slope_ = 0, a_ = 0, b_ = 0, c_ = 0;
};

// The point where the segment from `inner` (which meets the limit) to `x` (which breaks it)
// crosses the limit's surface, by halving: the limit function is convex along the segment.
// A tangent there supports the limit's set of mixes, where a tangent at `x` only touches the
// cone outside it, and the rounds close in far faster.
std::vector<double> boundaryPoint(const ChanceRow& row, const std::vector<double>& inner,
                                  const std::vector<double>& x) {
    const SegmentExcess along(row, inner, x);
    double lo = 0, hi = 1;
    for (int step = 0; step < 60; ++step) {
        const double mid = 0.5 * (lo + hi);
        (along(mid) > 0 ? hi : lo) = mid;
    }
    std::vector<double> at(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        at[i] = inner[i] + hi * (x[i] - inner[i]);
    return at;
}

// Whether the values of a solution satisfy every row and bound of lp, computed directly: a check
// on a warm start, whose inverse may have lost precision on tangents at nearby mixes.
bool consistent(const BoundedLp& lp, const BoundedSolution& s) {
    const int n = lp.n;
    for (int j = 0; j < n + lp.m; ++j)
        if (s.x[size_t(j)] < lp.lower[size_t(j)] - kFeasibilityTolerance ||
            s.x[size_t(j)] > lp.upper[size_t(j)] + kFeasibilityTolerance)
            return false;
    for (int i = 0; i < lp.m; ++i) {
        double residual = lp.b[size_t(i)] - s.x[size_t(n + i)], size = std::abs(lp.b[size_t(i)]);
        for (int j = 0; j < n; ++j) {
            residual -= lp.at(i, j) * s.x[size_t(j)];
            size = std::max(size, std::abs(lp.at(i, j) * s.x[size_t(j)]));
        }
        if (std::abs(residual) > kFeasibilityTolerance * std::max(1.0, size))
            return false;
    }
    // The duals are minus the logicals' reduced costs: each structural reduced cost must follow
    // from them, and every reduced cost have the sign its column's state asks for, or the
    // programme's cost is no lower bound.
    // Summed row by row along the rows' storage, each column's terms in the order they were.
    std::vector<double> dual(lp.cost.begin(), lp.cost.begin() + n);
    std::vector<double> sizes(static_cast<size_t>(n));
    for (int j = 0; j < n; ++j)
        sizes[size_t(j)] = std::max(std::abs(s.d[size_t(j)]), std::abs(lp.cost[size_t(j)]));
    for (int i = 0; i < lp.m; ++i) {
        const double y = s.d[size_t(n + i)];
        if (y == 0) // a basic logical's row adds nothing
            continue;
        const double* row = &lp.a[size_t(i) * size_t(n)];
        for (int j = 0; j < n; ++j) {
            const double term = y * row[j];
            dual[size_t(j)] += term;
            sizes[size_t(j)] = std::max(sizes[size_t(j)], std::abs(term));
        }
    }
    for (int j = 0; j < n + lp.m; ++j) {
        const double reduced = s.d[size_t(j)];
        double size = std::abs(reduced);
        if (j < n) {
            const double d = dual[size_t(j)];
            size = sizes[size_t(j)];
            // Loose: the updates leave a few 1e-9 of the size here, which is no proof of a wrong
            // basis; a lost inverse shows far beyond this.
            if (std::abs(d - reduced) > 1e-7 * std::max(1.0, size))
                return false;
        }
        const double tolerance = kFeasibilityTolerance * std::max(1.0, size);
        const bool free = lp.lower[size_t(j)] < lp.upper[size_t(j)];
        switch (s.state[size_t(j)]) {
        case ColumnState::Basic:
            if (std::abs(reduced) > tolerance)
                return false;
            break;
        case ColumnState::AtLower:
            if (free && reduced < -tolerance)
                return false;
            break;
        case ColumnState::AtUpper:
            if (free && reduced > tolerance)
                return false;
            break;
        }
    }
    return true;
}

// Tangents that have stayed slack for kIdleRounds rounds are dropped, except the newest of each
// chance limit: without this the programme keeps every tangent of every round, on large blends
// with every limit at a margin some thousands of rows, and each round's simplex slows down with
// it until it gives up. Slack rows leave the optimum as it is (their duals are 0), so the lower
// bound still rises from round to round and the rounds cannot return to a mix they cut off
// for good; a tangent only dropped after a few idle rounds rarely has to come back, where
// dropping every slack tangent at once let the mixes swing back and forth between rounds.
constexpr int kIdleRounds = 3;

void forgetIdleCuts(BoundedLp& lp, BoundedSolution& s, int linearRows, std::vector<int>& owner,
                    std::vector<double>& scales, std::vector<int>& idle) {
    const int n = lp.n;
    std::vector<int> newest; // by chance row
    for (int i = linearRows; i < lp.m; ++i) {
        const size_t r = size_t(owner[size_t(i)]);
        newest.resize(std::max(newest.size(), r + 1), -1);
        newest[r] = i;
    }
    std::vector<bool> drop(size_t(lp.m), false);
    bool any = false;
    for (int i = linearRows; i < lp.m; ++i) {
        const bool slack = s.state[size_t(n + i)] == ColumnState::Basic &&
                           s.x[size_t(n + i)] > kFeasibilityTolerance;
        idle[size_t(i)] = slack ? idle[size_t(i)] + 1 : 0;
        if (slack && idle[size_t(i)] >= kIdleRounds && newest[size_t(owner[size_t(i)])] != i) {
            drop[size_t(i)] = true;
            any = true;
        }
    }
    if (!any)
        return;
    dropRows(lp, s, drop);
    auto squeeze = [&](auto& v) {
        size_t to = 0;
        for (size_t i = 0; i < drop.size(); ++i)
            if (!drop[i])
                v[to++] = v[i];
        v.resize(to);
    };
    squeeze(owner);
    squeeze(scales);
    squeeze(idle);
}

double objective(const Blend& blend, const std::vector<double>& x) {
    double cost = 0;
    for (size_t i = 0; i < x.size(); ++i)
        cost += columnCost(blend, i) * x[i];
    return cost;
}

// The centre of the cuts moves to the cheapest mix on the segment from it to the programme's
// mix x that still meets every chance limit (the limits are convex, the linear rows hold at both
// ends). Tangents where the segments from that centre cross the limits then close in on the
// optimum from both sides: the centre's cost is an upper bound, the programme's a lower one, and
// the rounds can stop when the two meet, where tangents at the programme's mixes alone gain only
// a part of the violation each round on a blend with a hundred curved limits.
void moveCentre(const std::vector<ChanceRow>& rows, std::vector<double>& centre,
                const std::vector<double>& x, const Blend& blend) {
    double t = 1;
    for (const ChanceRow& row : rows) {
        const SegmentExcess along(row, centre, x);
        if (along(t) <= 0)
            continue;
        double lo = 0, hi = t;
        for (int step = 0; step < 60; ++step) {
            const double mid = 0.5 * (lo + hi);
            (along(mid) > 0 ? hi : lo) = mid;
        }
        t = lo;
    }
    if (!(t > 0))
        return;
    std::vector<double> at(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        at[i] = centre[i] + t * (x[i] - centre[i]);
    // The halving ran on sums taken once; the new centre must keep every limit as the rows
    // themselves reckon it.
    if (objective(blend, at) < objective(blend, centre) &&
        std::all_of(rows.begin(), rows.end(),
                    [&](const ChanceRow& r) { return excess(r, at) <= 0; }))
        centre = at;
}

// Whether a mix keeps the column bounds and the linear rows (within the simplex's tolerance
// of 1e-9) and meets every chance limit.
bool meetsAll(const BoundedLp& lp, int linearRows, const std::vector<ChanceRow>& rows,
              const std::vector<double>& x) {
    for (int j = 0; j < lp.n; ++j)
        if (x[size_t(j)] < lp.lower[size_t(j)] - kFeasibilityTolerance ||
            x[size_t(j)] > lp.upper[size_t(j)] + kFeasibilityTolerance)
            return false;
    for (int i = 0; i < linearRows; ++i) {
        double logical = lp.b[size_t(i)];
        for (int j = 0; j < lp.n; ++j)
            logical -= lp.at(i, j) * x[size_t(j)];
        if (logical < lp.lower[size_t(lp.n + i)] - kFeasibilityTolerance ||
            logical > lp.upper[size_t(lp.n + i)] + kFeasibilityTolerance)
            return false;
    }
    return std::all_of(rows.begin(), rows.end(),
                       [&](const ChanceRow& r) { return violation(r, x) <= kChanceTolerance; });
}

double dryFraction(const Blend& blend, const std::vector<double>& x) {
    double dry = 0;
    for (size_t i = 0; i < x.size(); ++i)
        dry += blend.ingredients[i].materiaSeca / 100 * x[i];
    return dry;
}

// The mean content of nutrient n in the mix and its standard deviation, on the limit's basis.
std::pair<double, double> contentOf(const Blend& blend, const ChanceLimits& chance, size_t n,
                                    const std::vector<double>& x) {
    double mean = 0, var = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double w = contentFactor(blend, i) * x[i];
        mean += blend.valor[n][i] * w;
        const double s = deviationOf(chance, n, i) * w;
        var += s * s;
    }
    if (!blend.secaIng && blend.secaNut) {
        const double dry = dryFraction(blend, x);
        if (dry > 0)
            return {mean / dry, std::sqrt(var) / dry};
    }
    return {mean, std::sqrt(var)};
}

std::vector<ChanceFigure> figuresAt(const Blend& blend, const ChanceLimits& chance,
                                    const std::vector<double>& x) {
    std::vector<ChanceFigure> out;
    for (size_t n = 0; n < blend.nutrients.size(); ++n) {
        const double p = probabilityOf(chance, n);
        if (!(p >= kMinimumProbability))
            continue;
        ChanceFigure f;
        f.nutrient = n;
        f.probabilidad = p;
        f.z = p > kMinimumProbability ? normalQuantile(p) : 0.0;
        std::tie(f.media, f.desvio) = contentOf(blend, chance, n, x);
        f.margen = f.z * f.desvio;
        out.push_back(f);
    }
    return out;
}

// On a run the cuts never touched the prices are the linear analysis's own.
void linearPrices(const Blend& blend, const Tableau& t, std::vector<ChanceFigure>& figures) {
    const std::vector<AnalysisRow> rows = sensitivityRows(t, blend);
    auto price = [&](size_t n, LimitRef::Side side) {
        const std::string label = rowLabel(blend, {LimitRef::Nutrient, side, n});
        for (const AnalysisRow& r : rows)
            if (r.tipo == "RN" && r.detalle == label)
                return r.valor2;
        return 0.0;
    };
    for (ChanceFigure& f : figures) {
        f.precioMinimo = price(f.nutrient, LimitRef::Minimum);
        f.precioMaximo = price(f.nutrient, LimitRef::Maximum);
    }
}

// The multipliers of the general limits at the final mix `x`, read from the programme of the
// linear rows and one tangent per chance limit there, added into `multiplier` (per general
// limit, unscaled). That mix is its optimum (the optimality conditions of the cone constraints
// at the mix are those of their tangents there), and its duals are the cones' multipliers. The
// duals of the rounds' own tangents, taken at mixes up to sqrt(1e-9) apart, would add up to them
// only to about 1e-4. False when that programme is not solved.
// Adds the duals of the rows of lp (solved as s; row i >= linearRows a tangent of chance row
// owner[i] scaled by scales[i]) to the multipliers of the general limits they stand for.
void addDuals(const BoundedLp& lp, const BoundedSolution& s, int linearRows,
              const std::vector<int>& owner, const std::vector<double>& scales,
              const std::vector<ChanceRow>& rows, std::vector<double>& multiplier) {
    for (int i = 0; i < lp.m; ++i) {
        const size_t k = i < linearRows ? size_t(i) : size_t(rows[size_t(owner[size_t(i)])].k);
        if (k < multiplier.size())
            multiplier[k] += s.d[size_t(lp.n + i)] / scales[size_t(i)];
    }
}

bool tangentDuals(const Blend& blend, const std::vector<ChanceRow>& rows,
                  const std::vector<double>& x, std::vector<double>& multiplier) {
    BoundedLp tangent;
    BoundedLayout layout;
    if (!boundedForm(blend, tangent, layout))
        return false;
    const int linearRows = tangent.m;
    std::vector<double> scales(static_cast<size_t>(linearRows), 1.0);
    std::vector<int> owner(static_cast<size_t>(linearRows), -1);
    for (size_t r = 0; r < rows.size(); ++r)
        if (spread(rows[r].sigma, x) > 0) {
            appendCut(tangent, rows[r], x, scales);
            owner.push_back(static_cast<int>(r));
        }
    const BoundedSolution duals = solveBounded(tangent, true);
    if (duals.status != BoundedStatus::Optimal)
        return false;
    addDuals(tangent, duals, linearRows, owner, scales, rows, multiplier);
    return true;
}

} // namespace

std::optional<std::string> checkChanceLimits(const Blend& blend, const ChanceLimits& chance) {
    if (chance.probabilidad.size() > blend.nutrients.size() ||
        chance.desvio.size() > blend.nutrients.size())
        return std::string(
            "Hay probabilidades o desvíos de nutrientes que no están en la fórmula.");
    for (size_t n = 0; n < chance.probabilidad.size(); ++n) {
        const std::optional<double>& p = chance.probabilidad[n];
        if (p && !(*p >= kMinimumProbability && *p <= kMaximumProbability))
            return "La probabilidad de " + trimmed(blend.nutrients[n].nombre) +
                   " debe estar entre 50 % y 99,99 %.";
    }
    for (size_t n = 0; n < chance.desvio.size(); ++n) {
        const std::vector<double>& row = chance.desvio[n];
        if (!row.empty() && row.size() != blend.ingredients.size())
            return "Los desvíos de " + trimmed(blend.nutrients[n].nombre) +
                   " no corresponden a los ingredientes de la fórmula.";
        for (size_t i = 0; i < row.size(); ++i)
            if (!(row[i] >= 0 && std::isfinite(row[i])))
                return "El desvío de " + trimmed(blend.nutrients[n].nombre) + " en " +
                       trimmed(blend.ingredients[i].nombre) +
                       " debe ser un número mayor o igual que cero.";
    }
    return std::nullopt;
}

// Outer approximation. The linear optimum is a mix of the relaxation in which every chance
// limit is its linear limit; each round adds, for every chance limit the mix breaks, the tangent
// of that limit's cone at the mix, and solves again. Every tangent is a valid linear limit, so
// each programme's cost is a lower bound of the true optimum and a programme without a mix
// proves that no mix meets the chance limits. The rounds stop when no limit is broken by more
// than kChanceTolerance of its size: the mix then meets them, and its cost lies within the
// shadow prices times that tolerance of the optimum, or earlier when a mix that meets every
// limit (the centre, see moveCentre) costs no more than the lower bound plus that tolerance, or
// when the optimality conditions of the cone programme hold at Newton's mix (kktPoint), whose
// multipliers then give the shadow prices without another programme. The first programme is solved
// by the bounded dual simplex from the slack basis, each later one from the basis the last ended on
// (withRowsAppended), and tangents slack for a few rounds are dropped (forgetIdleCuts): the
// programme stays at the linear rows plus some hundred tangents, where keeping every tangent grew
// it to thousands of rows that the simplex could no longer solve.
ChanceSolution solveChance(const Blend& blend, const ChanceLimits& chance) {
    ChanceSolution out;
    out.linear = assembleAndSolve(blend);
    const std::vector<ChanceRow> rows = chanceRows(blend, chance);
    std::vector<double> x = shares(out.linear.tableau);
    auto finishLinear = [&]() {
        out.status = out.linear.result.outcome == Outcome::Optimum      ? ChanceStatus::Optimum
                     : out.linear.result.outcome == Outcome::Infeasible ? ChanceStatus::Infeasible
                                                                        : ChanceStatus::Failed;
        out.shares = x;
        out.costo = objective(blend, x);
        out.figuras = figuresAt(blend, chance, x);
        if (out.status == ChanceStatus::Optimum)
            linearPrices(blend, out.linear.tableau, out.figuras);
        return out;
    };
    if (out.linear.result.outcome != Outcome::Optimum)
        return finishLinear();
    const bool broken = std::any_of(rows.begin(), rows.end(), [&](const ChanceRow& r) {
        return violation(r, x) > kChanceTolerance;
    });
    if (!broken)
        return finishLinear();

    out.cut = true;
    out.status = ChanceStatus::Failed;
    BoundedLp lp;
    BoundedLayout layout;
    if (!boundedForm(blend, lp, layout))
        return out;
    const int linearRows = lp.m;
    // Room for the tangents of some rounds: growing the rows one tangent at a time copied the
    // whole programme again and again.
    lp.a.reserve(size_t(linearRows + 4 * int(rows.size())) * size_t(lp.n));
    std::vector<int> owner(static_cast<size_t>(linearRows), -1); // chance row of each row
    for (size_t r = 0; r < rows.size(); ++r)
        owner[static_cast<size_t>(rows[r].k)] = static_cast<int>(r);
    std::vector<double> scales(static_cast<size_t>(linearRows), 1.0);
    BoundedSolution s;
    std::optional<std::vector<double>> inner = innerMix(lp, rows, out.pivots);
    std::optional<std::vector<double>> touch;
    std::vector<int> idle(static_cast<size_t>(linearRows), 0); // rounds a tangent stayed slack
    bool warm = false;
    std::optional<KktPoint> certified;
    for (;;) {
        if (out.rounds >= kRoundLimit)
            return out;
        const int before = lp.m;
        for (size_t r = 0; r < rows.size(); ++r)
            if (violation(rows[r], x) > kChanceTolerance) {
                // The tangent at the programme's mix cuts it off; one at the point Newton's
                // method found, where the limit is not yet met, does not always.
                const std::vector<double> at = inner ? boundaryPoint(rows[r], *inner, x) : x;
                appendCut(lp, rows[r], spread(rows[r].sigma, at) > 0 ? at : x, scales);
                // A centre on the surface of this limit makes the segment's crossing the centre
                // itself, whose tangent may barely cut the mix off; the tangent at the mix
                // always cuts it off by its whole excess.
                if (inner && cutDepth(lp, x) < 0.5 * excess(rows[r], x) / scales.back()) {
                    appendCut(lp, rows[r], x, scales);
                    owner.push_back(static_cast<int>(r));
                    ++out.cuts;
                }
                owner.push_back(static_cast<int>(r));
                ++out.cuts;
                if (touch && spread(rows[r].sigma, *touch) > 0) {
                    appendCut(lp, rows[r], *touch, scales);
                    owner.push_back(static_cast<int>(r));
                    ++out.cuts;
                }
            }
        if (lp.m == before)
            break;
        idle.resize(static_cast<size_t>(lp.m), 0);
        std::optional<BoundedSolution> start;
        bool extended = false;
        if (warm)
            start = withRowsAppended(lp, std::move(s), before, extended);
        s = start ? solveBoundedFrom(lp, *start, true) : solveBounded(lp, true);
        bool checked = start && s.status == BoundedStatus::Optimal && consistent(lp, s);
        // The extended inverse carries the last rounds' drift: only an optimum that checks out
        // is taken from it, anything else is decided again on a fresh inverse.
        if (start && extended && !checked) {
            out.pivots += s.pivots;
            if (!refactor(lp, *start))
                start.reset();
            s = start ? solveBoundedFrom(lp, *start, true) : solveBounded(lp, true);
            checked = start && s.status == BoundedStatus::Optimal && consistent(lp, s);
        }
        // The warm start is a shortcut, never the only way: a search from the slack basis
        // decides a programme it could not.
        if (start && !checked && s.status != BoundedStatus::Infeasible) {
            out.pivots += s.pivots;
            s = solveBounded(lp, true);
        }
        warm = true;
        ++out.rounds;
        out.pivots += s.pivots;
        if (s.status == BoundedStatus::Infeasible) {
            out.status = ChanceStatus::Infeasible;
            out.shares = shares(out.linear.tableau);
            out.costo = objective(blend, out.shares);
            out.figuras = figuresAt(blend, chance, out.shares);
            return out;
        }
        if (s.status != BoundedStatus::Optimal)
            return out;
        x.assign(s.x.begin(), s.x.begin() + lp.n);
        for (double& v : x)
            v = std::max(v, 0.0);
        if (inner)
            moveCentre(rows, *inner, x, blend);
        if (inner &&
            objective(blend, *inner) - objective(blend, x) <=
                kChanceTolerance * std::abs(objective(blend, x)) &&
            meetsAll(lp, linearRows, rows, *inner)) {
            x = *inner;
            break;
        }
        const std::optional<KktPoint> kkt = kktPoint(lp, s, linearRows, owner, scales, rows);
        // The optimality conditions hold at Newton's mix: it is the optimum, and its
        // multipliers are the limits' shadow prices.
        if (kkt && kkt->certified && meetsAll(lp, linearRows, rows, kkt->x)) {
            x = kkt->x;
            certified = std::move(kkt);
            break;
        }
        touch = kkt ? std::optional<std::vector<double>>(kkt->x) : std::nullopt;
        // Newton's mix meets every limit at a cost the programme's lower bound reaches within
        // 1e-9: it is the optimum to that precision, though the programme's own vertex may
        // still sit outside a limit (a flat optimal face of the outer rows).
        if (touch && meetsAll(lp, linearRows, rows, *touch) &&
            objective(blend, *touch) - objective(blend, x) <=
                kChanceTolerance * std::abs(objective(blend, x))) {
            x = *touch;
            break;
        }
        // A feasible Newton mix cheaper than the centre (or the first centre, when the mix with
        // every margin at its largest does not exist) becomes the centre.
        if (touch && (!inner || objective(blend, *touch) < objective(blend, *inner)) &&
            meetsAll(lp, linearRows, rows, *touch))
            inner = touch;
        forgetIdleCuts(lp, s, linearRows, owner, scales, idle);
    }

    out.status = ChanceStatus::Optimum;
    out.shares = x;
    out.costo = objective(blend, x);
    out.figuras = figuresAt(blend, chance, x);
    const std::vector<LimitRef> general = generalLimits(blend);
    std::vector<double> multiplier(general.size(), 0.0); // per general limit, unscaled
    if (certified) {
        for (size_t k = 0; k < general.size(); ++k)
            if (owner[k] < 0)
                multiplier[k] = certified->pi[k];
        for (size_t r = 0; r < rows.size(); ++r)
            multiplier[size_t(rows[r].k)] += certified->mu[r];
    } else if (!tangentDuals(blend, rows, x, multiplier)) {
        // The rounds' own tangents then, whose duals add up to the cones' only roughly.
        addDuals(lp, s, linearRows, owner, scales, rows, multiplier);
    }
    // A limit moved by one unit moves the right-hand side by one (a minimum enters negated), or
    // on as-fed shares with a dry-basis limit the row's left-hand side by the mix's dry matter.
    const double perLimit = !blend.secaIng && blend.secaNut ? dryFraction(blend, x) : 1.0;
    for (ChanceFigure& f : out.figuras)
        for (size_t k = 0; k < general.size(); ++k) {
            if (general[k].kind != LimitRef::Nutrient || general[k].index != f.nutrient)
                continue;
            const double price = multiplier[k] * perLimit * blend.cantidad;
            if (general[k].side == LimitRef::Minimum)
                f.precioMinimo += price;
            else
                f.precioMaximo -= price;
        }
    return out;
}

Reachability checkChanceReachability(const Blend& blend, const ChanceLimits& chance,
                                     const std::vector<int>& ingredientsInWorkspaceOrder) {
    Reachability linear = checkReachability(blend, ingredientsInWorkspaceOrder);
    if (!linear.passed)
        return linear;
    for (size_t n = 0; n < blend.nutrients.size(); ++n) {
        if (!blend.nutrients[n].minimo || !(probabilityOf(chance, n) > kMinimumProbability))
            continue;
        // The blend with this minimum alone: reached when the engine finds a mix for it.
        Blend alone = blend;
        alone.ratios.clear();
        alone.groups.clear();
        for (Nutrient& nut : alone.nutrients)
            nut.minimo = nut.maximo = std::nullopt;
        ChanceLimits only;
        only.probabilidad.assign(blend.nutrients.size(), std::nullopt);
        only.probabilidad[n] = chance.probabilidad[n];
        only.desvio = chance.desvio;
        auto reaches = [&](double m) {
            alone.nutrients[n].minimo = m;
            return solveChance(alone, only).status == ChanceStatus::Optimum;
        };
        const double wanted = *blend.nutrients[n].minimo;
        if (reaches(wanted))
            continue;
        // Out of reach. The linear screen of a minimum no mix reaches gives the nutrient's
        // contributions and the most its mean reaches; the most the guaranteed content reaches
        // lies between what a free mix guarantees and that, found by halving.
        alone.nutrients[n].minimo = std::numeric_limits<double>::max();
        Reachability out = checkReachability(alone, ingredientsInWorkspaceOrder);
        alone.nutrients[n].minimo = std::nullopt;
        const ChanceSolution free = solveChance(alone, only);
        double lo = -std::numeric_limits<double>::infinity();
        if (free.status == ChanceStatus::Optimum) {
            const auto [mean, sd] = contentOf(blend, chance, n, free.shares);
            lo = mean - normalQuantile(*chance.probabilidad[n]) * sd;
        }
        double hi = std::min(out.maximoAlcanzable, wanted);
        for (int step = 0; step < 100 && std::isfinite(lo) && hi - lo > 1e-12 * std::abs(hi);
             ++step) {
            const double mid = 0.5 * (lo + hi);
            (reaches(mid) ? lo : hi) = mid;
        }
        out.passed = false;
        out.failingNutrient = static_cast<int>(n);
        out.maximoAlcanzable = std::isfinite(lo) ? lo : hi;
        return out;
    }
    return linear;
}

} // namespace lp
