#pragma once

// The blend's linear programme built independently of the tableau and solved by GLPK: the
// reference the engine is checked against (tests and benchmarks only).

#include "optimizer/engine/blend.h"

#include <glpk.h>

#include <vector>

namespace lp::reference {

enum class Status { Optimum, NoFeasiblePoint, Other };

struct Solution {
    Status status = Status::Other;
    double cost = 0; // per unit of mix
    std::vector<double> shares;
};

// Owns one GLPK problem holding the blend's constraints: one column per ingredient share with
// the limits as bounds, one row per nutrient limit, one row for the sum of shares.
class GlpkBlend {
public:
    explicit GlpkBlend(const Blend& b) : lp_(glp_create_prob()) {
        glp_term_out(GLP_OFF);
        glp_set_obj_dir(lp_, GLP_MIN);
        const int n = static_cast<int>(b.ingredients.size());
        glp_add_cols(lp_, n);
        for (int j = 1; j <= n; ++j) {
            const Ingredient& ing = b.ingredients[j - 1];
            glp_set_obj_coef(lp_, j, b.secaIng ? ing.costoSeca : ing.costoHumeda);
            setColumnBounds(j, ing, b.cantidad);
        }
        std::vector<int> ia{0}, ja{0};
        std::vector<double> ar{0};
        int row = 0;
        auto addRow = [&](const std::vector<double>& coef, int type, double lo, double hi) {
            glp_add_rows(lp_, 1);
            glp_set_row_bnds(lp_, ++row, type, lo, hi);
            for (int j = 1; j <= n; ++j)
                if (coef[j - 1] != 0) {
                    ia.push_back(row);
                    ja.push_back(j);
                    ar.push_back(coef[j - 1]);
                }
        };
        for (size_t k = 0; k < b.nutrients.size(); ++k) {
            const Nutrient& nut = b.nutrients[k];
            const bool ratio = !b.secaIng && b.secaNut;
            auto coefficients = [&](double limit) {
                std::vector<double> c(n);
                for (int j = 0; j < n; ++j) {
                    const double a = b.valor[k][j], dm = b.ingredients[j].materiaSeca / 100;
                    c[j] = ratio ? (a - limit) * dm : b.secaIng ? a : a * dm;
                }
                return c;
            };
            if (nut.minimo)
                addRow(coefficients(ratio ? *nut.minimo : 0), GLP_LO, ratio ? 0 : *nut.minimo, 0);
            if (nut.maximo)
                addRow(coefficients(ratio ? *nut.maximo : 0), GLP_UP, 0, ratio ? 0 : *nut.maximo);
        }
        // A ratio r_min <= content(num) / content(div) as sum((a_num - r a_div) w x) >= 0.
        for (const Ratio& ratio : b.ratios) {
            int num = -1, div = -1;
            for (size_t k = 0; k < b.nutrients.size(); ++k) {
                num = b.nutrients[k].id == ratio.numerador ? static_cast<int>(k) : num;
                div = b.nutrients[k].id == ratio.divisor ? static_cast<int>(k) : div;
            }
            auto coefficients = [&](double r) {
                std::vector<double> c(n);
                for (int j = 0; j < n; ++j) {
                    const double w = b.secaIng ? 1.0 : b.ingredients[j].materiaSeca / 100;
                    c[j] = (b.valor[num][j] - r * b.valor[div][j]) * w;
                }
                return c;
            };
            if (ratio.minimo)
                addRow(coefficients(*ratio.minimo), GLP_LO, 0, 0);
            if (ratio.maximo)
                addRow(coefficients(*ratio.maximo), GLP_UP, 0, 0);
        }
        for (const Group& g : b.groups) {
            if (!g.minimo && !g.maximo)
                continue;
            std::vector<double> c(n, 0.0);
            for (int j = 0; j < n; ++j)
                for (int id : g.ingredientIds)
                    c[j] = id == b.ingredients[j].id ? 1.0 : c[j];
            const double lo = g.minimo.value_or(0) / b.cantidad;
            const double hi = g.maximo.value_or(0) / b.cantidad;
            const int type = !g.maximo ? GLP_LO : !g.minimo ? GLP_UP : lo < hi ? GLP_DB : GLP_FX;
            if (g.minimo && g.maximo && hi < lo)
                emptyBounds_ = true;
            else
                addRow(c, type, lo, hi);
        }
        addRow(std::vector<double>(n, 1.0), GLP_DB, 0.99999999, 1.00000001);
        glp_load_matrix(lp_, static_cast<int>(ia.size()) - 1, ia.data(), ja.data(), ar.data());
    }
    ~GlpkBlend() { glp_delete_prob(lp_); }
    GlpkBlend(const GlpkBlend&) = delete;
    GlpkBlend& operator=(const GlpkBlend&) = delete;

    // The problem as built, for a larger programme that copies it in as one block.
    glp_prob* problem() const { return lp_; }
    bool emptyBounds() const { return emptyBounds_; }

    // GLPK's primal simplex from the slack basis with its own default settings: what the
    // benchmarks time. Returns GLPK's status (GLP_OPT, GLP_NOFEAS, ...).
    int simplexFromScratch() {
        glp_std_basis(lp_);
        glp_smcp parm;
        glp_init_smcp(&parm);
        parm.msg_lev = GLP_MSG_OFF;
        glp_simplex(lp_, &parm);
        return glp_get_status(lp_);
    }

    // GLPK's simplex with tolerances tightened towards the engine's; `exact` then confirms
    // the final basis in rational arithmetic (slower by an order of magnitude).
    Solution solve(bool exact = false) {
        Solution s;
        if (emptyBounds_) {
            s.status = Status::NoFeasiblePoint;
            return s;
        }
        glp_smcp parm;
        glp_init_smcp(&parm);
        parm.msg_lev = GLP_MSG_OFF;
        parm.tol_bnd = 1e-10;
        parm.tol_dj = 1e-10;
        if (glp_simplex(lp_, &parm) != 0)
            return s;
        if (exact && glp_get_status(lp_) == GLP_OPT && glp_exact(lp_, &parm) != 0)
            return s;
        const int status = glp_get_status(lp_);
        if (status == GLP_NOFEAS) {
            s.status = Status::NoFeasiblePoint;
        } else if (status == GLP_OPT) {
            s.status = Status::Optimum;
            s.cost = glp_get_obj_val(lp_);
            for (int j = 1; j <= glp_get_num_cols(lp_); ++j)
                s.shares.push_back(glp_get_col_prim(lp_, j));
        }
        return s;
    }

private:
    // Same arithmetic as the ingredient rows of the tableau, including the widening of a
    // fixed ingredient by 0.001 units of quantity either side.
    void setColumnBounds(int j, const Ingredient& ing, double q) {
        const bool fixed = ing.minimo && ing.maximo && *ing.minimo == *ing.maximo;
        double lo = ing.minimo ? -*ing.minimo / q : 0.0;
        if (fixed)
            lo += 0.001 / q;
        lo = lo < 0 ? -lo : 0.0;
        if (!ing.maximo) {
            glp_set_col_bnds(lp_, j, GLP_LO, lo, 0);
            return;
        }
        double hi = *ing.maximo / q;
        if (fixed)
            hi += 0.001 / q;
        if (hi < lo)
            emptyBounds_ = true;
        else
            glp_set_col_bnds(lp_, j, hi > lo ? GLP_DB : GLP_FX, lo, hi);
    }

    glp_prob* lp_;
    bool emptyBounds_ = false;
};

inline Solution solveWithGlpk(const Blend& b, bool exact = false) {
    GlpkBlend p(b);
    return p.solve(exact);
}

} // namespace lp::reference
