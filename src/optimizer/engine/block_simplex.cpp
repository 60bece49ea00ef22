#include "optimizer/engine/block_basis.h"
#include "optimizer/engine/block_lp.h"
#include "optimizer/engine/dense_kernels.h"
#include "optimizer/engine/dual_steps.h"

#include <algorithm>
#include <cmath>

namespace lp {

namespace {

// The dual simplex with B^-1 kept by block factors: products with it go through the blocks they
// touch, and rows are priced block by block over the rows the product reaches.
class BlockDualSimplex final : public DualSimplexSteps {
public:
    explicit BlockDualSimplex(const BlockLp& lp)
        : DualSimplexSteps(lp.m, lp.n, lp.cost, lp.lower, lp.upper), lp_(lp), basis_(lp),
          rho_(lp.m, 0.0), unit_(lp.m, 0.0), linkColumns_(lp.links) {
        for (int j = 0; j < n_; ++j)
            if (lp.link[j] >= 0)
                linkColumns_[lp.link[j]].push_back(j);
    }

    BoundedSolution run() {
        BoundedSolution s;
        // The plan's costs are never negative on an unbounded column (there is no sum row
        // to price them out through), so the slack basis is dual feasible at the bounds.
        if (!lp_.tieBreak.empty())
            breakTies(lp_.tieBreak);
        if (!basis_.factor(head_) || !placeAtBounds()) {
            s.status = BoundedStatus::Failed;
            return s;
        }
        finish(iterate(), s, true);
        return s;
    }

private:
    // out (by column) = y [A | I] for a combination y of the rows.
    void priceRows(const double* y, double* out) {
        std::fill(out, out + w_, 0.0);
        for (const BlockLp::Block& blk : lp_.blocks) {
            const double* yf = y + blk.row0;
            if (std::none_of(yf, yf + blk.rows, [](double v) { return v != 0; }))
                continue;
            for (int jj = 0; jj < blk.cols; ++jj)
                out[blk.col0 + jj] = dot(yf, blk.column(jj), blk.rows);
        }
        for (int l = 0; l < lp_.links; ++l)
            if (const double yl = y[lp_.linkRow0 + l]; yl != 0)
                for (int j : linkColumns_[l])
                    out[j] += yl * lp_.linkCoef[j];
        std::copy(y, y + m_, out + n_);
    }

    // Row r of B^-1 into rho_, and of B^-1 [A | I] into alphaRow_.
    void priceRow(int r) override {
        unit_[r] = 1;
        basis_.btran(unit_.data(), rho_.data());
        unit_[r] = 0;
        priceRows(rho_.data(), alphaRow_.data());
        for (int p = 0; p < m_; ++p)
            alphaRow_[head_[p]] = p == r ? 1.0 : 0.0;
    }

    // The updated weights drift, and no refresh recomputes them all (that would take a product
    // per row); the chosen row's is made exact from rho, just computed, before the update
    // spreads it to the other rows.
    void rowPriced(int r) override {
        double norm = 0;
        for (double v : rho_)
            norm += v * v;
        weight_[r] = std::max(norm, 1e-12);
    }

    std::vector<double> inverseRowOf(int) override { return rho_; }

    void priceColumn(int q) override {
        std::fill(work_.begin(), work_.end(), 0.0);
        addColumn(q, 1.0, work_.data());
        basis_.ftranEntering(q, work_.data(), alphaCol_.data());
    }

    void addColumn(int j, double f, double* v) const override {
        if (j >= n_) {
            v[j - n_] += f;
            return;
        }
        const BlockLp::Block& blk = lp_.blocks[lp_.blockOfColumn[j]];
        axpy(v + blk.row0, blk.column(j - blk.col0), f, blk.rows);
        if (lp_.link[j] >= 0)
            v[lp_.linkRow0 + lp_.link[j]] += f * lp_.linkCoef[j];
    }

    void solveBasic(const double* v, double* out) override { basis_.ftran(v, out); }

    // Reduced costs, the dual steepest-edge weights (Forrest and Goldfarb's update, from
    // tau = B^-1 rho) and the basis.
    bool pivot(int r, int q) override {
        stepDuals(r, q);
        basis_.ftran(rho_.data(), tau_.data());
        updateWeights(r);
        head_[r] = q;
        state_[q] = ColumnState::Basic;
        return basis_.replace(r, q);
    }

    // b - N x_N, or the residual b - A x - s of every row, by row.
    void rowRemainder(bool basicToo) {
        work_.assign(lp_.b.begin(), lp_.b.end());
        for (int j = 0; j < w_; ++j)
            if ((basicToo || state_[j] != ColumnState::Basic) && x_[j] != 0)
                addColumn(j, -x_[j], work_.data());
    }

    void recomputePrimal() override {
        rowRemainder(false);
        basis_.ftran(work_.data(), tau_.data());
        for (int p = 0; p < m_; ++p)
            x_[head_[p]] = tau_[p];
    }

    // One step of iterative refinement.
    void refinePrimal() override {
        rowRemainder(true);
        basis_.ftran(work_.data(), tau_.data());
        for (int p = 0; p < m_; ++p)
            x_[head_[p]] += tau_[p];
    }

    // c_j - y a_j with y = c_B B^-1.
    void recomputeDual() override {
        std::vector<double> costB(m_, 0.0), y(m_, 0.0);
        for (int p = 0; p < m_; ++p)
            costB[p] = head_[p] < n_ ? lp_.cost[head_[p]] : 0.0;
        basis_.btran(costB.data(), y.data());
        priceRows(y.data(), d_.data());
        for (int j = 0; j < w_; ++j)
            d_[j] = (j < n_ ? lp_.cost[j] : 0.0) - d_[j];
        for (int p = 0; p < m_; ++p)
            d_[head_[p]] = 0;
    }

    void refresh() override { recomputePrimal(); }

    const BlockLp& lp_;
    BlockBasis basis_;
    std::vector<double> rho_, unit_;
    std::vector<std::vector<int>> linkColumns_;
};

} // namespace

BoundedSolution solveBlocks(const BlockLp& lp) {
    BlockDualSimplex simplex(lp);
    return simplex.run();
}

} // namespace lp
