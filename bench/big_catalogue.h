#pragma once

// Writes a catalogue of the size a long-used installation reaches (5,000 ingredients × 300
// nutrients, every composition row present) into a new database with the program's schema and
// indexes, and one formula of 25 ingredients × 20 nutrients on it. Values are deterministic and
// spread, so the formula has a proper optimum. For benchmarks only; never shipped.

#include "store/database.h"
#include "store/sql_text.h"

#include <QString>

namespace bench {

struct BigCatalogue {
    int ingredients = 5000;
    int nutrients = 300;
    int formulaIngredients = 25;
    int formulaNutrients = 20;
};

// Creates the file at `path` and returns the id of the formula "GRANDE".
inline int writeBigCatalogue(const QString& path, const BigCatalogue& shape = {}) {
    store::Database::createFile(path, false);
    auto db = store::Database::openFile(path);
    store::Database::Transaction tx(*db);
    const QString counter = "with recursive n(i) as (select 1 union all select i+1 from n where "
                            "i<%1) ";
    db->exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) " +
             counter.arg(shape.ingredients) +
             "select i,printf('%20s','P'||i),'Ingrediente '||i,'Kg',0.05+(i*7919%1000)/2000.0,"
             "60+(i*104729%400)/10.0 from n");
    db->exec("insert into propiedades (id_propiedad,nombre,unidad) " +
             counter.arg(shape.nutrients) + "select i,'Nutriente '||i,'%' from n");
    db->exec("insert into producto_propiedad (id_producto,id_propiedad,valor) "
             "select p.id_producto,q.id_propiedad,"
             "((p.id_producto*2654435761+q.id_propiedad*40503)%10007)/100.0 "
             "from productos p, propiedades q");

    // Ingredients and nutrients spread over the catalogue, not its first rows.
    const int formula = 1;
    db->exec("insert into formulas (id_formula,codigo,producto,cantidad,version,fecha_creacion,"
             "fecha_modificacion,tipoBase,tipoBaseNutrientes) values (" +
             QString::number(formula) + ",'GRANDE','Formula grande',1000,0,Null,Null,0,0)");
    QStringList ingredientIds;
    for (int j = 0; j < shape.formulaIngredients; ++j) {
        const int id = 1 + (j * 197 + 13) % shape.ingredients;
        ingredientIds << QString::number(id);
        db->exec("insert into formula_producto (id_formula,id_producto,minimo,maximo,costo,"
                 "materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,cantidad_seca) "
                 "select " +
                 QString::number(formula) +
                 ",id_producto,Null,Null,costo,materia_seca,0,0,0,0 from productos where "
                 "id_producto=" +
                 QString::number(id));
    }
    // Limits around the value of the equal-share mix: it meets them all, so an optimum exists.
    for (int k = 0; k < shape.formulaNutrients; ++k) {
        const int id = 1 + (k * 13 + 5) % shape.nutrients;
        store::RecordSet avg = db->query(
            "select avg(valor) from producto_propiedad where id_propiedad=" + QString::number(id) +
            " and id_producto in(" + ingredientIds.join(',') + ")");
        const double mean = avg.value(0).toDouble();
        db->exec("insert into formula_propiedad (id_formula,id_propiedad,minimo,maximo,valor) "
                 "values (" +
                 QString::number(formula) + "," + QString::number(id) + "," +
                 sql::number(mean * 0.9) + "," + sql::number(mean * 1.1) + ",Null)");
    }
    tx.commit();
    return formula;
}

} // namespace bench
