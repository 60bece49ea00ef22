#include "optimizer/conflict_table.h"

#include "app/format.h"

namespace optimizer {

namespace {

QString kindCaption(lp::LimitRef::Kind kind) {
    switch (kind) {
    case lp::LimitRef::Nutrient:
        return QStringLiteral("Nutriente");
    case lp::LimitRef::Ingredient:
        return QStringLiteral("Ingrediente");
    case lp::LimitRef::Ratio:
        return QStringLiteral("Relación");
    case lp::LimitRef::Group:
        return QStringLiteral("Grupo");
    }
    return QString();
}

// A limit and its relaxation read alike: amounts of ingredients in kilograms, nutrient and ratio
// figures (whose unit the list does not know) with three decimals.
const QString& figurePattern(lp::LimitRef::Kind kind) {
    return kind == lp::LimitRef::Ingredient || kind == lp::LimitRef::Group ? fmt::kQuantityPattern
                                                                           : fmt::kLimitPattern;
}

} // namespace

QString conflictCaption() {
    return QStringLiteral("Restricciones en conflicto");
}

QString conflictExplanation() {
    return QStringLiteral(
        "Estas restricciones no pueden cumplirse juntas, y quitando cualquiera de ellas las "
        "demás del grupo sí. Relajación es el valor más cercano de la restricción, cambiando solo "
        "ésa y manteniendo todas las otras, con el que la fórmula tiene solución; Costo es el "
        "costo unitario (húmeda) de esa solución.");
}

QStringList conflictHeaders() {
    return {QStringLiteral("Tipo"),  QStringLiteral("Nombre"),     QStringLiteral("Límite"),
            QStringLiteral("Valor"), QStringLiteral("Relajación"), QStringLiteral("Costo")};
}

std::vector<QStringList> conflictRows(const std::vector<lp::ConflictLimit>& conflict) {
    std::vector<QStringList> rows;
    for (const lp::ConflictLimit& c : conflict) {
        const bool minimum = c.limit.side == lp::LimitRef::Minimum;
        rows.push_back({kindCaption(c.limit.kind), QString::fromStdString(c.nombre).trimmed(),
                        minimum ? QStringLiteral("Mínimo") : QStringLiteral("Máximo"),
                        fmt::format(c.valor, figurePattern(c.limit.kind)),
                        c.relajacion ? fmt::format(*c.relajacion, figurePattern(c.limit.kind))
                                     : QStringLiteral("No basta con cambiarla"),
                        c.costo ? "$ " + fmt::price(*c.costo) : QString()});
    }
    return rows;
}

} // namespace optimizer
