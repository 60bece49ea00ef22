#include "optimizer/analysis_grids.h"

#include "app/format.h"

#include <algorithm>
#include <iterator>

namespace optimizer {

namespace {

const QString kRestrictionHeader = QStringLiteral("Por cada unidad de aumento en la restricción");

} // namespace

const std::array<AnalysisTab, 6>& analysisTabs() {
    static const std::array<AnalysisTab, 6> tabs = {{
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
        {QStringLiteral("Relaciones"),
         QStringLiteral("FlexGrid4"),
         QStringLiteral("RR"),
         {kRestrictionHeader, QStringLiteral("Costo Actual"), QStringLiteral("Aumento del Costo"),
          QStringLiteral("Costo Estimado")}},
        {QStringLiteral("Grupos"),
         QStringLiteral("FlexGrid5"),
         QStringLiteral("RG"),
         {kRestrictionHeader, QStringLiteral("Costo Actual"), QStringLiteral("Aumento del Costo"),
          QStringLiteral("Costo Estimado")}},
    }};
    return tabs;
}

workspace::SensitivityRow sensitivityRow(const lp::AnalysisRow& a) {
    using About = workspace::SensitivityRow::About;
    About about = About::Ingredient;
    switch (a.kind) {
    case lp::LimitRef::Nutrient:
        about = About::Nutrient;
        break;
    case lp::LimitRef::Ingredient:
        about = About::Ingredient;
        break;
    case lp::LimitRef::Ratio:
        about = About::Ratio;
        break;
    case lp::LimitRef::Group:
        about = About::Group;
        break;
    }
    return {QString::fromStdString(a.tipo).left(2),
            QString::fromStdString(a.detalle).left(100),
            a.valor1,
            a.valor2,
            a.valor3,
            about,
            a.id,
            a.divisorId,
            a.side == lp::LimitRef::Maximum};
}

std::vector<workspace::SensitivityRow>
analysisRowsOf(const std::vector<workspace::SensitivityRow>& rows, const AnalysisTab& tab) {
    std::vector<workspace::SensitivityRow> listed;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(listed),
                 [&](const workspace::SensitivityRow& r) { return r.tipo == tab.tipo; });
    std::stable_sort(listed.begin(), listed.end(),
                     [](const workspace::SensitivityRow& a, const workspace::SensitivityRow& b) {
                         return a.valor2 < b.valor2;
                     });
    return listed;
}

grid::GridContent analysisGrid(const std::vector<workspace::SensitivityRow>& rows,
                               const AnalysisTab& tab,
                               const std::vector<workspace::FormulaNutrient>& nutrients) {
    const auto unitOf = [&](const workspace::SensitivityRow& r) {
        if (r.about != workspace::SensitivityRow::About::Nutrient)
            return QString();
        for (const workspace::FormulaNutrient& n : nutrients)
            if (n.id == r.id)
                return n.unidad.trimmed();
        return QString();
    };
    std::vector<std::vector<QVariant>> cells;
    for (const workspace::SensitivityRow& r : analysisRowsOf(rows, tab)) {
        const QString unit = unitOf(r);
        const QString detalle =
            unit.isEmpty() ? r.detalle : r.detalle.trimmed() + QStringLiteral(" (") + unit + u')';
        cells.push_back({r.tipo, detalle, r.valor1, r.valor2, r.valor3});
    }
    // The ingredient tabs show prices; the restriction tabs the batch's cost (money, two
    // decimals) and what a unit more of the restriction adds to it (a price).
    const bool prices = tab.tipo == QLatin1String("IA") || tab.tipo == QLatin1String("II");
    const QString& cost = prices ? fmt::kPricePattern : fmt::kQuantityPattern;
    const std::vector<grid::Column> columns = {
        grid::Column({}, 0),
        grid::Column(tab.headers[0], 0),
        grid::Column(tab.headers[1], 1500, grid::kRight, cost),
        grid::Column(tab.headers[2], 1500, grid::kRight, fmt::kPricePattern),
        grid::Column(tab.headers[3], 1500, grid::kRight, cost),
    };
    return grid::gridContent({"tipo", "detalle", "valor1", "valor2", "valor3"}, cells, columns);
}

grid::GridContent chanceGrid(const std::vector<ChanceFigureRow>& rows) {
    // A price only a formulation finds stays blank for a mix it did not find.
    const auto price = [](const std::optional<double>& v) { return v ? QVariant(*v) : QVariant(); };
    std::vector<std::vector<QVariant>> cells;
    for (const ChanceFigureRow& r : rows)
        cells.push_back({r.nutrientId, r.nombre.trimmed(), probabilityPercent(r.probabilidad),
                         r.media, r.margen, r.desvio, price(r.precioMinimo),
                         price(r.precioMaximo)});
    const QString figure = QStringLiteral("#####0.0000");
    const std::vector<grid::Column> columns = {
        grid::Column({}, 0),
        grid::Column(QStringLiteral("Nutriente"), 0),
        grid::Column(QStringLiteral("Prob."), 900, grid::kRight),
        grid::Column(QStringLiteral("Media"), 1200, grid::kRight, figure),
        grid::Column(QStringLiteral("Margen"), 1200, grid::kRight, figure),
        grid::Column(QStringLiteral("Desvío"), 1200, grid::kRight, figure),
        grid::Column(QStringLiteral("Precio del mínimo"), 1500, grid::kRight, fmt::kPricePattern),
        grid::Column(QStringLiteral("Precio del máximo"), 1500, grid::kRight, fmt::kPricePattern),
    };
    return grid::gridContent({"id_propiedad", "nombre", "probabilidad", "media", "margen", "desvio",
                              "precio_minimo", "precio_maximo"},
                             cells, columns);
}

namespace {

template <class Limit> bool anyLimited(const std::vector<Limit>& limits) {
    return std::any_of(limits.begin(), limits.end(),
                       [](const Limit& l) { return l.minimo || l.maximo; });
}

} // namespace

QString analysisEmptyText(const workspace::Workspace& ws, const AnalysisTab& tab) {
    if (tab.tipo == QLatin1String("RR"))
        return anyLimited(ws.ratios)
                   ? QStringLiteral("Ningún límite de relación está en su tope: ninguno cambia el "
                                    "costo.")
                   : QStringLiteral("La fórmula no tiene límites de relaciones entre nutrientes.");
    if (tab.tipo == QLatin1String("RG"))
        return anyLimited(ws.groups)
                   ? QStringLiteral("Ningún límite de grupo está en su tope: ninguno cambia el "
                                    "costo.")
                   : QStringLiteral("La fórmula no tiene límites de grupos de ingredientes.");
    return {};
}

grid::GridContent contributionsGrid(const std::vector<workspace::ContributionRow>& rows) {
    const std::vector<grid::Column> columns = {
        grid::Column(QStringLiteral("Ingrediente"), 0),
        grid::Column(QStringLiteral("Rest. Máximo"), 1500, grid::kRight,
                     QStringLiteral("#####0.00")),
        grid::Column(QStringLiteral("Aporte"), 1500, grid::kRight, QStringLiteral("#####0.00")),
        grid::Column(QStringLiteral("Aporte Máximo"), 1500, grid::kRight,
                     QStringLiteral("#####0.00")),
    };
    std::vector<std::vector<QVariant>> cells;
    for (const workspace::ContributionRow& r : rows)
        cells.push_back(
            {r.producto, r.maximo ? QVariant(*r.maximo) : QVariant(), r.valor, r.aportemaximo});
    return grid::gridContent({"producto", "maximo", "valor", "aportemaximo"}, cells, columns);
}

double largestContribution(const std::vector<workspace::ContributionRow>& rows) {
    double largest = 0;
    for (const workspace::ContributionRow& r : rows)
        largest = std::max(largest, r.aportemaximo);
    return largest;
}

QString reachableText(double value) {
    return fmt::format(value, QStringLiteral("0.00###"));
}

} // namespace optimizer
