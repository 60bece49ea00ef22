#include "workspace/basis_rule.h"

#include "workspace/workspace.h"

namespace workspace {

void chooseIngredientBasis(Workspace& ws, bool seca) {
    ws.vSecaIng = seca;
    if (ws.vSecaIng && !ws.vSecaNut)
        ws.vSecaNut = true;
}

void chooseNutrientBasis(Workspace& ws, bool seca) {
    ws.vSecaNut = seca;
    if (!ws.vSecaNut && ws.vSecaIng)
        chooseIngredientBasis(ws, false);
}

QString nutrientTabCaption(const Workspace& ws) {
    return ws.vSecaNut ? QStringLiteral("Base Seca") : QStringLiteral("Base Húmeda");
}

} // namespace workspace
