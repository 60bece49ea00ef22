#pragma once

// Writes a generated blend into a database as formula "GEN", with the program's statements:
// its ingredients, nutrients, compositions and the formula's limits. For benchmarks only.

#include "../tests/engine/blend_generator.h"

#include "store/database.h"
#include "store/sql_text.h"

#include <QString>
#include <optional>
#include <vector>

namespace bench {

inline QString opt(const std::optional<double>& v) {
    return v ? sql::number(*v) : QString("Null");
}

// Returns the formula's id. `ingredientIds` and `nutrientIds`, when given, receive the catalogue
// keys in the blend's order.
inline int storeBlend(store::Database& db, const lp::Blend& b,
                      std::vector<int>* ingredientIdsOut = nullptr,
                      std::vector<int>* nutrientIdsOut = nullptr) {
    store::Database::Transaction tx(db);
    std::vector<int> ingredientIds, nutrientIds;
    for (const lp::Ingredient& i : b.ingredients) {
        const int id = db.nextKey("productos", "id_producto");
        db.exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) "
                "values (" +
                QString::number(id) + "," + sql::codeText("G" + QString::number(id)) + "," +
                sql::text(QString::fromStdString(i.nombre)) + ",'Kg'," +
                sql::number(i.costoHumeda) + "," + sql::number(i.materiaSeca) + ")");
        ingredientIds.push_back(id);
    }
    for (const lp::Nutrient& n : b.nutrients) {
        const int id = db.nextKey("propiedades", "id_propiedad");
        db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (" +
                QString::number(id) + "," + sql::text(QString::fromStdString(n.nombre)) + ",'%')");
        nutrientIds.push_back(id);
    }
    for (size_t k = 0; k < b.nutrients.size(); ++k)
        for (size_t j = 0; j < b.ingredients.size(); ++j)
            db.exec("insert into producto_propiedad (id_producto,id_propiedad,valor) values (" +
                    QString::number(ingredientIds[j]) + "," + QString::number(nutrientIds[k]) +
                    "," + sql::number(b.valor[k][j]) + ")");
    const int f = db.nextKey("formulas", "id_formula");
    db.exec("insert into formulas (id_formula,codigo,producto,cantidad,version,fecha_creacion,"
            "fecha_modificacion,tipoBase,tipoBaseNutrientes) values (" +
            QString::number(f) + ",'GEN','Generada'," + sql::number(b.cantidad) + ",0,Null,Null," +
            (b.secaIng ? "0" : "1") + "," + (b.secaNut ? "0" : "1") + ")");
    for (size_t j = 0; j < b.ingredients.size(); ++j) {
        const lp::Ingredient& i = b.ingredients[j];
        db.exec("insert into formula_producto (id_formula,id_producto,minimo,maximo,costo,"
                "materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,cantidad_seca) "
                "values (" +
                QString::number(f) + "," + QString::number(ingredientIds[j]) + "," + opt(i.minimo) +
                "," + opt(i.maximo) + "," + sql::number(i.costoHumeda) + "," +
                sql::number(i.materiaSeca) + ",0,0,0,0)");
    }
    for (size_t k = 0; k < b.nutrients.size(); ++k)
        db.exec("insert into formula_propiedad (id_formula,id_propiedad,minimo,maximo,valor) "
                "values (" +
                QString::number(f) + "," + QString::number(nutrientIds[k]) + "," +
                opt(b.nutrients[k].minimo) + "," + opt(b.nutrients[k].maximo) + ",Null)");
    tx.commit();
    if (ingredientIdsOut)
        *ingredientIdsOut = ingredientIds;
    if (nutrientIdsOut)
        *nutrientIdsOut = nutrientIds;
    return f;
}

} // namespace bench
