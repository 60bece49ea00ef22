#include "optimizer/engine/bounded_simplex.h"

#include "optimizer/engine/dense_kernels.h"
#include "optimizer/engine/simplex.h"

#include <algorithm>
#include <cmath>

namespace lp {

long boundedPivotLimit(const BoundedLp& lp) {
    // Well above what a blend needs (about a quarter of rows plus columns); reaching it
    // means the search is lost, and the dense path takes over.
    return 500 + 4L * (lp.m + lp.n);
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

// Keeps B^-1 (see InverseColumns) with the basis heads, the column states, the values and
// reduced costs of every column, and the dual steepest-edge weights of the rows.
class DualSimplex {
public:
    explicit DualSimplex(const BoundedLp& lp)
        : lp_(lp), m_(lp.m), n_(lp.n), w_(lp.n + lp.m), head_(lp.m), slotOf_(lp.m, -1),
          state_(w_, ColumnState::AtLower), x_(w_, 0.0), d_(w_, 0.0), weight_(lp.m, 1.0),
          alphaRow_(w_, 0.0), alphaCol_(lp.m, 0.0), tau_(lp.m, 0.0), work_(lp.m, 0.0),
          rho_(lp.m, 0.0) {
        inv_.m = m_;
        inv_.values.reserve(static_cast<size_t>(m_) * std::min(m_, n_ + 1));
        for (int i = 0; i < m_; ++i) {
            head_[i] = n_ + i;
            state_[n_ + i] = ColumnState::Basic;
        }
        for (int j = 0; j < n_; ++j)
            d_[j] = lp.cost[j];
        if (lp.spanRows) {
            spanBegin_.assign(m_, 0);
            spanEnd_.assign(m_, 0);
            for (int i = 0; i < m_; ++i) {
                const double* row = original(i);
                int b = 0, e = n_;
                while (b < n_ && row[b] == 0)
                    ++b;
                while (e > b && row[e - 1] == 0)
                    --e;
                spanBegin_[i] = b;
                spanEnd_[i] = e;
            }
        }
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
        s.inverse = std::move(inv_);
        s.pivots = pivots_;
        s.flips = flips_;
        s.head = std::move(head_);
        s.state = std::move(state_);
        s.x = std::move(x_);
        s.d = std::move(d_);
        return s;
    }

private:
    int slots() const { return inv_.slots(); }
    const double* original(int i) const { return &lp_.a[static_cast<size_t>(i) * n_]; }
    bool fixed(int j) const { return !(lp_.lower[j] < lp_.upper[j]); }
    // The row whose logical is basic in position p, or -1.
    int ownRow(int p) const { return head_[p] >= n_ ? head_[p] - n_ : -1; }

    // Every non-basic column at the bound its reduced cost asks for. A negative cost with no
    // upper bound is first priced out through the sum row, as the dense path does: the
    // cheapest column enters there and every reduced cost becomes the cost minus its own.
    bool start() {
        const int cheapest =
            static_cast<int>(std::min_element(lp_.cost.begin(), lp_.cost.end()) - lp_.cost.begin());
        if (n_ > 0 && lp_.cost[cheapest] < -kOptimalityTolerance) {
            if (lp_.sumRow < 0)
                return false;
            priceRow(lp_.sumRow);
            priceColumn(cheapest);
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
            priceRow(r);
            double ratio = 0;
            const int q = enteringColumn(below, x_[leave] - target, ratio);
            if (q < 0)
                return BoundedStatus::Infeasible;
            applyFlips();
            priceColumn(q);
            const double delta = x_[leave] - target;
            const double stepP = delta / alphaCol_[r];
            for (int p = 0; p < m_; ++p)
                x_[head_[p]] -= stepP * alphaCol_[p];
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

    // out = B^-1 v: the open columns of B^-1, plus v's entry of the row whose logical is
    // basic in each position.
    void applyInverse(const double* v, double* out) {
        for (int p = 0; p < m_; ++p) {
            const int own = ownRow(p);
            out[p] = own >= 0 ? v[own] : 0.0;
        }
        terms_.clear();
        factors_.clear();
        for (int s = 0; s < slots(); ++s)
            if (const double f = v[inv_.open[s]]; f != 0) {
                terms_.push_back(inv_.column(s));
                factors_.push_back(f);
            }
        addTerms(out, m_);
    }

    void addTerms(double* out, int len) {
        addCombination(out, terms_.data(), factors_.data(), static_cast<int>(terms_.size()), len);
    }

    // Row r of B^-1 into rho_.
    void inverseRow(int r) {
        std::fill(rho_.begin(), rho_.end(), 0.0);
        for (int s = 0; s < slots(); ++s)
            rho_[inv_.open[s]] = inv_.column(s)[r];
        if (const int own = ownRow(r); own >= 0)
            rho_[own] = 1;
    }

    // Row r of B^-1 [A | I] into alphaRow_: the original rows weighted by row r of B^-1 (the
    // entries of the open columns in position r, and 1 for the row whose logical is basic
    // there).
    void priceRow(int r) {
        double* out = alphaRow_.data();
        std::fill(out, out + w_, 0.0);
        terms_.clear();
        factors_.clear();
        for (int s = 0; s < slots(); ++s) {
            const double f = inv_.column(s)[r];
            out[n_ + inv_.open[s]] = f;
            if (f != 0)
                addRowTerm(out, inv_.open[s], f);
        }
        if (const int own = ownRow(r); own >= 0)
            addRowTerm(out, own, 1.0);
        addTerms(out, n_);
        for (int p = 0; p < m_; ++p)
            out[head_[p]] = p == r ? 1.0 : 0.0;
    }

    // Original row i times f: gathered for one pass over the row, or on span rows added over
    // the row's own span at once when that span is short.
    void addRowTerm(double* out, int i, double f) {
        if (!spanBegin_.empty() && 2 * (spanEnd_[i] - spanBegin_[i]) < n_) {
            const int b = spanBegin_[i];
            axpy(out + b, original(i) + b, f, spanEnd_[i] - b);
            return;
        }
        terms_.push_back(original(i));
        factors_.push_back(f);
    }

    // Column q of B^-1 [A | I] into alphaCol_. A non-basic logical's row is open.
    void priceColumn(int q) {
        if (q >= n_) {
            const double* c = inv_.column(slotOf_[q - n_]);
            std::copy(c, c + m_, alphaCol_.begin());
            return;
        }
        for (int i = 0; i < m_; ++i)
            work_[i] = original(i)[q];
        applyInverse(work_.data(), alphaCol_.data());
    }

    struct Candidate {
        int j;
        double entry; // |entry of the pivot row|
        double ratio; // |reduced cost| / entry
        double loose; // the ratio with Harris' tolerance
    };

    // Bound-flipping ratio test on the pivot row. Candidates are the columns whose move in
    // the allowed direction brings the leaving value towards its bound. Passing a candidate's
    // breakpoint lowers the rate at which the cost rises by its entry times its range; while
    // the rate stays positive the candidate flips to its other bound instead of entering.
    // Within the last group of breakpoints (Harris) the largest entry enters.
    int enteringColumn(bool below, double delta, double& ratio) {
        const double* tr = alphaRow_.data();
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

    // Moves the flipped columns to their other bound and the basic values with them:
    // x_B -= B^-1 (sum of the moved columns times their steps).
    void applyFlips() {
        if (flipped_.empty())
            return;
        std::fill(work_.begin(), work_.end(), 0.0);
        for (int j : flipped_) {
            const bool toUpper = state_[j] == ColumnState::AtLower;
            const double v = toUpper ? lp_.upper[j] : lp_.lower[j];
            const double step = v - x_[j];
            state_[j] = toUpper ? ColumnState::AtUpper : ColumnState::AtLower;
            x_[j] = v;
            if (j >= n_)
                work_[j - n_] += step;
            else
                for (int i = 0; i < m_; ++i)
                    work_[i] += step * original(i)[j];
            ++flips_;
        }
        applyInverse(work_.data(), tau_.data());
        for (int p = 0; p < m_; ++p)
            x_[head_[p]] -= tau_[p];
    }

    // Pivots on (r, q) with alphaRow_ and alphaCol_ priced: reduced costs, the dual
    // steepest-edge weights (Forrest and Goldfarb's update, from tau = B^-1 rho_r) and B^-1.
    void pivot(int r, int q) {
        const double pivotEntry = alphaCol_[r];
        const double stepD = d_[q] / alphaRow_[q];
        for (int j = 0; j < w_; ++j)
            if (state_[j] != ColumnState::Basic && alphaRow_[j] != 0)
                d_[j] -= stepD * alphaRow_[j];
        d_[head_[r]] = -stepD;
        d_[q] = 0;

        inverseRow(r);
        applyInverse(rho_.data(), tau_.data());
        const double wr = weight_[r];
        for (int p = 0; p < m_; ++p) {
            if (p == r || alphaCol_[p] == 0)
                continue;
            const double k = alphaCol_[p] / pivotEntry;
            weight_[p] = std::max(weight_[p] - 2 * k * tau_[p] + k * k * wr, 1e-12);
        }
        weight_[r] = std::max(wr / (pivotEntry * pivotEntry), 1e-12);

        // The leaving logical's row opens; its column of B^-1 was the unit vector of r.
        if (const int leavingOwn = ownRow(r); leavingOwn >= 0)
            openRow(leavingOwn, r);
        // Each column c of B^-1 becomes c - alphaCol (c_r / pivot), with c_r / pivot at r.
        const double inv = 1 / pivotEntry;
        for (int s = 0; s < slots(); ++s) {
            double* c = inv_.column(s);
            const double f = c[r] * inv;
            if (f == 0)
                continue;
            axpy(c, alphaCol_.data(), -f, m_);
            c[r] = f;
        }
        head_[r] = q;
        state_[q] = ColumnState::Basic;
        // An entering logical closes its row: its column of B^-1 is exactly the unit vector.
        if (q >= n_)
            closeRow(q - n_);
    }

    void openRow(int row, int position) {
        slotOf_[row] = slots();
        inv_.open.push_back(row);
        inv_.values.resize(inv_.values.size() + static_cast<size_t>(m_), 0.0);
        inv_.column(slots() - 1)[position] = 1;
    }

    // The last slot takes the place of the closed one.
    void closeRow(int row) {
        const int s = slotOf_[row], last = slots() - 1;
        if (s != last) {
            std::copy(inv_.column(last), inv_.column(last) + m_, inv_.column(s));
            inv_.open[s] = inv_.open[last];
            slotOf_[inv_.open[s]] = s;
        }
        slotOf_[row] = -1;
        inv_.open.pop_back();
        inv_.values.resize(static_cast<size_t>(last) * m_);
    }

    // Squared norms of the rows of B^-1 afresh, clearing the drift of the updates.
    void recomputeWeights() {
        for (int p = 0; p < m_; ++p)
            weight_[p] = ownRow(p) >= 0 ? 1.0 : 0.0;
        for (int s = 0; s < slots(); ++s) {
            const double* c = inv_.column(s);
            for (int p = 0; p < m_; ++p)
                weight_[p] += c[p] * c[p];
        }
        for (double& w : weight_)
            w = std::max(w, 1e-12);
    }

    // Basic values from the non-basic ones through the inverse basis: B^-1 (b - N x_N).
    void recomputePrimal() {
        std::vector<double>& rhs = work_;
        rhs.assign(lp_.b.begin(), lp_.b.end());
        for (int j = 0; j < n_; ++j) {
            if (state_[j] == ColumnState::Basic || x_[j] == 0)
                continue;
            for (int i = 0; i < m_; ++i)
                rhs[i] -= original(i)[j] * x_[j];
        }
        for (int i = 0; i < m_; ++i)
            if (state_[n_ + i] != ColumnState::Basic)
                rhs[i] -= x_[n_ + i];
        applyInverse(rhs.data(), tau_.data());
        for (int p = 0; p < m_; ++p)
            x_[head_[p]] = tau_[p];
    }

    // One step of iterative refinement: the residual of every row with all values as they
    // are, mapped back through the inverse basis onto the basic values.
    void refinePrimal() {
        std::vector<double>& residual = work_;
        for (int i = 0; i < m_; ++i) {
            double lhs = x_[n_ + i];
            const double* ai = original(i);
            for (int j = 0; j < n_; ++j)
                lhs += ai[j] * x_[j];
            residual[i] = lp_.b[i] - lhs;
        }
        applyInverse(residual.data(), tau_.data());
        for (int p = 0; p < m_; ++p)
            x_[head_[p]] += tau_[p];
    }

    // Reduced costs from the costs of the basic columns: c_j - y a_j with y = c_B B^-1.
    void recomputeDual() {
        // y is 0 on a row whose logical is basic: that column of B^-1 is a unit vector under
        // a logical, which costs nothing.
        std::vector<double> y(m_, 0.0);
        for (int s = 0; s < slots(); ++s) {
            const double* c = inv_.column(s);
            double sum = 0;
            for (int p = 0; p < m_; ++p)
                if (head_[p] < n_)
                    sum += lp_.cost[head_[p]] * c[p];
            y[inv_.open[s]] = sum;
        }
        for (int j = 0; j < n_; ++j)
            d_[j] = lp_.cost[j];
        for (int i = 0; i < m_; ++i) {
            if (y[i] != 0) {
                const int b = spanBegin_.empty() ? 0 : spanBegin_[i];
                const int e = spanEnd_.empty() ? n_ : spanEnd_[i];
                axpy(d_.data() + b, original(i) + b, -y[i], e - b);
            }
            d_[n_ + i] = -y[i];
        }
        for (int p = 0; p < m_; ++p)
            d_[head_[p]] = 0;
    }

    // A stall is met first by perturbing the costs, then by Bland's rule.
    void track(double gain) {
        if (gain > 1e-12) {
            stalled_ = 0;
            bland_ = false;
        } else if (++stalled_ >= kBoundedStallLimit) {
            stalled_ = 0;
            if (perturbed_)
                bland_ = true;
            else
                perturb();
        }
    }

    // Ingredients that cost nothing (water) or cost the same leave many reduced costs at 0;
    // then every dual step has length 0 and the search can wander for thousands of pivots.
    // Raising each non-basic column's cost by a different tiny amount (about 1e-7 of a unit
    // of cost, far below any price) breaks those ties. The costs come back at the end: the
    // reduced costs are recomputed from the true costs, and a column they leave slightly
    // negative is priced in by phase 2 of the dense path on the rebuilt tableau.
    void perturb() {
        perturbed_ = true;
        for (int j = 0; j < w_; ++j) {
            if (state_[j] == ColumnState::Basic || fixed(j))
                continue;
            const double cost = j < n_ ? std::abs(lp_.cost[j]) : 0.0;
            const double spread = 0.5 + 0.5 * std::fmod(0.6180339887 * (j + 1), 1.0);
            const double delta = 1e-7 * (1 + cost) * spread;
            d_[j] += state_[j] == ColumnState::AtLower ? delta : -delta;
        }
    }

    const BoundedLp& lp_;
    const int m_, n_, w_;
    InverseColumns inv_;
    std::vector<int> head_, slotOf_;
    std::vector<ColumnState> state_;
    std::vector<double> x_, d_, weight_;
    std::vector<double> alphaRow_, alphaCol_, tau_, work_, rho_;
    std::vector<Candidate> candidates_;
    std::vector<int> flipped_;
    std::vector<const double*> terms_;     // rows or columns to combine, with factors_
    std::vector<int> spanBegin_, spanEnd_; // of each row, on span rows: its nonzero columns
    std::vector<double> factors_;
    long pivots_ = 0, flips_ = 0;
    int stalled_ = 0;
    bool bland_ = false;
    bool perturbed_ = false;
};

} // namespace

void tableauRows(const BoundedLp& lp, const BoundedSolution& s, const int* positions, int count,
                 double* out) {
    const int n = lp.n, m = lp.m, w = n + m;
    const InverseColumns& inv = s.inverse;
    std::vector<const double*> rows;
    std::vector<double> factors;
    auto add = [&](int row, const double* weights) {
        rows.push_back(&lp.a[static_cast<size_t>(row) * n]);
        factors.insert(factors.end(), weights, weights + 4);
    };
    for (int slot = 0; slot < inv.slots(); ++slot) {
        double weights[4] = {};
        for (int k = 0; k < count; ++k)
            weights[k] = inv.column(slot)[positions[k]];
        add(inv.open[slot], weights);
    }
    for (int k = 0; k < count; ++k)
        if (const int own = s.head[positions[k]] - n; own >= 0) {
            double weights[4] = {};
            weights[k] = 1;
            add(own, weights);
        }
    combineRows4(rows.data(), factors.data(), static_cast<int>(rows.size()), n, out, w);
    for (int k = 0; k < count; ++k) {
        double* o = out + static_cast<size_t>(k) * w;
        std::fill(o + n, o + w, 0.0);
        for (int slot = 0; slot < inv.slots(); ++slot)
            o[n + inv.open[slot]] = inv.column(slot)[positions[k]];
        for (int p = 0; p < m; ++p)
            o[s.head[p]] = p == positions[k] ? 1.0 : 0.0;
    }
}

BoundedSolution solveBounded(const BoundedLp& lp) {
    DualSimplex simplex(lp);
    return simplex.run();
}

} // namespace lp
