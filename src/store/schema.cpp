#include "store/schema.h"

namespace store {

QStringList schemaStatements() {
    return {
        QStringLiteral("CREATE TABLE productos (id_producto INTEGER PRIMARY KEY, "
                       "codigo VARCHAR(20) NOT NULL, nombre VARCHAR(100), unidad VARCHAR(20), "
                       "costo DOUBLE, materia_seca DOUBLE)"),
        QStringLiteral("CREATE UNIQUE INDEX productos_codigo ON productos (codigo)"),
        QStringLiteral("CREATE INDEX productos_nombre ON productos (nombre)"),
        QStringLiteral("CREATE TABLE propiedades (id_propiedad INTEGER PRIMARY KEY, "
                       "nombre VARCHAR(100), unidad VARCHAR(20))"),
        QStringLiteral("CREATE INDEX propiedades_nombre ON propiedades (nombre)"),
        QStringLiteral("CREATE TABLE producto_propiedad (id_producto INTEGER NOT NULL, "
                       "id_propiedad INTEGER NOT NULL, valor DOUBLE, "
                       "PRIMARY KEY (id_producto, id_propiedad))"),
        QStringLiteral("CREATE INDEX producto_propiedad_propiedad ON producto_propiedad "
                       "(id_propiedad)"),
        QStringLiteral("CREATE TABLE formulas (id_formula INTEGER PRIMARY KEY, "
                       "codigo VARCHAR(20), producto VARCHAR(100), cantidad DOUBLE, "
                       "version DOUBLE, fecha_creacion DATE, fecha_modificacion DATE, "
                       "tipoBase INTEGER, tipoBaseNutrientes INTEGER)"),
        QStringLiteral("CREATE INDEX formulas_codigo ON formulas (codigo)"),
        QStringLiteral("CREATE TABLE formula_producto (id_formula INTEGER NOT NULL, "
                       "id_producto INTEGER NOT NULL, minimo DOUBLE, maximo DOUBLE, "
                       "costo DOUBLE, materia_seca DOUBLE, porcentaje_humeda DOUBLE, "
                       "porcentaje_seca DOUBLE, cantidad_humeda DOUBLE, cantidad_seca DOUBLE, "
                       "PRIMARY KEY (id_formula, id_producto))"),
        QStringLiteral("CREATE INDEX formula_producto_producto ON formula_producto "
                       "(id_producto)"),
        QStringLiteral("CREATE TABLE formula_propiedad (id_formula INTEGER NOT NULL, "
                       "id_propiedad INTEGER NOT NULL, minimo DOUBLE, maximo DOUBLE, "
                       "valor DOUBLE, PRIMARY KEY (id_formula, id_propiedad))"),
        QStringLiteral("CREATE INDEX formula_propiedad_propiedad ON formula_propiedad "
                       "(id_propiedad)"),
    };
}

} // namespace store
