#include "support/blend_database.h"

#include "store/sql_text.h"

namespace blenddb {

namespace {

QString opt(std::optional<double> v) {
    return v ? sql::number(*v) : QStringLiteral("Null");
}

} // namespace

int addIngredient(store::Database& db, const QString& name, double cost, double dryMatter) {
    const int id = db.nextKey("productos", "id_producto");
    db.exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) values (" +
            QString::number(id) + "," + sql::codeText("I" + QString::number(id)) + "," +
            sql::text(name) + ",'Kg'," + sql::number(cost) + "," + sql::number(dryMatter) + ")");
    return id;
}

int addNutrient(store::Database& db, const QString& name) {
    const int id = db.nextKey("propiedades", "id_propiedad");
    db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (" + QString::number(id) +
            "," + sql::text(name) + ",'%')");
    return id;
}

void setComposition(store::Database& db, int ingredient, int nutrient, double valor) {
    db.exec("insert into producto_propiedad (id_producto,id_propiedad,valor) values (" +
            QString::number(ingredient) + "," + QString::number(nutrient) + "," +
            sql::number(valor) + ")");
}

int addFormula(store::Database& db, const QString& code, double quantity, int tipoBase,
               int tipoBaseNutrientes, double version) {
    const int id = db.nextKey("formulas", "id_formula");
    db.exec("insert into formulas (id_formula,codigo,producto,cantidad,version,fecha_creacion,"
            "fecha_modificacion,tipoBase,tipoBaseNutrientes) values (" +
            QString::number(id) + "," + sql::text(code) + ",'Producto " + code + "'," +
            sql::number(quantity) + "," + sql::number(version) + ",#02/01/2009#,Null," +
            QString::number(tipoBase) + "," + QString::number(tipoBaseNutrientes) + ")");
    return id;
}

void addFormulaIngredient(store::Database& db, int formula, int ingredient,
                          std::optional<double> minimo, std::optional<double> maximo, double cost,
                          double dryMatter, double share) {
    db.exec("insert into formula_producto (id_formula,id_producto,minimo,maximo,costo,"
            "materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,cantidad_seca) "
            "values (" +
            QString::number(formula) + "," + QString::number(ingredient) + "," + opt(minimo) + "," +
            opt(maximo) + "," + sql::number(cost) + "," + sql::number(dryMatter) + "," +
            sql::number(share) + ",0,0,0)");
}

void addFormulaNutrient(store::Database& db, int formula, int nutrient,
                        std::optional<double> minimo, std::optional<double> maximo,
                        std::optional<double> valor) {
    db.exec("insert into formula_propiedad (id_formula,id_propiedad,minimo,maximo,valor) values (" +
            QString::number(formula) + "," + QString::number(nutrient) + "," + opt(minimo) + "," +
            opt(maximo) + "," + opt(valor) + ")");
}

} // namespace blenddb

namespace blenddb {

int addCalciumConflict(store::Database& db) {
    const int maiz = addIngredient(db, "Maíz", 0.20, 88);
    const int calcareo = addIngredient(db, "Calcáreo", 0.05, 99);
    const int fosfato = addIngredient(db, "Fosfato dicálcico", 0.80, 97);
    const int calcio = addNutrient(db, "Calcio");
    const int fosforo = addNutrient(db, "Fósforo");
    setComposition(db, maiz, calcio, 0.02);
    setComposition(db, calcareo, calcio, 38);
    setComposition(db, fosfato, calcio, 22);
    setComposition(db, maiz, fosforo, 0.28);
    setComposition(db, fosfato, fosforo, 18);
    const int formula = addFormula(db, "CALCIO", 1000, 1, 1);
    addFormulaIngredient(db, formula, maiz, std::nullopt, std::nullopt, 0.20, 88);
    addFormulaIngredient(db, formula, calcareo, std::nullopt, 20, 0.05, 99);
    addFormulaIngredient(db, formula, fosfato, std::nullopt, std::nullopt, 0.80, 97);
    addFormulaNutrient(db, formula, calcio, 1.2, std::nullopt);
    addFormulaNutrient(db, formula, fosforo, std::nullopt, 0.5);
    return formula;
}

} // namespace blenddb
