#include "plans/plan_texts.h"

#include "app/date_text.h"
#include "app/format.h"
#include "app/node_count.h"
#include "app/number_text.h"

#include <QStringList>

#include <cmath>

namespace plans {

TypedAmount parseAmount(const QString& text) {
    if (text.trimmed().isEmpty())
        return {};
    const std::optional<double> v = numtext::toNumber(text);
    if (!v || !std::isfinite(*v) || *v < 0)
        return {false, std::nullopt};
    return {true, v};
}

QString amountText(const std::optional<double>& v) {
    return v ? fmt::quantity(*v) : QString();
}

QString costText(const std::optional<double>& v) {
    return v ? fmt::price(*v) : QString();
}

QString changeText(const PlannedFormula& f) {
    if (!f.costoSolo || !(*f.costoSolo > 0))
        return {};
    const double change = f.costoUnitarioHumeda / *f.costoSolo - 1;
    const QString magnitude = fmt::format(std::abs(change), QStringLiteral("0.00%"));
    // A change that rounds to nothing carries no sign.
    if (magnitude == fmt::format(0.0, QStringLiteral("0.00%")))
        return magnitude;
    return (change > 0 ? u'+' : u'-') + magnitude;
}

namespace {

// "Disponible de Maíz" or "Mínimo para Calcio en PONEDORA versión 1".
QString conflictName(const PlanConflictRow& c) {
    const QString side = c.tipo == QLatin1String("disponible")   ? QStringLiteral("Disponible")
                         : c.tipo == QLatin1String("minimo_uso") ? QStringLiteral("Uso mínimo")
                         : c.limite == QLatin1String("minimo")   ? QStringLiteral("Mínimo")
                                                                 : QStringLiteral("Máximo");
    return c.formula.isEmpty() ? QStringLiteral("%1 de %2").arg(side, c.nombre)
                               : QStringLiteral("%1 para %2 en %3").arg(side, c.nombre, c.formula);
}

// Stock rows are kilograms of an ingredient; a formula's own limits are nutrient, ratio or group
// figures, read with the decimals of a limit.
QString conflictFigure(const PlanConflictRow& c, double v) {
    const bool stock =
        c.tipo == QLatin1String("disponible") || c.tipo == QLatin1String("minimo_uso");
    return stock ? fmt::quantityKg(v) : fmt::format(v, fmt::kLimitPattern);
}

} // namespace

QString outcomeMessage(const PlanRun& run) {
    if (run.outcome == PlanRunOutcome::Optimum)
        return {};
    QStringList lines{run.mensaje};
    for (const PlanConflictRow& c : run.conflicto) {
        QString line = conflictName(c) + QStringLiteral(": ") + conflictFigure(c, c.valor);
        if (c.relajacion)
            line += QStringLiteral(" (se cumple con %1)").arg(conflictFigure(c, *c.relajacion));
        lines << line;
    }
    return lines.join(u'\n');
}

QString outcomeSummary(const PlanRun& run) {
    if (run.outcome == PlanRunOutcome::Optimum)
        return searchText(run);
    if (run.mensaje.isEmpty())
        return {};
    QString text = QStringLiteral("Plan sin mezcla: ") + run.mensaje;
    if (run.conflicto.empty())
        return text;
    constexpr std::size_t kNamed = 3;
    QStringList names;
    for (std::size_t i = 0; i < run.conflicto.size() && i < kNamed; ++i)
        names << conflictName(run.conflicto[i]);
    text += QStringLiteral(". En conflicto: ") + names.join(QStringLiteral(", "));
    if (run.conflicto.size() > kNamed)
        text += QStringLiteral(" y %1 más").arg(run.conflicto.size() - kNamed);
    return text;
}

QString savedPlanMessage(std::size_t saved) {
    return saved == 1 ? QStringLiteral("Se grabó 1 versión nueva de la fórmula del plan")
                      : QStringLiteral("Se grabaron %1 versiones nuevas de las fórmulas del plan")
                            .arg(saved);
}

QString pricesName(PlanPrices prices) {
    return prices == PlanPrices::Current ? QStringLiteral("actuales") : QStringLiteral("guardados");
}

QString pricesText(const PlannedFormula& f, PlanPrices prices) {
    if (!f.fechaPrecios)
        return pricesName(prices);
    return QStringLiteral("%1 %2 %3")
        .arg(pricesName(prices),
             prices == PlanPrices::Current ? QStringLiteral("al") : QStringLiteral("el"),
             datetext::formatDate(*f.fechaPrecios));
}

QString pricesChoiceText(PlanPrices prices) {
    return prices == PlanPrices::Current
               ? QStringLiteral("Versión más alta de cada fórmula, con los precios y la materia "
                                "seca actuales del catálogo")
               : QStringLiteral("Versión que nombra el plan, con los precios y la materia seca "
                                "guardados en ella");
}

QString totalText(const PlanRun& run) {
    if (run.outcome != PlanRunOutcome::Optimum)
        return {};
    // The kilograms the plan makes as fed: a dry-basis formula's own quantity is dry matter.
    double quantity = 0;
    for (const PlannedFormula& f : run.formulas)
        for (const PlannedIngredient& i : f.ingredientes)
            quantity += i.cantidadHumeda;
    return QStringLiteral("Costo total del plan: %1 por %2 tal cual")
        .arg(fmt::format(run.costoTotal, QStringLiteral("$ #####0.00")), fmt::quantityKg(quantity));
}

QString searchText(const PlanRun& run) {
    if (run.outcome != PlanRunOutcome::Optimum || !run.entero || run.entero->probado)
        return {};
    return QStringLiteral(
               "La búsqueda se detuvo: brecha %1 %. El plan es el mejor encontrado en %2, "
               "pero no está probado que sea el de menor costo.")
        .arg(fmt::format(run.entero->brecha * 100, QStringLiteral("0.00")),
             app::nodeCount(run.entero->nodos));
}

} // namespace plans
