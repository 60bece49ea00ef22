#pragma once

#include <QString>

namespace workspace {

struct Workspace;

// The two basis selectors. Dry quantities with wet nutrients never exists: choosing one side of
// it switches the other. Nothing is converted: only the flags change.
void chooseIngredientBasis(Workspace& ws, bool seca); // "Mat. Seca" when seca, else "Mat. Húmeda"
void chooseNutrientBasis(Workspace& ws, bool seca);   // "Base Seca" when seca, else "Base Húmeda"

// The caption of the nutrient tab.
QString nutrientTabCaption(const Workspace& ws);

} // namespace workspace
