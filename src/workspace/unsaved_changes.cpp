#include "workspace/unsaved_changes.h"

#include "workspace/workspace.h"

namespace workspace {

SavedState savedState(const Workspace& ws) {
    SavedState s;
    s.cantidad = ws.batchQuantity;
    s.secaIng = ws.ingredientsDry;
    s.secaNut = ws.nutrientsDry;
    for (const FormulaIngredient& i : ws.ingredients)
        s.ingredients.emplace_back(i.id, i.materiaSeca, i.costoSeca, i.costoHumeda, i.minimo,
                                   i.maximo, i.cantidadSeca, i.cantidadHumeda);
    for (const FormulaNutrient& n : ws.nutrients)
        s.nutrients.emplace_back(n.id, n.minimo, n.maximo, n.valor, n.probabilidad);
    for (const formulas::FormulaRatio& r : ws.ratios)
        s.ratios.emplace_back(r.numerador, r.divisor, r.minimo, r.maximo);
    for (const formulas::FormulaGroup& g : ws.groups)
        s.groups.emplace_back(g.id, 0, g.minimo, g.maximo);
    for (const FormulaIngredient& i : ws.ingredients)
        if (i.minimoSiSeUsa)
            s.minimosSiSeUsa.emplace_back(i.id, i.minimoSiSeUsa);
    s.maxIngredientes = ws.maxIngredientes;
    s.redondear = ws.redondear;
    return s;
}

QString unsavedChangesQuestion(const QString& codigo) {
    const QString name = codigo.trimmed();
    return name.isEmpty() ? QStringLiteral("¿Grabar los cambios de la fórmula nueva?")
                          : QStringLiteral("¿Grabar los cambios de la fórmula %1?").arg(name);
}

} // namespace workspace
