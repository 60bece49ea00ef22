#include "optimizer/engine/bounded_simplex.h"

#include "optimizer/engine/simplex.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lp {

long boundedPivotLimit(const BoundedLp& lp) {
    // Far above what a blend needs (a few times the number of rows); reaching it means
    // round-off is steering the search, and the dense path takes over.
    return 1000 + 50L * (lp.m + lp.n);
}

namespace {

// A basic value this far outside its bounds is a violated limit. Tighter than the dense
// path's test so that the slacks the full tableau derives from these values (a bound plus or
// minus a share) pass that test too.
constexpr double kPrimalTolerance = 0.5 * kFeasibilityTolerance;
// Harris' tolerance: a reduced cost may end this far on the wrong side of 0 when that lets a
// larger entry be the pivot. Kept under the optimality tolerance of the dense path, so the
// rebuilt tableau needs no pivot to be optimal.
constexpr double kDualTolerance = 0.5 * kOptimalityTolerance;

class DualSimplex {
public:
    explicit DualSimplex(const BoundedLp& lp)
        : lp_(lp), m_(lp.m), n_(lp.n), w_(lp.n + lp.m),
          t_(static_cast<size_t>(lp.m) * (lp.n + lp.m), 0.0), head_(lp.m),
          state_(w_, ColumnState::AtLower), x_(w_, 0.0), d_(w_, 0.0), weight_(lp.m, 1.0) {
        for (int i = 0; i < m_; ++i) {
            std::copy(lp.a.begin() + static_cast<long>(i) * n_,
                      lp.a.begin() + static_cast<long>(i + 1) * n_, row(i));
            row(i)[n_ + i] = 1;
            head_[i] = n_ + i;
            state_[n_ + i] = ColumnState::Basic;
        }
        for (int j = 0; j < n_; ++j)
            d_[j] = lp.cost[j];
    }

    BoundedSolution run() {
        BoundedSolution s;
        if (!start()) {
            s.status = BoundedStatus::Failed;
            return s;
        }
        s.status = iterate();
        if (s.status == BoundedStatus::Optimal) {
            recomputePrimal();
            refinePrimal();
            recomputeDual();
            // A fixed column sits at whichever bound its reduced cost asks for.
            for (int j = 0; j < w_; ++j)
                if (state_[j] != ColumnState::Basic && fixed(j))
                    state_[j] = d_[j] < 0 ? ColumnState::AtUpper : ColumnState::AtLower;
        }
        s.pivots = pivots_;
        s.flips = flips_;
        s.head = std::move(head_);
        s.state = std::move(state_);
        s.x = std::move(x_);
        s.d = std::move(d_);
        s.tableau = std::move(t_);
        return s;
    }

private:
    double* row(int i) { return &t_[static_cast<size_t>(i) * w_]; }
    const double* row(int i) const { return &t_[static_cast<size_t>(i) * w_]; }
    bool fixed(int j) const { return !(lp_.lower[j] < lp_.upper[j]); }

    // Every non-basic column at the bound its reduced cost asks for. A negative cost with no
    // upper bound is first priced out through the sum row, as the dense path does: the
    // cheapest column enters there and every reduced cost becomes the cost minus its own.
    bool start() {
        const int cheapest =
            static_cast<int>(std::min_element(lp_.cost.begin(), lp_.cost.end()) - lp_.cost.begin());
        if (n_ > 0 && lp_.cost[cheapest] < -kOptimalityTolerance) {
            if (lp_.sumRow < 0)
                return false;
            pivot(lp_.sumRow, cheapest);
            state_[n_ + lp_.sumRow] = ColumnState::AtLower;
        }
        for (int j = 0; j < w_; ++j) {
            if (state_[j] == ColumnState::Basic)
                continue;
            const bool up = d_[j] < 0 && !fixed(j);
            if (up && std::isinf(lp_.upper[j]))
                return false;
            state_[j] = up ? ColumnState::AtUpper : ColumnState::AtLower;
            if (std::isinf(up ? lp_.upper[j] : lp_.lower[j]))
                return false;
            x_[j] = up ? lp_.upper[j] : lp_.lower[j];
        }
        recomputePrimal();
        return true;
    }

    BoundedStatus iterate() {
        const long limit = boundedPivotLimit(lp_);
        long sinceRefresh = 0;
        for (;;) {
            if (pivots_ >= limit)
                return BoundedStatus::Failed;
            int r = leavingRow();
            if (r < 0) {
                // Confirm on values computed afresh, not on updated ones.
                recomputePrimal();
                sinceRefresh = 0;
                r = leavingRow();
                if (r < 0)
                    return BoundedStatus::Optimal;
            }
            const int leave = head_[r];
            const bool below = x_[leave] < lp_.lower[leave];
            const double target = below ? lp_.lower[leave] : lp_.upper[leave];
            double ratio = 0;
            const int q = enteringColumn(r, below, x_[leave] - target, ratio);
            if (q < 0)
                return BoundedStatus::Infeasible;
            for (int j : flipped_)
                flip(j);
            const double delta = x_[leave] - target;
            const double* tr = row(r);
            const double stepP = delta / tr[q];
            for (int i = 0; i < m_; ++i)
                x_[head_[i]] -= stepP * row(i)[q];
            x_[q] += stepP;
            x_[leave] = target;
            pivot(r, q);
            state_[leave] = below ? ColumnState::AtLower : ColumnState::AtUpper;
            ++pivots_;
            track(ratio * std::abs(delta));
            if (++sinceRefresh >= 100) {
                recomputePrimal();
                recomputeWeights();
                sinceRefresh = 0;
            }
        }
    }

    double infeasibility(int j) const {
        if (x_[j] < lp_.lower[j] - kPrimalTolerance)
            return lp_.lower[j] - x_[j];
        if (x_[j] > lp_.upper[j] + kPrimalTolerance)
            return x_[j] - lp_.upper[j];
        return 0;
    }

    // Dual steepest edge: the largest squared infeasibility per squared norm of the row of
    // the inverse basis. Under Bland's rule the violated row whose basic column is lowest.
    int leavingRow() const {
        int best = -1;
        double bestScore = 0;
        for (int i = 0; i < m_; ++i) {
            const double v = infeasibility(head_[i]);
            if (v == 0)
                continue;
            if (bland_) {
                if (best < 0 || head_[i] < head_[best])
                    best = i;
                continue;
            }
            const double score = v * v / weight_[i];
            if (best < 0 || score > bestScore) {
                best = i;
                bestScore = score;
            }
        }
        return best;
    }

    struct Candidate {
        int j;
        double entry; // |entry of the pivot row|
        double ratio; // |reduced cost| / entry
        double loose; // the ratio with Harris' tolerance
    };

    // Bound-flipping ratio test. Candidates are the columns whose move in the allowed
    // direction brings the leaving value towards its bound. Passing a candidate's breakpoint
    // lowers the rate at which the cost rises by its entry times its range; while the rate
    // stays positive the candidate flips to its other bound instead of entering. Within the
    // last group of breakpoints (Harris) the largest entry enters.
    int enteringColumn(int r, bool below, double delta, double& ratio) {
        const double* tr = row(r);
        double largest = 0;
        for (int j = 0; j < w_; ++j)
            if (state_[j] != ColumnState::Basic)
                largest = std::max(largest, std::abs(tr[j]));
        const double tiny = kPivotTolerance * std::max(1.0, largest);
        candidates_.clear();
        for (int j = 0; j < w_; ++j) {
            if (state_[j] == ColumnState::Basic || fixed(j))
                continue;
            const double a = below ? -tr[j] : tr[j];
            const bool atLower = state_[j] == ColumnState::AtLower;
            if (atLower ? !(a > tiny) : !(a < -tiny))
                continue;
            const double dj = std::max(atLower ? d_[j] : -d_[j], 0.0);
            const double e = std::abs(a);
            candidates_.push_back({j, e, dj / e, (dj + kDualTolerance) / e});
        }
        flipped_.clear();
        if (candidates_.empty())
            return -1;
        if (bland_)
            return blandEntering(ratio);
        double slope = std::abs(delta);
        auto rest = candidates_.begin();
        for (;;) {
            if (rest == candidates_.end())
                return -1; // every breakpoint passed with the cost still rising: no mix
            double bound = rest->loose;
            for (auto c = rest; c != candidates_.end(); ++c)
                bound = std::min(bound, c->loose);
            // Bring the group within the bound to the front.
            auto groupEnd = std::partition(rest, candidates_.end(),
                                           [&](const Candidate& c) { return c.ratio <= bound; });
            double drop = 0;
            for (auto c = rest; c != groupEnd; ++c)
                drop += c->entry * (lp_.upper[c->j] - lp_.lower[c->j]);
            if (slope - drop > 0 && std::isfinite(drop)) {
                for (auto c = rest; c != groupEnd; ++c)
                    flipped_.push_back(c->j);
                slope -= drop;
                rest = groupEnd;
                continue;
            }
            auto best = rest;
            for (auto c = rest; c != groupEnd; ++c)
                if (c->entry > best->entry || (c->entry == best->entry && c->j < best->j))
                    best = c;
            ratio = best->ratio;
            return best->j;
        }
    }

    int blandEntering(double& ratio) const {
        const Candidate* best = nullptr;
        for (const Candidate& c : candidates_)
            if (best == nullptr || c.ratio < best->ratio ||
                (c.ratio == best->ratio && c.j < best->j))
                best = &c;
        ratio = best->ratio;
        return best->j;
    }

    void flip(int j) {
        const bool toUpper = state_[j] == ColumnState::AtLower;
        const double v = toUpper ? lp_.upper[j] : lp_.lower[j];
        const double step = v - x_[j];
        state_[j] = toUpper ? ColumnState::AtUpper : ColumnState::AtLower;
        x_[j] = v;
        for (int i = 0; i < m_; ++i)
            x_[head_[i]] -= step * row(i)[j];
        ++flips_;
    }

    // Pivots the tableau and the reduced costs on (r, q). The structural part of a row is
    // nearly full and is updated as a whole; the inverse-basis part of the pivot row holds
    // few entries (one per basic structural column and its own), so only those are updated,
    // and each row's weight is corrected by the change of those entries alone.
    void pivot(int r, int q) {
        double* tr = row(r);
        const double inv = 1 / tr[q];
        const double stepD = d_[q]; // applied to the divided row
        for (int j = 0; j < w_; ++j)
            tr[j] *= inv;
        tr[q] = 1;
        for (int j = 0; j < w_; ++j)
            if (tr[j] != 0 && j != q)
                d_[j] -= stepD * tr[j];
        d_[q] = 0;
        cols_.clear();
        for (int j = n_; j < w_; ++j)
            if (tr[j] != 0 && j != q)
                cols_.push_back(j);
        const bool logicalEnters = q >= n_;
        for (int i = 0; i < m_; ++i) {
            if (i == r)
                continue;
            double* ti = row(i);
            const double f = ti[q];
            if (f == 0)
                continue;
            axpy(ti, tr, -f, n_);
            double change = 0;
            for (int j : cols_) {
                const double before = ti[j];
                const double after = before - f * tr[j];
                ti[j] = after;
                change += after * after - before * before;
            }
            if (logicalEnters)
                change -= f * f;
            ti[q] = 0;
            weight_[i] = std::max(weight_[i] + change, 1e-12);
        }
        weight_[r] = inverseNorm(tr);
        head_[r] = q;
        state_[q] = ColumnState::Basic;
    }

    // y += f x, four lanes at a time (two vector instructions on any x86-64, one with AVX).
    static void axpy(double* y, const double* x, double f, int len) {
        using Lanes = double __attribute__((vector_size(32)));
        const Lanes factor = {f, f, f, f};
        int k = 0;
        for (; k + 4 <= len; k += 4) {
            Lanes a, b;
            std::memcpy(&a, y + k, sizeof a);
            std::memcpy(&b, x + k, sizeof b);
            a += factor * b;
            std::memcpy(y + k, &a, sizeof a);
        }
        for (; k < len; ++k)
            y[k] += f * x[k];
    }

    // Squared norms of the rows of the inverse basis afresh, clearing the drift of the
    // corrections.
    void recomputeWeights() {
        for (int i = 0; i < m_; ++i)
            weight_[i] = inverseNorm(row(i));
    }

    double inverseNorm(const double* ti) const {
        double s = 0;
        for (int l = 0; l < m_; ++l)
            s += ti[n_ + l] * ti[n_ + l];
        return std::max(s, 1e-12);
    }

    // Basic values from the non-basic ones through the inverse basis: B^-1 (b - N x_N).
    void recomputePrimal() {
        std::vector<double>& rhs = scratch_;
        rhs.assign(lp_.b.begin(), lp_.b.end());
        for (int j = 0; j < n_; ++j) {
            if (state_[j] == ColumnState::Basic || x_[j] == 0)
                continue;
            for (int i = 0; i < m_; ++i)
                rhs[i] -= lp_.at(i, j) * x_[j];
        }
        for (int i = 0; i < m_; ++i)
            if (state_[n_ + i] != ColumnState::Basic)
                rhs[i] -= x_[n_ + i];
        for (int p = 0; p < m_; ++p) {
            const double* inverse = row(p) + n_;
            double v = 0;
            for (int i = 0; i < m_; ++i)
                v += inverse[i] * rhs[i];
            x_[head_[p]] = v;
        }
    }

    // One step of iterative refinement: the residual of every row with all values as they
    // are, mapped back through the inverse basis onto the basic values.
    void refinePrimal() {
        std::vector<double>& residual = scratch_;
        residual.assign(lp_.b.begin(), lp_.b.end());
        for (int i = 0; i < m_; ++i) {
            double lhs = x_[n_ + i];
            const double* ai = &lp_.a[static_cast<size_t>(i) * n_];
            for (int j = 0; j < n_; ++j)
                lhs += ai[j] * x_[j];
            residual[i] -= lhs;
        }
        for (int p = 0; p < m_; ++p) {
            const double* inverse = row(p) + n_;
            double v = 0;
            for (int i = 0; i < m_; ++i)
                v += inverse[i] * residual[i];
            x_[head_[p]] += v;
        }
    }

    // Reduced costs from the costs of the basic columns: c_j - c_B B^-1 a_j.
    void recomputeDual() {
        for (int j = 0; j < w_; ++j)
            d_[j] = j < n_ ? lp_.cost[j] : 0.0;
        for (int p = 0; p < m_; ++p) {
            const int h = head_[p];
            const double c = h < n_ ? lp_.cost[h] : 0.0;
            if (c != 0)
                axpy(d_.data(), row(p), -c, w_);
        }
        for (int p = 0; p < m_; ++p)
            d_[head_[p]] = 0;
    }

    void track(double gain) {
        if (gain > 1e-12) {
            stalled_ = 0;
            bland_ = false;
        } else if (++stalled_ >= kBoundedStallLimit) {
            bland_ = true;
        }
    }

    const BoundedLp& lp_;
    const int m_, n_, w_;
    std::vector<double> t_;
    std::vector<int> head_;
    std::vector<ColumnState> state_;
    std::vector<double> x_, d_, weight_;
    std::vector<double> scratch_;
    std::vector<Candidate> candidates_;
    std::vector<int> flipped_, cols_;
    long pivots_ = 0, flips_ = 0;
    int stalled_ = 0;
    bool bland_ = false;
};

} // namespace

BoundedSolution solveBounded(const BoundedLp& lp) {
    DualSimplex simplex(lp);
    return simplex.run();
}

} // namespace lp
