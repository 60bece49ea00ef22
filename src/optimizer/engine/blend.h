#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lp {

// One ingredient of the workspace. Limits are quantities of the batch (the unit of
// Blend::cantidad), on the ingredient basis of the blend.
struct Ingredient {
    int id = 0;
    std::string nombre;
    double materiaSeca = 100; // percent, as used by the formula (> 0)
    double costoSeca = 0;     // per unit of dry matter
    double costoHumeda = 0;   // per unit as fed
    std::optional<double> minimo, maximo;
    double materiaSecaCatalogo = 100; // percent, as in the catalogue today
};

struct Nutrient {
    int id = 0;
    std::string nombre;
    std::optional<double> minimo, maximo;
};

// Everything one least-cost run reads from the workspace.
struct Blend {
    std::vector<Ingredient> ingredients;    // ascending id: they become the columns 1..N
    std::vector<Nutrient> nutrients;        // in the workspace's order
    std::vector<std::vector<double>> valor; // [nutrient][ingredient]: per unit of dry matter
    bool secaIng = false;                   // ingredient shares on dry matter
    bool secaNut = false;                   // nutrient limits on dry matter
    double cantidad = 0;                    // batch quantity
};

} // namespace lp
