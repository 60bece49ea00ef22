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

// Limits on content(numerador) / content(divisor) of the mix, each content as the nutrient
// rows compute it; the quotient is the same on either nutrient basis.
struct Ratio {
    int numerador = 0; // nutrient ids in Blend::nutrients
    int divisor = 0;
    std::string nombre;
    std::optional<double> minimo, maximo;
};

// Limits on the summed quantity of a family of ingredients, batch quantities on the
// ingredient basis of the blend like Ingredient limits. Members not in the blend count 0.
struct Group {
    int id = 0;
    std::string nombre;
    std::vector<int> ingredientIds;
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
    std::vector<Ratio> ratios;
    std::vector<Group> groups;
};

// One limit the user set on a blend: a nutrient's, a ratio's, a group's or an ingredient's
// minimum or maximum. The quantity rows every blend carries are never limits of this kind.
struct LimitRef {
    enum Kind { Nutrient, Ingredient, Ratio, Group } kind = Nutrient;
    enum Side { Minimum, Maximum } side = Minimum;
    size_t index = 0; // into Blend::nutrients, ingredients, ratios or groups
};

// "nutriente", "ingrediente", "relacion" or "grupo".
const char* kindName(LimitRef::Kind kind);

// Index in Blend::nutrients of the nutrient with this id, or -1.
int nutrientIndex(const Blend& blend, int id);

// The name a ratio or group limit goes by: its own, or for a ratio without one its two
// nutrients' ("Calcio / Fósforo disponible").
std::string ratioName(const Blend& blend, size_t ratio);
std::string groupName(const Blend& blend, size_t group);

} // namespace lp
