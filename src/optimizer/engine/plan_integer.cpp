#include "optimizer/engine/plan_integer.h"

#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/bounded_simplex.h"
#include "optimizer/engine/simplex.h"
#include "optimizer/engine/tableau.h"
#include "optimizer/engine/text.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

// The branch and bound of a single formula (integer.cpp) carried over to the whole plan: the
// nodes are bounds on the plan's programme (every formula's shares, linked by the stock rows),
// each solved by the bounded dual simplex from its parent's basis. The splits are those of one
// formula; the only new thing is that a count limit belongs to a group of columns (one formula)
// instead of to all of them. The stock rows get no condition, so they stay continuous.

namespace lp {

namespace {

using Clock = std::chrono::steady_clock;

// The simplex's own tolerances, for the reasons integer.cpp gives: a node the simplex calls
// feasible for its bounds is integer feasible, and nothing looser enters the proof.
constexpr double kOnValue = kFeasibilityTolerance;

double pruneMargin(double incumbent) {
    return kOptimalityTolerance * std::max(1.0, std::abs(incumbent));
}

struct ColumnRule {
    double step = 0;   // in shares of its formula's batch; 0: not rounded
    double minUse = 0; // likewise; 0: none
    int group = -1;    // its formula
    int alone = -1;    // 1 in its formula's best mix alone, 0 out of it, -1 not known
};

// One formula's columns, and the most of them its mix may use.
struct Group {
    int first = 0, count = 0;
    std::optional<int> max;
};

struct Node {
    std::vector<double> lower, upper;
    std::vector<char> in;
    std::shared_ptr<const BoundedSolution> basis;
    double bound = -BoundedLp::kInfinity;
    long order = 0;
};

struct LaterBound {
    bool operator()(const Node& a, const Node& b) const {
        return a.bound != b.bound ? a.bound > b.bound : a.order > b.order;
    }
};

class Search {
public:
    Search(const BoundedLp& lp, std::vector<ColumnRule> rules, std::vector<Group> groups,
           const IntegerLimits& limits)
        : lp_(lp), work_(lp), rules_(std::move(rules)), groups_(std::move(groups)), limits_(limits),
          n_(lp.n) {}

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

    // Best bound with plunging, as for one formula: the dives find plans to prune with, the
    // best-bound order proves the optimum in the fewest nodes.
    void run() {
        start_ = Clock::now();
        Node node;
        node.lower.assign(lp_.lower.begin(), lp_.lower.begin() + n_);
        node.upper.assign(lp_.upper.begin(), lp_.upper.begin() + n_);
        node.in.assign(n_, 0);
        for (int j = 0; j < n_; ++j) {
            node.upper[j] = std::min(node.upper[j], kSumUpper);
            if (rules_[j].minUse > 0 && node.lower[j] > kOnValue)
                node.lower[j] = std::max(node.lower[j], rules_[j].minUse);
        }
        node.basis = root_;
        if (tidy(node))
            roundMix(node, *root_);
        open_.push_back(std::move(node));
        while (!open_.empty()) {
            std::pop_heap(open_.begin(), open_.end(), LaterBound());
            std::optional<Node> next = std::move(open_.back());
            open_.pop_back();
            while (next) {
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
    bool complete() const { return !stopped_ && !lost_; }
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

    // Each formula's count held by bounds: once as many of its columns are in as it allows,
    // its other columns are out. False when more are in than allowed.
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

    static bool snapToSteps(Node& node, int j, double step) {
        node.lower[j] = std::ceil(node.lower[j] / step - kOnValue / step) * step;
        node.upper[j] = std::floor(node.upper[j] / step + kOnValue / step) * step;
        return node.lower[j] <= node.upper[j];
    }

    bool tidy(Node& node) const {
        for (int j = 0; j < n_; ++j) {
            if (rules_[j].step > 0 && !snapToSteps(node, j, rules_[j].step))
                return false;
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

    struct Branch {
        int column = -1;
        enum Kind { Step, OnStep, Use, Count } kind = Step;
    };

    // The order of the splits is the single formula's: a count over its limit first, then the
    // minimums if used, then the steps; within a kind the most fractional value.
    bool meetsConditions(const Node& node, const std::vector<double>& x, Branch& branch) const {
        double worstUse = 0, worstStep = 0;
        Branch use, step;
        for (int j = 0; j < n_; ++j) {
            const double v = x[j];
            const ColumnRule& r = rules_[j];
            if (r.minUse > 0 && v > kOnValue && v < r.minUse - kOnValue) {
                const double score = std::min(v, r.minUse - v) / r.minUse;
                if (score > worstUse) {
                    worstUse = score;
                    use = {j, Branch::Use};
                }
            }
            if (r.step > 0) {
                const double k = v / r.step;
                if (std::abs(v - std::round(k) * r.step) > kOnValue) {
                    const double f = k - std::floor(k);
                    const double score = std::min(f, 1 - f);
                    if (score > worstStep) {
                        worstStep = score;
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
            // The least used column of this formula not yet counted in goes out first.
            double least = BoundedLp::kInfinity;
            for (int j = g.first; j < g.first + g.count; ++j)
                if (x[j] > kOnValue && !counted(node, j) && x[j] < least) {
                    least = x[j];
                    branch = {j, Branch::Count};
                }
            return false;
        }
        return branch.column < 0;
    }

    // Every integer choice of the values fixed and the rest (the stock links among it)
    // re-solved: the plan with whole steps exactly. Becomes the best plan when it is cheaper.
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
        }
        return true;
    }

    // A plan by rounding a node's solution, formula after formula, re-solving the plan after
    // each so that the formulas still free (and the stock) make up for it: first which
    // ingredients each formula uses, as its own best mix alone uses them or, when the stock
    // rules that out, by rounding its values (its count kept to its largest shares, each share
    // under its minimum if used to 0 or to the minimum); then every step in halves, as for one
    // formula. Rounding every formula at once failed on plans of ten formulas, where one
    // formula's rounding nearly always broke some limit and the search found no plan in 20 s.
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
            const std::size_t half = open.size() <= 2 ? open.size() : (open.size() + 1) / 2;
            for (std::size_t k = 0; k < half; ++k) {
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

    // The formula's choices of ingredients as its best mix alone makes them; false when it has
    // none to give.
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

    // The formula's choices of ingredients by rounding the values: its count kept to its largest
    // shares, each share under its minimum if used sent to 0 below half of it and to the minimum
    // above, a few rounds. False when the plan has no mix so rounded.
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
                    for (std::size_t k = static_cast<std::size_t>(std::max(*g.max, 0));
                         k < order.size(); ++k)
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

    // Reduced-cost tightening from the best plan's margin over this node.
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
        if (haveIncumbent_ && z >= incumbentValue_ - pruneMargin(incumbentValue_))
            return std::nullopt;
        Branch branch;
        if (meetsConditions(node, x, branch)) {
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
            const double step = rules_[j].step;
            double k = std::round(x[j] / step);
            if (k * step >= node.upper[j] - kOnValue)
                k -= 1;
            down.upper[j] = k * step;
            up.lower[j] = (k + 1) * step;
            break;
        }
        case Branch::Use:
            down.upper[j] = 0;
            up.lower[j] = std::max(up.lower[j], rules_[j].minUse);
            upFirst = x[j] > rules_[j].minUse / 2;
            break;
        case Branch::Count:
            // In the mix is a quantity above 0, so the children do not overlap.
            down.upper[j] = 0;
            up.in[j] = 1;
            up.lower[j] = std::max({up.lower[j], rules_[j].minUse, rules_[j].step});
            break;
        }
        for (Node* child : {&down, &up}) {
            child->basis = s;
            child->bound = z;
            child->order = ++order_;
        }
        if (!haveIncumbent_ && nodes_ % 64 == 0)
            roundMix(node, *s);
        push(upFirst ? std::move(down) : std::move(up));
        return upFirst ? std::move(up) : std::move(down);
    }

    bool splitRounded(const Node& node, Branch& branch) const {
        for (int j = 0; j < n_; ++j)
            if (rules_[j].step > 0 && node.lower[j] < node.upper[j]) {
                branch = {j, Branch::OnStep};
                return true;
            }
        return false;
    }

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
    bool haveIncumbent_ = false;
    double incumbentValue_ = 0;
    std::vector<double> incumbent_;
    long nodes_ = 0, order_ = 0;
    bool stopped_ = false, lost_ = false;
    double lostBound_ = BoundedLp::kInfinity;
    Clock::time_point start_;
};

const IntegerConditions& conditionsOf(const std::vector<IntegerConditions>& all, std::size_t f) {
    static const IntegerConditions none;
    return f < all.size() ? all[f] : none;
}

// The plan's columns are each formula's shares in blend order, one formula after another, as
// planProgramme lays them out.
// Each formula's choices of ingredients in its best mix alone (1 in, 0 out), or none.
using Patterns = std::vector<std::vector<char>>;

void columnRules(const Plan& plan, const std::vector<IntegerConditions>& all,
                 const Patterns& patterns, std::vector<ColumnRule>& rules,
                 std::vector<Group>& groups) {
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const Blend& blend = plan.formulas[f].blend;
        const IntegerConditions& c = conditionsOf(all, f);
        Group g;
        g.first = static_cast<int>(rules.size());
        g.count = static_cast<int>(blend.ingredients.size());
        g.max = c.maxIngredientes;
        for (std::size_t j = 0; j < blend.ingredients.size(); ++j) {
            ColumnRule r;
            r.group = static_cast<int>(f);
            if (f < patterns.size() && j < patterns[f].size())
                r.alone = patterns[f][j];
            if (j < c.ingredients.size()) {
                const IntegerIngredient& i = c.ingredients[j];
                if (i.minimoSiSeUsa && *i.minimoSiSeUsa > 0)
                    r.minUse = *i.minimoSiSeUsa / blend.cantidad;
                if (c.redondear && i.paso)
                    r.step = *i.paso / blend.cantidad;
            }
            rules.push_back(r);
        }
        groups.push_back(g);
    }
}

std::string invalid(const Blend& blend, const IntegerConditions& c) {
    if (!c.ingredients.empty() && c.ingredients.size() != blend.ingredients.size())
        return "Las condiciones de pesada no corresponden a los ingredientes de la fórmula.";
    if (c.maxIngredientes && *c.maxIngredientes < 0)
        return "El máximo de ingredientes no puede ser negativo.";
    for (std::size_t j = 0; j < c.ingredients.size(); ++j) {
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
    std::vector<double> x;
    double costo = 0, costoContinuo = 0, cota = 0; // over the programme's scale
    double total = 0;                              // the scale: the plan's total quantity
    long nodes = 0;
    bool proven = false;
};

SearchOutcome search(const Plan& plan, const std::vector<IntegerConditions>& conditions,
                     const IntegerLimits& limits, const Patterns& patterns = {}) {
    SearchOutcome out;
    BoundedLp lp;
    if (!planProgramme(plan, lp)) {
        out.status = IntegerStatus::Infeasible;
        return out;
    }
    for (const PlanFormula& f : plan.formulas)
        out.total += f.cantidad;
    std::vector<ColumnRule> rules;
    std::vector<Group> groups;
    columnRules(plan, conditions, patterns, rules, groups);
    Search s(lp, std::move(rules), std::move(groups), limits);
    const BoundedStatus root = s.solveRoot();
    if (root != BoundedStatus::Optimal) {
        out.status =
            root == BoundedStatus::Infeasible ? IntegerStatus::Infeasible : IntegerStatus::Failed;
        return out;
    }
    out.costoContinuo = s.value(std::vector<double>(s.root().x.begin(), s.root().x.begin() + lp.n));
    s.run();
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

// Which formula's conditions have no plan: first a formula that has no mix with them even
// alone (the single formula's explanation then says which condition), then one whose
// conditions alone, the others' left continuous, do not fit the plan's stock. Every try is
// capped, so that an explanation never takes long.
void explain(const Plan& plan, const std::vector<IntegerConditions>& conditions,
             PlanIntegerResult& r) {
    const IntegerLimits cap{20000, 2.0};
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const IntegerConditions& c = conditionsOf(conditions, f);
        if (!c.any())
            continue;
        const IntegerResult alone = solveInteger(plan.formulas[f].blend, c, cap);
        if (alone.status == IntegerStatus::IntegerInfeasible) {
            r.formula = static_cast<int>(f);
            r.explicacion = alone.explicacion;
            return;
        }
    }
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const IntegerConditions& c = conditionsOf(conditions, f);
        if (!c.any())
            continue;
        std::vector<IntegerConditions> only(plan.formulas.size());
        only[f] = c;
        if (search(plan, only, cap).status == IntegerStatus::IntegerInfeasible) {
            r.formula = static_cast<int>(f);
            r.explicacion = "sus condiciones de pesada no caben en las existencias del plan";
            return;
        }
    }
    r.explicacion =
        "las condiciones de pesada de las fórmulas no caben juntas en las existencias del plan";
}

// The plan of the best mix: its shares as found (whole steps exactly), costs and usage from
// them, and the marginal values of the stock from the continuous plan with the mix's integer
// choices fixed, as the analysis of an integer optimum is that of its fixed programme.
PlanResult planOf(const Plan& plan, const std::vector<IntegerConditions>& conditions,
                  const std::vector<double>& x) {
    PlanResult result;
    result.outcome = PlanOutcome::Optimum;
    Plan fixed = plan;
    std::size_t col = 0;
    for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
        const PlanFormula& pf = plan.formulas[f];
        PlanFormulaResult fr;
        fr.shares.assign(x.begin() + static_cast<long>(col),
                         x.begin() + static_cast<long>(col + pf.blend.ingredients.size()));
        col += pf.blend.ingredients.size();
        for (double& v : fr.shares)
            v = std::max(v, 0.0);
        fr.costoUnitarioHumeda = wetUnitCost(pf.blend, fr.shares);
        result.costoTotal += pf.cantidad * unitCost(pf.blend, fr.shares);
        IntegerResult chosen;
        chosen.shares = fr.shares;
        fixed.formulas[f].blend = fixedBlend(pf.blend, conditionsOf(conditions, f), chosen);
        result.formulas.push_back(std::move(fr));
    }
    const PlanResult around = solvePlan(fixed, {false, false});
    for (std::size_t s = 0; s < plan.stock.size(); ++s) {
        PlanStockResult sr;
        for (std::size_t f = 0; f < plan.formulas.size(); ++f) {
            const PlanFormula& pf = plan.formulas[f];
            for (std::size_t j = 0; j < pf.blend.ingredients.size(); ++j)
                if (pf.blend.ingredients[j].id == plan.stock[s].id)
                    sr.usado +=
                        pf.cantidad * asFedFactor(pf.blend, j) * result.formulas[f].shares[j];
        }
        if (around.outcome == PlanOutcome::Optimum && s < around.stock.size())
            sr.valorMarginal = around.stock[s].valorMarginal;
        result.stock.push_back(sr);
    }
    result.pivots = around.pivots;
    return result;
}

} // namespace

PlanIntegerResult solvePlanInteger(const Plan& plan,
                                   const std::vector<IntegerConditions>& conditions,
                                   const IntegerLimits& limits) {
    PlanIntegerResult r;
    if (!conditions.empty() && conditions.size() != plan.formulas.size()) {
        r.status = IntegerStatus::InvalidConditions;
        r.explicacion = "Las condiciones de pesada no corresponden a las fórmulas del plan.";
        return r;
    }
    for (std::size_t f = 0; f < conditions.size(); ++f)
        if (std::string why = invalid(plan.formulas[f].blend, conditions[f]); !why.empty()) {
            r.status = IntegerStatus::InvalidConditions;
            r.formula = static_cast<int>(f);
            r.explicacion = why;
            return r;
        }
    // Each weighed formula alone first, briefly: one that has no mix the mill can weigh even
    // alone rules the plan out (the plan only adds the stock rows to it), and the choices of
    // each one's best mix alone are where the plan's rounding starts.
    const auto start = Clock::now();
    const long weighed = std::count_if(conditions.begin(), conditions.end(),
                                       [](const IntegerConditions& c) { return c.any(); });
    IntegerLimits brief{20000, 2.0};
    if (limits.maxSegundos > 0)
        brief.maxSegundos = std::min(brief.maxSegundos, limits.maxSegundos / (2.0 * weighed));
    Patterns patterns(plan.formulas.size());
    for (std::size_t f = 0; f < conditions.size(); ++f) {
        const IntegerConditions& c = conditions[f];
        if (!c.any())
            continue;
        const IntegerResult alone = solveInteger(plan.formulas[f].blend, c, brief);
        if (alone.status == IntegerStatus::IntegerInfeasible) {
            const PlanResult continuous = solvePlan(plan, {false, false});
            if (continuous.outcome != PlanOutcome::Optimum)
                break; // the continuous plan's own fault comes first: the search says it
            r.status = IntegerStatus::IntegerInfeasible;
            r.costoContinuo = continuous.costoTotal;
            r.cota = continuous.costoTotal;
            r.probado = true;
            r.formula = static_cast<int>(f);
            r.explicacion = alone.explicacion;
            return r;
        }
        bool choosing = c.maxIngredientes.has_value();
        for (const IntegerIngredient& i : c.ingredients)
            choosing = choosing || i.minimoSiSeUsa.value_or(0) > 0;
        if (choosing && alone.shares.size() == plan.formulas[f].blend.ingredients.size())
            for (double share : alone.shares)
                patterns[f].push_back(share > 0 ? 1 : 0);
    }
    IntegerLimits rest = limits;
    if (limits.maxSegundos > 0) {
        const std::chrono::duration<double> spent = Clock::now() - start;
        rest.maxSegundos = std::max(limits.maxSegundos - spent.count(), 1e-3);
    }
    const SearchOutcome o = search(plan, conditions, rest, patterns);
    r.status = o.status;
    r.costoContinuo = o.costoContinuo * o.total;
    r.cota = o.cota * o.total;
    r.nodos = o.nodes;
    r.probado = o.proven;
    if (o.status == IntegerStatus::Optimal || o.status == IntegerStatus::Stopped) {
        r.plan = planOf(plan, conditions, o.x);
        if (o.status == IntegerStatus::Stopped)
            r.brecha = (o.costo - o.cota) / std::max(std::abs(o.costo), 1e-300);
        else
            r.cota = r.plan.costoTotal;
    }
    if (o.status == IntegerStatus::IntegerInfeasible)
        explain(plan, conditions, r);
    return r;
}

} // namespace lp
