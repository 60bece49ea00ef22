#include "optimizer/ranging_target.h"

#include "app/format.h"
#include "catalog/ingredients.h"
#include "catalog/nutrients.h"
#include "optimizer/formulation_run.h"
#include "optimizer/validation.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <algorithm>
#include <cmath>

namespace optimizer {

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s).trimmed();
}

bool sameName(const std::string& stored, const QString& typed) {
    return text(stored).compare(typed.trimmed(), Qt::CaseInsensitive) == 0;
}

QString ingredientName(const lp::Blend& blend, std::size_t i) {
    return text(blend.ingredients[i].nombre);
}

QString limitSubject(const lp::Blend& blend, const lp::LimitRef& limit) {
    return limit.kind == lp::LimitRef::Nutrient ? text(blend.nutrients[limit.index].nombre)
                                                : ingredientName(blend, limit.index);
}

QString unitOf(const std::vector<QString>& units, std::size_t i) {
    return i < units.size() ? units[i].trimmed() : QString();
}

QString withUnit(const QString& caption, const QString& unit) {
    return unit.isEmpty() ? caption : caption + " (" + unit + ")";
}

QString number(double v) {
    return fmt::format(v, QStringLiteral("0.00####"));
}

template <typename Rows>
std::optional<std::size_t> indexNamed(const Rows& rows, const QString& name) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (sameName(rows[i].nombre, name))
            return i;
    return std::nullopt;
}

// A name as a user types it: the whole name, or a part of it that only one row's name holds
// ("harina de pescado" for "Harina de pescado 62%").
template <typename Rows>
std::optional<std::size_t> indexTyped(const Rows& rows, const QString& name) {
    if (const auto exact = indexNamed(rows, name))
        return exact;
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!name.trimmed().isEmpty() &&
            text(rows[i].nombre).contains(name.trimmed(), Qt::CaseInsensitive)) {
            if (found)
                return std::nullopt;
            found = i;
        }
    return found;
}

template <typename Rows> QString namesOf(const Rows& rows) {
    QStringList names;
    for (const auto& r : rows)
        names << text(r.nombre);
    return names.join(", ");
}

} // namespace

bool RangingTarget::operator==(const RangingTarget& o) const {
    if (kind != o.kind)
        return false;
    if (kind == Price)
        return ingredient == o.ingredient;
    return limit.kind == o.limit.kind && limit.side == o.limit.side && limit.index == o.limit.index;
}

std::vector<RangingTarget> rangingTargets(const lp::Blend& blend) {
    std::vector<RangingTarget> out;
    for (std::size_t i = 0; i < blend.ingredients.size(); ++i)
        out.push_back({RangingTarget::Price, i, {}});
    for (const lp::LimitRef& l : lp::userLimits(blend))
        out.push_back({RangingTarget::Limit, 0, l});
    return out;
}

QString targetCaption(const lp::Blend& blend, const RangingTarget& target) {
    if (target.kind == RangingTarget::Price)
        return "Precio de " + ingredientName(blend, target.ingredient);
    const QString side =
        target.limit.side == lp::LimitRef::Minimum ? QStringLiteral("Mínimo") : "Máximo";
    return side + " de " + limitSubject(blend, target.limit);
}

std::optional<double> currentValue(const lp::Blend& blend, const RangingTarget& target) {
    if (target.kind == RangingTarget::Price)
        return blend.ingredients[target.ingredient].costoHumeda;
    return lp::limitValue(blend, target.limit);
}

RangeBounds defaultRange(const lp::Blend& blend, const RangingTarget& target) {
    const double v = std::abs(currentValue(blend, target).value_or(0));
    if (target.kind == RangingTarget::Price)
        return {0, v > 0 ? 2 * v : 1};
    if (target.limit.kind == lp::LimitRef::Nutrient)
        return v > 0 ? RangeBounds{0.5 * v, 1.5 * v} : RangeBounds{0, 1};
    return {0, std::max(2 * v, 0.2 * blend.cantidad)};
}

lp::Ranging rangeTarget(const lp::Blend& blend, const RangingTarget& target, double desde,
                        double hasta) {
    if (target.kind == RangingTarget::Price)
        return lp::rangePrice(blend, target.ingredient, desde, hasta);
    return lp::rangeLimit(blend, target.limit, desde, hasta);
}

std::optional<RangingTarget> targetOfAnalysisRow(const lp::Blend& blend, const QString& tipo,
                                                 const QString& detalle) {
    const QString kind = tipo.trimmed();
    if (kind == "IA" || kind == "II") {
        if (const auto i = indexNamed(blend.ingredients, detalle))
            return RangingTarget{RangingTarget::Price, *i, {}};
        return std::nullopt;
    }
    if (kind != "RN" && kind != "RI")
        return std::nullopt;
    const QString label = detalle.trimmed();
    lp::LimitRef limit;
    limit.kind = kind == "RN" ? lp::LimitRef::Nutrient : lp::LimitRef::Ingredient;
    QString name;
    for (const auto& [prefix, side] :
         {std::pair{QStringLiteral("Mínimo para "), lp::LimitRef::Minimum},
          std::pair{QStringLiteral("Máximo para "), lp::LimitRef::Maximum}})
        if (label.startsWith(prefix)) {
            limit.side = side;
            name = label.mid(prefix.size());
        }
    if (name.isEmpty())
        return std::nullopt;
    const auto index = limit.kind == lp::LimitRef::Nutrient ? indexNamed(blend.nutrients, name)
                                                            : indexNamed(blend.ingredients, name);
    if (!index)
        return std::nullopt;
    limit.index = *index;
    return RangingTarget{RangingTarget::Limit, 0, limit};
}

std::optional<RangingTarget> priceTarget(const lp::Blend& blend, const QString& name,
                                         QString* error) {
    if (const auto i = indexTyped(blend.ingredients, name))
        return RangingTarget{RangingTarget::Price, *i, {}};
    *error = "La fórmula no tiene el ingrediente " + name.trimmed() +
             ". Sus ingredientes son: " + namesOf(blend.ingredients);
    return std::nullopt;
}

std::optional<RangingTarget> limitTarget(const lp::Blend& blend, const QString& spec,
                                         QString* error) {
    const QStringList parts = spec.split(':');
    if (parts.size() != 3) {
        *error = "Indique el límite como TIPO:NOMBRE:minimo o TIPO:NOMBRE:maximo (TIPO: "
                 "nutriente o ingrediente): " +
                 spec;
        return std::nullopt;
    }
    const QString kind = parts[0].trimmed().toLower();
    const QString side = parts[2].trimmed().toLower();
    lp::LimitRef limit;
    if (kind == "nutriente")
        limit.kind = lp::LimitRef::Nutrient;
    else if (kind == "ingrediente")
        limit.kind = lp::LimitRef::Ingredient;
    else {
        *error = "Tipo de límite no reconocido: " + parts[0].trimmed() +
                 " (use nutriente o ingrediente)";
        return std::nullopt;
    }
    if (side == "minimo" || side == "mínimo")
        limit.side = lp::LimitRef::Minimum;
    else if (side == "maximo" || side == "máximo")
        limit.side = lp::LimitRef::Maximum;
    else {
        *error = "Indique minimo o maximo, no " + parts[2].trimmed();
        return std::nullopt;
    }
    const bool nutrient = limit.kind == lp::LimitRef::Nutrient;
    const auto index =
        nutrient ? indexTyped(blend.nutrients, parts[1]) : indexTyped(blend.ingredients, parts[1]);
    if (!index) {
        *error = nutrient ? "La fórmula no tiene el nutriente " + parts[1].trimmed() +
                                ". Sus nutrientes son: " + namesOf(blend.nutrients)
                          : "La fórmula no tiene el ingrediente " + parts[1].trimmed() +
                                ". Sus ingredientes son: " + namesOf(blend.ingredients);
        return std::nullopt;
    }
    limit.index = *index;
    return RangingTarget{RangingTarget::Limit, 0, limit};
}

RangingLabels rangingLabels(const RangingTarget& target, const BlendUnits& units) {
    RangingLabels l;
    l.cost = "Costo de la fórmula ($)";
    if (target.kind == RangingTarget::Price) {
        const QString unit = unitOf(units.ingredient, target.ingredient);
        l.parameter = withUnit("Precio", unit.isEmpty() ? "$" : "$/" + unit);
        l.slope = withUnit("Cantidad", unit);
        l.slopeKey = QStringLiteral("cantidad");
        return l;
    }
    const QString unit = target.limit.kind == lp::LimitRef::Nutrient
                             ? unitOf(units.nutrient, target.limit.index)
                             : unitOf(units.ingredient, target.limit.index);
    l.parameter = withUnit(target.limit.side == lp::LimitRef::Minimum ? "Mínimo" : "Máximo", unit);
    l.slope = withUnit("Precio sombra", unit.isEmpty() ? "$" : "$ por " + unit);
    l.slopeKey = QStringLiteral("precio_sombra");
    return l;
}

QString rangingProblem(const lp::Ranging& r) {
    switch (r.status) {
    case lp::RangingStatus::Ok:
        return {};
    case lp::RangingStatus::Infeasible:
        return QStringLiteral("Ningún valor del rango permite formular: no hay mezcla que cumpla "
                              "las restricciones");
    case lp::RangingStatus::NotLinear:
        return QStringLiteral("Con cantidades en base húmeda y nutrientes en base seca el costo no "
                              "varía en tramos rectos con este límite: use la misma base para "
                              "ambos");
    case lp::RangingStatus::Failed:
        break;
    }
    return QStringLiteral("No se pudo calcular el rango: revise que Desde sea menor que Hasta y "
                          "que la fórmula se pueda formular");
}

QStringList rangingLines(const lp::Ranging& r, const RangingLabels& labels) {
    QStringList lines;
    lines << QString("%1 %2 %3 %4 %5")
                 .arg("Desde", 14)
                 .arg("Hasta", 14)
                 .arg("Costo desde", 16)
                 .arg("Costo hasta", 16)
                 .arg(labels.slope, 22);
    for (const lp::RangingInterval& i : r.tramos)
        lines << QString("%1 %2 %3 %4 %5")
                     .arg(number(i.desde), 14)
                     .arg(number(i.hasta), 14)
                     .arg(fmt::format(i.costoDesde, QStringLiteral("0.00")), 16)
                     .arg(fmt::format(i.costoHasta, QStringLiteral("0.00")), 16)
                     .arg(number(i.pendiente), 22);
    if (r.infactibleHasta)
        lines << "Sin mezcla posible por debajo de " + number(*r.infactibleHasta);
    if (r.infactibleDesde)
        lines << "Sin mezcla posible por encima de " + number(*r.infactibleDesde);
    return lines;
}

std::vector<ChartPoint> slopeSteps(const lp::Ranging& r) {
    std::vector<ChartPoint> out;
    for (const lp::RangingInterval& i : r.tramos) {
        out.push_back({i.desde, i.pendiente});
        out.push_back({i.hasta, i.pendiente});
    }
    return out;
}

std::vector<ChartPoint> costPoints(const lp::Ranging& r) {
    std::vector<ChartPoint> out;
    for (const lp::RangingInterval& i : r.tramos)
        out.push_back({i.desde, i.costoDesde});
    if (!r.tramos.empty())
        out.push_back({r.tramos.back().hasta, r.tramos.back().costoHasta});
    return out;
}

BlendUnits blendUnits(store::Database& db, const lp::Blend& blend) {
    BlendUnits u;
    for (const lp::Ingredient& i : blend.ingredients) {
        const auto record = catalog::loadIngredient(db, i.id);
        u.ingredient.push_back(record ? record->shown.unidad.trimmed() : QString());
    }
    for (const lp::Nutrient& n : blend.nutrients) {
        const auto fields = catalog::loadNutrient(db, n.id);
        u.nutrient.push_back(fields ? fields->unidad.trimmed() : QString());
    }
    return u;
}

std::optional<StoredBlend> formulatedBlend(workspace::Workspace& ws, store::Database& db) {
    if (ws.analysisRows.empty() || !(ws.vCantidad > 0))
        return std::nullopt;
    StoredBlend out;
    out.blend = tableauBlend(ws, db);
    out.units = blendUnits(db, out.blend);
    return out;
}

std::optional<StoredBlend> loadStoredBlend(store::Database& db, int formulaId) {
    workspace::Workspace ws;
    ws.vIdFormula = formulaId;
    const workspace::FormulaHeader header = workspace::actuFormula(ws, db);
    if (!header.found || ws.vIdFormula == 0)
        return std::nullopt;
    // The formula's own batch quantity: the box shows the total of the stored mix, which is 0
    // for a formula never formulated.
    const QString quantity = QString::number(ws.vCantidad);
    if (!validate(ws, quantity, ws.vSecaIng, ws.vSecaNut).ok)
        return std::nullopt;
    StoredBlend out;
    out.blend = tableauBlend(ws, db);
    out.units = blendUnits(db, out.blend);
    return out;
}

} // namespace optimizer
