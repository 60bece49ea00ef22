#include "catalog/catalog_texts.h"

#include "app/format.h"

namespace catalog::texts {

namespace {

// Formula rows that name a deleted ingredient or nutrient stay, but the formulas no longer show
// it: the question says so, so that nobody changes stored formulas unawares.
QString formulasNote(int formulasUsing) {
    if (formulasUsing <= 0)
        return QString();
    if (formulasUsing == 1)
        return QStringLiteral("\n\nLo usa 1 fórmula guardada, que dejará de tenerlo.");
    return QStringLiteral("\n\nLo usan ") + QString::number(formulasUsing) +
           QStringLiteral(" fórmulas guardadas, que dejarán de tenerlo.");
}

} // namespace

QString askDeleteIngredient(const QString& name, int formulasUsing) {
    return QStringLiteral("¿Desea eliminar el Ingrediente ") + name.trimmed() +
           QStringLiteral("?") + formulasNote(formulasUsing);
}

QString askDeleteIngredientWithNutrients(const QString& name) {
    return QStringLiteral("El Ingrediente << ") + name +
           QStringLiteral(" >> posee nutrientes asignados\n\n¿Confirma la Eliminación del "
                          "Ingrediente?");
}

QString askDeleteNutrient(const QString& name, int formulasUsing) {
    return QStringLiteral("¿Desea eliminar el Nutriente ") + name.trimmed() + QStringLiteral("?") +
           formulasNote(formulasUsing);
}

QString askDeleteNutrientWithIngredients(const QString& name) {
    return QStringLiteral("El Nutriente << ") + name +
           QStringLiteral(" >> posee Ingredientes asignados\n\n¿Confirma la Eliminación del "
                          "Nutriente?");
}

QString askDeleteComposition(const QString& nutrientName) {
    return QStringLiteral("¿Confirma la eliminación del Nutriente ") + nutrientName.trimmed() +
           QStringLiteral(" para el Producto?");
}

QString askSaveValue(const QString& typed, const QString& nutrientName) {
    return QStringLiteral("¿Desea Grabar el Valor ") +
           fmt::format(QVariant(typed), QStringLiteral("#########0.00###")) +
           QStringLiteral(" para el Nutriente ") + nutrientName.trimmed() + QStringLiteral("?");
}

} // namespace catalog::texts
