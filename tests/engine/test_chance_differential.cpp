// Chance-limited mixes checked from outside the engine: by drawing compositions, and by an
// optimality certificate from GLPK.

#include "engine/chance_checks.h"
#include "engine/glpk_reference.h"
#include "engine/sample_catalogue.h"
#include "optimizer/engine/chance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using namespace lp;

// 100,000 draws of the compositions from their normal distributions, applied to the optimal mix:
// a chance-limited minimum that binds holds in p of them, one with room at least as often.
TEST(ChanceDifferential, DrawnCompositionsMeetTheMinimaAsOftenAsAsked) {
    generator::Rng rng(77);
    std::mt19937_64 draws(2024);
    std::normal_distribution<double> normal;
    int binding = 0;
    for (int round = 0; round < 30 && binding < 6; ++round) {
        generator::Shape shape;
        shape.ingredients = 15;
        shape.nutrients = 6;
        shape.secaIng = round % 2 == 0;
        shape.secaNut = round % 3 == 0;
        const Blend b = generator::randomBlend(rng, shape);
        const ChanceLimits c = generator::randomChance(rng, b, 3);
        const ChanceSolution s = solveChance(b, c);
        if (s.status != ChanceStatus::Optimum)
            continue;
        for (const ChanceFigure& f : s.figuras) {
            const Nutrient& nut = b.nutrients[f.nutrient];
            if (!nut.minimo || f.desvio == 0)
                continue;
            const bool binds = f.precioMinimo > 0;
            int met = 0;
            const int count = 100000;
            for (int k = 0; k < count; ++k) {
                double sum = 0, dry = 0;
                for (size_t i = 0; i < s.shares.size(); ++i) {
                    const double dm = b.ingredients[i].materiaSeca / 100;
                    const double a =
                        b.valor[f.nutrient][i] + c.desvio[f.nutrient][i] * normal(draws);
                    sum += a * (b.secaIng ? 1.0 : dm) * s.shares[i];
                    dry += dm * s.shares[i];
                }
                met += (!b.secaIng && b.secaNut ? sum / dry : sum) >= *nut.minimo ? 1 : 0;
            }
            const double share = double(met) / count;
            if (binds) {
                EXPECT_NEAR(share, f.probabilidad, 0.005) << round << " " << f.nutrient;
                ++binding;
            } else {
                EXPECT_GE(share, f.probabilidad - 0.005) << round << " " << f.nutrient;
            }
        }
    }
    EXPECT_GE(binding, 6);
}

// A tangent of nutrient n's chance limit at the mix x in the reference's own form, scaled to the
// limit's size: sum(coef x) >= rhs for a minimum, <= rhs for a maximum.
struct Tangent {
    std::vector<double> coef;
    double rhs = 0;
};

struct LimitAt {
    double slack = 0; // how far the guaranteed content stays inside the limit
    double size = 0;  // the larger of the limit and the mean content plus the margin
};

LimitAt limitAt(const Blend& b, const ChanceLimits& c, size_t n, bool minimum,
                const std::vector<double>& x) {
    const generator::Content at = generator::contentIn(b, c, n, x);
    const double z = normalQuantile(*c.probabilidad[n]);
    const double limit = minimum ? *b.nutrients[n].minimo : *b.nutrients[n].maximo;
    const double guaranteed = minimum ? at.mean - z * at.sd : at.mean + z * at.sd;
    return {minimum ? guaranteed - limit : limit - guaranteed,
            std::max(std::abs(limit), std::abs(at.mean) + z * at.sd)};
}

Tangent tangentAt(const Blend& b, const ChanceLimits& c, size_t n, bool minimum,
                  const std::vector<double>& x) {
    const bool dryRatio = !b.secaIng && b.secaNut;
    const double z = normalQuantile(*c.probabilidad[n]);
    const double limit = minimum ? *b.nutrients[n].minimo : *b.nutrients[n].maximo;
    double norm = 0;
    for (size_t j = 0; j < x.size(); ++j) {
        const double w = b.secaIng ? 1 : b.ingredients[j].materiaSeca / 100;
        norm += std::pow(c.desvio[n][j] * w * x[j], 2);
    }
    norm = std::sqrt(norm);
    const double size = limitAt(b, c, n, minimum, x).size;
    Tangent t;
    for (size_t j = 0; j < x.size(); ++j) {
        const double dm = b.ingredients[j].materiaSeca / 100, w = b.secaIng ? 1 : dm;
        const double sj = c.desvio[n][j] * w;
        const double grad = norm > 0 ? z * sj * sj * x[j] / norm : 0.0;
        const double a = b.valor[n][j] * w - (dryRatio ? limit * dm : 0.0);
        t.coef.push_back((minimum ? a - grad : a + grad) / size);
    }
    t.rhs = dryRatio ? 0.0 : limit / size;
    return t;
}

// An independent solution of the cone programme: GLPK's simplex on the blend, the tangent of every
// chance limit its mix breaks added as a row, solved again, until no limit is broken by more than
// 3e-10 of its size (GLPK holds a row to 1e-10 here).
reference::Solution glpkChance(const Blend& b, const ChanceLimits& c) {
    reference::GlpkBlend glpk(b);
    glp_prob* prob = glpk.problem();
    const int count = int(b.ingredients.size());
    for (int round = 0; round < 1000; ++round) {
        const reference::Solution s = glpk.solve();
        if (s.status != reference::Status::Optimum)
            return s;
        bool added = false;
        for (size_t n = 0; n < b.nutrients.size(); ++n) {
            if (!c.probabilidad[n] || *c.probabilidad[n] <= 0.5)
                continue;
            for (bool minimum : {true, false}) {
                if (!(minimum ? b.nutrients[n].minimo : b.nutrients[n].maximo))
                    continue;
                const LimitAt at = limitAt(b, c, n, minimum, s.shares);
                if (at.slack >= -3e-10 * at.size)
                    continue;
                const Tangent t = tangentAt(b, c, n, minimum, s.shares);
                std::vector<int> idx{0};
                std::vector<double> val{0};
                for (int j = 0; j < count; ++j) {
                    idx.push_back(j + 1);
                    val.push_back(t.coef[size_t(j)]);
                }
                const int row = glp_add_rows(prob, 1);
                glp_set_row_bnds(prob, row, minimum ? GLP_LO : GLP_UP, t.rhs, t.rhs);
                glp_set_mat_row(prob, row, count, idx.data(), val.data());
                added = true;
            }
        }
        if (!added)
            return s;
    }
    return {};
}

// The engine against that reference on random blends of 5 to 100 ingredients with 1 to 10 chance
// limits: the same outcome and cost, and a mix that meets every chance limit within 1e-9 of its
// size.
TEST(ChanceDifferential, SameCostAsAnIndependentConeSolution) {
    generator::Rng rng(31337);
    int compared = 0, cut = 0, infeasible = 0;
    for (int round = 0; round < 400 && compared < 110; ++round) {
        generator::Shape shape;
        shape.ingredients = rng.integer(5, 100);
        shape.nutrients = rng.integer(3, 20);
        shape.secaIng = rng.chance(0.3);
        shape.secaNut = rng.chance(0.5);
        const Blend b = generator::randomBlend(rng, shape);
        const ChanceLimits c = generator::randomChance(rng, b, rng.integer(1, 10));
        const ChanceSolution s = solveChance(b, c);
        const reference::Solution ref = glpkChance(b, c);
        ASSERT_NE(ref.status, reference::Status::Other) << round;
        ASSERT_NE(s.status, ChanceStatus::Failed) << round;
        // Margins may push a planted blend past what any mix meets; both must say so.
        ASSERT_EQ(s.status == ChanceStatus::Infeasible,
                  ref.status == reference::Status::NoFeasiblePoint)
            << round;
        if (s.status == ChanceStatus::Infeasible) {
            ++infeasible;
            continue;
        }
        cut += s.cut ? 1 : 0;
        EXPECT_NEAR(ref.cost, s.costo, 1e-7 * std::abs(ref.cost)) << round;
        for (const ChanceFigure& f : s.figuras)
            for (bool minimum : {true, false})
                if (minimum ? b.nutrients[f.nutrient].minimo : b.nutrients[f.nutrient].maximo) {
                    const LimitAt at = limitAt(b, c, f.nutrient, minimum, s.shares);
                    EXPECT_GE(at.slack, -1e-9 * at.size) << round << " " << f.nutrient;
                }
        ++compared;
    }
    EXPECT_EQ(compared, 110);
    EXPECT_GE(cut, 80);
    EXPECT_GE(infeasible, 1);
}

// The optimum of the blend with each chance limit replaced by its tangent at the mix x, by GLPK.
// Every tangent holds for every mix that meets its limit, so this is a lower bound of the chance
// optimum; a mix x that meets the limits and costs no more than it is optimal.
reference::Solution glpkTangentBound(const Blend& b, const ChanceLimits& c,
                                     const std::vector<double>& x) {
    reference::GlpkBlend glpk(b);
    glp_prob* prob = glpk.problem();
    const int count = int(b.ingredients.size());
    for (size_t n = 0; n < b.nutrients.size(); ++n)
        for (bool minimum : {true, false}) {
            if (!c.probabilidad[n] || !(minimum ? b.nutrients[n].minimo : b.nutrients[n].maximo))
                continue;
            const Tangent t = tangentAt(b, c, n, minimum, x);
            std::vector<int> idx{0};
            std::vector<double> val{0};
            for (int j = 0; j < count; ++j) {
                idx.push_back(j + 1);
                val.push_back(t.coef[size_t(j)]);
            }
            const int row = glp_add_rows(prob, 1);
            glp_set_row_bnds(prob, row, minimum ? GLP_LO : GLP_UP, t.rhs, t.rhs);
            glp_set_mat_row(prob, row, count, idx.data(), val.data());
        }
    return glpk.solve();
}

// Large blends with every nutrient limit at 95 % put a margin on over a hundred limits at once:
// each must still end at the optimum, never give up. The optimum is certified by the tangent
// bound (a reference that adds tangents round after round itself loses its way here).
TEST(ChanceDifferential, LargeBlendsWithEveryLimitAtNinetyFivePercent) {
    generator::Rng rng(200060);
    generator::Shape shape;
    shape.ingredients = 200;
    shape.nutrients = 60;
    int optimum = 0;
    for (int round = 0; round < 6; ++round) {
        const Blend b = generator::randomBlend(rng, shape);
        const ChanceLimits c = generator::everyLimitAt(rng, b, 0.95, 0.1, 0.25);
        const ChanceSolution s = solveChance(b, c);
        ASSERT_EQ(s.status, ChanceStatus::Optimum) << round;
        const reference::Solution bound = glpkTangentBound(b, c, s.shares);
        ASSERT_EQ(bound.status, reference::Status::Optimum) << round;
        EXPECT_NEAR(bound.cost, s.costo, 1e-7 * std::abs(s.costo)) << round;
        for (const ChanceFigure& f : s.figuras)
            for (bool minimum : {true, false})
                if (minimum ? b.nutrients[f.nutrient].minimo : b.nutrients[f.nutrient].maximo) {
                    const LimitAt at = limitAt(b, c, f.nutrient, minimum, s.shares);
                    EXPECT_GE(at.slack, -1e-9 * at.size) << round << " " << f.nutrient;
                }
        ++optimum;
    }
    EXPECT_EQ(optimum, 6);
}

// The sample diets with every limit at 95 % and a steady composition: the mix found keeps every
// limit, its cost is the tangent bound's, and the search ends in a few rounds. A centre that
// came to lie on a limit's surface once made the rounds add tangents there that no longer cut
// the programme's mix off, and the search ran to its round limit and gave up.
TEST(ChanceDifferential, SampleDietsWithEveryLimitAtNinetyFivePercent) {
    const sample::Catalogue catalogue;
    int optimum = 0;
    for (std::uint64_t seed : {95u, 96u, 97u}) {
        generator::Rng rng(seed);
        for (const std::string& code : catalogue.formulaCodes()) {
            const Blend b = catalogue.blend(code);
            const ChanceLimits c = generator::everyLimitAt(rng, b, 0.95, 0.03, 0.07);
            const ChanceSolution s = solveChance(b, c);
            // An outer programme without a mix proves the margins out of reach; giving up
            // proves nothing.
            ASSERT_NE(s.status, ChanceStatus::Failed) << code << " " << seed;
            EXPECT_LE(s.rounds, 20) << code << " " << seed;
            if (s.status == ChanceStatus::Infeasible)
                continue;
            ++optimum;
            const reference::Solution bound = glpkTangentBound(b, c, s.shares);
            ASSERT_EQ(bound.status, reference::Status::Optimum) << code;
            EXPECT_NEAR(bound.cost, s.costo, 1e-7 * std::abs(s.costo)) << code << " " << seed;
            for (const ChanceFigure& f : s.figuras)
                for (bool minimum : {true, false})
                    if (minimum ? b.nutrients[f.nutrient].minimo : b.nutrients[f.nutrient].maximo) {
                        const LimitAt at = limitAt(b, c, f.nutrient, minimum, s.shares);
                        EXPECT_GE(at.slack, -1e-9 * at.size) << code << " " << f.nutrient;
                    }
        }
    }
    EXPECT_GE(optimum, 8);
}

} // namespace
