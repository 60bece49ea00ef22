#pragma once

// CBC as the reference for the integer conditions of a blend or a plan, shared by the integer
// tests and the benchmark: the same bounded programme the engine builds (boundedForm,
// planProgramme), with a whole step count k_j (x_j = step_j k_j) for each rounded column and a
// use indicator y_j for each column under a minimum if used or a count limit
// (m_j y_j <= x_j <= u_j y_j, sum y_j <= count over each formula's columns).

#include "optimizer/engine/bounded_path.h"
#include "optimizer/engine/integer.h"
#include "optimizer/engine/plan.h"
#include "optimizer/engine/tableau.h"

#include <coin/Cbc_C_Interface.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace lp::cbc {

struct Reference {
    enum Status { Optimal, Infeasible, Unsolved } status = Unsolved;
    double cost = 0;            // CBC's optimum re-solved with its integer choices fixed
    double mipCost = 0;         // CBC's own objective
    std::vector<double> shares; // of the re-solve
};

class Programme {
public:
    // One formula: its columns one group.
    Programme(const Blend& blend, const IntegerConditions& c) {
        BoundedLayout layout;
        ok_ = boundedForm(blend, lp_, layout);
        step_.assign(lp_.n, 0.0);
        use_.assign(lp_.n, 0.0);
        group_.assign(lp_.n, 0);
        addFormula(blend, c, 0);
    }

    // A plan: each formula's columns, one after another as planProgramme lays them out, a
    // group of their own. Its costs are over the plan's total quantity.
    Programme(const Plan& plan, const std::vector<IntegerConditions>& cs) {
        ok_ = planProgramme(plan, lp_);
        if (!ok_)
            return;
        step_.assign(lp_.n, 0.0);
        use_.assign(lp_.n, 0.0);
        group_.assign(lp_.n, 0);
        int first = 0;
        for (size_t f = 0; f < plan.formulas.size(); ++f) {
            const Blend& blend = plan.formulas[f].blend;
            addFormula(blend, f < cs.size() ? cs[f] : IntegerConditions{}, first);
            first += static_cast<int>(blend.ingredients.size());
        }
    }

    bool ok() const { return ok_; }
    const BoundedLp& lp() const { return lp_; }

    // The bounds of the continuous programme with the integer choices of `shares` fixed: a
    // column out of the mix at 0, one in it at least its minimum if used, a rounded column at
    // its nearest whole step. False when those bounds hold no value.
    bool fixedBounds(const std::vector<double>& shares, std::vector<double>& lower,
                     std::vector<double>& upper) const {
        bounds(lower, upper);
        for (int j = 0; j < lp_.n; ++j) {
            const bool conditioned = use_[j] > 0 || counted(j);
            if (conditioned && !(shares[j] > 0))
                upper[j] = 0;
            else if (use_[j] > 0)
                lower[j] = std::max(lower[j], use_[j]);
            if (step_[j] > 0)
                lower[j] = upper[j] = std::round(shares[j] / step_[j]) * step_[j];
            if (lower[j] > upper[j] + 1e-12)
                return false;
        }
        return true;
    }

    // The integer programme solved by CBC, then its choices fixed and the rest solved again
    // as a linear programme, so the cost compared is not blurred by CBC's integer tolerance.
    Reference solve(double seconds = 0) const {
        Reference r;
        std::vector<double> lower, upper;
        bounds(lower, upper);
        // A rounded column whose bounds hold no whole step: no mix (CBC refuses empty bounds).
        for (int j = 0; j < lp_.n; ++j)
            if (step_[j] > 0 &&
                std::ceil(lower[j] / step_[j] - 1e-9) > std::floor(upper[j] / step_[j] + 1e-9)) {
                r.status = Reference::Infeasible;
                return r;
            }
        std::vector<int> kCol(lp_.n, -1), yCol(lp_.n, -1);
        Model mip = build(lower, upper, true, kCol, yCol);
        if (seconds > 0)
            Cbc_setMaximumSeconds(mip.model, seconds);
        Cbc_solve(mip.model);
        if (Cbc_isProvenInfeasible(mip.model)) {
            r.status = Reference::Infeasible;
            return r;
        }
        if (!Cbc_isProvenOptimal(mip.model))
            return r;
        r.mipCost = Cbc_getObjValue(mip.model);
        const double* v = Cbc_getColSolution(mip.model);
        for (int j = 0; j < lp_.n; ++j) {
            if (yCol[j] >= 0 && use_[j] > 0 && std::round(v[yCol[j]]) == 1)
                lower[j] = std::max(lower[j], use_[j]);
            if (kCol[j] >= 0)
                lower[j] = upper[j] = std::round(v[kCol[j]]) * step_[j];
            if (yCol[j] >= 0 && std::round(v[yCol[j]]) == 0)
                lower[j] = upper[j] = 0;
            lower[j] = std::min(lower[j], upper[j]);
        }
        std::vector<int> none(lp_.n, -1), none2(lp_.n, -1);
        Model fixed = build(lower, upper, false, none, none2);
        Cbc_solve(fixed.model);
        if (!Cbc_isProvenOptimal(fixed.model))
            return r;
        r.status = Reference::Optimal;
        r.cost = Cbc_getObjValue(fixed.model);
        const double* x = Cbc_getColSolution(fixed.model);
        r.shares.assign(x, x + lp_.n);
        return r;
    }

private:
    struct Model {
        Cbc_Model* model = Cbc_newModel();
        Model() = default;
        Model(const Model&) = delete;
        Model& operator=(const Model&) = delete;
        Model(Model&& o) noexcept : model(o.model) { o.model = nullptr; }
        ~Model() {
            if (model != nullptr)
                Cbc_deleteModel(model);
        }
    };

    // The formula whose columns start at `first`, as the next group: its columns' rules and
    // its count.
    void addFormula(const Blend& blend, const IntegerConditions& c, int first) {
        const int group = static_cast<int>(count_.size());
        for (size_t j = 0; j < blend.ingredients.size(); ++j) {
            const size_t col = static_cast<size_t>(first) + j;
            if (col >= group_.size())
                break;
            group_[col] = group;
            if (j >= c.ingredients.size())
                continue;
            if (c.redondear && c.ingredients[j].paso)
                step_[col] = *c.ingredients[j].paso / blend.cantidad;
            if (c.ingredients[j].minimoSiSeUsa && *c.ingredients[j].minimoSiSeUsa > 0)
                use_[col] = *c.ingredients[j].minimoSiSeUsa / blend.cantidad;
        }
        count_.push_back(c.maxIngredientes);
    }

    bool counted(int j) const { return count_[static_cast<size_t>(group_[j])].has_value(); }

    void bounds(std::vector<double>& lower, std::vector<double>& upper) const {
        lower.assign(lp_.lower.begin(), lp_.lower.begin() + lp_.n);
        upper.assign(lp_.upper.begin(), lp_.upper.begin() + lp_.n);
        for (double& u : upper)
            u = std::min(u, kSumUpper);
    }

    // Columns x, then k and y where they apply; rows: the programme's, x - step k = 0,
    // x - u y <= 0, x - m y >= 0, sum y <= count. Column-major, as CBC loads it.
    Model build(const std::vector<double>& lower, const std::vector<double>& upper, bool integer,
                std::vector<int>& kCol, std::vector<int>& yCol) const {
        const int n = lp_.n, m = lp_.m;
        std::vector<std::vector<std::pair<int, double>>> cols(n);
        std::vector<double> colLo(lower), colUp(upper), obj(lp_.cost), rowLo, rowUp;
        for (int i = 0; i < m; ++i) {
            // A x + s = b with s in [lower, upper]: A x in [b - upper, b - lower].
            const double lo = lp_.b[i] - lp_.upper[n + i], up = lp_.b[i] - lp_.lower[n + i];
            for (int j = 0; j < n; ++j)
                if (lp_.at(i, j) != 0)
                    cols[j].push_back({i, lp_.at(i, j)});
            rowLo.push_back(lo);
            rowUp.push_back(up);
        }
        std::vector<int> integers;
        auto addColumn = [&](double lo, double up) {
            cols.emplace_back();
            colLo.push_back(lo);
            colUp.push_back(up);
            obj.push_back(0);
            integers.push_back(static_cast<int>(cols.size()) - 1);
            return static_cast<int>(cols.size()) - 1;
        };
        auto addRow = [&](double lo, double up) {
            rowLo.push_back(lo);
            rowUp.push_back(up);
            return static_cast<int>(rowLo.size()) - 1;
        };
        std::vector<int> countRow(count_.size(), -1);
        if (integer) {
            for (size_t g = 0; g < count_.size(); ++g)
                if (count_[g])
                    countRow[g] = addRow(-kUnbounded, *count_[g]);
            for (int j = 0; j < n; ++j) {
                if (step_[j] > 0) {
                    const int k = kCol[j] = addColumn(std::ceil(lower[j] / step_[j] - 1e-9),
                                                      std::floor(upper[j] / step_[j] + 1e-9));
                    const int row = addRow(0, 0);
                    cols[j].push_back({row, 1});
                    cols[k].push_back({row, -step_[j]});
                }
                const int group = countRow[static_cast<size_t>(group_[j])];
                if (use_[j] > 0 || group >= 0) {
                    const int y = yCol[j] = addColumn(lower[j] > 0 ? 1 : 0, 1);
                    const int top = addRow(-kUnbounded, 0);
                    cols[j].push_back({top, 1});
                    cols[y].push_back({top, -upper[j]});
                    if (use_[j] > 0) {
                        const int bottom = addRow(0, kUnbounded);
                        cols[j].push_back({bottom, 1});
                        cols[y].push_back({bottom, -use_[j]});
                    }
                    if (group >= 0)
                        cols[y].push_back({group, 1});
                }
            }
        }
        std::vector<CoinBigIndex> start{0};
        std::vector<int> index;
        std::vector<double> value;
        for (const auto& c : cols) {
            for (const auto& [row, a] : c) {
                index.push_back(row);
                value.push_back(a);
            }
            start.push_back(static_cast<CoinBigIndex>(index.size()));
        }
        Model model;
        Cbc_setLogLevel(model.model, 0);
        Cbc_loadProblem(model.model, static_cast<int>(cols.size()), static_cast<int>(rowLo.size()),
                        start.data(), index.data(), value.data(), colLo.data(), colUp.data(),
                        obj.data(), rowLo.data(), rowUp.data());
        for (int k : integers)
            Cbc_setInteger(model.model, k);
        // CBC out of the box stops short of a proof at this precision: it accepts a mix within
        // a gap of its bound (allowableGap, ratioGap), prunes any node that cannot beat the
        // best mix by 1e-5 in absolute cost (the cutoff increment, a relative 1e-7 to 1e-5 on
        // these costs), calls a value within 1e-6 of a whole number whole and holds its simplex
        // to 1e-7. Every one of those is brought to the engine's 1e-9 or below.
        Cbc_setParameter(model.model, "primalTolerance", "1e-9");
        Cbc_setParameter(model.model, "dualTolerance", "1e-9");
        if (integer) {
            Cbc_setAllowableGap(model.model, 0);
            Cbc_setAllowableFractionGap(model.model, 0);
            Cbc_setParameter(model.model, "allowableGap", "0");
            Cbc_setParameter(model.model, "ratioGap", "0");
            Cbc_setParameter(model.model, "increment", "1e-12");
            Cbc_setParameter(model.model, "integerTolerance", "1e-9");
            // Its preprocessing crosses bounds on the narrow band of the sum of shares and then
            // aborts on an assertion; its heuristics (the feasibility pump's small searches
            // first) run that preprocessing on copies of their own whatever the setting, so
            // they go too. The search alone still proves the optimum.
            Cbc_setParameter(model.model, "preprocess", "off");
            Cbc_setParameter(model.model, "heuristicsOnOff", "off");
        }
        return model;
    }

    static constexpr double kUnbounded = 1e300;

    BoundedLp lp_;
    bool ok_ = false;
    std::vector<double> step_, use_;
    std::vector<int> group_;                // per column: its formula
    std::vector<std::optional<int>> count_; // per formula: its count limit
};

} // namespace lp::cbc
