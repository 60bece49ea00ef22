#pragma once

#include <QString>

namespace catalog {

// The row a user picked in the ingredient list: its key, its name as the grid shows it and its
// cost as stored.
struct IngredientPick {
    int id = 0;
    QString name;
    double cost = 0.0;
};

// The row a user picked in the nutrient list: its key and its name as the grid shows it.
struct NutrientPick {
    int id = 0;
    QString name;
    QString unit = {};
};

} // namespace catalog
