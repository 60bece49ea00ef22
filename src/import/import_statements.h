#pragma once

#include <QList>
#include <QString>

// The statement texts of the import, each written once.
namespace import::statements {

// Remote reads.
inline const QString kRemoteIngredients =
    QStringLiteral("Select id_producto,codigo,nombre,unidad,costo,materia_seca from productos");
inline const QString kRemoteNutrients =
    QStringLiteral("Select id_propiedad,nombre,unidad from propiedades");

// The remote compositions, less those of the conflicting ingredients and nutrients, grouped by
// nutrient. The pieces are joined as they always were, so two blanks stand before "and" and
// before "ORDER" when keys are excluded.
QString remoteCompositions(const QList<int>& conflictingIngredients,
                           const QList<int>& conflictingNutrients);

// Local look-ups, one per remote row (ingredients, nutrients) or per nutrient (compositions).
QString localIngredient(int idProducto);
QString localNutrient(int idPropiedad);
QString localCompositions(int idPropiedad);

// Composition writes; valor is a literal ("12.5", "0", "Null").
QString insertComposition(int idProducto, int idPropiedad, const QString& valor);
QString updateComposition(int idProducto, int idPropiedad, const QString& valor);

// Ingredient and nutrient writes; every value is already a literal of store's writers.
QString insertIngredient(int idProducto, const QString& codigo, const QString& nombre,
                         const QString& unidad, const QString& costo, const QString& materiaSeca);
QString updateIngredient(int idProducto, const QString& unidad, const QString& costo,
                         const QString& materiaSeca);
QString insertNutrient(int idPropiedad, const QString& nombre, const QString& unidad);
QString updateNutrient(int idPropiedad, const QString& unidad);

} // namespace import::statements
