#pragma once

// The sample catalogue made to vary, for tests of limits held with a probability.

#include "store/database.h"

// Protein varies by 5 % of its value in every ingredient.
inline void varySampleProtein(store::Database& db) {
    db.exec("insert into producto_propiedad_desvio (id_producto,id_propiedad,desvio) select "
            "pp.id_producto,pp.id_propiedad,pp.valor*0.05 from producto_propiedad pp, propiedades "
            "p where pp.id_propiedad=p.id_propiedad and p.nombre='Proteína bruta'");
}

// The broiler starter's protein limits are held at 95 %.
inline void holdBroilerProteinAt95(store::Database& db) {
    db.exec("insert into formula_propiedad_probabilidad (id_formula,id_propiedad,probabilidad) "
            "select f.id_formula,p.id_propiedad,0.95 from formulas f, propiedades p where "
            "f.codigo='POLLO-INI' and p.nombre='Proteína bruta'");
}
