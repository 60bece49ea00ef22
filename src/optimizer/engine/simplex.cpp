#include "optimizer/engine/simplex.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace lp {

void pivot(Tableau& t, int p, int q) {
    const int w = t.width();
    double* rp = t.row(p);
    const double v = rp[q];
    if (v != 1)
        for (int k = 1; k < w; ++k)
            rp[k] /= v;
    // Later rows only change where the pivot row is not zero: walk a list of those entries
    // instead of the whole row (the same subtractions, only those of a zero product left
    // out). Basic columns are zero in every row but their own, so the list is usually under
    // half the row; a plain sweep is kept for rows that are nearly full.
    thread_local std::vector<int> cols;
    thread_local std::vector<double> vals;
    cols.clear();
    vals.clear();
    for (int k = 0; k < w; ++k)
        if (rp[k] != 0) {
            cols.push_back(k);
            vals.push_back(rp[k]);
        }
    const bool sparse = cols.size() * 4 < static_cast<size_t>(w) * 3;
    const int n = static_cast<int>(cols.size());
    for (int i = 0; i <= t.M; ++i) {
        if (i == p)
            continue;
        double* ri = t.row(i);
        const double f = ri[q];
        if (f == 0)
            continue;
        if (sparse)
            for (int e = 0; e < n; ++e)
                ri[cols[e]] -= f * vals[e];
        else
            for (int k = 0; k < w; ++k)
                ri[k] -= f * rp[k];
    }
    t.varBasica[p] = q;
}

namespace {

// Consecutive pivots without progress of the cost after which the choices switch to Bland's
// rule (least index) until the cost makes progress again. Without progress the simplex could
// return to a basis it has seen; Bland's rule cannot cycle, and once the cost has moved on by
// more than round-off no earlier basis can come back, so both phases end after finitely many
// pivots. Phase 1 makes progress when the cost rises, phase 2 when it falls.
constexpr int kStallLimit = 50;

class Engine {
public:
    // `refinable`: keep the rows as they arrive, for refine().
    explicit Engine(Tableau& t, bool refinable = true) : t_(t), R_(t.rhs()), original_(t.M + 1) {
        if (!refinable)
            return;
        for (int r = 1; r <= t.M; ++r)
            original_[r].assign(t.row(r) + 1, t.row(r) + t.N + 1);
        rhs_.resize(t.M + 1);
        for (int r = 1; r <= t.M; ++r)
            rhs_[r] = t.at(r, R_);
    }

    // Phase 1, a dual simplex: a row with a negative right-hand side leaves, and the entering
    // column is the one among the row's negative entries with the smallest cost-row entry
    // divided by the entry's size, so every reduced cost stays >= 0 and the cost only rises.
    // Ties go to the more negative entry, then the smaller cost-row entry, then the lower
    // column. Rows are visited last to first in passes; a row that stays negative with no
    // negative entry proves that no mix meets every limit.
    enum class Start { Feasible, Infeasible, Unsupported };
    Start phase1(SolveResult& res) {
        if (feasible()) {
            res.phase1Passes = 1; // one pass that finds nothing to mend
            return Start::Feasible;
        }
        if (!makeCostRowNonNegative())
            return Start::Unsupported;
        bool done = false;
        while (!done) {
            if (res.phase1Passes >= kPhase1PassLimit)
                break;
            ++res.phase1Passes;
            bool pivoted = false;
            for (int r = t_.M; r >= 1 && !done; --r) {
                if (t_.at(r, R_) >= -kFeasibilityTolerance)
                    continue;
                const int q = dualEntering(r);
                if (q == 0)
                    continue;
                dualStep(r, q);
                pivoted = true;
                if (bland_)
                    done = blandDualSteps();
            }
            if (!pivoted)
                break;
        }
        res.phase1LimitReached = res.phase1Passes >= kPhase1PassLimit;
        res.phase1Pivots = phase1Pivots_;
        if (feasible())
            return Start::Feasible;
        if (!res.phase1LimitReached)
            res.proofRow = proofRow();
        return Start::Infeasible;
    }

    // A violated row with nothing to pivot on, the last one first.
    int proofRow() const {
        for (int r = t_.M; r >= 1; --r)
            if (t_.at(r, R_) < -kFeasibilityTolerance && dualEntering(r) == 0)
                return r;
        return 0;
    }

    // Phase 2, the primal simplex: most negative reduced cost enters (lower column on a
    // tie), minimum ratio leaves (lower row on a tie).
    Outcome phase2(SolveResult& res) {
        stalled_ = 0;
        bland_ = false;
        for (;;) {
            if (res.phase2Pivots >= kPhase2PivotLimit)
                return Outcome::IterationLimit;
            const int q = primalEntering();
            if (q == 0)
                return Outcome::Optimum;
            const int p = primalLeaving(q);
            if (p == 0)
                return Outcome::NoLeavingRow;
            const double before = t_.at(0, R_);
            pivot(t_, p, q);
            ++res.phase2Pivots;
            track(t_.at(0, R_) - before, before); // the cost is minus the right-hand side
        }
    }

    bool feasible() const {
        for (int r = 1; r <= t_.M; ++r)
            if (t_.at(r, R_) < -kFeasibilityTolerance)
                return false;
        return true;
    }

    bool standard() const {
        for (int r = 1; r <= t_.M; ++r) {
            const int q = t_.varBasica[r];
            for (int i = 0; i <= t_.M; ++i)
                if (t_.at(i, q) != (i == r ? 1.0 : 0.0))
                    return false;
        }
        return true;
    }

    // Hundreds of pivots leave round-off of about 1e-12 relative in the right-hand sides, which
    // on rows of large figures (energy in kcal) is more than 1e-9 absolute. One step of
    // iterative refinement removes it: the residual of every row against the tableau as it
    // arrived, mapped back through the inverse basis (the slack columns of the final
    // tableau, which started as the identity) onto the basic values and the cost.
    void refine() {
        std::vector<double> value(t_.C + 1, 0.0);
        for (int r = 1; r <= t_.M; ++r)
            value[t_.varBasica[r]] = t_.at(r, R_);
        std::vector<double> residual(t_.M + 1, 0.0);
        for (int k = 1; k <= t_.M; ++k) {
            double lhs = value[t_.N + k];
            for (int j = 1; j <= t_.N; ++j)
                lhs += original_[k][j - 1] * value[j];
            residual[k] = rhs_[k] - lhs;
        }
        for (int i = 0; i <= t_.M; ++i) {
            const double* inverse = t_.row(i) + t_.N;
            double correction = 0;
            for (int k = 1; k <= t_.M; ++k)
                correction += inverse[k] * residual[k];
            t_.at(i, R_) += correction;
        }
    }

    void normaliseInfeasible() {
        double s = 0;
        for (int r = 1; r <= t_.M; ++r) {
            if (t_.varBasica[r] > t_.N)
                continue;
            if (t_.at(r, R_) < 0)
                t_.at(r, R_) = 0;
            s += t_.at(r, R_);
        }
        if (s > 0)
            for (int r = 1; r <= t_.M; ++r)
                if (t_.varBasica[r] <= t_.N)
                    t_.at(r, R_) /= s;
    }

private:
    // Entries up to this size are round-off for a row or column whose largest entry is
    // `largest`: the tolerance is relative, since rows of energy in kcal carry entries in the
    // thousands and their residues are correspondingly larger.
    static double pivotThreshold(double largest) {
        return kPivotTolerance * std::max(1.0, largest);
    }
    double pivotThreshold(const double* row) const {
        double largest = 0;
        for (int c = 1; c <= t_.C; ++c)
            largest = std::max(largest, std::abs(row[c]));
        return pivotThreshold(largest);
    }

    // Clamped so that a residue of a zero reduced cost counts as zero.
    double reducedCost(int c) const { return std::max(t_.at(0, c), 0.0); }

    int dualEntering(int r) const {
        const double* row = t_.row(r);
        const double tiny = pivotThreshold(row);
        // First pass: the smallest ratio, loosened by the optimality tolerance so that a
        // reduced cost may go that little below 0.
        double bound = 0;
        bool any = false;
        for (int c = 1; c <= t_.C; ++c)
            if (row[c] < -tiny) {
                const double loose = (reducedCost(c) + kOptimalityTolerance) / -row[c];
                bound = any ? std::min(bound, loose) : loose;
                any = true;
            }
        if (!any)
            return 0;
        // Second pass, among the columns within that bound: the smallest ratio under Bland's
        // rule, otherwise the more negative entry (a large pivot keeps round-off small), then
        // the smaller cost-row entry, then the lower column.
        int best = 0;
        double bestRatio = 0, bestEntry = 0, bestCost = 0;
        for (int c = 1; c <= t_.C; ++c) {
            const double a = row[c];
            if (!(a < -tiny))
                continue;
            const double d = reducedCost(c);
            const double ratio = d / -a;
            if (ratio > bound)
                continue;
            const bool better =
                best == 0 ||
                (bland_ ? ratio < bestRatio : a < bestEntry || (a == bestEntry && d < bestCost));
            if (better) {
                best = c;
                bestRatio = ratio;
                bestEntry = a;
                bestCost = d;
            }
        }
        return best;
    }

    void dualStep(int r, int q) {
        dropResidues(r, q);
        const double before = t_.at(0, R_);
        pivot(t_, r, q);
        ++phase1Pivots_;
        track(before - t_.at(0, R_), before);
    }

    // The ratio test keeps every reduced cost >= 0 only over the entries it weighs; an entry of
    // the pivot row it leaves out as a residue still enters the elimination, by its own size over
    // the pivot's. Against a pivot of ordinary size that moves a reduced cost by round-off, but on
    // a row of residues (a right-hand side just past the tolerance, the pivot just above the
    // residue size) it moves the reduced cost by as much as the pivot column's own, and a cost
    // row with negative entries is no dual simplex start: the cost no longer only rises, and
    // phase 1 can wander until its pass limit. Such an entry is the 0 the ratio test took it
    // for: it is set to 0 before the pivot.
    void dropResidues(int r, int q) {
        double* row = t_.row(r);
        const double tiny = pivotThreshold(row);
        const double step = reducedCost(q) / row[q];
        for (int c = 1; c <= t_.C; ++c)
            if (c != q && row[c] < 0 && row[c] >= -tiny &&
                t_.at(0, c) - step * row[c] < -kOptimalityTolerance)
                row[c] = 0;
    }

    // Bland's rule for the dual: the violated row whose basic column is lowest leaves, the
    // lowest column of the smallest ratio enters. Returns true when phase 1 is over (no
    // violated row, or one that cannot be mended), false once the cost has moved again.
    bool blandDualSteps() {
        while (bland_) {
            int leave = 0;
            for (int r = 1; r <= t_.M; ++r)
                if (t_.at(r, R_) < -kFeasibilityTolerance &&
                    (leave == 0 || t_.varBasica[r] < t_.varBasica[leave]))
                    leave = r;
            if (leave == 0)
                return true;
            const int q = dualEntering(leave);
            if (q == 0)
                return true;
            dualStep(leave, q);
        }
        return false;
    }

    // The slack basis is a dual simplex start only when no reduced cost is negative. When
    // some cost is, pivot the ingredient with the most negative cost per unit of the row into
    // a row that bounds every such column (the upper quantity row: +1 in every ingredient
    // column, nothing in the others): afterwards every reduced cost is >= 0.
    bool makeCostRowNonNegative() {
        bool negative = false;
        for (int c = 1; c <= t_.C && !negative; ++c)
            negative = t_.at(0, c) < -kOptimalityTolerance;
        if (!negative)
            return true;
        std::vector<bool> basic(t_.C + 1, false);
        for (int r = 1; r <= t_.M; ++r)
            basic[t_.varBasica[r]] = true;
        const int r = t_.M - 1;
        if (r < 1 || t_.at(r, R_) < 0)
            return false;
        int best = 0;
        for (int c = 1; c <= t_.C; ++c) {
            if (basic[c])
                continue;
            const double a = t_.at(r, c), d = t_.at(0, c);
            if (a < 0 || (d < -kOptimalityTolerance && !(a > kPivotTolerance)))
                return false; // the row does not bound this column
            if (a > kPivotTolerance && (best == 0 || d / a < t_.at(0, best) / t_.at(r, best)))
                best = c;
        }
        if (best == 0)
            return false;
        pivot(t_, r, best);
        ++phase1Pivots_;
        return true;
    }

    int primalEntering() const {
        const double* cost = t_.row(0);
        int best = 0;
        for (int c = 1; c <= t_.C; ++c) {
            if (!(cost[c] < -kOptimalityTolerance))
                continue;
            if (bland_)
                return c;
            if (best == 0 || cost[c] < cost[best])
                best = c;
        }
        return best;
    }

    int primalLeaving(int q) const {
        double largest = 0;
        for (int r = 1; r <= t_.M; ++r)
            largest = std::max(largest, std::abs(t_.at(r, q)));
        const double tiny = pivotThreshold(largest);
        int best = 0;
        double bestRatio = 0;
        for (int r = 1; r <= t_.M; ++r) {
            const double a = t_.at(r, q);
            if (!(a > tiny))
                continue;
            // A residue below zero on the right is a zero: the step stays forward.
            const double ratio = std::max(t_.at(r, R_), 0.0) / a;
            bool better = best == 0 || ratio < bestRatio;
            if (!better && bland_ && ratio == bestRatio)
                better = t_.varBasica[r] < t_.varBasica[best];
            if (better) {
                best = r;
                bestRatio = ratio;
            }
        }
        return best;
    }

    void track(double gain, double before) {
        if (gain > 1e-12 * std::max(1.0, std::abs(before))) {
            stalled_ = 0;
            bland_ = false;
        } else if (++stalled_ >= kStallLimit) {
            bland_ = true;
        }
    }

    Tableau& t_;
    const int R_;
    std::vector<std::vector<double>> original_; // ingredient columns of rows 1..M on arrival
    std::vector<double> rhs_;                   // right-hand sides on arrival
    int stalled_ = 0;
    bool bland_ = false;
    long phase1Pivots_ = 0;
};

} // namespace

SolveResult solveDense(Tableau& t) {
    SolveResult res;
    Engine engine(t);
    const Engine::Start start = engine.phase1(res);
    if (start == Engine::Start::Infeasible) {
        engine.normaliseInfeasible();
        res.outcome = Outcome::Infeasible;
        return res;
    }
    // A tableau phase 1 cannot start from is not one this engine solves.
    if (start == Engine::Start::Unsupported || !engine.standard()) {
        res.outcome = Outcome::NotStandard;
        return res;
    }
    res.outcome = engine.phase2(res);
    engine.refine();
    return res;
}

bool improvable(const Tableau& t) {
    for (int c = 1; c <= t.C; ++c)
        if (t.at(0, c) < -kOptimalityTolerance)
            return true;
    return false;
}

Outcome finishFromFeasibleBasis(Tableau& t, SolveResult& res) {
    if (!improvable(t))
        return Outcome::Optimum;
    Engine engine(t, false);
    return engine.phase2(res);
}

} // namespace lp
