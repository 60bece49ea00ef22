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
// The keys a source made by another tool (without a primary key) repeats.
inline const QString kRemoteRepeatedIngredients =
    QStringLiteral("select id_producto from productos group by id_producto having count(*) > 1");
inline const QString kRemoteRepeatedNutrients = QStringLiteral(
    "select id_propiedad from propiedades group by id_propiedad having count(*) > 1");

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

// The per-row statements above in the shape they are prepared in, once per import: each value
// a "?" parameter in the order of the functions' arguments. Bound, they read as the texts above.
inline const QString kLocalIngredient =
    QStringLiteral("select id_producto,codigo,nombre,unidad,costo,materia_seca from productos "
                   "where id_producto=?");
inline const QString kLocalNutrient =
    QStringLiteral("select id_propiedad,nombre,unidad from propiedades where id_propiedad=?");
inline const QString kInsertComposition = QStringLiteral(
    "INSERT INTO producto_propiedad (id_producto,id_propiedad,valor) VALUES (?,?,?)");
// Parameters: valor, id_producto, id_propiedad.
inline const QString kUpdateComposition =
    QStringLiteral("UPDATE producto_propiedad set valor=? where id_producto=? and id_propiedad=?");
inline const QString kInsertIngredient =
    QStringLiteral("INSERT INTO productos (id_producto,codigo,nombre,unidad,costo,materia_seca) "
                   "VALUES (?,?,?,?,?,?)");
// Parameters: unidad, costo, materia_seca, id_producto.
inline const QString kUpdateIngredient =
    QStringLiteral("UPDATE productos set unidad=?,costo=?,materia_seca=? where id_producto=?");
inline const QString kInsertNutrient =
    QStringLiteral("INSERT INTO propiedades (id_propiedad,nombre,unidad) VALUES (?,?,?)");
// Parameters: unidad, id_propiedad.
inline const QString kUpdateNutrient =
    QStringLiteral("UPDATE propiedades set unidad=? where id_propiedad=?");

} // namespace import::statements
