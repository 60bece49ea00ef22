#include "workspace/composition_grid.h"

#include "app/format.h"
#include "workspace/workspace.h"

namespace workspace {

grid::GridContent compositionGrid(const Workspace& ws) {
    using grid::Column;
    const CompositionMatrix& m = ws.composition;
    std::vector<Column> columns = {
        Column({}, 0),
        Column(QStringLiteral("Ingrediente"), 2950),
        Column(QStringLiteral("Mat.Seca kg"), 1000, grid::kRight, QStringLiteral("#####0.00")),
        Column({}, 850, grid::kRight, QStringLiteral("##0.00%")),
        Column(QStringLiteral("Mat.Húmeda kg"), 1000, grid::kRight, QStringLiteral("#####0.00")),
        Column({}, 850, grid::kRight, QStringLiteral("##0.00%")),
        Column({}, 80),
    };
    std::vector<QString> fields = {
        "id_producto",       "nombre", "cantidad_seca", "porcentaje_seca", "cantidad_humeda",
        "porcentaje_humeda", "sep"};
    for (const int id : m.nutrientIds) {
        QString caption = QString::number(id);
        fields.push_back(caption);
        QString unit;
        for (const FormulaNutrient& n : ws.nutrients) {
            if (QString::number(n.id) == caption) {
                caption = n.nombre.trimmed();
                unit = n.unidad;
                break;
            }
        }
        // Each nutrient's column reads in its own unit, named in the header.
        if (!unit.isEmpty())
            caption += QStringLiteral(" (") + unit + u')';
        columns.emplace_back(caption, 2000, grid::kRight, fmt::nutrientPattern(unit));
    }

    auto variant = [](const std::optional<double>& v) { return v ? QVariant(*v) : QVariant(); };
    std::vector<std::vector<QVariant>> cells;
    for (const CompositionRow& r : m.rows) {
        std::vector<QVariant> row = {r.id ? QVariant(*r.id) : QVariant(),
                                     r.id ? QVariant(r.nombre) : QVariant(),
                                     variant(r.cantidadSeca),
                                     variant(r.porcentajeSeca),
                                     variant(r.cantidadHumeda),
                                     variant(r.porcentajeHumeda),
                                     QVariant()};
        for (const std::optional<double>& v : r.values)
            row.push_back(variant(v));
        cells.push_back(std::move(row));
    }
    grid::GridContent content = grid::gridContent(fields, cells, columns);
    if (content.columnCount() >= kResultadoFixedColumns)
        content.setColumnBackground(kResultadoFixedColumns - 1, grid::kGrey);
    if (content.rowCount() > 0) {
        const int totals = content.rowCount() - 1;
        for (int c = 2; c < content.columnCount(); ++c) {
            if (c == kResultadoFixedColumns - 1)
                continue;
            content.cell(totals, c).background = grid::kDimmed;
            content.cell(totals, c).bold = true;
        }
    }
    return content;
}

} // namespace workspace
