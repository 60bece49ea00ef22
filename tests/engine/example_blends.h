#pragma once

#include "optimizer/engine/blend.h"

#include <optional>
#include <string>

namespace lp::examples {

inline Ingredient ingredient(int id, std::string name, double costoHumeda, double materiaSeca,
                             std::optional<double> minimo = {}, std::optional<double> maximo = {}) {
    return {id,          std::move(name), materiaSeca, costoHumeda / (materiaSeca / 100),
            costoHumeda, minimo,          maximo,      materiaSeca};
}

// Two ingredients A (10 per unit, 90 % dry matter, 10 of the nutrient) and B (30, 90 %, 40),
// one nutrient with minimum 20, both bases as fed, a batch of 100.
inline Blend twoIngredientBlend() {
    Blend b;
    b.ingredients = {ingredient(1, "A", 10, 90), ingredient(2, "B", 30, 90)};
    b.nutrients = {{7, "Proteína", 20.0, std::nullopt}};
    b.valor = {{10, 40}};
    b.cantidad = 100;
    return b;
}

// The same ingredients with minimum 30 and a second nutrient capped at 5 (contents 1 and 20):
// no mix meets both.
inline Blend infeasibleBlend() {
    Blend b = twoIngredientBlend();
    b.nutrients = {{7, "Proteína", 30.0, std::nullopt}, {8, "Sodio", std::nullopt, 5.0}};
    b.valor = {{10, 40}, {1, 20}};
    return b;
}

} // namespace lp::examples
