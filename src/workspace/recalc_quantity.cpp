#include "workspace/recalc_quantity.h"

#include "app/number_text.h"

namespace workspace {

RecalcQuantity checkRecalcQuantity(const QString& text) {
    RecalcQuantity r;
    const std::optional<double> value = numtext::toNumber(text);
    if (!value)
        r.message = QStringLiteral("La cantidad debe ser un dato numérico válido");
    else if (*value <= 0)
        r.message = QStringLiteral("La cantidad debe ser mayor que cero");
    else
        r.quantity = value;
    return r;
}

QString recalcBasisText(bool ingredientsDry) {
    return ingredientsDry ? QStringLiteral("Materia Seca") : QStringLiteral("Materia Húmeda");
}

} // namespace workspace
