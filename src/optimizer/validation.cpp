#include "optimizer/validation.h"

#include "app/format.h"
#include "app/messages.h"
#include "app/number_text.h"
#include "optimizer/engine/limit_checks.h"
#include "workspace/workspace.h"

#include <algorithm>
#include <cmath>

namespace optimizer {

namespace {

const QString kCancelled = QStringLiteral("Se ha cancelado la Formulación");

QString limitsTooClose(const QString& name, double minimo, double maximo) {
    auto f = [](double v) { return fmt::format(v, QStringLiteral("######0.00")); };
    return "El valor máximo debe ser mayor al mínimo en al menos el 0.01% para la propiedad <" +
           name + ">\n\n" + f(minimo) + "    " + f(fmt::roundDecimals(minimo * 1.0001, 2)) + "\n" +
           f(fmt::roundDecimals(maximo / 1.0001, 2)) + "    " + f(maximo);
}

bool inARatio(const workspace::Workspace& ws, int nutrient) {
    return std::any_of(ws.ratios.begin(), ws.ratios.end(), [&](const formulas::FormulaRatio& r) {
        return r.numerador == nutrient || r.divisor == nutrient;
    });
}

bool checkNutrients(const workspace::Workspace& ws, workspace::Notices& notices) {
    for (const workspace::FormulaNutrient& n : ws.nutrients) {
        const QString name = n.nombre.trimmed();
        const bool hasMin = n.minimo.has_value(), hasMax = n.maximo.has_value();
        // A nutrient a ratio divides needs no limit of its own.
        if (!hasMin && !hasMax && inARatio(ws, n.id))
            continue;
        if (!hasMin && !hasMax) {
            notices.push_back(
                {"Debe ingresar un valor mínimo o máximo para la propiedad <" + name + ">"});
            return false;
        }
        if (!hasMin || !hasMax)
            continue;
        const double minimo = *n.minimo, maximo = *n.maximo;
        if (minimo >= maximo) {
            notices.push_back(
                {"El valor máximo debe ser mayor al mínimo para la propiedad <" + name + ">"});
            return false;
        }
        if (minimo != 0 && fmt::roundDecimals(std::fabs((maximo - minimo) / minimo), 10) < 0.0001) {
            notices.push_back({limitsTooClose(name, minimo, maximo)});
            return false;
        }
    }
    return true;
}

bool checkIngredientSums(const std::vector<workspace::FormulaIngredient>& rows, double cantidad,
                         workspace::Notices& notices) {
    double minimos = 0, maximos = 0;
    for (const workspace::FormulaIngredient& p : rows) {
        minimos += p.minimo.value_or(0);
        // An ingredient without a maximum can fill the whole batch by itself.
        maximos = p.maximo ? maximos + *p.maximo : cantidad;
    }
    if (minimos > cantidad) {
        notices.push_back({"La suma de los valores mínimos para los ingredientes es superior a la "
                           "cantidad total a elaborar",
                           msg::Critical, kCancelled});
        return false;
    }
    if (maximos < cantidad) {
        notices.push_back({"La suma de los valores máximos para los ingredientes no alcanzan la "
                           "cantidad total a elaborar",
                           msg::Critical, kCancelled});
        return false;
    }
    return true;
}

} // namespace

bool limitsApart(double minimo, double maximo) {
    return minimo < maximo &&
           (minimo == 0 || fmt::roundDecimals(std::fabs((maximo - minimo) / minimo), 10) >= 0.0001);
}

Validation validate(workspace::Workspace& ws, double cantidad, bool secaIng, bool secaNut,
                    workspace::Notices& notices) {
    Validation v;
    const double whole = numtext::roundHalfEven(cantidad);
    if (!(whole > 0)) {
        notices.push_back(
            {QStringLiteral("La cantidad a elaborar debe ser mayor que cero"), msg::Critical});
        v.quantityRefused = true;
        return v;
    }
    if (whole > 1000) {
        notices.push_back(
            {QStringLiteral("La cantidad a elaborar no puede ser mayor a 1000"), msg::Critical});
        v.quantityRefused = true;
        return v;
    }
    if (ws.nutrients.empty()) {
        notices.push_back({QStringLiteral("Debe ingresar al menos una restricción para los "
                                          "Nutrientes"),
                           msg::Critical});
        return v;
    }
    if (ws.ingredients.empty()) {
        notices.push_back({QStringLiteral("Debe ingresar al menos un Ingrediente"), msg::Critical});
        return v;
    }
    ws.ingredientsDry = secaIng;
    ws.nutrientsDry = secaNut;
    if (ws.ingredientsDry && !ws.nutrientsDry) {
        notices.push_back({QStringLiteral(
            "No es posible formular nutrientes en húmeda e ingredientes en base seca")});
        return v;
    }
    ws.batchQuantity = cantidad;
    v.quantityTaken = true;
    if (!checkNutrients(ws, notices) ||
        !checkIngredientSums(ws.ingredients, ws.batchQuantity, notices))
        return v;
    v.ok = true;
    return v;
}

std::vector<lp::LimitIssue> checkRatioAndGroupLimits(const lp::Blend& blend,
                                                     workspace::Notices& notices) {
    const std::vector<lp::LimitIssue> issues = lp::checkRatiosAndGroups(blend);
    if (!issues.empty())
        notices.push_back(
            {QString::fromStdString(issues.front().mensaje), msg::Critical, kCancelled});
    return issues;
}

bool leavesNoMix(const lp::LimitIssue& issue) {
    switch (issue.problem) {
    case lp::LimitIssue::RatioMinimumUnreachable:
    case lp::LimitIssue::RatioMaximumUnreachable:
    case lp::LimitIssue::GroupMinimumAboveBatch:
    case lp::LimitIssue::GroupMinimumUnreachable:
    case lp::LimitIssue::GroupMaximumBelowMinimums:
        return true;
    case lp::LimitIssue::RatioNutrientMissing:
    case lp::LimitIssue::RatioDivisorZero:
    case lp::LimitIssue::LimitsCrossed:
        break;
    }
    return false;
}

} // namespace optimizer
