#include "workspace/composition_matrix.h"

#include "store/database.h"
#include "workspace/workspace.h"

#include <QHash>
#include <optional>
#include <vector>

namespace workspace {

namespace {

// One composition row of an ingredient in today's catalogue, with the ingredient's dry matter.
struct CatalogueContent {
    int nutrient;
    double valor;
    double materiaSeca;
};

std::vector<CatalogueContent> readContents(store::Database& db, int ingredient) {
    const auto rows =
        db.query("select pp.*,p.materia_seca from producto_propiedad pp, productos p where "
                 "pp.id_producto=p.id_producto and pp.id_producto=" +
                 QString::number(ingredient));
    const int nutrient = rows.fieldIndex("id_propiedad"), valor = rows.fieldIndex("valor"),
              dm = rows.fieldIndex("materia_seca");
    std::vector<CatalogueContent> out;
    for (int r = 0; r < rows.count(); ++r)
        out.push_back({rows.valueAt(r, nutrient).toInt(), rows.valueAt(r, valor).toDouble(),
                       rows.valueAt(r, dm).toDouble()});
    return out;
}

} // namespace

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
    auto add = [](std::optional<double>& total, const std::optional<double>& v) {
        *total += v.value_or(0);
    };

    for (const FormulaIngredient& p : ws.ingredients) {
        CompositionRow row;
        row.id = p.id;
        row.nombre = p.nombre;
        row.cantidadSeca = p.cantidadSeca;
        row.porcentajeSeca = p.porcentajeSeca;
        row.cantidadHumeda = p.cantidadHumeda;
        row.porcentajeHumeda = p.porcentajeHumeda;
        add(totals.cantidadSeca, p.cantidadSeca);
        add(totals.porcentajeSeca, p.porcentajeSeca);
        add(totals.cantidadHumeda, p.cantidadHumeda);
        add(totals.porcentajeHumeda, p.porcentajeHumeda);
        row.values.assign(m.nutrientIds.size(), std::nullopt);
        for (const CatalogueContent& comp : readContents(db, p.id)) {
            const auto column = columnOfNutrient.constFind(comp.nutrient);
            if (column == columnOfNutrient.constEnd())
                continue; // a nutrient the formula does not limit
            const double contribution = ws.nutrientsDry ? comp.valor * p.porcentajeSeca.value_or(0)
                                                        : comp.valor * (comp.materiaSeca / 100) *
                                                              p.porcentajeHumeda.value_or(0);
            row.values[*column] = contribution;
            *totals.values[*column] += contribution;
        }
        m.rows.push_back(std::move(row));
    }
    m.rows.push_back(std::move(totals));
    ws.composition = std::move(m);
}

} // namespace workspace
