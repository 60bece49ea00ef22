#include "optimizer/engine/integer_search.h"

#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/simplex.h"
#include "optimizer/engine/tableau.h"
#include "optimizer/engine/text.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>

namespace lp {

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

using ColumnRule = SearchColumn;
using Group = SearchGroup;

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

    Search(const BoundedLp& lp, std::vector<ColumnRule> rules, std::vector<Group> groups,
           const IntegerLimits& limits)
        : lp_(lp), work_(lp), rules_(std::move(rules)), groups_(std::move(groups)), limits_(limits),
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
    bool countLimited(int j) const {
        return rules_[j].group >= 0 && groups_[rules_[j].group].max.has_value();
    }

    // Each group's count held by bounds: once as many of its columns are in as it allows, its
    // other columns are out. False when more are in than allowed.
    bool enforceCount(Node& node) const {
        for (const Group& g : groups_) {
            if (!g.max)
                continue;
            int in = 0;
            for (int j = g.first; j < g.first + g.count; ++j)
                in += counted(node, j) ? 1 : 0;
            if (in > *g.max)
                return false;
            if (in == *g.max)
                for (int j = g.first; j < g.first + g.count; ++j)
                    if (!counted(node, j))
                        node.upper[j] = 0;
        }
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
        for (int j = 0; j < n_; ++j) {
            const double v = x[j];
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
        for (const Group& g : groups_) {
            if (!g.max)
                continue;
            int used = 0;
            for (int j = g.first; j < g.first + g.count; ++j)
                used += x[j] > kOnValue ? 1 : 0;
            if (used <= *g.max)
                continue;
            // The count first: the LP has no row for it, so a step or minimum split under it
            // leaves it as far from met as before (mixes of 23 ingredients with a count and
            // steps ran past 200,000 nodes; count first, hundreds). Among the group's used
            // columns not yet counted in, the best score; out of the mix moves the value to 0,
            // in it to its least quantity in the mix.
            double best = -1;
            for (int j = g.first; j < g.first + g.count; ++j)
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
            const bool conditioned = r.minUse > 0 || countLimited(j);
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

    // A mix by rounding a node's continuous solution and re-solving after each round, group
    // after group so that the groups still free make up for each: first which columns a group
    // uses, as its formula's best mix alone uses them or, when that has no mix here, by
    // rounding its values (its count kept to its largest shares, each share under its minimum
    // if used sent to 0 below half of it and to the minimum above); then the rounded columns
    // fixed to their nearest step in halves, the ones nearest a step first, so that the
    // columns still free make up for each half. A few solves from the node's basis; it gives
    // the search a cut-off long before a dive would reach a mix on a blend with many
    // conditions. Rounding every formula of a plan at once failed on plans of ten formulas,
    // where one formula's rounding nearly always broke some limit.
    void roundMix(const Node& from, const BoundedSolution& solved) {
        Node node = from;
        std::shared_ptr<const BoundedSolution> s = std::make_shared<BoundedSolution>(solved);
        std::vector<double> x(s->x.begin(), s->x.begin() + n_);
        for (const Group& g : groups_) {
            Node tried = node;
            std::shared_ptr<const BoundedSolution> triedBasis = s;
            std::vector<double> triedX = x;
            if (usePattern(tried, g) && tidy(tried) && resolve(tried, triedBasis, triedX)) {
                node = std::move(tried);
                s = std::move(triedBasis);
                x = std::move(triedX);
            } else if (!roundChoices(node, g, s, x)) {
                return;
            }
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

    // The group's choices of columns as its formula's best mix alone makes them; false when
    // it has none to give.
    bool usePattern(Node& node, const Group& g) const {
        bool any = false;
        for (int j = g.first; j < g.first + g.count; ++j) {
            if (rules_[j].alone < 0)
                continue;
            any = true;
            if (rules_[j].alone == 0 && !(node.lower[j] > 0))
                node.upper[j] = 0;
            else if (rules_[j].alone == 1 && rules_[j].minUse > 0)
                node.lower[j] = std::max(node.lower[j], rules_[j].minUse);
        }
        return any;
    }

    // The group's choices of columns by rounding the values, a few rounds. False when the
    // programme has no mix so rounded.
    bool roundChoices(Node& node, const Group& g, std::shared_ptr<const BoundedSolution>& s,
                      std::vector<double>& x) {
        for (int round = 0; round < 4; ++round) {
            bool changed = false;
            if (g.max) {
                std::vector<int> order;
                for (int j = g.first; j < g.first + g.count; ++j)
                    if (x[j] > kOnValue || counted(node, j))
                        order.push_back(j);
                if (static_cast<int>(order.size()) > *g.max) {
                    std::sort(order.begin(), order.end(), [&](int a, int b) {
                        return counted(node, a) != counted(node, b) ? counted(node, a)
                                                                    : x[a] > x[b];
                    });
                    for (size_t k = static_cast<size_t>(std::max(*g.max, 0)); k < order.size(); ++k)
                        node.upper[order[k]] = 0;
                    changed = true;
                }
            }
            for (int j = g.first; j < g.first + g.count; ++j) {
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
                return true;
            if (!tidy(node) || !resolve(node, s, x))
                return false;
        }
        return true;
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
            if ((rules_[j].minUse > 0 || countLimited(j)) && !(sub.lower[j] > 0) &&
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
        Search inner(sub, rules_, groups_, small);
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
    std::vector<Group> groups_;
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

} // namespace

SearchOutcome searchInteger(const BoundedLp& lp, std::vector<SearchColumn> columns,
                            std::vector<SearchGroup> groups, const IntegerLimits& limits,
                            SearchMode mode) {
    SearchOutcome out;
    columns.resize(static_cast<size_t>(lp.n));
    Search s(lp, std::move(columns), std::move(groups), limits);
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
        out.x = s.incumbent();
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

std::string invalidConditions(const Blend& blend, const IntegerConditions& c) {
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

std::vector<SearchColumn> searchColumns(const Blend& blend, const IntegerConditions& c, int group) {
    std::vector<SearchColumn> columns(blend.ingredients.size());
    for (size_t j = 0; j < columns.size(); ++j) {
        columns[j].group = group;
        if (j >= c.ingredients.size())
            continue;
        const IntegerIngredient& i = c.ingredients[j];
        if (i.minimoSiSeUsa && *i.minimoSiSeUsa > 0)
            columns[j].minUse = *i.minimoSiSeUsa / blend.cantidad;
        if (c.redondear && i.paso)
            columns[j].step = *i.paso / blend.cantidad;
    }
    return columns;
}

} // namespace lp
