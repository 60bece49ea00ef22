#include "workspace/basis_rule.h"

#include "workspace/workspace.h"

namespace workspace {

void chooseIngredientBasis(Workspace& ws, bool seca) {
    ws.ingredientsDry = seca;
    if (ws.ingredientsDry && !ws.nutrientsDry)
        ws.nutrientsDry = true;
}

void chooseNutrientBasis(Workspace& ws, bool seca) {
    ws.nutrientsDry = seca;
    if (!ws.nutrientsDry && ws.ingredientsDry)
        chooseIngredientBasis(ws, false);
}

QString nutrientTabCaption(const Workspace& ws) {
    return ws.nutrientsDry ? QStringLiteral("Base Seca") : QStringLiteral("Base Húmeda");
}

} // namespace workspace
