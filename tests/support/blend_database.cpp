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
