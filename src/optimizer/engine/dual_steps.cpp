#include "optimizer/engine/dual_steps.h"

#include "optimizer/engine/simplex.h"

#include <algorithm>
#include <cmath>

namespace lp {

namespace {

// A basic value this far outside its bounds is a violated limit. Tighter than the dense
// path's test so that the slacks the full tableau derives from these values (a bound plus or
// minus a share) pass that test too.
constexpr double kPrimalTolerance = 0.5 * kFeasibilityTolerance;
// Harris' tolerance: a reduced cost may end this far on the wrong side of 0 when that lets a
// larger entry be the pivot. Kept under the optimality tolerance of the dense path, so the
// rebuilt tableau needs no pivot to be optimal.
constexpr double kDualTolerance = 0.5 * kOptimalityTolerance;

int blandEntering(const std::vector<RatioCandidate>& candidates, double& ratio) {
    const RatioCandidate* best = nullptr;
    for (const RatioCandidate& c : candidates)
        if (best == nullptr || c.ratio < best->ratio || (c.ratio == best->ratio && c.j < best->j))
            best = &c;
    ratio = best->ratio;
    return best->j;
}

} // namespace

int boundFlippingRatioTest(const RatioTestInput& in, std::vector<RatioCandidate>& candidates,
                           std::vector<int>& flipped, double& ratio) {
    const double* tr = in.row;
    auto fixed = [&](int j) { return !(in.lower[j] < in.upper[j]); };
    // One pass: the largest entry, and every column that could pass the pivot tolerance,
    // which is never below kPivotTolerance; those under the final tolerance are dropped after.
    double largest = 0;
    candidates.clear();
    for (int j = 0; j < in.width; ++j) {
        if (in.state[j] == ColumnState::Basic)
            continue;
        largest = std::max(largest, std::abs(tr[j]));
        if (fixed(j))
            continue;
        const double a = in.below ? -tr[j] : tr[j];
        const bool atLower = in.state[j] == ColumnState::AtLower;
        if (atLower ? !(a > kPivotTolerance) : !(a < -kPivotTolerance))
            continue;
        const double dj = std::max(atLower ? in.d[j] : -in.d[j], 0.0);
        const double e = std::abs(a);
        candidates.push_back({j, e, dj / e, (dj + in.dualTolerance) / e});
    }
    const double tiny = kPivotTolerance * std::max(1.0, largest);
    if (tiny > kPivotTolerance)
        candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                        [&](const RatioCandidate& c) { return !(c.entry > tiny); }),
                         candidates.end());
    flipped.clear();
    if (candidates.empty())
        return -1;
    if (in.bland)
        return blandEntering(candidates, ratio);
    double slope = std::abs(in.delta);
    auto rest = candidates.begin();
    for (;;) {
        if (rest == candidates.end())
            return -1; // every breakpoint passed with the cost still rising: no mix
        double bound = rest->loose;
        for (auto c = rest; c != candidates.end(); ++c)
            bound = std::min(bound, c->loose);
        // Bring the group within the bound to the front.
        auto groupEnd = std::partition(rest, candidates.end(),
                                       [&](const RatioCandidate& c) { return c.ratio <= bound; });
        double drop = 0;
        for (auto c = rest; c != groupEnd; ++c)
            drop += c->entry * (in.upper[c->j] - in.lower[c->j]);
        if (slope - drop > 0 && std::isfinite(drop)) {
            for (auto c = rest; c != groupEnd; ++c)
                flipped.push_back(c->j);
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

DualSimplexSteps::DualSimplexSteps(int m, int n, const std::vector<double>& cost,
                                   const std::vector<double>& lower,
                                   const std::vector<double>& upper)
    : m_(m), n_(n), w_(n + m), cost_(cost), lower_(lower), upper_(upper), head_(m),
      state_(w_, ColumnState::AtLower), x_(w_, 0.0), d_(w_, 0.0), weight_(m, 1.0),
      alphaRow_(w_, 0.0), alphaCol_(m, 0.0), tau_(m, 0.0), work_(m, 0.0) {
    for (int i = 0; i < m_; ++i) {
        head_[i] = n_ + i;
        state_[n_ + i] = ColumnState::Basic;
    }
    for (int j = 0; j < n_; ++j)
        d_[j] = cost[j];
}

bool DualSimplexSteps::placeAtBounds() {
    for (int j = 0; j < w_; ++j) {
        if (state_[j] == ColumnState::Basic)
            continue;
        const bool up = d_[j] < 0 && !fixed(j);
        if (up && std::isinf(upper_[j]))
            return false;
        state_[j] = up ? ColumnState::AtUpper : ColumnState::AtLower;
        if (std::isinf(up ? upper_[j] : lower_[j]))
            return false;
        x_[j] = up ? upper_[j] : lower_[j];
    }
    recomputePrimal();
    return true;
}

BoundedStatus DualSimplexSteps::iterate() {
    const long limit = boundedPivotLimit(m_, n_);
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
        const bool below = x_[leave] < lower_[leave];
        const double target = below ? lower_[leave] : upper_[leave];
        priceRow(r);
        rowPriced(r);
        double ratio = 0;
        const int q = enteringColumn(below, x_[leave] - target, ratio);
        if (q < 0) {
            farkas_ = inverseRowOf(r);
            return BoundedStatus::Infeasible;
        }
        applyFlips();
        priceColumn(q);
        const double delta = x_[leave] - target;
        const double stepP = delta / alphaCol_[r];
        for (int p = 0; p < m_; ++p)
            x_[head_[p]] -= stepP * alphaCol_[p];
        x_[q] += stepP;
        x_[leave] = target;
        if (!pivot(r, q))
            return BoundedStatus::Failed;
        state_[leave] = below ? ColumnState::AtLower : ColumnState::AtUpper;
        ++pivots_;
        track(ratio * std::abs(delta));
        if (++sinceRefresh >= 100) {
            refresh();
            sinceRefresh = 0;
        }
    }
}

void DualSimplexSteps::finish(BoundedStatus status, BoundedSolution& s, bool cleanUp) {
    s.status = status;
    if (status == BoundedStatus::Optimal) {
        recomputePrimal();
        refinePrimal();
        recomputeDual();
        if (cleanUp && costsShifted_ && primalCleanup()) {
            recomputePrimal();
            refinePrimal();
            recomputeDual();
        }
        // A fixed column sits at whichever bound its reduced cost asks for.
        for (int j = 0; j < w_; ++j)
            if (state_[j] != ColumnState::Basic && fixed(j))
                state_[j] = d_[j] < 0 ? ColumnState::AtUpper : ColumnState::AtLower;
    }
    s.farkas = std::move(farkas_);
    s.pivots = pivots_;
    s.flips = flips_;
    s.head = std::move(head_);
    s.state = std::move(state_);
    s.x = std::move(x_);
    s.d = std::move(d_);
}

double DualSimplexSteps::infeasibility(int j) const {
    if (x_[j] < lower_[j] - kPrimalTolerance)
        return lower_[j] - x_[j];
    if (x_[j] > upper_[j] + kPrimalTolerance)
        return x_[j] - upper_[j];
    return 0;
}

// Dual steepest edge: the largest squared infeasibility per squared norm of the row of the
// inverse basis. Under Bland's rule the violated row whose basic column is lowest.
int DualSimplexSteps::leavingRow() const {
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

int DualSimplexSteps::enteringColumn(bool below, double delta, double& ratio) {
    RatioTestInput in;
    in.row = alphaRow_.data();
    in.state = state_.data();
    in.d = d_.data();
    in.lower = lower_.data();
    in.upper = upper_.data();
    in.width = w_;
    in.below = below;
    in.delta = delta;
    in.bland = bland_;
    in.dualTolerance = kDualTolerance;
    return boundFlippingRatioTest(in, candidates_, flipped_, ratio);
}

// x_B -= B^-1 (sum of the moved columns times their steps).
void DualSimplexSteps::applyFlips() {
    if (flipped_.empty())
        return;
    std::fill(work_.begin(), work_.end(), 0.0);
    for (int j : flipped_) {
        const bool toUpper = state_[j] == ColumnState::AtLower;
        const double v = toUpper ? upper_[j] : lower_[j];
        const double step = v - x_[j];
        state_[j] = toUpper ? ColumnState::AtUpper : ColumnState::AtLower;
        x_[j] = v;
        addColumn(j, step, work_.data());
        ++flips_;
    }
    solveBasic(work_.data(), tau_.data());
    for (int p = 0; p < m_; ++p)
        x_[head_[p]] -= tau_[p];
}

void DualSimplexSteps::stepDuals(int r, int q) {
    const double stepD = d_[q] / alphaRow_[q];
    for (int j = 0; j < w_; ++j)
        if (state_[j] != ColumnState::Basic && alphaRow_[j] != 0)
            d_[j] -= stepD * alphaRow_[j];
    d_[head_[r]] = -stepD;
    d_[q] = 0;
}

void DualSimplexSteps::updateWeights(int r) {
    const double pivotEntry = alphaCol_[r];
    const double wr = weight_[r];
    for (int p = 0; p < m_; ++p) {
        if (p == r || alphaCol_[p] == 0)
            continue;
        const double k = alphaCol_[p] / pivotEntry;
        weight_[p] = std::max(weight_[p] - 2 * k * tau_[p] + k * k * wr, 1e-12);
    }
    weight_[r] = std::max(wr / (pivotEntry * pivotEntry), 1e-12);
}

// The basis the perturbed search ended on is primal feasible and optimal for the perturbed
// costs; on the true costs a column may still lower the cost, by as much as the perturbation
// against costs that are small (a plan's are scaled by each formula's part of the plan). Primal
// simplex pivots price those columns in: the most wrong reduced cost enters, the first basic
// value to reach a bound leaves, or the column moves to its other bound. False, keeping the
// basis as it is, when the pivots run out.
bool DualSimplexSteps::primalCleanup() {
    const long limit = pivots_ + boundedPivotLimit(m_, n_);
    for (;;) {
        int q = -1;
        double worst = kOptimalityTolerance;
        for (int j = 0; j < w_; ++j) {
            if (state_[j] == ColumnState::Basic || fixed(j))
                continue;
            const double wrong = state_[j] == ColumnState::AtLower ? -d_[j] : d_[j];
            if (wrong > worst) {
                worst = wrong;
                q = j;
            }
        }
        if (q < 0)
            return true;
        if (pivots_ >= limit)
            return false;
        const double dir = state_[q] == ColumnState::AtLower ? 1.0 : -1.0;
        priceColumn(q);
        double step = upper_[q] - lower_[q];
        int r = -1;
        for (int p = 0; p < m_; ++p) {
            const double a = dir * alphaCol_[p];
            if (std::abs(a) <= kPivotTolerance)
                continue;
            const int j = head_[p];
            const double room = a > 0 ? x_[j] - lower_[j] : upper_[j] - x_[j];
            if (std::isinf(room))
                continue;
            const double t = std::max(room, 0.0) / std::abs(a);
            if (t < step || (t == step && r >= 0 && std::abs(a) > std::abs(alphaCol_[r]))) {
                step = t;
                r = p;
            }
        }
        if (std::isinf(step))
            return false;
        for (int p = 0; p < m_; ++p)
            x_[head_[p]] -= dir * step * alphaCol_[p];
        if (r < 0) {
            state_[q] = dir > 0 ? ColumnState::AtUpper : ColumnState::AtLower;
            x_[q] = dir > 0 ? upper_[q] : lower_[q];
            continue;
        }
        x_[q] += dir * step;
        const int leave = head_[r];
        const bool toLower = dir * alphaCol_[r] > 0;
        priceRow(r);
        if (!pivot(r, q))
            return false;
        state_[leave] = toLower ? ColumnState::AtLower : ColumnState::AtUpper;
        x_[leave] = toLower ? lower_[leave] : upper_[leave];
        ++pivots_;
    }
}

void DualSimplexSteps::breakTies(const std::vector<double>& extra) {
    for (int j = 0; j < n_; ++j)
        d_[j] += extra[j];
    costsShifted_ = true;
}

// A stall is met first by perturbing the costs, then by Bland's rule.
void DualSimplexSteps::track(double gain) {
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

// Ingredients that cost nothing (water) or cost the same leave many reduced costs at 0; then
// every dual step has length 0 and the search can wander for thousands of pivots. Raising each
// non-basic column's cost by a different tiny amount (about 1e-7 of a unit of cost, far below
// any price) breaks those ties. The costs come back at the end: the reduced costs are
// recomputed from the true costs, and a column they leave slightly negative is priced in by
// phase 2 of the dense path on the rebuilt tableau.
void DualSimplexSteps::perturb() {
    perturbed_ = true;
    costsShifted_ = true;
    for (int j = 0; j < w_; ++j) {
        if (state_[j] == ColumnState::Basic || fixed(j))
            continue;
        const double cost = j < n_ ? std::abs(cost_[j]) : 0.0;
        const double spread = 0.5 + 0.5 * std::fmod(0.6180339887 * (j + 1), 1.0);
        const double delta = 1e-7 * (1 + cost) * spread;
        d_[j] += state_[j] == ColumnState::AtLower ? delta : -delta;
    }
}

} // namespace lp
