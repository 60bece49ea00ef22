#include "optimizer/engine/integer.h"

#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/simplex.h"
#include "optimizer/engine/tableau.h"
#include "optimizer/engine/text.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>

namespace lp {

bool IntegerConditions::any() const {
    if (maxIngredientes)
        return true;
    for (const IntegerIngredient& i : ingredients)
        if ((i.minimoSiSeUsa && *i.minimoSiSeUsa > 0) || (redondear && i.paso))
            return true;
    return false;
}

namespace {

using Clock = std::chrono::steady_clock;

// A share this close to a step, to 0 or to a minimum is on it. The same tolerance the simplex
// holds a bound to: a node whose values the simplex would call feasible for those bounds is
// integer feasible, and nothing looser enters the proof. The mix reported is then re-solved
// with every choice fixed exactly, so its rounded shares are whole steps to the last bit.
constexpr double kOnValue = kFeasibilityTolerance;

// A node whose bound is this close to the best mix cannot improve it. The simplex's own
// optimality tolerance (relative to the cost), so the proof is as tight as the continuous
// optimum it rests on; a tie with the best mix adds nothing and is cut.
double pruneMargin(double incumbent) {
    return kOptimalityTolerance * std::max(1.0, std::abs(incumbent));
}

std::string number(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6f", v);
    std::string s = buffer;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

// Per column, in shares of the batch: its step (0: not rounded) and its minimum if used (0:
// none), and whether it counts against a count limit.
struct ColumnRule {
    double step = 0;
    double minUse = 0;
};

// Bounds of one node over the structural columns, and the columns a branch put in the mix
// for the count limit without a minimum to show it in its bounds.
struct Node {
    std::vector<double> lower, upper;
    std::vector<char> in;
    std::shared_ptr<const BoundedSolution> basis; // the parent's final basis
    double bound = -BoundedLp::kInfinity;         // the parent's optimum: none below it
    long order = 0;                               // ties in the best-bound order: oldest first
    // The split that made the node, for the pseudo-costs: its column (-1: the root), whether
    // it was a step's split, its side, and how far it moved the parent's value.
    int splitColumn = -1;
    bool splitStep = false, splitUp = false;
    double splitDistance = 0;
};

// What a split has cost per unit of the value it moved, by column, kind (in or out of the mix;
// steps) and side: the average rise of the children's optimum over their parent's. The column
// whose split is expected to raise both children most is split first (the product rule):
// each split then buys the most bound, where the most fractional value, tried before, often
// split on columns whose children both cost as much as their parent.
class PseudoCosts {
public:
    explicit PseudoCosts(int n) : sum_(4 * static_cast<size_t>(n), 0.0), count_(sum_.size(), 0) {}

    void record(int j, bool step, bool up, double distance, double gain) {
        if (!(distance > 0) || !std::isfinite(gain))
            return;
        const size_t k = index(j, step, up);
        const double unit = std::max(gain, 0.0) / distance;
        sum_[k] += unit;
        ++count_[k];
        totalSum_[kind(step, up)] += unit;
        ++totalCount_[kind(step, up)];
    }

    // The expected rise of both children; a column never split takes the average of its kind.
    double score(int j, bool step, double down, double up) const {
        const double a = estimate(j, step, false) * down, b = estimate(j, step, true) * up;
        constexpr double kFloor = 1e-9;
        return std::max(a, kFloor) * std::max(b, kFloor);
    }

private:
    static int kind(bool step, bool up) { return (step ? 2 : 0) + (up ? 1 : 0); }
    size_t index(int j, bool step, bool up) const {
        return 4 * static_cast<size_t>(j) + static_cast<size_t>(kind(step, up));
    }
    double estimate(int j, bool step, bool up) const {
        const size_t k = index(j, step, up);
        if (count_[k] > 0)
            return sum_[k] / static_cast<double>(count_[k]);
        const int t = kind(step, up);
        return totalCount_[t] > 0 ? totalSum_[t] / static_cast<double>(totalCount_[t]) : 1.0;
    }

    std::vector<double> sum_;
    std::vector<long> count_;
    double totalSum_[4] = {};
    long totalCount_[4] = {};
};

struct LaterBound {
    bool operator()(const Node& a, const Node& b) const {
        return a.bound != b.bound ? a.bound > b.bound : a.order > b.order;
    }
};

class Search {
public:
    static constexpr long kNeighbourhoodNodes = 300;

    Search(const BoundedLp& lp, std::vector<ColumnRule> rules, std::optional<int> maxCount,
           const IntegerLimits& limits)
        : lp_(lp), work_(lp), rules_(std::move(rules)), maxCount_(maxCount), limits_(limits),
          n_(lp.n), pseudo_(lp.n) {}

    // The root: its continuous solution, or why there is none.
    BoundedStatus solveRoot() {
        root_ = std::make_shared<BoundedSolution>(solveBounded(lp_, true));
        return root_->status;
    }
    double value(const std::vector<double>& x) const {
        double z = 0;
        for (int j = 0; j < n_; ++j)
            z += lp_.cost[j] * x[j];
        return z;
    }
    const BoundedSolution& root() const { return *root_; }

    // The root's bounds with the conditions applied; false when they alone rule out every
    // mix (a column that must be in the mix whose maximum is below its minimum if used, no
    // whole step between a rounded column's limits, more columns in than the count allows).
    // Needs no simplex, so an explanation's many tries settle most of their cases here.
    bool rootHasRoom() {
        root0_.lower.assign(lp_.lower.begin(), lp_.lower.begin() + n_);
        root0_.upper.assign(lp_.upper.begin(), lp_.upper.begin() + n_);
        root0_.in.assign(n_, 0);
        for (int j = 0; j < n_; ++j) {
            // The sum of shares bounds every share: a step count needs a finite top.
            root0_.upper[j] = std::min(root0_.upper[j], kSumUpper);
            if (rules_[j].minUse > 0 && root0_.lower[j] > kOnValue)
                root0_.lower[j] = std::max(root0_.lower[j], rules_[j].minUse);
        }
        Node copy = root0_;
        return tidy(copy);
    }

    // With `firstMix` the search ends at its first mix: enough to tell that a mix exists.
    void run(bool firstMix = false) {
        start_ = Clock::now();
        firstMix_ = firstMix;
        Node node = root0_;
        node.basis = root_;
        if (tidy(node))
            roundMix(node, *root_);
        if (firstMix_ && haveIncumbent_) {
            stopped_ = true;
            return;
        }
        open_.push_back(std::move(node));
        // Best bound with plunging: the open node of least bound is taken, and from it the
        // search dives, child after child on the side the value is nearer, until the dive
        // ends. Best bound proves optimality in the fewest nodes; the dive finds mixes (the
        // cut-off that prunes) early, and each of its children re-solves one bound away from
        // the basis just left. A pure depth-first start was tried first: without a mix it
        // can bury itself in one infeasible subtree for hundreds of thousands of nodes.
        while (!open_.empty()) {
            std::pop_heap(open_.begin(), open_.end(), LaterBound());
            std::optional<Node> next = std::move(open_.back());
            open_.pop_back();
            while (next) {
                if (firstMix_ && haveIncumbent_) {
                    stopped_ = true;
                    push(std::move(*next));
                    return;
                }
                if (limitReached()) {
                    stopped_ = true;
                    push(std::move(*next));
                    return;
                }
                next = process(std::move(*next));
            }
        }
    }

    bool haveIncumbent() const { return haveIncumbent_; }
    const std::vector<double>& incumbent() const { return incumbent_; }
    double incumbentValue() const { return incumbentValue_; }
    long nodes() const { return nodes_; }
    // Whether the search covered every node: stopped by no limit, and no node lost to a
    // simplex that gave up.
    bool complete() const { return !stopped_ && !lost_; }
    // The least bound of the nodes left open (the best mix's value when none is).
    double openBound() const {
        double b = haveIncumbent_ ? incumbentValue_ : BoundedLp::kInfinity;
        for (const Node& node : open_)
            b = std::min(b, node.bound);
        return lostBound_ < b ? lostBound_ : b;
    }

private:
    bool limitReached() const {
        if (limits_.maxNodos > 0 && nodes_ >= limits_.maxNodos)
            return true;
        if (limits_.seguir && !limits_.seguir(nodes_))
            return true;
        if (limits_.maxSegundos > 0) {
            const std::chrono::duration<double> spent = Clock::now() - start_;
            return spent.count() >= limits_.maxSegundos;
        }
        return false;
    }

    bool counted(const Node& node, int j) const { return node.in[j] || node.lower[j] > kOnValue; }

    // The count limit held by bounds: once as many columns are in as the limit allows, every
    // other one is out. False when more are in than allowed.
    bool enforceCount(Node& node) const {
        if (!maxCount_)
            return true;
        int in = 0;
        for (int j = 0; j < n_; ++j)
            in += counted(node, j) ? 1 : 0;
        if (in > *maxCount_)
            return false;
        if (in == *maxCount_)
            for (int j = 0; j < n_; ++j)
                if (!counted(node, j))
                    node.upper[j] = 0;
        return true;
    }

    // A step count inside the bounds: the bounds of a rounded column move in to whole steps.
    static bool snapToSteps(Node& node, int j, double step) {
        node.lower[j] = std::ceil(node.lower[j] / step - kOnValue / step) * step;
        node.upper[j] = std::floor(node.upper[j] / step + kOnValue / step) * step;
        return node.lower[j] <= node.upper[j];
    }

    bool tidy(Node& node) const {
        for (int j = 0; j < n_; ++j) {
            if (rules_[j].step > 0 && !snapToSteps(node, j, rules_[j].step))
                return false;
            // A column that cannot reach its minimum if used stays out.
            if (rules_[j].minUse > 0 && node.upper[j] < rules_[j].minUse - kOnValue)
                node.upper[j] = 0;
            if (node.upper[j] < node.lower[j])
                return false;
        }
        return enforceCount(node);
    }

    std::shared_ptr<BoundedSolution> solveNode(const Node& node) {
        std::copy(node.lower.begin(), node.lower.end(), work_.lower.begin());
        std::copy(node.upper.begin(), node.upper.end(), work_.upper.begin());
        ++nodes_;
        return std::make_shared<BoundedSolution>(solveBoundedFrom(work_, *node.basis, true));
    }

    // Whether the values meet every condition; otherwise the column to branch on and how.
    struct Branch {
        int column = -1;
        enum Kind { Step, OnStep, Use, Count } kind = Step;
    };
    // The order of the splits is the order of the decisions: which ingredients are in (the
    // count, then each minimum if used), and only then how many steps each weighs. A step
    // only fine-tunes a mix, and the LP bound moves little on it; split on steps first and
    // every in-or-out choice is made again under a tree of step choices. On 100 to 200
    // ingredients with minimums and steps that took 2,000 to 180,000 nodes where taking the
    // minimums first takes 175 to 455. Within a kind, the best score by the pseudo-costs.
    bool meetsConditions(const Node& node, const std::vector<double>& x, Branch& branch) const {
        double bestUse = -1, bestStep = -1;
        Branch use, step;
        int used = 0;
        for (int j = 0; j < n_; ++j) {
            const double v = x[j];
            if (v > kOnValue)
                ++used;
            const ColumnRule& r = rules_[j];
            if (r.minUse > 0 && v > kOnValue && v < r.minUse - kOnValue) {
                const double score = pseudo_.score(j, false, v, r.minUse - v);
                if (score > bestUse) {
                    bestUse = score;
                    use = {j, Branch::Use};
                }
            }
            if (r.step > 0) {
                const double k = v / r.step;
                if (std::abs(v - std::round(k) * r.step) > kOnValue) {
                    const double f = k - std::floor(k);
                    const double score = pseudo_.score(j, true, f * r.step, (1 - f) * r.step);
                    if (score > bestStep) {
                        bestStep = score;
                        step = {j, Branch::Step};
                    }
                }
            }
        }
        branch = use.column >= 0 ? use : step;
        if (maxCount_ && used > *maxCount_) {
            // The count first: the LP has no row for it, so a step or minimum split under it
            // leaves it as far from met as before (mixes of 23 ingredients with a count and
            // steps ran past 200,000 nodes; count first, hundreds). Among the used columns not
            // yet counted in, the best score; out of the mix moves the value to 0, in it to
            // its least quantity in the mix.
            double best = -1;
            for (int j = 0; j < n_; ++j)
                if (x[j] > kOnValue && !counted(node, j)) {
                    const double score = pseudo_.score(j, false, x[j], inDistance(j, x[j]));
                    if (score > best) {
                        best = score;
                        branch = {j, Branch::Count};
                    }
                }
            // Every used column counted in cannot be: enforceCount rules such a node out.
            return false;
        }
        return branch.column < 0;
    }

    // How far a column's value moves when it is put in the mix: up to its least quantity
    // there, its minimum if used or one step.
    double inDistance(int j, double v) const {
        return std::max(std::max(rules_[j].minUse, rules_[j].step) - v, 0.0);
    }

    // Every integer choice of the values fixed and the rest re-solved: the mix with whole
    // steps exactly. Becomes the best mix when it is cheaper.
    bool tryMix(const Node& node, const std::vector<double>& x, const BoundedSolution& basis) {
        Node fixedNode = node;
        for (int j = 0; j < n_; ++j) {
            const ColumnRule& r = rules_[j];
            const bool conditioned = r.minUse > 0 || maxCount_.has_value();
            if (conditioned && x[j] <= kOnValue && !(fixedNode.lower[j] > 0)) {
                fixedNode.upper[j] = 0;
            } else if (r.minUse > 0 && x[j] > kOnValue) {
                fixedNode.lower[j] = std::max(fixedNode.lower[j], r.minUse);
            }
            if (r.step > 0) {
                if (!snapToSteps(fixedNode, j, r.step))
                    return false;
                const double v = std::clamp(std::round(x[j] / r.step) * r.step, fixedNode.lower[j],
                                            fixedNode.upper[j]);
                fixedNode.lower[j] = fixedNode.upper[j] = v;
            }
        }
        for (int j = 0; j < n_; ++j)
            if (fixedNode.lower[j] > fixedNode.upper[j])
                return false;
        std::copy(fixedNode.lower.begin(), fixedNode.lower.end(), work_.lower.begin());
        std::copy(fixedNode.upper.begin(), fixedNode.upper.end(), work_.upper.begin());
        const BoundedSolution s = solveBoundedFrom(work_, basis, true);
        if (s.status != BoundedStatus::Optimal)
            return false;
        std::vector<double> mix(s.x.begin(), s.x.begin() + n_);
        // A value may sit half the feasibility tolerance past its bound; a fixed column is
        // written at its bound, the step itself.
        for (int j = 0; j < n_; ++j)
            mix[j] = std::clamp(mix[j], fixedNode.lower[j], fixedNode.upper[j]);
        Branch none;
        if (!meetsConditions(fixedNode, mix, none))
            return false;
        const double z = value(mix);
        if (!haveIncumbent_ || z < incumbentValue_) {
            haveIncumbent_ = true;
            incumbentValue_ = z;
            incumbent_ = std::move(mix);
            newMix_ = true;
        }
        return true;
    }

    // A mix by rounding a node's continuous solution and re-solving after each round: the
    // count kept to the largest shares, each share under its minimum if used sent to 0 below
    // half of it and to the minimum above, then the rounded columns fixed to their nearest
    // step in halves, the ones nearest a step first, so that the columns still free make up
    // for each half. A few solves from the node's basis; it gives the search a cut-off long
    // before a dive would reach a mix on a blend with many conditions.
    void roundMix(const Node& from, const BoundedSolution& solved) {
        Node node = from;
        std::shared_ptr<const BoundedSolution> s = std::make_shared<BoundedSolution>(solved);
        std::vector<double> x(s->x.begin(), s->x.begin() + n_);
        for (int round = 0; round < 4; ++round) {
            bool changed = false;
            if (maxCount_) {
                std::vector<int> order;
                for (int j = 0; j < n_; ++j)
                    if (x[j] > kOnValue || counted(node, j))
                        order.push_back(j);
                if (static_cast<int>(order.size()) > *maxCount_) {
                    std::sort(order.begin(), order.end(), [&](int a, int b) {
                        return counted(node, a) != counted(node, b) ? counted(node, a)
                                                                    : x[a] > x[b];
                    });
                    for (size_t k = static_cast<size_t>(std::max(*maxCount_, 0)); k < order.size();
                         ++k)
                        node.upper[order[k]] = 0;
                    changed = true;
                }
            }
            for (int j = 0; j < n_; ++j) {
                const double m = rules_[j].minUse;
                if (m > 0 && x[j] > kOnValue && x[j] < m - kOnValue) {
                    if (x[j] < m / 2 && !(node.lower[j] > 0))
                        node.upper[j] = 0;
                    else
                        node.lower[j] = std::max(node.lower[j], m);
                    changed = true;
                }
            }
            if (!changed)
                break;
            if (!tidy(node) || !resolve(node, s, x))
                return;
        }
        std::vector<int> open;
        for (int j = 0; j < n_; ++j)
            if (rules_[j].step > 0 && node.lower[j] < node.upper[j])
                open.push_back(j);
        while (!open.empty()) {
            auto distance = [&](int j) {
                const double k = x[j] / rules_[j].step;
                return std::abs(k - std::round(k));
            };
            std::sort(open.begin(), open.end(),
                      [&](int a, int b) { return distance(a) < distance(b); });
            const size_t half = open.size() <= 2 ? open.size() : (open.size() + 1) / 2;
            for (size_t k = 0; k < half; ++k) {
                const int j = open[k];
                const double v = std::clamp(std::round(x[j] / rules_[j].step) * rules_[j].step,
                                            node.lower[j], node.upper[j]);
                node.lower[j] = node.upper[j] = v;
            }
            open.erase(open.begin(), open.begin() + static_cast<long>(half));
            if (!resolve(node, s, x))
                return;
        }
        tryMix(node, x, *s);
    }

    // A better mix near the best one (RINS): the columns out of both the best mix and this
    // node's solution are held out, and the few choices left are searched with a small node
    // limit from the best mix as the cut-off; with no mix yet, near this node's solution
    // alone. That search's programme is this one with bounds narrowed, so its mixes meet
    // every condition here and may become the best mix; its proof is not used. On the
    // largest blends the best mix otherwise came after half or more of the nodes, every node
    // before it searched against a weaker cut-off, and a first mix after thousands of nodes
    // on some.
    void searchNeighbourhood(const std::vector<double>& x, const BoundedSolution& basis) {
        newMix_ = false;
        lastNeighbourhood_ = nodes_;
        BoundedLp sub = lp_;
        int held = 0;
        for (int j = 0; j < n_; ++j)
            if ((rules_[j].minUse > 0 || maxCount_) && !(sub.lower[j] > 0) &&
                (!haveIncumbent_ || incumbent_[j] <= kOnValue) && x[j] <= kOnValue) {
                sub.upper[j] = 0;
                ++held;
            }
        if (held == 0)
            return;
        // Its nodes count as the search's own, within the node limit.
        IntegerLimits small;
        small.maxNodos = kNeighbourhoodNodes;
        if (limits_.maxNodos > 0)
            small.maxNodos = std::min(small.maxNodos, limits_.maxNodos - nodes_);
        if (small.maxNodos <= 0)
            return;
        Search inner(sub, rules_, maxCount_, small);
        inner.neighbourhoods_ = false;
        inner.haveIncumbent_ = haveIncumbent_;
        inner.incumbentValue_ = incumbentValue_;
        inner.incumbent_ = incumbent_;
        if (!inner.rootHasRoom())
            return;
        // The node's basis starts it: the programmes differ in bounds only.
        inner.root_ = std::make_shared<BoundedSolution>(solveBoundedFrom(sub, basis, true));
        if (inner.root_->status != BoundedStatus::Optimal)
            return;
        inner.run();
        nodes_ += inner.nodes();
        lastNeighbourhood_ = nodes_;
        if (inner.haveIncumbent_ && (!haveIncumbent_ || inner.incumbentValue_ < incumbentValue_)) {
            haveIncumbent_ = true;
            incumbentValue_ = inner.incumbentValue_;
            incumbent_ = inner.incumbent_;
            newMix_ = true;
        }
    }

    // The node solved from basis `s`; on a mix, `s` and `x` become its basis and values.
    bool resolve(const Node& node, std::shared_ptr<const BoundedSolution>& s,
                 std::vector<double>& x) {
        std::copy(node.lower.begin(), node.lower.end(), work_.lower.begin());
        std::copy(node.upper.begin(), node.upper.end(), work_.upper.begin());
        auto next = std::make_shared<BoundedSolution>(solveBoundedFrom(work_, *s, true));
        if (next->status != BoundedStatus::Optimal)
            return false;
        x.assign(next->x.begin(), next->x.begin() + n_);
        s = std::move(next);
        return true;
    }

    // Reduced-cost tightening: moving a column off the bound it sits at raises the node's
    // optimum by at least its reduced cost per unit, so no column may move further than the
    // best mix's margin over this node allows in the subtree.
    void tighten(Node& node, const BoundedSolution& s, double z) const {
        const double room = incumbentValue_ - z;
        for (int j = 0; j < n_; ++j) {
            if (s.state[j] == ColumnState::Basic || !(node.lower[j] < node.upper[j]))
                continue;
            const double d = s.d[j];
            const ColumnRule& r = rules_[j];
            if (s.state[j] == ColumnState::AtLower && d > kOptimalityTolerance) {
                double top = node.lower[j] + room / d + kOnValue;
                if (r.minUse > 0 && !(node.lower[j] > kOnValue) && top < r.minUse)
                    top = 0;
                node.upper[j] = std::min(node.upper[j], top);
            } else if (s.state[j] == ColumnState::AtUpper && d < -kOptimalityTolerance) {
                double bottom = node.upper[j] - room / -d - kOnValue;
                if (r.minUse > 0 && bottom > kOnValue)
                    bottom = std::max(bottom, r.minUse);
                node.lower[j] = std::max(node.lower[j], bottom);
            }
        }
    }

    // Solves the node and splits it; returns the child the dive goes on with, if any.
    std::optional<Node> process(Node node) {
        if (!tidy(node))
            return std::nullopt;
        std::shared_ptr<BoundedSolution> s = solveNode(node);
        if (s->status == BoundedStatus::Infeasible)
            return std::nullopt;
        if (s->status != BoundedStatus::Optimal) {
            lose(node.bound);
            return std::nullopt;
        }
        const std::vector<double> x(s->x.begin(), s->x.begin() + n_);
        const double z = value(x);
        if (node.splitColumn >= 0)
            pseudo_.record(node.splitColumn, node.splitStep, node.splitUp, node.splitDistance,
                           z - node.bound);
        // A neighbourhood search soon after each new best mix, and now and then between; also
        // when only a first mix is asked for (an explanation's try of the count alone took
        // 3,600 nodes to its first mix without one).
        if (neighbourhoods_ && nodes_ - lastNeighbourhood_ >= (newMix_          ? 100
                                                               : haveIncumbent_ ? 500
                                                                                : 250))
            searchNeighbourhood(x, *s);
        if (haveIncumbent_ && z >= incumbentValue_ - pruneMargin(incumbentValue_))
            return std::nullopt;
        Branch branch;
        if (meetsConditions(node, x, branch)) {
            // The values are a mix within the tolerance; fixed exactly, the node's best mix
            // costs at most what moving each choice by that tolerance costs, which is below
            // the margin of the proof. When the exact fixing has no mix (a share within the
            // tolerance of a step whose rounding breaks a limit) the node splits on a rounded
            // column with room left.
            if (tryMix(node, x, *s))
                return std::nullopt;
            if (!splitRounded(node, branch)) {
                lose(z);
                return std::nullopt;
            }
        }
        if (branch.column < 0) {
            lose(z);
            return std::nullopt;
        }
        if (haveIncumbent_)
            tighten(node, *s, z);
        const int j = branch.column;
        Node down = node, up = node;
        bool upFirst = false;
        switch (branch.kind) {
        case Branch::Step: {
            const double k = std::floor(x[j] / rules_[j].step);
            down.upper[j] = k * rules_[j].step;
            up.lower[j] = (k + 1) * rules_[j].step;
            upFirst = x[j] / rules_[j].step - k > 0.5;
            break;
        }
        case Branch::OnStep: {
            // The value is on step k: k goes to the side that still leaves the other one
            // room, so that neither child is the node again.
            const double step = rules_[j].step;
            double k = std::round(x[j] / step);
            if (k * step >= node.upper[j] - kOnValue)
                k -= 1;
            down.upper[j] = k * step;
            up.lower[j] = (k + 1) * step;
            upFirst = false;
            break;
        }
        case Branch::Use:
            down.upper[j] = 0;
            up.lower[j] = std::max(up.lower[j], rules_[j].minUse);
            upFirst = x[j] > rules_[j].minUse / 2;
            break;
        case Branch::Count:
            // In the mix is a quantity above 0: at least its minimum if used, and for a
            // weighed column one step. Its 0 belongs to the other child, so the children do
            // not overlap and the one in has a bound of its own to prune on.
            down.upper[j] = 0;
            up.in[j] = 1;
            up.lower[j] = std::max({up.lower[j], rules_[j].minUse, rules_[j].step});
            upFirst = false;
            break;
        }
        for (Node* child : {&down, &up}) {
            child->basis = s;
            child->bound = z;
            child->order = ++order_;
            child->splitColumn = j;
            child->splitStep = branch.kind == Branch::Step || branch.kind == Branch::OnStep;
            child->splitUp = child == &up;
        }
        down.splitDistance = x[j] - down.upper[j];
        up.splitDistance = up.lower[j] - x[j];
        if (!haveIncumbent_ && nodes_ % 64 == 0)
            roundMix(node, *s);
        push(upFirst ? std::move(down) : std::move(up));
        return upFirst ? std::move(up) : std::move(down);
    }

    // A rounded column with room on both sides, for a node whose values meet the conditions
    // within the tolerance but whose exact rounding has no mix.
    bool splitRounded(const Node& node, Branch& branch) const {
        for (int j = 0; j < n_; ++j)
            if (rules_[j].step > 0 && node.lower[j] < node.upper[j]) {
                branch = {j, Branch::OnStep};
                return true;
            }
        return false;
    }

    // A subtree the search could not settle: it goes on, but proves nothing below `bound`.
    void lose(double bound) {
        lost_ = true;
        lostBound_ = std::min(lostBound_, bound);
    }

    void push(Node node) {
        open_.push_back(std::move(node));
        std::push_heap(open_.begin(), open_.end(), LaterBound());
    }

    const BoundedLp& lp_;
    BoundedLp work_;
    std::vector<ColumnRule> rules_;
    std::optional<int> maxCount_;
    IntegerLimits limits_;
    const int n_;
    std::shared_ptr<BoundedSolution> root_;
    std::vector<Node> open_;
    PseudoCosts pseudo_;
    Node root0_;
    bool firstMix_ = false;
    bool newMix_ = false;        // a mix found since the last neighbourhood search
    bool neighbourhoods_ = true; // false inside a neighbourhood search
    long lastNeighbourhood_ = 0;
    bool haveIncumbent_ = false;
    double incumbentValue_ = 0;
    std::vector<double> incumbent_;
    long nodes_ = 0, order_ = 0;
    bool stopped_ = false, lost_ = false;
    double lostBound_ = BoundedLp::kInfinity;
    Clock::time_point start_;
};

std::vector<ColumnRule> columnRules(const Blend& blend, const IntegerConditions& c) {
    std::vector<ColumnRule> rules(blend.ingredients.size());
    for (size_t j = 0; j < c.ingredients.size() && j < rules.size(); ++j) {
        const IntegerIngredient& i = c.ingredients[j];
        if (i.minimoSiSeUsa && *i.minimoSiSeUsa > 0)
            rules[j].minUse = *i.minimoSiSeUsa / blend.cantidad;
        if (c.redondear && i.paso)
            rules[j].step = *i.paso / blend.cantidad;
    }
    return rules;
}

std::string invalid(const Blend& blend, const IntegerConditions& c) {
    if (!c.ingredients.empty() && c.ingredients.size() != blend.ingredients.size())
        return "Las condiciones de pesada no corresponden a los ingredientes de la fórmula.";
    if (c.maxIngredientes && *c.maxIngredientes < 0)
        return "El máximo de ingredientes no puede ser negativo.";
    for (size_t j = 0; j < c.ingredients.size(); ++j) {
        const std::string name = trimmed(blend.ingredients[j].nombre);
        const IntegerIngredient& i = c.ingredients[j];
        if (i.paso && !(*i.paso > 0 && std::isfinite(*i.paso)))
            return "El paso de pesada de " + name + " debe ser un número mayor que 0.";
        if (i.minimoSiSeUsa && !(*i.minimoSiSeUsa >= 0 && std::isfinite(*i.minimoSiSeUsa)))
            return "El mínimo si se usa de " + name + " debe ser un número no negativo.";
    }
    return {};
}

struct SearchOutcome {
    IntegerStatus status = IntegerStatus::Failed;
    std::vector<double> shares;
    double costo = 0, costoContinuo = 0, cota = 0;
    long nodes = 0;
    bool proven = false;
};

// How a search runs: `feasible` when the blend's limits are known to have a mix (an
// explanation's tries, each the blend with a limit or a family of conditions less), so that a
// root whose bounds rule out the conditions needs no simplex to be called integer infeasible;
// `firstMix` when only whether a mix exists matters.
struct SearchMode {
    bool feasible = false;
    bool firstMix = false;
};

SearchOutcome search(const Blend& blend, const IntegerConditions& c, const IntegerLimits& limits,
                     SearchMode mode = {}) {
    SearchOutcome out;
    BoundedLp lp;
    BoundedLayout layout;
    if (!boundedForm(blend, lp, layout)) {
        out.status = IntegerStatus::Infeasible;
        return out;
    }
    Search s(lp, columnRules(blend, c), c.maxIngredientes, limits);
    if (!s.rootHasRoom() && mode.feasible) {
        out.status = IntegerStatus::IntegerInfeasible;
        return out;
    }
    const BoundedStatus root = s.solveRoot();
    if (root != BoundedStatus::Optimal) {
        out.status =
            root == BoundedStatus::Infeasible ? IntegerStatus::Infeasible : IntegerStatus::Failed;
        return out;
    }
    out.costoContinuo = s.value(std::vector<double>(s.root().x.begin(), s.root().x.begin() + lp.n));
    s.run(mode.firstMix);
    out.nodes = s.nodes();
    out.cota = std::max(out.costoContinuo, s.openBound());
    if (s.haveIncumbent()) {
        out.shares = s.incumbent();
        out.costo = s.incumbentValue();
        out.proven = s.complete();
        if (out.proven)
            out.cota = out.costo;
        out.status = out.proven ? IntegerStatus::Optimal : IntegerStatus::Stopped;
    } else {
        out.status = s.complete() ? IntegerStatus::IntegerInfeasible : IntegerStatus::NoMixFound;
    }
    return out;
}

// "el mínimo de Proteína", "el máximo de la relación Ca / P", "el mínimo del grupo Harinas".
std::string limitText(const Blend& blend, const LimitRef& limit) {
    const std::string side = limit.side == LimitRef::Minimum ? "el mínimo " : "el máximo ";
    switch (limit.kind) {
    case LimitRef::Nutrient:
        return side + "de " + trimmed(blend.nutrients[limit.index].nombre);
    case LimitRef::Ingredient:
        return side + "de " + trimmed(blend.ingredients[limit.index].nombre);
    case LimitRef::Ratio:
        return side + "de la relación " + ratioName(blend, limit.index);
    case LimitRef::Group:
        return side + "del grupo " + groupName(blend, limit.index);
    }
    return {};
}

Blend without(const Blend& blend, const LimitRef& limit) {
    Blend b = blend;
    auto drop = [&](auto& item) {
        (limit.side == LimitRef::Minimum ? item.minimo : item.maximo).reset();
    };
    switch (limit.kind) {
    case LimitRef::Nutrient:
        drop(b.nutrients[limit.index]);
        break;
    case LimitRef::Ingredient:
        drop(b.ingredients[limit.index]);
        break;
    case LimitRef::Ratio:
        drop(b.ratios[limit.index]);
        break;
    case LimitRef::Group:
        drop(b.groups[limit.index]);
        break;
    }
    return b;
}

// The limits the user set, in the order the rows of the blend list them.
std::vector<LimitRef> userLimits(const Blend& blend) {
    std::vector<LimitRef> limits = generalLimits(blend);
    for (size_t i = 0; i < blend.ingredients.size(); ++i) {
        if (blend.ingredients[i].minimo)
            limits.push_back({LimitRef::Ingredient, LimitRef::Minimum, i});
        if (blend.ingredients[i].maximo)
            limits.push_back({LimitRef::Ingredient, LimitRef::Maximum, i});
    }
    return limits;
}

// Which condition has no mix, and against which limit. Each family of conditions is tried
// alone; the first that has no mix by itself is named, else their combination. Then the first
// limit whose removal lets that family have a mix is named. Every try is a bounded search of
// its own, capped so that an explanation never takes long.
std::string explain(const Blend& blend, const IntegerConditions& c) {
    const IntegerLimits cap{20000, 2.0};
    // Every try is of a blend whose limits have a mix, and asks only whether the conditions
    // leave one: it ends at its first mix.
    auto hasMix = [&](const Blend& b, const IntegerConditions& cc) {
        const IntegerStatus st = search(b, cc, cap, {true, true}).status;
        return st == IntegerStatus::Optimal || st == IntegerStatus::Stopped;
    };
    auto infeasible = [&](const Blend& b, const IntegerConditions& cc) {
        return search(b, cc, cap, {true, true}).status == IntegerStatus::IntegerInfeasible;
    };
    IntegerConditions rounding, count, use;
    rounding.redondear = c.redondear;
    count.maxIngredientes = c.maxIngredientes;
    for (const IntegerIngredient& i : c.ingredients) {
        rounding.ingredients.push_back({std::nullopt, i.paso});
        count.ingredients.push_back({});
        use.ingredients.push_back({i.minimoSiSeUsa, std::nullopt});
    }
    const double q = blend.cantidad;
    std::string what;
    const IntegerConditions* culprit = &c;
    if (rounding.any() && infeasible(blend, rounding)) {
        std::set<double> steps;
        for (const IntegerIngredient& i : c.ingredients)
            if (i.paso)
                steps.insert(*i.paso);
        std::string list;
        for (double s : steps)
            list += (list.empty() ? "" : ", ") + number(s) + " kg";
        what = "ningún redondeo a pasos de " + list;
        culprit = &rounding;
    } else if (count.any() && infeasible(blend, count)) {
        what = "ninguna mezcla de " + std::to_string(*c.maxIngredientes) + " ingredientes o menos";
        culprit = &count;
    } else if (use.any() && infeasible(blend, use)) {
        std::string list;
        int shown = 0;
        for (size_t j = 0; j < c.ingredients.size(); ++j)
            if (c.ingredients[j].minimoSiSeUsa && *c.ingredients[j].minimoSiSeUsa > 0 &&
                shown++ < 3)
                list += (list.empty() ? "" : ", ") + trimmed(blend.ingredients[j].nombre) + " " +
                        number(*c.ingredients[j].minimoSiSeUsa) + " kg";
        what = "ninguna mezcla con los mínimos si se usa (" + list + (shown > 3 ? ", …" : "") + ")";
        culprit = &use;
    } else {
        what = "ninguna mezcla que cumpla a la vez las condiciones de pesada";
    }
    for (const LimitRef& limit : userLimits(blend))
        if (hasMix(without(blend, limit), *culprit))
            return what + " cumple " + limitText(blend, limit) + " con " + number(q) + " kg";
    return what + " cumple los límites de la fórmula con " + number(q) + " kg";
}

} // namespace

IntegerResult solveInteger(const Blend& blend, const IntegerConditions& conditions,
                           const IntegerLimits& limits) {
    IntegerResult r;
    if (std::string why = invalid(blend, conditions); !why.empty()) {
        r.status = IntegerStatus::InvalidConditions;
        r.explicacion = why;
        return r;
    }
    const SearchOutcome o = search(blend, conditions, limits);
    r.status = o.status;
    r.shares = o.shares;
    r.costo = o.costo;
    r.costoContinuo = o.costoContinuo;
    r.cota = o.cota;
    r.nodos = o.nodes;
    r.probado = o.proven;
    if (o.status == IntegerStatus::Stopped)
        r.brecha = (o.costo - o.cota) / std::max(std::abs(o.costo), 1e-300);
    if (o.status == IntegerStatus::IntegerInfeasible)
        r.explicacion = explain(blend, conditions);
    return r;
}

Blend fixedBlend(const Blend& blend, const IntegerConditions& conditions,
                 const IntegerResult& result) {
    Blend b = blend;
    if (result.shares.size() != blend.ingredients.size())
        return b;
    const std::vector<ColumnRule> rules = columnRules(blend, conditions);
    const bool counting = conditions.maxIngredientes.has_value();
    for (size_t j = 0; j < b.ingredients.size(); ++j) {
        Ingredient& ing = b.ingredients[j];
        const double quantity = result.shares[j] * blend.cantidad;
        if (rules[j].step > 0) {
            const double step = *conditions.ingredients[j].paso;
            ing.minimo = ing.maximo = std::round(quantity / step) * step;
        } else if ((counting || rules[j].minUse > 0) && !(result.shares[j] > 0)) {
            ing.maximo = 0.0;
            if (ing.minimo && *ing.minimo > 0)
                ing.minimo.reset();
        } else if (rules[j].minUse > 0) {
            ing.minimo =
                std::max(ing.minimo.value_or(0.0), *conditions.ingredients[j].minimoSiSeUsa);
        }
    }
    return b;
}

} // namespace lp
