#include "optimizer/ranging_target.h"

#include "app/format.h"
#include "app/messages.h"
#include "catalog/ingredients.h"
#include "catalog/nutrients.h"
#include "optimizer/engine/integer.h"
#include "optimizer/engine/tableau.h"
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

QString ingredientName(const lp::Blend& blend, std::size_t i) {
    return text(blend.ingredients[i].nombre);
}

// The names a user types for the rows of one kind: a ratio also goes by its two nutrients'.
std::vector<std::vector<QString>> namesOfKind(const lp::Blend& blend, lp::LimitRef::Kind kind) {
    std::vector<std::vector<QString>> out;
    switch (kind) {
    case lp::LimitRef::Nutrient:
        for (const lp::Nutrient& n : blend.nutrients)
            out.push_back({text(n.nombre)});
        break;
    case lp::LimitRef::Ingredient:
        for (const lp::Ingredient& i : blend.ingredients)
            out.push_back({text(i.nombre)});
        break;
    case lp::LimitRef::Ratio:
        for (std::size_t r = 0; r < blend.ratios.size(); ++r) {
            lp::Blend unnamed;
            unnamed.nutrients = blend.nutrients;
            unnamed.ratios = {blend.ratios[r]};
            unnamed.ratios[0].nombre.clear();
            out.push_back({text(lp::ratioName(blend, r)), text(lp::ratioName(unnamed, 0))});
        }
        break;
    case lp::LimitRef::Group:
        for (std::size_t g = 0; g < blend.groups.size(); ++g)
            out.push_back({text(lp::groupName(blend, g))});
        break;
    }
    return out;
}

// "Proteína bruta", "la relación Calcio / Fósforo", "el grupo Harinas".
QString limitSubject(const lp::Blend& blend, const lp::LimitRef& limit) {
    const QString name = namesOfKind(blend, limit.kind)[limit.index].front();
    switch (limit.kind) {
    case lp::LimitRef::Ratio:
        return "la relación " + name;
    case lp::LimitRef::Group:
        return "el grupo " + name;
    default:
        return name;
    }
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

// The rows a typed text names, the first kind of match that finds any deciding: the row of that
// code (as the catalogue holds it, blanks around ignored), the rows one of whose names it is, the
// rows one of whose names holds it ("harina de pescado" for "Harina de pescado 62%"); letter case
// is ignored in names. More than one row found is an ambiguity for the caller to show.
std::vector<std::size_t> rowsNamed(const std::vector<std::vector<QString>>& rows,
                                   const std::vector<QString>& codes, const QString& typed) {
    const QString name = typed.trimmed();
    std::vector<std::size_t> found;
    if (name.isEmpty())
        return found;
    for (std::size_t i = 0; i < rows.size() && i < codes.size(); ++i)
        if (codes[i].trimmed() == name)
            found.push_back(i);
    const auto collect = [&](auto matches) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (const QString& n : rows[i])
                if (matches(n)) {
                    found.push_back(i);
                    break;
                }
    };
    if (found.empty())
        collect([&](const QString& n) { return n.compare(name, Qt::CaseInsensitive) == 0; });
    if (found.empty())
        collect([&](const QString& n) { return n.contains(name, Qt::CaseInsensitive); });
    return found;
}

// "Harina de pescado 62% (PESCADO)"; the name alone when the row has no code.
QString rowShown(const std::vector<std::vector<QString>>& rows, const std::vector<QString>& codes,
                 std::size_t i) {
    const QString code = i < codes.size() ? codes[i].trimmed() : QString();
    return code.isEmpty() ? rows[i].front() : rows[i].front() + " (" + code + ")";
}

QString namesOf(const std::vector<std::vector<QString>>& rows, const std::vector<QString>& codes,
                const std::vector<std::size_t>& which) {
    QStringList names;
    for (std::size_t i : which)
        names << rowShown(rows, codes, i);
    return names.join(", ");
}

QString namesOf(const std::vector<std::vector<QString>>& rows, const std::vector<QString>& codes) {
    std::vector<std::size_t> all(rows.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    return namesOf(rows, codes, all);
}

// The limit words of --limite and what a row is called in the messages.
struct KindWord {
    const char* word;
    lp::LimitRef::Kind kind;
    const char* singular;
    const char* plural;
    const char* none;
    const char* several; // "varios ingredientes"
    const char* how;     // how to name one of them alone
};
constexpr KindWord kKindWords[] = {
    {"nutriente", lp::LimitRef::Nutrient, "el nutriente", "Sus nutrientes", "No tiene nutrientes",
     "varios nutrientes", "escriba el nombre completo"},
    {"ingrediente", lp::LimitRef::Ingredient, "el ingrediente", "Sus ingredientes",
     "No tiene ingredientes", "varios ingredientes", "escriba el código o el nombre completo"},
    {"relacion", lp::LimitRef::Ratio, "la relación", "Sus relaciones", "No tiene relaciones",
     "varias relaciones", "escriba el nombre completo"},
    {"relación", lp::LimitRef::Ratio, "la relación", "Sus relaciones", "No tiene relaciones",
     "varias relaciones", "escriba el nombre completo"},
    {"grupo", lp::LimitRef::Group, "el grupo", "Sus grupos", "No tiene grupos", "varios grupos",
     "escriba el nombre completo"},
};

// The one row of a kind the typed text names, or the message: none (with the rows there are) or
// several (with those it names).
std::optional<std::size_t> rowTyped(const lp::Blend& blend, const KindWord& word,
                                    const std::vector<QString>& codes, const QString& typed,
                                    QString* error) {
    const std::vector<std::vector<QString>> names = namesOfKind(blend, word.kind);
    const std::vector<std::size_t> found = rowsNamed(names, codes, typed);
    if (found.size() == 1)
        return found.front();
    if (found.empty())
        *error =
            "La fórmula no tiene " + QString::fromUtf8(word.singular) + " " + typed.trimmed() +
            ". " +
            (names.empty() ? QString::fromUtf8(word.none)
                           : QString::fromUtf8(word.plural) + " son: " + namesOf(names, codes));
    else
        *error = "\"" + typed.trimmed() + "\" nombra " + QString::fromUtf8(word.several) +
                 " de la fórmula: " + namesOf(names, codes, found) + "; " +
                 QString::fromUtf8(word.how);
    return std::nullopt;
}

// A nutrient's unit; an ingredient's; a group's members' (the first of them in the blend); none
// for a ratio, a quotient of two contents.
QString limitUnit(const lp::Blend& blend, const lp::LimitRef& limit, const BlendUnits& units) {
    switch (limit.kind) {
    case lp::LimitRef::Nutrient:
        return unitOf(units.nutrient, limit.index);
    case lp::LimitRef::Ingredient:
        return unitOf(units.ingredient, limit.index);
    case lp::LimitRef::Ratio:
        return {};
    case lp::LimitRef::Group:
        for (int id : blend.groups[limit.index].ingredientIds)
            for (std::size_t i = 0; i < blend.ingredients.size(); ++i)
                if (blend.ingredients[i].id == id)
                    return unitOf(units.ingredient, i);
        return {};
    }
    return {};
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
    const QString subject = limitSubject(blend, target.limit);
    // "de el grupo" is said "del grupo".
    return subject.startsWith("el ") ? side + " del " + subject.mid(3) : side + " de " + subject;
}

std::optional<double> currentValue(const lp::Blend& blend, const RangingTarget& target) {
    if (target.kind == RangingTarget::Price)
        return blend.ingredients[target.ingredient].costoHumeda;
    return lp::limitValue(blend, target.limit);
}

QString currentValueText(const lp::Blend& blend, const RangingTarget& target) {
    const std::optional<double> now = currentValue(blend, target);
    if (!now)
        return QStringLiteral("Sin valor en la fórmula");
    return QStringLiteral("Valor actual: ") +
           (target.kind == RangingTarget::Price ? fmt::price(*now) : number(*now));
}

RangeBounds defaultRange(const lp::Blend& blend, const RangingTarget& target) {
    const double v = std::abs(currentValue(blend, target).value_or(0));
    if (target.kind == RangingTarget::Price)
        return {0, v > 0 ? 2 * v : 1};
    if (target.limit.kind == lp::LimitRef::Nutrient || target.limit.kind == lp::LimitRef::Ratio)
        return v > 0 ? RangeBounds{0.5 * v, 1.5 * v} : RangeBounds{0, 1};
    return {0, std::max(2 * v, 0.2 * blend.cantidad)};
}

lp::Ranging rangeTarget(const lp::Blend& blend, const RangingTarget& target, double desde,
                        double hasta) {
    if (target.kind == RangingTarget::Price)
        return lp::rangePrice(blend, target.ingredient, desde, hasta);
    return lp::rangeLimit(blend, target.limit, desde, hasta);
}

std::optional<RangingTarget> targetOfAnalysisRow(const lp::Blend& blend,
                                                 const workspace::SensitivityRow& row) {
    using About = workspace::SensitivityRow::About;
    const QString kind = row.tipo.trimmed();
    if (kind == "IA" || kind == "II") {
        for (std::size_t i = 0; i < blend.ingredients.size(); ++i)
            if (row.about == About::Ingredient && blend.ingredients[i].id == row.id)
                return RangingTarget{RangingTarget::Price, i, {}};
        return std::nullopt;
    }
    if (kind != "RN" && kind != "RI" && kind != "RR" && kind != "RG")
        return std::nullopt;
    const auto refersTo = [&](const lp::LimitRef& limit) {
        if ((limit.side == lp::LimitRef::Maximum) != row.maximum)
            return false;
        switch (limit.kind) {
        case lp::LimitRef::Nutrient:
            return row.about == About::Nutrient && blend.nutrients[limit.index].id == row.id;
        case lp::LimitRef::Ingredient:
            return row.about == About::Ingredient && blend.ingredients[limit.index].id == row.id;
        case lp::LimitRef::Ratio:
            return row.about == About::Ratio && blend.ratios[limit.index].numerador == row.id &&
                   blend.ratios[limit.index].divisor == row.divisorId;
        case lp::LimitRef::Group:
            return row.about == About::Group && blend.groups[limit.index].id == row.id;
        }
        return false;
    };
    for (const lp::LimitRef& limit : lp::rowLimits(blend))
        if (refersTo(limit))
            return RangingTarget{RangingTarget::Limit, 0, limit};
    return std::nullopt;
}

std::optional<RangingTarget> priceTarget(const lp::Blend& blend, const QString& name,
                                         QString* error, const std::vector<QString>& codes) {
    const KindWord& ingredient = kKindWords[1];
    if (const auto i = rowTyped(blend, ingredient, codes, name, error))
        return RangingTarget{RangingTarget::Price, *i, {}};
    return std::nullopt;
}

std::optional<RangingTarget> limitTarget(const lp::Blend& blend, const QString& limitText,
                                         QString* error, const std::vector<QString>& codes) {
    // The name runs from the first ':' to the last, so it may hold ':' itself.
    const qsizetype first = limitText.indexOf(':'), last = limitText.lastIndexOf(':');
    if (first < 0 || first == last) {
        *error = "Indique el límite como TIPO:NOMBRE:minimo o TIPO:NOMBRE:maximo (TIPO: "
                 "nutriente, ingrediente, relacion o grupo): " +
                 limitText;
        return std::nullopt;
    }
    const QStringList parts = {limitText.left(first), limitText.mid(first + 1, last - first - 1),
                               limitText.mid(last + 1)};
    const QString kind = parts[0].trimmed().toLower();
    const QString side = parts[2].trimmed().toLower();
    const KindWord* word = nullptr;
    for (const KindWord& w : kKindWords)
        if (kind == QString::fromUtf8(w.word))
            word = &w;
    if (!word) {
        *error = "Tipo de límite no reconocido: " + parts[0].trimmed() +
                 " (use nutriente, ingrediente, relacion o grupo)";
        return std::nullopt;
    }
    lp::LimitRef limit;
    limit.kind = word->kind;
    if (side == "minimo" || side == "mínimo")
        limit.side = lp::LimitRef::Minimum;
    else if (side == "maximo" || side == "máximo")
        limit.side = lp::LimitRef::Maximum;
    else {
        *error = "Indique minimo o maximo, no " + parts[2].trimmed();
        return std::nullopt;
    }
    const auto index = rowTyped(
        blend, *word, limit.kind == lp::LimitRef::Ingredient ? codes : std::vector<QString>{},
        parts[1], error);
    if (!index)
        return std::nullopt;
    limit.index = *index;
    return RangingTarget{RangingTarget::Limit, 0, limit};
}

RangingLabels rangingLabels(const lp::Blend& blend, const RangingTarget& target,
                            const BlendUnits& units) {
    RangingLabels l;
    l.cost = "Costo de la fórmula ($)";
    if (target.kind == RangingTarget::Price) {
        const QString unit = unitOf(units.ingredient, target.ingredient);
        l.parameter = withUnit("Precio", unit.isEmpty() ? "$" : "$/" + unit);
        l.slope = withUnit("Cantidad", unit);
        l.slopeKey = QStringLiteral("cantidad");
        return l;
    }
    const QString unit = limitUnit(blend, target.limit, units);
    l.parameter = withUnit(target.limit.side == lp::LimitRef::Minimum ? "Mínimo" : "Máximo", unit);
    l.slope = withUnit("Precio sombra", unit.isEmpty() ? "$" : "$ por " + unit);
    l.slopeKey = QStringLiteral("precio_sombra");
    return l;
}

QString rangingProblem(const lp::Ranging& r, const RangingTarget& target) {
    switch (r.status) {
    case lp::RangingStatus::Ok:
        return {};
    case lp::RangingStatus::Infeasible:
        return QStringLiteral("Ningún valor del rango permite formular: no hay mezcla que cumpla "
                              "las restricciones");
    case lp::RangingStatus::NotLinear:
        if (target.kind == RangingTarget::Limit && target.limit.kind == lp::LimitRef::Ratio)
            return QStringLiteral("El límite de una relación multiplica el contenido del divisor "
                                  "en su restricción: el costo no varía en tramos rectos con él y "
                                  "no se puede calcular su rango");
        return QStringLiteral("Con cantidades en base húmeda y nutrientes en base seca el costo no "
                              "varía en tramos rectos con este límite: use la misma base para "
                              "ambos");
    case lp::RangingStatus::TooWide:
        return QStringLiteral("El rango es demasiado amplio: con valores tan grandes el cálculo "
                              "pierde toda precisión; use valores más cercanos al actual");
    case lp::RangingStatus::StepLimit:
        return QStringLiteral("El cálculo del rango se detuvo tras %1 pasos sin llegar al final "
                              "del rango; pruebe un rango más pequeño")
            .arg(r.stepLimit);
    case lp::RangingStatus::Failed:
        break;
    }
    return QStringLiteral("No se pudo calcular el rango: revise que Desde sea menor que Hasta y "
                          "que la fórmula se pueda formular");
}

std::vector<QStringList> rangingCells(const lp::Ranging& r, const RangingLabels& labels) {
    std::vector<double> breakpoints;
    for (const lp::RangingInterval& i : r.tramos) {
        breakpoints.push_back(i.desde);
        breakpoints.push_back(i.hasta);
    }
    std::sort(breakpoints.begin(), breakpoints.end());
    // A price is ranged when the slope is a quantity: its breakpoints are prices.
    const bool price = labels.slopeKey == QLatin1String("cantidad");
    const QString ends = fmt::breakpointPattern(breakpoints, price ? 4 : 2);
    const QString& slope = price ? fmt::kQuantityPattern : fmt::kPricePattern;
    std::vector<QStringList> cells;
    for (const lp::RangingInterval& i : r.tramos)
        cells.push_back({fmt::format(i.desde, ends), fmt::format(i.hasta, ends),
                         fmt::format(i.costoDesde, fmt::kQuantityPattern),
                         fmt::format(i.costoHasta, fmt::kQuantityPattern),
                         fmt::format(i.pendiente, slope)});
    return cells;
}

QStringList rangingLines(const lp::Ranging& r, const RangingLabels& labels) {
    QStringList lines;
    lines << QString("%1 %2 %3 %4 %5")
                 .arg("Desde", 14)
                 .arg("Hasta", 14)
                 .arg("Costo desde", 16)
                 .arg("Costo hasta", 16)
                 .arg(labels.slope, 22);
    for (const QStringList& c : rangingCells(r, labels))
        lines << QString("%1 %2 %3 %4 %5")
                     .arg(c[0], 14)
                     .arg(c[1], 14)
                     .arg(c[2], 16)
                     .arg(c[3], 16)
                     .arg(c[4], 22);
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

std::vector<QString> ingredientCodes(store::Database& db, const lp::Blend& blend) {
    std::vector<QString> codes;
    for (const lp::Ingredient& i : blend.ingredients) {
        const auto record = catalog::loadIngredient(db, i.id);
        codes.push_back(record ? record->shown.codigo.trimmed() : QString());
    }
    return codes;
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

WorkspaceRow workspaceRow(WorkspaceRow::Kind kind, int id, const QString& field) {
    WorkspaceRow row{kind, id, std::nullopt};
    if (field.compare(QLatin1String("minimo"), Qt::CaseInsensitive) == 0)
        row.side = lp::LimitRef::Minimum;
    else if (field.compare(QLatin1String("maximo"), Qt::CaseInsensitive) == 0)
        row.side = lp::LimitRef::Maximum;
    return row;
}

RangingTarget targetOfWorkspaceRow(const lp::Blend& blend, const WorkspaceRow& row) {
    if (row.kind == WorkspaceRow::Ingredient) {
        for (std::size_t i = 0; i < blend.ingredients.size(); ++i)
            if (blend.ingredients[i].id == row.id)
                return {RangingTarget::Price, i, {}};
    } else if (row.kind == WorkspaceRow::Nutrient) {
        if (const int n = lp::nutrientIndex(blend, row.id); n >= 0) {
            const lp::Nutrient& nutrient = blend.nutrients[std::size_t(n)];
            lp::LimitRef::Side side = lp::LimitRef::Minimum;
            if (row.side)
                side = *row.side;
            else if (!nutrient.minimo && nutrient.maximo)
                side = lp::LimitRef::Maximum;
            return {RangingTarget::Limit, 0, {lp::LimitRef::Nutrient, side, std::size_t(n)}};
        }
    }
    return {RangingTarget::Price, 0, {}};
}

bool hasFormulation(const workspace::Workspace& ws) {
    return !ws.analysisRows.empty() && ws.batchQuantity > 0;
}

namespace {

// A formula the mill weighs is ranged as its analysis reads it: the continuous programme with
// the integer choices of its mix fixed (who is in, the rounded quantities). Without a mix to
// read them from, the programme stays as it is.
lp::Blend withIntegerChoicesFixed(const workspace::Workspace& ws, lp::Blend blend) {
    const lp::IntegerConditions conditions = integerConditions(ws, blend);
    if (!conditions.any())
        return blend;
    lp::IntegerResult mix;
    mix.status = lp::IntegerStatus::Optimal;
    double total = 0;
    for (const lp::Ingredient& ing : blend.ingredients) {
        const workspace::FormulaIngredient* p = workspace::findIngredient(ws, ing.id);
        const double share =
            p ? (ws.ingredientsDry ? p->porcentajeSeca : p->porcentajeHumeda).value_or(0) : 0;
        mix.shares.push_back(share);
        total += share;
    }
    if (std::abs(total - 1) > 1e-6)
        return blend;
    return lp::fixedBlend(blend, conditions, mix);
}

} // namespace

std::optional<StoredBlend> formulatedBlend(workspace::Workspace& ws, store::Database& db) {
    if (!hasFormulation(ws) || hasChanceLimits(ws))
        return std::nullopt;
    StoredBlend out;
    out.blend = withIntegerChoicesFixed(ws, tableauBlend(ws, db));
    out.units = blendUnits(db, out.blend);
    out.codes = ingredientCodes(db, out.blend);
    return out;
}

std::optional<StoredBlend> loadStoredBlend(store::Database& db, int formulaId,
                                           workspace::Notices* notices) {
    workspace::LoadedFormula loaded = workspace::loadFormula(db, formulaId);
    if (notices) {
        if (loaded.refusal)
            notices->push_back(*loaded.refusal);
        notices->insert(notices->end(), loaded.notices.begin(), loaded.notices.end());
    }
    if (loaded.refusal || !loaded.header.found)
        return std::nullopt;
    workspace::Workspace& ws = loaded.ws;
    if (hasChanceLimits(ws)) {
        if (notices)
            notices->push_back(
                {chanceLimitsRefused(QStringLiteral("El análisis de rangos")), msg::Critical});
        return std::nullopt;
    }
    // The formula's own batch quantity: the box shows the total of the stored mix, which is 0
    // for a formula never formulated.
    workspace::Notices refused;
    if (!validate(ws, ws.batchQuantity, ws.ingredientsDry, ws.nutrientsDry,
                  notices ? *notices : refused)
             .ok)
        return std::nullopt;
    StoredBlend out;
    out.blend = withIntegerChoicesFixed(ws, tableauBlend(ws, db));
    out.units = blendUnits(db, out.blend);
    out.codes = ingredientCodes(db, out.blend);
    return out;
}

} // namespace optimizer
