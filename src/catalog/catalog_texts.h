#pragma once

#include <QString>

// Every text the catalogue views show in a message, in one place, so that a test can compare
// what a view shows with what it must show, character by character.
namespace catalog::texts {

// Lists and their search panels.
inline const QString kCostoNoNumerico = QStringLiteral("El Precio de Costo debe ser numérico");
inline const QString kRangoNoNumerico = QStringLiteral("El rango de Nutrientes debe ser numérico");
inline const QString kCampoIdProducto = QStringLiteral("Campo id_producto incorrecto");
inline const QString kCampoIdPropiedad = QStringLiteral("Campo id_propiedad incorrecto");
inline const QString kCampoNombre = QStringLiteral("Campo nombre incorrecto");
inline const QString kCampoCosto = QStringLiteral("Campo costo incorrecto");

// Editors.
inline const QString kDebeCodigo = QStringLiteral("Debe ingresar el Código");
inline const QString kDebeDescripcion = QStringLiteral("Debe ingresar la Descripción");
inline const QString kDebeUnidad = QStringLiteral("Debe ingresar la Unidad");
inline const QString kDebeCosto = QStringLiteral("Debe ingresar el Costo por Unidad de Producto");
inline const QString kDebeMateriaSeca =
    QStringLiteral("Debe ingresar el Porcentaje de Materia Seca del Producto");
inline const QString kEntre0y100 = QStringLiteral("El valor debe estar comprendido entre 0 y 100");
inline const QString kCodigoRepetido = QStringLiteral("El Código del Producto Ya fue Ingresado");
inline const QString kSinId = QStringLiteral("No se pudo recuperar el id");
inline const QString kNoSeEncuentraProducto = QStringLiteral("No se encuentra el Producto");
inline const QString kNoSeEncuentraNutriente = QStringLiteral("No se encuentra el Nutriente");
inline const QString kDeseaGrabar = QStringLiteral("¿Desea Grabar las Modificaciones?");
inline const QString kNoGrabar = QStringLiteral("No es posible grabar el Registro");
inline const QString kNoCancelar = QStringLiteral("No es posible cancelar la operación");
inline const QString kNoEliminar = QStringLiteral("No es posible eliminar el Registro");

// Composition editor.
inline const QString kCompIdProducto = QStringLiteral("Campo id_producto no válido");
inline const QString kCompIdPropiedad = QStringLiteral("Campo id_propiedad no válido");
inline const QString kCompNombre = QStringLiteral("Campo nombre no válido");
inline const QString kNutrienteYaAsignado =
    QStringLiteral("El Nutriente Ya se encuentra Asginada al Producto");
inline const QString kValorNoNumerico = QStringLiteral("El valor debe ser numérico");
inline const QString kNoActualizoValor =
    QStringLiteral("ERROR. No se pudo actualizar el Nutriente para el producto");
inline const QString kDataErrorPrefix = QStringLiteral("Data error event hit err:");

// Questions built around a name or a value.
QString askDeleteIngredient(const QString& name, int formulasUsing);
QString askDeleteIngredientWithNutrients(const QString& name);
QString askDeleteNutrient(const QString& name, int formulasUsing);
QString askDeleteNutrientWithIngredients(const QString& name);
QString askDeleteComposition(const QString& nutrientName);
// The value as typed, shown with "#########0.00###" when it is a number.
QString askSaveValue(const QString& typed, const QString& nutrientName);

} // namespace catalog::texts
