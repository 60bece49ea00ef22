#pragma once

#include "optimizer/engine/blend.h"

#include <optional>
#include <string>
#include <vector>

namespace lp {

// What one ingredient can bring to a nutrient, as the contribution view lists it.
struct Contribution {
    std::string producto;         // name, first 50 characters
    std::optional<double> maximo; // the ingredient's maximum quantity, when set
    double valor = 0;             // contribution per unit of the ingredient
    double aportemaximo = 0;      // contribution at the ingredient's maximum share
};

struct Reachability {
    bool passed = true;
    int failingNutrient = -1;       // index into Blend::nutrients when not passed
    double maximoAlcanzable = 0;    // the most the failing nutrient reaches in any admissible mix
    std::vector<Contribution> rows; // the failing nutrient's contributions, workspace order
};

// The quick screen run before assembly: every nutrient minimum must be reachable by some mix
// whose shares respect the ingredient limits. Reports the first nutrient (blend order) that
// is not. `ingredientsInWorkspaceOrder` gives the indices of blend.ingredients in the order
// the workspace lists them.
Reachability checkReachability(const Blend& blend,
                               const std::vector<int>& ingredientsInWorkspaceOrder);

// The least and the most a ratio's value reaches over the mixes whose shares respect the
// ingredient limits (the nutrient limits left aside), the divisor's content not 0; the most is
// infinite when some such mix holds the numerator without the divisor. Empty when no such mix
// holds any of the divisor, or a nutrient of the ratio is not in the blend.
struct RatioRange {
    double minimo = 0, maximo = 0;
};
std::optional<RatioRange> ratioRange(const Blend& blend, size_t ratio);

} // namespace lp
