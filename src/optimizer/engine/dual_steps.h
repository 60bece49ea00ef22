#pragma once

#include "optimizer/engine/bounded_simplex.h"

#include <vector>

namespace lp {

// The steps of the bounded dual simplex that need no inverse basis, shared by the dense inverse
// of a blend and the block factors of a plan.

// A column the leaving row's move can bring in: its entry in the pivot row, its ratio
// (|reduced cost| / entry) and the ratio with Harris' tolerance.
struct RatioCandidate {
    int j;
    double entry;
    double ratio;
    double loose;
};

// What the dual ratio test reads: the pivot row over every column, the columns' states,
// reduced costs and bounds, and how the leaving value must move.
struct RatioTestInput {
    const double* row = nullptr;
    const ColumnState* state = nullptr;
    const double* d = nullptr;
    const double* lower = nullptr;
    const double* upper = nullptr;
    int width = 0;
    bool below = false; // the leaving value is under its lower bound
    double delta = 0;   // its distance to the bound it goes to
    bool bland = false; // least ratio, least index, no flips
    double dualTolerance = 0;
};

// Bound-flipping ratio test on the pivot row. Candidates are the columns whose move in the
// allowed direction brings the leaving value towards its bound. Passing a candidate's
// breakpoint lowers the rate at which the cost rises by its entry times its range; while the
// rate stays positive the candidate flips to its other bound instead of entering. Within the
// last group of breakpoints (Harris) the largest entry enters. Returns the entering column, or
// -1 when no column can enter (no mix); `flipped` gets the columns to move to their other
// bound and `ratio` the entering column's ratio.
int boundFlippingRatioTest(const RatioTestInput& in, std::vector<RatioCandidate>& candidates,
                           std::vector<int>& flipped, double& ratio);

// The bounded dual simplex apart from how it multiplies by B^-1: the basis heads, the column
// states, the values and reduced costs of every column and the dual steepest-edge weights of
// the rows; the choice of the leaving row and of the entering column, the primal step, and the
// guard against stalling. A derived class keeps the inverse basis its own way.
class DualSimplexSteps {
public:
    virtual ~DualSimplexSteps() = default;

protected:
    DualSimplexSteps(int m, int n, const std::vector<double>& cost,
                     const std::vector<double>& lower, const std::vector<double>& upper);

    // Row r of B^-1 [A | I] into alphaRow_.
    virtual void priceRow(int r) = 0;
    // Column q of B^-1 [A | I] into alphaCol_.
    virtual void priceColumn(int q) = 0;
    // The pivot on (r, q), with alphaRow_ and alphaCol_ priced and the values stepped: reduced
    // costs, weights, the head of r, q's state and the inverse basis. False when the inverse
    // cannot be kept.
    virtual bool pivot(int r, int q) = 0;
    // v += f (column j of [A | I]), by row.
    virtual void addColumn(int j, double f, double* v) const = 0;
    // out (by position) = B^-1 v (by row).
    virtual void solveBasic(const double* v, double* out) = 0;
    virtual void recomputePrimal() = 0;
    virtual void refinePrimal() = 0;
    virtual void recomputeDual() = 0;
    // Every 100 pivots: the values computed afresh, clearing the drift of the updates.
    virtual void refresh() = 0;
    // Between pricing the leaving row and the ratio test.
    virtual void rowPriced(int) {}
    // Row r of B^-1, by row, just after priceRow(r).
    virtual std::vector<double> inverseRowOf(int r) = 0;

    bool fixed(int j) const { return !(lower_[j] < upper_[j]); }
    // Every non-basic column at the bound its reduced cost asks for; false when that bound is
    // infinite.
    bool placeAtBounds();
    // The search from a dual feasible start, then the values and reduced costs afresh.
    BoundedStatus iterate();
    // The final values, reduced costs and states into s. With `cleanUp`, a search that ended on
    // perturbed costs is finished by primal pivots on the true ones.
    void finish(BoundedStatus status, BoundedSolution& s, bool cleanUp = false);
    // Searches on the costs plus `extra`, to be finished on the costs alone by finish's clean-up.
    void breakTies(const std::vector<double>& extra);
    // Moves the flipped columns to their other bound and the basic values with them.
    void applyFlips();
    // The reduced costs after the pivot on (r, q), from the priced row.
    void stepDuals(int r, int q);
    // The dual steepest-edge weights after the pivot on row r (Forrest and Goldfarb's update),
    // from alphaCol_ and tau_ = B^-1 rho_r.
    void updateWeights(int r);

    const int m_, n_, w_;
    const std::vector<double>& cost_;
    const std::vector<double>& lower_;
    const std::vector<double>& upper_;
    std::vector<int> head_;
    std::vector<ColumnState> state_;
    std::vector<double> x_, d_, weight_;
    std::vector<double> alphaRow_, alphaCol_, tau_, work_;
    long pivots_ = 0, flips_ = 0;
    std::vector<double> farkas_; // the proof of an infeasible end

private:
    double infeasibility(int j) const;
    int leavingRow() const;
    int enteringColumn(bool below, double delta, double& ratio);
    void track(double gain);
    void perturb();
    bool primalCleanup();

    std::vector<RatioCandidate> candidates_;
    std::vector<int> flipped_;
    int stalled_ = 0;
    bool bland_ = false;
    bool perturbed_ = false;    // the stall guard has perturbed the costs
    bool costsShifted_ = false; // the search ran on other costs than the true ones
};

} // namespace lp
