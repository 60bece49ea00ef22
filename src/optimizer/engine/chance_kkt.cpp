#include "optimizer/engine/chance_kkt.h"

#include "optimizer/engine/dense_kernels.h"
#include "optimizer/engine/simplex.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace lp {

namespace {

// Newton's systems above this size are left to the rounds of tangent rows.
constexpr int kLargestSystem = 400;
// Rounds of mending the active set before the mix is handed back uncertified.
constexpr int kMendPasses = 16;
constexpr int kNewtonSteps = 12;
constexpr size_t kEnteringColumns = 3;

// The LU factors of a k x k matrix (row-major, in place) by Gaussian elimination with partial
// pivoting, the row swaps in `swaps`. False when a pivot vanishes.
bool factor(std::vector<double>& a, std::vector<int>& swaps, int k) {
    swaps.assign(size_t(k), 0);
    for (int col = 0; col < k; ++col) {
        int best = col;
        for (int i = col + 1; i < k; ++i)
            if (std::abs(a[size_t(i) * k + col]) > std::abs(a[size_t(best) * k + col]))
                best = i;
        const double piv = a[size_t(best) * k + col];
        if (!(std::abs(piv) > 1e-300))
            return false;
        swaps[size_t(col)] = best;
        if (best != col)
            std::swap_ranges(a.begin() + long(best) * k, a.begin() + long(best + 1) * k,
                             a.begin() + long(col) * k);
        const double* pivotRow = &a[size_t(col) * k];
        for (int i = col + 1; i < k; ++i) {
            double* row = &a[size_t(i) * k];
            const double f = row[col] / piv;
            row[col] = f;
            if (f != 0)
                axpy(row + col + 1, pivotRow + col + 1, -f, k - col - 1);
        }
    }
    return true;
}

// Solves LU x = r in place with the factors of `factor`.
bool solveFactored(const std::vector<double>& lu, const std::vector<int>& swaps,
                   std::vector<double>& r, int k) {
    // The factors' rows were swapped whole, their multipliers with them: every swap first.
    for (int col = 0; col < k; ++col)
        std::swap(r[size_t(col)], r[size_t(swaps[size_t(col)])]);
    for (int i = 1; i < k; ++i)
        r[size_t(i)] -= dot(&lu[size_t(i) * k], r.data(), i);
    for (int i = k - 1; i >= 0; --i) {
        const double* row = &lu[size_t(i) * k];
        double v = r[size_t(i)] - dot(row + i + 1, r.data() + i + 1, k - i - 1);
        r[size_t(i)] = v / row[i];
    }
    return std::all_of(r.begin(), r.end(), [](double v) { return std::isfinite(v); });
}

// Which bounds, rows and cones hold as equalities: a column in the Basic state moves freely, any
// other sits on its bound; a linear row in the Basic state is slack, any other has its logical
// on that bound.
struct Active {
    std::vector<ColumnState> col; // n
    std::vector<ColumnState> row; // linearRows
    std::vector<char> cone;       // chance row
};

double logicalAt(const BoundedLp& lp, int i, ColumnState state) {
    const size_t at = size_t(lp.n + i);
    return state == ColumnState::AtUpper ? lp.upper[at] : lp.lower[at];
}

struct Multipliers {
    std::vector<double> x, pi, mu;
};

// Newton's method on the conditions of one active set: the free columns' reduced costs 0, the
// active rows and cones as equalities. The Hessian of each cone's margin is
// z (diag(sigma^2) / S - (sigma^2 x)(sigma^2 x)' / S^3), a diagonal and one outer product.
// False when a system is singular or the values leave the doubles.
bool newton(const BoundedLp& lp, int linearRows, const std::vector<ChanceRow>& rows,
            const Active& act, Multipliers& p) {
    const int n = lp.n;
    std::vector<int> freeCols, linear, cones;
    for (int j = 0; j < n; ++j)
        if (act.col[size_t(j)] == ColumnState::Basic)
            freeCols.push_back(j);
    for (int i = 0; i < linearRows; ++i)
        if (act.row[size_t(i)] != ColumnState::Basic)
            linear.push_back(i);
    for (size_t r = 0; r < rows.size(); ++r)
        if (act.cone[r])
            cones.push_back(int(r));
    const int nb = int(freeCols.size()), nl = int(linear.size()), nc = int(cones.size());
    const int k = nb + nl + nc;
    // Fewer free columns than equalities leave the system singular: no use factoring it.
    if (nb == 0 || nb < nl + nc || k > kLargestSystem)
        return false;
    // The fixed columns' part of every sum stays put through the steps: taken once, with the
    // free columns' entries gathered, each residual runs over the free columns alone. The
    // residuals cannot fall much below the round-off of their largest terms, a few units in the
    // last place of those: reached, the steps stop there, where testing for it with one more
    // fresh Jacobian and step after another cost some factorizations per call.
    double terms = 0;
    for (int j : freeCols)
        terms = std::max(terms, std::abs(lp.cost[size_t(j)]));
    std::vector<double> rowAt(size_t(nl) * nb), rowFixed(size_t(nl), 0.0);
    std::vector<double> cAt(size_t(nc) * nb), s2At(size_t(nc) * nb);
    std::vector<double> meanFixed(size_t(nc), 0.0), varFixed(size_t(nc), 0.0);
    for (int l = 0; l < nl; ++l) {
        const int i = linear[size_t(l)];
        const double* row = &lp.a[size_t(i) * n];
        double fixed = logicalAt(lp, i, act.row[size_t(i)]) - lp.b[size_t(i)];
        double sum = std::abs(fixed);
        for (int j = 0; j < n; ++j) {
            const double term = row[j] * p.x[size_t(j)];
            sum += std::abs(term);
            if (act.col[size_t(j)] != ColumnState::Basic)
                fixed += term;
        }
        rowFixed[size_t(l)] = fixed;
        terms = std::max(terms, sum);
        for (int a = 0; a < nb; ++a)
            rowAt[size_t(l) * nb + a] = row[freeCols[size_t(a)]];
    }
    for (int q = 0; q < nc; ++q) {
        const ChanceRow& row = rows[size_t(cones[size_t(q)])];
        double mean = -row.b, var = 0, sum = std::abs(row.b), all = 0;
        for (int j = 0; j < n; ++j) {
            const double sx = row.sigma[size_t(j)] * p.x[size_t(j)];
            const double term = row.c[size_t(j)] * p.x[size_t(j)];
            sum += std::abs(term);
            all += sx * sx;
            if (act.col[size_t(j)] != ColumnState::Basic) {
                mean += term;
                var += sx * sx;
            }
        }
        meanFixed[size_t(q)] = mean;
        varFixed[size_t(q)] = var;
        terms = std::max(terms, sum + row.z * std::sqrt(all));
        for (int a = 0; a < nb; ++a) {
            const size_t j = size_t(freeCols[size_t(a)]);
            cAt[size_t(q) * nb + a] = row.c[j];
            s2At[size_t(q) * nb + a] = row.sigma[j] * row.sigma[j];
        }
    }
    const double roundOff = 16 * std::numeric_limits<double>::epsilon() * terms;
    // The residual of the conditions at p into f, and with `build` their Jacobian into jac.
    std::vector<double> jac, f, v(static_cast<size_t>(nb)), xf(static_cast<size_t>(nb));
    std::vector<int> swaps;
    auto evaluate = [&](bool build) {
        f.assign(size_t(k), 0.0);
        if (build)
            jac.assign(size_t(k) * k, 0.0);
        auto J = [&](int r, int c) -> double& { return jac[size_t(r) * k + c]; };
        for (int a = 0; a < nb; ++a) {
            f[size_t(a)] = lp.cost[size_t(freeCols[size_t(a)])];
            xf[size_t(a)] = p.x[size_t(freeCols[size_t(a)])];
        }
        for (int l = 0; l < nl; ++l) {
            const double* row = &rowAt[size_t(l) * nb];
            const double y = p.pi[size_t(linear[size_t(l)])];
            for (int a = 0; a < nb; ++a) {
                const double e = row[a];
                f[size_t(a)] += y * e;
                if (build) {
                    J(a, nb + l) = e;
                    J(nb + l, a) = e;
                }
            }
            f[size_t(nb + l)] = rowFixed[size_t(l)] + dot(row, xf.data(), nb);
        }
        for (int q = 0; q < nc; ++q) {
            const ChanceRow& row = rows[size_t(cones[size_t(q)])];
            const double* c = &cAt[size_t(q) * nb];
            const double* s2 = &s2At[size_t(q) * nb];
            double var = varFixed[size_t(q)], mean = meanFixed[size_t(q)];
            for (int a = 0; a < nb; ++a) {
                var += s2[a] * xf[size_t(a)] * xf[size_t(a)];
                mean += c[a] * xf[size_t(a)];
            }
            const double sd = std::sqrt(var);
            if (!(sd > 0))
                return false;
            const double m = p.mu[size_t(cones[size_t(q)])];
            const double alpha = m * row.z / sd, beta = m * row.z / (sd * sd * sd);
            const double slope = row.z / sd;
            for (int a = 0; a < nb; ++a) {
                const double g = c[a] + slope * s2[a] * xf[size_t(a)];
                f[size_t(a)] += m * g;
                if (build) {
                    J(a, nb + nl + q) = g;
                    J(nb + nl + q, a) = g;
                    J(a, a) += alpha * s2[a];
                    v[size_t(a)] = s2[a] * xf[size_t(a)];
                }
            }
            if (build && beta != 0)
                for (int a = 0; a < nb; ++a)
                    if (const double ba = beta * v[size_t(a)]; ba != 0)
                        axpy(&jac[size_t(a) * k], v.data(), -ba, nb);
            f[size_t(nb + nl + q)] = mean + row.z * sd;
        }
        return true;
    };
    // Steps on the last factors (chord steps) while they cut the residual fourfold; a fresh
    // Jacobian, and a true Newton step, where they do not. A fresh step past the first few that
    // does not halve the residual finds it at round-off (or the active set wrong, which the
    // review finds either way).
    double previous = std::numeric_limits<double>::infinity();
    int factored = 0;
    bool fresh = false;
    for (int iter = 0; iter < 4 * kNewtonSteps; ++iter) {
        if (!evaluate(false))
            return false;
        double size = 0;
        for (double e : f)
            size = std::max(size, std::abs(e));
        if (size < 1e-14 || size <= roundOff || (fresh && factored > 3 && size > 0.5 * previous))
            break;
        fresh = factored == 0 || size > 0.25 * previous;
        if (fresh) {
            if (factored == kNewtonSteps)
                break;
            evaluate(true);
            if (!factor(jac, swaps, k))
                return false;
            ++factored;
        }
        previous = size;
        for (double& e : f)
            e = -e;
        if (!solveFactored(jac, swaps, f, k))
            return false;
        for (int a = 0; a < nb; ++a)
            p.x[size_t(freeCols[size_t(a)])] += f[size_t(a)];
        for (int l = 0; l < nl; ++l)
            p.pi[size_t(linear[size_t(l)])] += f[size_t(nb + l)];
        for (int q = 0; q < nc; ++q)
            p.mu[size_t(cones[size_t(q)])] += f[size_t(nb + nl + q)];
    }
    auto finite = [](const std::vector<double>& w) {
        return std::all_of(w.begin(), w.end(), [](double e) { return std::isfinite(e); });
    };
    return finite(p.x) && finite(p.pi) && finite(p.mu);
}

// Checks the optimality conditions at p and mends the active set where one fails. Returns
// whether they all hold; `changed` tells whether the active set moved.
bool review(const BoundedLp& lp, int linearRows, const std::vector<int>& owner,
            const std::vector<ChanceRow>& rows, Active& act, Multipliers& p, bool& changed) {
    const int n = lp.n;
    double costSize = 1;
    for (double c : lp.cost)
        costSize = std::max(costSize, std::abs(c));
    const double dualTolerance = kFeasibilityTolerance * costSize;
    bool holds = true;
    changed = false;
    std::vector<double> d(lp.cost.begin(), lp.cost.begin() + n);
    std::vector<std::pair<double, int>> entering; // |reduced cost|, column
    for (int i = 0; i < linearRows; ++i)
        if (act.row[size_t(i)] != ColumnState::Basic && p.pi[size_t(i)] != 0) {
            const double* row = &lp.a[size_t(i) * n];
            for (int j = 0; j < n; ++j)
                d[size_t(j)] += p.pi[size_t(i)] * row[j];
        }
    for (size_t r = 0; r < rows.size(); ++r) {
        const ChanceRow& row = rows[r];
        const double sd = spread(row.sigma, p.x);
        if (act.cone[r]) {
            if (!(sd > 0))
                return false;
            const double slope = row.z / sd, m = p.mu[r];
            for (int j = 0; j < n; ++j) {
                const double sj = row.sigma[size_t(j)];
                d[size_t(j)] += m * (row.c[size_t(j)] + slope * sj * sj * p.x[size_t(j)]);
            }
            if (p.mu[r] < -dualTolerance) {
                act.cone[r] = false;
                p.mu[r] = 0;
                changed = true;
            } else if (std::abs(violation(row, p.x, sd)) > kChanceTolerance) {
                holds = false;
            }
        } else if (violation(row, p.x, sd) > kChanceTolerance) {
            act.cone[r] = true;
            p.mu[r] = 0;
            changed = true;
        }
    }
    for (int j = 0; j < n; ++j) {
        const double lo = lp.lower[size_t(j)], hi = lp.upper[size_t(j)];
        double& xj = p.x[size_t(j)];
        ColumnState& state = act.col[size_t(j)];
        if (state == ColumnState::Basic) {
            if (xj < lo - kFeasibilityTolerance || xj > hi + kFeasibilityTolerance) {
                state = xj < lo ? ColumnState::AtLower : ColumnState::AtUpper;
                xj = xj < lo ? lo : hi;
                changed = true;
            } else if (std::abs(d[size_t(j)]) > dualTolerance) {
                holds = false;
            }
        } else if (lo < hi && ((state == ColumnState::AtLower && d[size_t(j)] < -dualTolerance) ||
                               (state == ColumnState::AtUpper && d[size_t(j)] > dualTolerance))) {
            entering.emplace_back(std::abs(d[size_t(j)]), j);
        }
    }
    // Only the columns whose reduced costs are furthest off enter: freeing every one at once
    // far from the optimum's active set grows the system threefold and the passes wander.
    if (entering.size() > kEnteringColumns)
        std::partial_sort(entering.begin(), entering.begin() + kEnteringColumns, entering.end(),
                          std::greater<>());
    for (size_t e = 0; e < std::min(entering.size(), kEnteringColumns); ++e)
        act.col[size_t(entering[e].second)] = ColumnState::Basic;
    if (!entering.empty()) {
        holds = false;
        changed = true;
    }
    for (int i = 0; i < linearRows; ++i) {
        if (owner[size_t(i)] >= 0)
            continue;
        const double* row = &lp.a[size_t(i) * n];
        double logical = lp.b[size_t(i)];
        for (int j = 0; j < n; ++j)
            logical -= row[j] * p.x[size_t(j)];
        const double lo = lp.lower[size_t(n + i)], hi = lp.upper[size_t(n + i)];
        ColumnState& state = act.row[size_t(i)];
        double& y = p.pi[size_t(i)];
        if (state == ColumnState::Basic) {
            if (logical < lo - kFeasibilityTolerance || logical > hi + kFeasibilityTolerance) {
                state = logical < lo ? ColumnState::AtLower : ColumnState::AtUpper;
                y = 0;
                changed = true;
            }
        } else if (lo < hi && ((state == ColumnState::AtLower && y < -dualTolerance) ||
                               (state == ColumnState::AtUpper && y > dualTolerance))) {
            state = ColumnState::Basic;
            y = 0;
            changed = true;
        } else if (std::abs(logical - logicalAt(lp, i, state)) > kFeasibilityTolerance) {
            holds = false;
        }
    }
    return holds && !changed;
}

} // namespace

std::optional<KktPoint> kktPoint(const BoundedLp& lp, const BoundedSolution& s, int linearRows,
                                 const std::vector<int>& owner, const std::vector<double>& scales,
                                 const std::vector<ChanceRow>& rows) {
    const int n = lp.n;
    Active act;
    act.col.assign(s.state.begin(), s.state.begin() + n);
    act.row.assign(size_t(linearRows), ColumnState::Basic);
    act.cone.assign(rows.size(), 0);
    Multipliers p;
    p.x.assign(s.x.begin(), s.x.begin() + n);
    p.pi.assign(size_t(linearRows), 0.0);
    p.mu.assign(rows.size(), 0.0);
    for (int i = 0; i < lp.m; ++i) {
        if (s.state[size_t(n + i)] == ColumnState::Basic)
            continue;
        const double dual = s.d[size_t(n + i)] / scales[size_t(i)];
        if (owner[size_t(i)] >= 0) {
            act.cone[size_t(owner[size_t(i)])] = 1;
            p.mu[size_t(owner[size_t(i)])] += dual;
        } else if (i < linearRows) {
            act.row[size_t(i)] = s.state[size_t(n + i)];
            p.pi[size_t(i)] = dual;
        }
    }
    if (!newton(lp, linearRows, rows, act, p))
        return std::nullopt;
    KktPoint out;
    // Mending an active set far from the optimum's can wander off; the first mix, on the
    // programme's own active set, is then the better place for tangents.
    const Multipliers first = p;
    for (int pass = 0; pass < kMendPasses; ++pass) {
        bool changed = false;
        if (review(lp, linearRows, owner, rows, act, p, changed)) {
            out.certified = true;
            break;
        }
        if (!changed || !newton(lp, linearRows, rows, act, p))
            break;
    }
    if (!out.certified)
        p = first;
    out.x = std::move(p.x);
    out.pi = std::move(p.pi);
    out.mu = std::move(p.mu);
    return out;
}

} // namespace lp
