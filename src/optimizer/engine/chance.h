#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/reachability.h"
#include "optimizer/engine/simplex.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace lp {

// Nutrient limits that must hold with a chosen probability. The composition a_in of ingredient i
// for nutrient n is taken as a normal variable of mean Blend::valor[n][i] and standard deviation
// desvio[n][i], independent between ingredients. A minimum m with probability p then reads
//   sum a x - z_p sqrt(sum (s x)^2) >= m,
// a maximum M reads sum a x + z_p sqrt(sum (s x)^2) <= M, z_p the standard normal quantile of p,
// the sums over the shares on the nutrient's basis exactly as the linear limit runs (the
// deviation weighted by the same dry-matter factor as the value). Kept beside the blend, not in
// it: a blend without chance limits runs the linear engine unchanged.
struct ChanceLimits {
    // [nutrient], in the order of Blend::nutrients: the probability with which the nutrient's
    // minimum and its maximum must each hold; empty: the linear limit. Missing entries are empty.
    std::vector<std::optional<double>> probabilidad;
    // [nutrient][ingredient]: the standard deviation of Blend::valor, in its unit and basis (per
    // unit of dry matter). A missing or empty row counts 0 for every ingredient.
    std::vector<std::vector<double>> desvio;
};

constexpr double kMinimumProbability = 0.5;
constexpr double kMaximumProbability = 0.9999;

// The standard normal quantile: the z with P(Z <= z) = p, for 0 < p < 1, to about 1e-15
// relative. Acklam's rational approximation refined by one Halley step on erfc.
double normalQuantile(double p);

// A Spanish message naming the first probability or deviation the engine cannot use (outside
// 0.5..0.9999, negative, not a number, a row of the wrong length), or empty.
std::optional<std::string> checkChanceLimits(const Blend& blend, const ChanceLimits& chance);

enum class ChanceStatus { Optimum, Infeasible, Failed };

// The figures of one chance-limited nutrient in the mix found.
struct ChanceFigure {
    std::size_t nutrient = 0; // index into Blend::nutrients
    double probabilidad = 0;
    double z = 0;      // the quantile of the probability
    double media = 0;  // the mix's mean content, on the limit's basis
    double desvio = 0; // the standard deviation of the mix's content, on the same basis
    double margen = 0; // z * desvio: how far the mean stays inside each limit
    // What the batch cost (per Blend::cantidad) changes by when the minimum or the maximum moves
    // up by one unit of the nutrient: the sensitivity rows' convention. 0 where it does not bind.
    double precioMinimo = 0;
    double precioMaximo = 0;
};

struct ChanceSolution {
    // The linear engine's run of the blend. When `cut` is false it is the whole answer: no
    // chance limit asked for more than the linear optimum gives, and every figure comes from it.
    SolvedBlend linear;
    bool cut = false;
    ChanceStatus status = ChanceStatus::Failed;
    std::vector<double> shares; // on the blend's ingredient basis, blend order
    double costo = 0;           // cost of one unit of the mix, as the linear objective counts it
    std::vector<ChanceFigure> figuras; // one per nutrient with a probability, blend order
    int rounds = 0;                    // linear programmes solved after the linear run
    int cuts = 0;                      // tangent rows added in all
    long pivots = 0;                   // of those programmes
};

// The least-cost mix under the blend's linear limits and its chance limits (checked first with
// checkChanceLimits). Solved by outer approximation, see chance.cpp.
ChanceSolution solveChance(const Blend& blend, const ChanceLimits& chance);

// The reachability screen with chance limits: first the linear screen, then every chance-limited
// minimum (blend order) must be met with its margin by some mix within the ingredient limits.
// The first that is not is reported, maximoAlcanzable the most its guaranteed content
// (mean minus margin) reaches over those mixes.
Reachability checkChanceReachability(const Blend& blend, const ChanceLimits& chance,
                                     const std::vector<int>& ingredientsInWorkspaceOrder);

} // namespace lp
