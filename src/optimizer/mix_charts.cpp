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
    const store::RecordSet& p = ws.rsProductos;
    const int name = p.fieldIndex(QStringLiteral("nombre"));
    const int cost = p.fieldIndex(QStringLiteral("costo_total"));
    if (ws.vCantidad > 0 && name >= 0 && cost >= 0)
        for (int row = 0; row < p.count(); ++row) {
            const double total = p.valueAt(row, cost).toDouble();
            if (total != 0)
                out.costos.push_back(
                    {p.valueAt(row, name).toString().trimmed(), total / ws.vCantidad});
        }
    std::stable_sort(out.costos.begin(), out.costos.end(), [](const CostBar& a, const CostBar& b) {
        return a.costoPorUnidad > b.costoPorUnidad;
    });
    return out;
}

} // namespace optimizer
