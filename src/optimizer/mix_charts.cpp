#include "optimizer/mix_charts.h"

#include "workspace/workspace.h"

#include <algorithm>
#include <cmath>

namespace optimizer {

bool bindsAt(double valor, const std::optional<double>& limit) {
    return limit && std::abs(valor - *limit) <= 1e-6 * std::max(1.0, std::abs(*limit));
}

MixCharts mixCharts(const workspace::Workspace& ws) {
    MixCharts out;
    for (const workspace::FormulaNutrient& n : ws.nutrients)
        if (n.valor)
            out.nutrientes.push_back({n.nombre.trimmed(), *n.valor, n.minimo, n.maximo,
                                      bindsAt(*n.valor, n.minimo) || bindsAt(*n.valor, n.maximo)});
    if (ws.batchQuantity > 0)
        for (const workspace::FormulaIngredient& i : ws.ingredients)
            if (const double total = i.costoTotal.value_or(0); total != 0)
                out.costos.push_back({i.nombre.trimmed(), total / ws.batchQuantity});
    std::stable_sort(out.costos.begin(), out.costos.end(), [](const CostBar& a, const CostBar& b) {
        return a.costoPorUnidad > b.costoPorUnidad;
    });
    return out;
}

} // namespace optimizer
