#include "optimizer/analysis_grids.h"

#include "app/format.h"
#include "store/record_set.h"

#include <algorithm>

namespace optimizer {

namespace {

const QString kRestrictionHeader = QStringLiteral("Por cada unidad de aumento en la restricción");

} // namespace

const std::array<AnalysisTab, 4>& analysisTabs() {
    static const std::array<AnalysisTab, 4> tabs = {{
        {QStringLiteral("Ingredientes Activos"),
         QStringLiteral("FlexGrid0"),
         QStringLiteral("IA"),
         {QStringLiteral("Ingrediente"), QStringLiteral("Precio Actual"),
          QStringLiteral("Máxima Variación"), QStringLiteral("Precio Máximo")}},
        {QStringLiteral("Ingredientes Inactivos"),
         QStringLiteral("FlexGrid1"),
         QStringLiteral("II"),
         {QStringLiteral("Ingrediente"), QStringLiteral("Precio Actual"),
          QStringLiteral("Excedente"), QStringLiteral("Precio Oportuno")}},
        {QStringLiteral("Restricciones de Ingredientes"),
         QStringLiteral("FlexGrid3"),
         QStringLiteral("RI"),
         {kRestrictionHeader, QStringLiteral("Costo Actual"), QStringLiteral("Aumento del Costo"),
          QStringLiteral("Costo Estimado")}},
        {QStringLiteral("Restricciones de Nutrientes"),
         QStringLiteral("FlexGrid2"),
         QStringLiteral("RN"),
         {kRestrictionHeader, QStringLiteral("Costo Actual"), QStringLiteral("Aumento del Costo"),
          QStringLiteral("Costo Estimado")}},
    }};
    return tabs;
}

grid::GridContent analysisGrid(const store::RecordSet& rsAnalisis, const AnalysisTab& tab) {
    store::RecordSet rows = rsAnalisis;
    rows.setFilter("tipo='" + tab.tipo + "'");
    rows.setSort(QStringLiteral("valor2"));
    const std::vector<grid::Column> columns = {
        grid::Column({}, 0),
        grid::Column(tab.headers[0], 0),
        grid::Column(tab.headers[1], 1500, grid::kRight, QStringLiteral("#####0.00")),
        grid::Column(tab.headers[2], 1500, grid::kRight, QStringLiteral("#####0.000")),
        grid::Column(tab.headers[3], 1500, grid::kRight, QStringLiteral("#####0.000")),
    };
    return grid::gridContent(rows, columns);
}

grid::GridContent contributionsGrid(const store::RecordSet& rsAportes) {
    const std::vector<grid::Column> columns = {
        grid::Column(QStringLiteral("Ingrediente"), 0),
        grid::Column(QStringLiteral("Rest. Máximo"), 1500, grid::kRight,
                     QStringLiteral("#####0.00")),
        grid::Column(QStringLiteral("Aporte"), 1500, grid::kRight, QStringLiteral("#####0.00")),
        grid::Column(QStringLiteral("Aporte Máximo"), 1500, grid::kRight,
                     QStringLiteral("#####0.00")),
    };
    return grid::gridContent(rsAportes, columns);
}

double largestContribution(const store::RecordSet& rsAportes) {
    const int field = rsAportes.fieldIndex("aportemaximo");
    double largest = 0;
    for (int r = 0; r < rsAportes.count(); ++r)
        largest = std::max(largest, rsAportes.valueAt(r, field).toDouble());
    return largest;
}

QString reachableText(double value) {
    return fmt::format(value, QStringLiteral("0.00###"));
}

} // namespace optimizer
