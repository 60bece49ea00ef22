#include "workspace/composition_matrix.h"

#include "store/database.h"
#include "workspace/workspace.h"

#include <QHash>
#include <optional>
#include <vector>

namespace workspace {

void buildComposition(Workspace& ws, store::Database& db) {
    CompositionMatrix m;
    QHash<int, size_t> columnOfNutrient;
    for (const FormulaNutrient& n : ws.nutrients) {
        columnOfNutrient.insert(n.id, m.nutrientIds.size());
        m.nutrientIds.push_back(n.id);
    }
    CompositionRow totals;
    totals.cantidadSeca = totals.porcentajeSeca = totals.cantidadHumeda = totals.porcentajeHumeda =
        0.0;
    totals.values.assign(m.nutrientIds.size(), 0.0);
    auto add = [](std::optional<double>& total, const QVariant& v) { *total += v.toDouble(); };
    auto optional = [](const QVariant& v) {
        return v.isValid() ? std::optional<double>(v.toDouble()) : std::nullopt;
    };

    store::RecordSet& p = ws.rsProductos;
    for (p.moveFirst(); !p.eof(); p.moveNext()) {
        CompositionRow row;
        row.id = p.toInt("id_producto");
        row.nombre = p.toString("nombre").left(100);
        row.cantidadSeca = optional(p.value("cantidad_seca"));
        row.porcentajeSeca = optional(p.value("porcentaje_seca"));
        row.cantidadHumeda = optional(p.value("cantidad_humeda"));
        row.porcentajeHumeda = optional(p.value("porcentaje_humeda"));
        add(totals.cantidadSeca, p.value("cantidad_seca"));
        add(totals.porcentajeSeca, p.value("porcentaje_seca"));
        add(totals.cantidadHumeda, p.value("cantidad_humeda"));
        add(totals.porcentajeHumeda, p.value("porcentaje_humeda"));
        row.values.assign(m.nutrientIds.size(), std::nullopt);
        store::RecordSet comp =
            db.query("select pp.*,p.materia_seca from producto_propiedad pp, productos p where "
                     "pp.id_producto=p.id_producto and pp.id_producto=" +
                     QString::number(p.toInt("id_producto")));
        for (comp.moveFirst(); !comp.eof(); comp.moveNext()) {
            const auto column = columnOfNutrient.constFind(comp.toInt("id_propiedad"));
            if (column == columnOfNutrient.constEnd())
                continue; // a nutrient the formula does not limit
            const double contribution =
                ws.vSecaNut ? comp.toDouble("valor") * p.toDouble("porcentaje_seca")
                            : comp.toDouble("valor") * (comp.toDouble("materia_seca") / 100) *
                                  p.toDouble("porcentaje_humeda");
            row.values[*column] = contribution;
            *totals.values[*column] += contribution;
        }
        m.rows.push_back(std::move(row));
    }
    m.rows.push_back(std::move(totals));
    ws.composition = std::move(m);
}

} // namespace workspace
