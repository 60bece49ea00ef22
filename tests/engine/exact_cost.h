#pragma once

// The exact judge of the integer tests: a continuous programme with fixed bounds solved by GLPK
// and confirmed in rational arithmetic.

#include "cbc_reference.h"

#include <glpk.h>

#include <cmath>
#include <optional>
#include <vector>

namespace lp {

// The programme's continuous optimum within these column bounds, solved by GLPK and confirmed
// in rational arithmetic: the judge between two mixes whose costs differ, since neither
// search's own figure then settles which choice is cheaper. None when there is no optimum.
inline std::optional<double> exactCost(const BoundedLp& lp, const std::vector<double>& lower,
                                       const std::vector<double>& upper) {
    glp_prob* g = glp_create_prob();
    glp_term_out(GLP_OFF);
    glp_add_cols(g, lp.n);
    glp_add_rows(g, lp.m);
    std::vector<int> ia{0}, ja{0};
    std::vector<double> ar{0};
    for (int j = 0; j < lp.n; ++j) {
        glp_set_obj_coef(g, j + 1, lp.cost[j]);
        glp_set_col_bnds(g, j + 1, lower[j] < upper[j] ? GLP_DB : GLP_FX, lower[j], upper[j]);
    }
    for (int i = 0; i < lp.m; ++i) {
        // A x + s = b with s in [lower, upper]: A x in [b - upper, b - lower].
        const double lo = lp.b[i] - lp.upper[lp.n + i], hi = lp.b[i] - lp.lower[lp.n + i];
        const int type = std::isinf(lo) && std::isinf(hi) ? GLP_FR
                         : std::isinf(lo)                 ? GLP_UP
                         : std::isinf(hi)                 ? GLP_LO
                         : lo < hi                        ? GLP_DB
                                                          : GLP_FX;
        glp_set_row_bnds(g, i + 1, type, std::isinf(lo) ? 0 : lo, std::isinf(hi) ? 0 : hi);
        for (int j = 0; j < lp.n; ++j)
            if (lp.at(i, j) != 0) {
                ia.push_back(i + 1);
                ja.push_back(j + 1);
                ar.push_back(lp.at(i, j));
            }
    }
    glp_load_matrix(g, static_cast<int>(ia.size()) - 1, ia.data(), ja.data(), ar.data());
    glp_smcp parm;
    glp_init_smcp(&parm);
    parm.msg_lev = GLP_MSG_OFF;
    std::optional<double> cost;
    if (glp_simplex(g, &parm) == 0 && glp_exact(g, &parm) == 0 && glp_get_status(g) == GLP_OPT)
        cost = glp_get_obj_val(g);
    glp_delete_prob(g);
    return cost;
}

// The programme's continuous optimum with the integer choices of `shares` fixed, exactly.
inline std::optional<double> fixedCost(const cbc::Programme& p, const std::vector<double>& shares) {
    std::vector<double> lower, upper;
    if (!p.fixedBounds(shares, lower, upper))
        return std::nullopt;
    return exactCost(p.lp(), lower, upper);
}

} // namespace lp
