#pragma once

#include "store/database.h"
#include "store/sql_text.h"

#include <QDate>
#include <QString>

// Formula rows written straight into a test database; a null date is stored as NULL.
inline void addFormula(store::Database& db, int id, const QString& code, const QString& product,
                       double version = 0, QDate created = {}, QDate modified = {}) {
    auto date = [](QDate d) { return d.isValid() ? sql::date(d) : QStringLiteral("NULL"); };
    db.exec("insert into formulas (id_formula,codigo,producto,cantidad,version,fecha_creacion,"
            "fecha_modificacion,tipoBase,tipoBaseNutrientes) values (" +
            QString::number(id) + "," + sql::text(code) + "," + sql::text(product) + ",1000," +
            sql::number(version) + "," + date(created) + "," + date(modified) + ",1,1)");
}

inline void addFormulaNutrient(store::Database& db, int formula, int nutrient, double value) {
    db.exec("insert into formula_propiedad (id_formula,id_propiedad,minimo,maximo,valor) values (" +
            QString::number(formula) + "," + QString::number(nutrient) + ",0,NULL," +
            sql::number(value) + ")");
}

inline void addFormulaIngredient(store::Database& db, int formula, int ingredient) {
    db.exec("insert into formula_producto (id_formula,id_producto,minimo,maximo) values (" +
            QString::number(formula) + "," + QString::number(ingredient) + ",0,NULL)");
}

inline int rowCount(store::Database& db, const QString& sql) {
    return db.query(sql).count();
}
