#include "workspace/composition_grid.h"

#include "store/record_set.h"
#include "workspace/workspace.h"

namespace workspace {

grid::GridContent compositionGrid(const Workspace& ws) {
    using grid::Column;
    const store::RecordSet& m = ws.rsResultado;
    std::vector<Column> columns = {
        Column({}, 0),
        Column(QStringLiteral("Ingrediente"), 2950),
        Column(QStringLiteral("Mat.Seca"), 1000, grid::kRight, QStringLiteral("#####0.00")),
        Column({}, 850, grid::kRight, QStringLiteral("##0.00%")),
        Column(QStringLiteral("Mat.Húmeda"), 1000, grid::kRight, QStringLiteral("#####0.00")),
        Column({}, 850, grid::kRight, QStringLiteral("##0.00%")),
        Column({}, 80),
    };
    for (int f = kResultadoFixedColumns; f < m.fieldCount(); ++f) {
        QString caption = m.field(f).name;
        for (const FormulaNutrient& n : ws.nutrients) {
            if (QString::number(n.id) == caption) {
                caption = n.nombre.trimmed();
                break;
            }
        }
        columns.emplace_back(caption, 2000, grid::kRight, QStringLiteral("#####0.00"));
    }

    grid::GridContent content = grid::gridContent(m, columns);
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
