#include "optimizer/engine/bounded_simplex.h"

#include "optimizer/engine/dense_kernels.h"
#include "optimizer/engine/dual_steps.h"
#include "optimizer/engine/simplex.h"

#include <algorithm>
#include <cmath>

namespace lp {

long boundedPivotLimit(int rows, int columns) {
    // Well above what a blend needs (about a quarter of rows plus columns); reaching it
    // means the search is lost, and the dense path takes over.
    return 500 + 4L * (rows + columns);
}

namespace {

// The dual simplex with B^-1 kept by its open columns (see InverseColumns).
class DualSimplex final : public DualSimplexSteps {
public:
    explicit DualSimplex(const BoundedLp& lp)
        : DualSimplexSteps(lp.m, lp.n, lp.cost, lp.lower, lp.upper), lp_(lp), slotOf_(lp.m, -1),
          rho_(lp.m, 0.0) {
        inv_.m = m_;
        inv_.values.reserve(static_cast<size_t>(m_) * std::min(m_, n_ + 1));
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

    BoundedSolution run(bool cleanUp) {
        BoundedSolution s;
        if (!start()) {
            s.status = BoundedStatus::Failed;
            return s;
        }
        finish(iterate(), s, cleanUp);
        s.inverse = std::move(inv_);
        return s;
    }

    // The search from the basis another run of a programme of the same shape ended on, its
    // inverse taken over as it is: after a change of bounds that basis is still dual feasible
    // (the costs did not move), so only the values are stepped back within their bounds.
    // Returns false, before any pivot, when that basis cannot start this programme.
    bool runFrom(const BoundedSolution& from, bool cleanUp, BoundedSolution& s) {
        if (static_cast<int>(from.head.size()) != m_ || from.inverse.m != m_ || from.width() != w_)
            return false;
        head_ = from.head;
        inv_ = from.inverse;
        std::fill(slotOf_.begin(), slotOf_.end(), -1);
        for (int k = 0; k < slots(); ++k)
            slotOf_[inv_.open[k]] = k;
        std::fill(state_.begin(), state_.end(), ColumnState::AtLower);
        for (int p = 0; p < m_; ++p)
            state_[head_[p]] = ColumnState::Basic;
        recomputeDual();
        // A residue below the optimality tolerance on a column with no upper bound would
        // send it to infinity: it counts as 0, as it did when the parent ended.
        for (int j = 0; j < w_; ++j)
            if (state_[j] != ColumnState::Basic && d_[j] < 0 && d_[j] >= -kOptimalityTolerance &&
                std::isinf(upper_[j]))
                d_[j] = 0;
        recomputeWeights();
        if (!placeAtBounds())
            return false;
        finish(iterate(), s, cleanUp);
        s.inverse = std::move(inv_);
        return true;
    }

private:
    int slots() const { return inv_.slots(); }
    const double* original(int i) const { return &lp_.a[static_cast<size_t>(i) * n_]; }
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
        return placeAtBounds();
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

    void solveBasic(const double* v, double* out) override { applyInverse(v, out); }

    void addColumn(int j, double f, double* v) const override {
        if (j >= n_)
            v[j - n_] += f;
        else
            for (int i = 0; i < m_; ++i)
                v[i] += f * original(i)[j];
    }

    void refresh() override {
        recomputePrimal();
        recomputeWeights();
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

    std::vector<double> inverseRowOf(int r) override {
        inverseRow(r);
        return rho_;
    }

    // Row r of B^-1 [A | I] into alphaRow_: the original rows weighted by row r of B^-1 (the
    // entries of the open columns in position r, and 1 for the row whose logical is basic
    // there).
    void priceRow(int r) override {
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
    void priceColumn(int q) override {
        if (q >= n_) {
            const double* c = inv_.column(slotOf_[q - n_]);
            std::copy(c, c + m_, alphaCol_.begin());
            return;
        }
        for (int i = 0; i < m_; ++i)
            work_[i] = original(i)[q];
        applyInverse(work_.data(), alphaCol_.data());
    }

    // Pivots on (r, q) with alphaRow_ and alphaCol_ priced: reduced costs, the dual
    // steepest-edge weights (Forrest and Goldfarb's update, from tau = B^-1 rho_r) and B^-1.
    bool pivot(int r, int q) override {
        const double pivotEntry = alphaCol_[r];
        stepDuals(r, q);
        inverseRow(r);
        applyInverse(rho_.data(), tau_.data());
        updateWeights(r);

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
        return true;
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
    void recomputePrimal() override {
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
    void refinePrimal() override {
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
    void recomputeDual() override {
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

    const BoundedLp& lp_;
    InverseColumns inv_;
    std::vector<int> slotOf_;
    std::vector<double> rho_;
    std::vector<const double*> terms_;     // rows or columns to combine, with factors_
    std::vector<int> spanBegin_, spanEnd_; // of each row, on span rows: its nonzero columns
    std::vector<double> factors_;
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

BoundedSolution solveBounded(const BoundedLp& lp, bool cleanUp) {
    DualSimplex simplex(lp);
    return simplex.run(cleanUp);
}

BoundedSolution solveBoundedFrom(const BoundedLp& lp, const BoundedSolution& start, bool cleanUp) {
    {
        DualSimplex simplex(lp);
        BoundedSolution s;
        if (simplex.runFrom(start, cleanUp, s))
            return s;
    }
    return solveBounded(lp, cleanUp);
}

} // namespace lp
