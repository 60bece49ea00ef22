#include "optimizer/chance_analysis.h"

#include "optimizer/engine/simplex.h"
#include "optimizer/engine/solution.h"
#include "optimizer/engine/tableau.h"

#include <algorithm>
#include <cmath>

namespace optimizer {

namespace {

// A limit counts as touched within this fraction of its size: the chance solution meets its
// limits to 1e-9, and a tangent taken for a limit just off the mix still bounds the same mixes.
constexpr double kTouching = 1e-6;
// How far the programme's optimum may lie from the mix and still be the mix.
constexpr double kSameShare = 1e-6;

} // namespace

lp::Blend linearisedBlend(const lp::Blend& blend, const lp::ChanceLimits& chance,
                          const std::vector<double>& x) {
    lp::Blend out = blend;
    const size_t count = blend.ingredients.size();
    double dry = 0;
    for (size_t i = 0; i < count; ++i)
        dry += blend.ingredients[i].materiaSeca / 100 * x[i];
    // On as-fed shares a dry-basis limit counts its content per unit of the mix's dry matter.
    const double per = !blend.secaIng && blend.secaNut && dry > 0 ? dry : 1.0;
    for (size_t n = 0; n < blend.nutrients.size(); ++n) {
        const std::optional<double> p =
            n < chance.probabilidad.size() ? chance.probabilidad[n] : std::nullopt;
        if (!p || !(*p > lp::kMinimumProbability) || n >= chance.desvio.size() ||
            chance.desvio[n].size() != count)
            continue;
        double mean = 0, variance = 0;
        std::vector<double> spread(count); // (s w)^2 x: the gradient of the variance, halved
        for (size_t i = 0; i < count; ++i) {
            const double w = lp::contentFactor(blend, i);
            const double s = chance.desvio[n][i] * w;
            mean += blend.valor[n][i] * w * x[i];
            variance += s * x[i] * s * x[i];
            spread[i] = s * s * x[i];
        }
        const double sigma = std::sqrt(variance);
        if (!(sigma > 0))
            continue;
        const double z = lp::normalQuantile(*p);
        const double low = (mean - z * sigma) / per, high = (mean + z * sigma) / per;
        const lp::Nutrient& nut = blend.nutrients[n];
        auto touches = [](const std::optional<double>& limit, double gap) {
            return limit && gap <= kTouching * std::max(1.0, std::abs(*limit));
        };
        // The tangent of m <= mean - z sigma at the mix: sigma is homogeneous of degree one, so
        // its tangent plane passes through 0 and the row keeps the form of a nutrient's, with
        // each value moved by z times the variance's gradient over sigma, per unit of weight.
        auto tangent = [&](double sign, bool minimum) {
            lp::Nutrient row;
            row.id = nut.id;
            row.nombre = nut.nombre;
            (minimum ? row.minimo : row.maximo) = minimum ? nut.minimo : nut.maximo;
            std::vector<double> values(count);
            for (size_t i = 0; i < count; ++i)
                values[i] =
                    blend.valor[n][i] + sign * z * spread[i] / sigma / lp::contentFactor(blend, i);
            out.nutrients.push_back(row);
            out.valor.push_back(values);
        };
        if (touches(nut.minimo, low - nut.minimo.value_or(0))) {
            tangent(-1, true);
            out.nutrients[n].minimo.reset();
        }
        if (touches(nut.maximo, nut.maximo.value_or(0) - high)) {
            tangent(+1, false);
            out.nutrients[n].maximo.reset();
        }
    }
    return out;
}

std::optional<std::vector<lp::AnalysisRow>> linearisedAnalysis(const lp::Blend& blend,
                                                               const lp::ChanceLimits& chance,
                                                               const std::vector<double>& mix) {
    if (mix.size() != blend.ingredients.size())
        return std::nullopt;
    const lp::Blend linear = linearisedBlend(blend, chance, mix);
    const lp::SolvedBlend solved = lp::assembleAndSolve(linear);
    if (solved.result.outcome != lp::Outcome::Optimum)
        return std::nullopt;
    const std::vector<double> vertex = lp::shares(solved.tableau);
    for (size_t i = 0; i < mix.size(); ++i)
        if (!(std::abs(vertex[i] - mix[i]) <= kSameShare))
            return std::nullopt;
    return lp::sensitivityRows(solved.tableau, linear);
}

} // namespace optimizer
