#include "store/sample_catalogue.h"

#include "store/csv_table.h"
#include "store/database.h"
#include "store/sql_text.h"

#include <QDate>
#include <QHash>

namespace store {

namespace {

const QString kFolder = QStringLiteral(":/sample/");

double toNumber(const QString& text, const QString& what) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok)
        throw StoreError(QStringLiteral("Valor no numérico en el catálogo de ejemplo: ") + what);
    return v;
}

QString optionalNumber(const QString& text, const QString& what) {
    return text.isEmpty() ? QStringLiteral("Null") : sql::number(toNumber(text, what));
}

} // namespace

void loadSampleCatalogue(Database& db) {
    const CsvTable ingredients = CsvTable::load(kFolder + "ingredientes.csv");
    const CsvTable nutrients = CsvTable::load(kFolder + "nutrientes.csv");
    const CsvTable composition = CsvTable::load(kFolder + "composicion.csv");
    const CsvTable formulas = CsvTable::load(kFolder + "formulas.csv");
    const CsvTable formulaIngredients = CsvTable::load(kFolder + "formula_ingredientes.csv");
    const CsvTable formulaNutrients = CsvTable::load(kFolder + "formula_nutrientes.csv");

    struct Ingredient {
        int id;
        QString cost;
        QString dryMatter;
    };
    QHash<QString, Ingredient> ingredientByCode;
    QHash<QString, int> nutrientByName;

    for (int r = 0; r < ingredients.rowCount(); ++r) {
        const QString code = ingredients.at(r, "codigo");
        const int id = db.nextKey("productos", "id_producto");
        const QString cost = sql::number(toNumber(ingredients.at(r, "costo"), code));
        const QString dm = sql::number(toNumber(ingredients.at(r, "materia_seca"), code));
        db.exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) "
                "values (" +
                QString::number(id) + "," + sql::codeText(code) + "," +
                sql::text(ingredients.at(r, "nombre")) + "," +
                sql::text(ingredients.at(r, "unidad")) + "," + cost + "," + dm + ")");
        ingredientByCode.insert(code, {id, cost, dm});
    }
    for (int r = 0; r < nutrients.rowCount(); ++r) {
        const QString name = nutrients.at(r, "nombre");
        const int id = db.nextKey("propiedades", "id_propiedad");
        db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (" +
                QString::number(id) + "," + sql::text(name) + "," +
                sql::text(nutrients.at(r, "unidad")) + ")");
        nutrientByName.insert(name, id);
    }

    // The catalogue keeps one composition row per pair, as creating an ingredient does.
    QHash<QPair<int, int>, QString> values;
    for (int r = 0; r < composition.rowCount(); ++r) {
        const QString code = composition.at(r, "codigo");
        const QString nutrient = composition.at(r, "nutriente");
        if (!ingredientByCode.contains(code) || !nutrientByName.contains(nutrient))
            throw StoreError("Composición de ejemplo sin ingrediente o nutriente: " + code + " / " +
                             nutrient);
        values.insert({ingredientByCode[code].id, nutrientByName[nutrient]},
                      sql::number(toNumber(composition.at(r, "valor"), code)));
    }
    for (const Ingredient& ing : ingredientByCode) {
        for (const int nut : nutrientByName) {
            db.exec("insert into producto_propiedad (id_producto,id_propiedad,valor) values (" +
                    QString::number(ing.id) + "," + QString::number(nut) + "," +
                    values.value({ing.id, nut}, QStringLiteral("0")) + ")");
        }
    }

    QHash<QString, int> formulaByCode;
    const QString today = sql::date(QDate::currentDate());
    for (int r = 0; r < formulas.rowCount(); ++r) {
        const QString code = formulas.at(r, "codigo");
        const int id = db.nextKey("formulas", "id_formula");
        db.exec("insert into formulas (id_formula,codigo,producto,cantidad,version,fecha_creacion,"
                "fecha_modificacion,tipoBase,tipoBaseNutrientes) values (" +
                QString::number(id) + "," + sql::text(code) + "," +
                sql::text(formulas.at(r, "producto")) + "," +
                sql::number(toNumber(formulas.at(r, "cantidad"), code)) + ",0," + today + "," +
                today + "," + (formulas.at(r, "tipoBase") == "0" ? "0" : "1") + "," +
                (formulas.at(r, "tipoBaseNutrientes") == "0" ? "0" : "1") + ")");
        formulaByCode.insert(code, id);
    }
    for (int r = 0; r < formulaIngredients.rowCount(); ++r) {
        const QString formula = formulaIngredients.at(r, "formula");
        const QString code = formulaIngredients.at(r, "ingrediente");
        if (!formulaByCode.contains(formula) || !ingredientByCode.contains(code))
            throw StoreError("Ingrediente de fórmula de ejemplo desconocido: " + code);
        const Ingredient& ing = ingredientByCode[code];
        db.exec("insert into formula_producto (id_formula,id_producto,minimo,maximo,costo,"
                "materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,cantidad_seca) "
                "values (" +
                QString::number(formulaByCode[formula]) + "," + QString::number(ing.id) + "," +
                optionalNumber(formulaIngredients.at(r, "minimo"), code) + "," +
                optionalNumber(formulaIngredients.at(r, "maximo"), code) + "," + ing.cost + "," +
                ing.dryMatter + ",0,0,0,0)");
    }
    for (int r = 0; r < formulaNutrients.rowCount(); ++r) {
        const QString formula = formulaNutrients.at(r, "formula");
        const QString nutrient = formulaNutrients.at(r, "nutriente");
        if (!formulaByCode.contains(formula) || !nutrientByName.contains(nutrient))
            throw StoreError("Nutriente de fórmula de ejemplo desconocido: " + nutrient);
        db.exec("insert into formula_propiedad (id_formula,id_propiedad,minimo,maximo,valor) "
                "values (" +
                QString::number(formulaByCode[formula]) + "," +
                QString::number(nutrientByName[nutrient]) + "," +
                optionalNumber(formulaNutrients.at(r, "minimo"), nutrient) + "," +
                optionalNumber(formulaNutrients.at(r, "maximo"), nutrient) + ",Null)");
    }

    // Groups of ingredients and the formulas' ratio and group limits; their values stay Null
    // until a formula is saved formulated.
    const CsvTable groups = CsvTable::load(kFolder + "grupos.csv");
    const CsvTable formulaRatios = CsvTable::load(kFolder + "formula_relaciones.csv");
    const CsvTable formulaGroups = CsvTable::load(kFolder + "formula_grupos.csv");
    QHash<QString, int> groupByName;
    for (int r = 0; r < groups.rowCount(); ++r) {
        const QString name = groups.at(r, "grupo");
        const QString code = groups.at(r, "ingrediente");
        if (!ingredientByCode.contains(code))
            throw StoreError("Ingrediente de grupo de ejemplo desconocido: " + code);
        if (!groupByName.contains(name)) {
            const int id = db.nextKey("grupos", "id_grupo");
            db.exec("insert into grupos (id_grupo,nombre) values (" + QString::number(id) + "," +
                    sql::text(name) + ")");
            groupByName.insert(name, id);
        }
        db.exec("insert into grupo_producto (id_grupo,id_producto) values (" +
                QString::number(groupByName[name]) + "," +
                QString::number(ingredientByCode[code].id) + ")");
    }
    for (int r = 0; r < formulaRatios.rowCount(); ++r) {
        const QString formula = formulaRatios.at(r, "formula");
        const QString numerator = formulaRatios.at(r, "numerador");
        const QString divisor = formulaRatios.at(r, "divisor");
        if (!formulaByCode.contains(formula) || !nutrientByName.contains(numerator) ||
            !nutrientByName.contains(divisor))
            throw StoreError("Relación de fórmula de ejemplo desconocida: " + numerator + " / " +
                             divisor);
        db.exec("insert into formula_relacion (id_formula,id_propiedad,id_propiedad_divisor,"
                "minimo,maximo,valor) values (" +
                QString::number(formulaByCode[formula]) + "," +
                QString::number(nutrientByName[numerator]) + "," +
                QString::number(nutrientByName[divisor]) + "," +
                optionalNumber(formulaRatios.at(r, "minimo"), numerator) + "," +
                optionalNumber(formulaRatios.at(r, "maximo"), numerator) + ",Null)");
    }
    for (int r = 0; r < formulaGroups.rowCount(); ++r) {
        const QString formula = formulaGroups.at(r, "formula");
        const QString group = formulaGroups.at(r, "grupo");
        if (!formulaByCode.contains(formula) || !groupByName.contains(group))
            throw StoreError("Grupo de fórmula de ejemplo desconocido: " + group);
        db.exec("insert into formula_grupo (id_formula,id_grupo,minimo,maximo,valor) values (" +
                QString::number(formulaByCode[formula]) + "," +
                QString::number(groupByName[group]) + "," +
                optionalNumber(formulaGroups.at(r, "minimo"), group) + "," +
                optionalNumber(formulaGroups.at(r, "maximo"), group) + ",Null)");
    }

    // A week's production plan of the sample formulas, its grain silos short.
    const CsvTable plans = CsvTable::load(kFolder + "planes.csv");
    const CsvTable planStock = CsvTable::load(kFolder + "plan_productos.csv");
    QHash<QString, int> planByName;
    auto planKey = [&](const QString& name) {
        if (!planByName.contains(name)) {
            const int id = db.nextKey("planes", "id_plan");
            db.exec("insert into planes (id_plan,nombre,fecha) values (" + QString::number(id) +
                    "," + sql::text(name) + "," + sql::date(QDate::currentDate()) + ")");
            planByName.insert(name, id);
        }
        return planByName[name];
    };
    for (int r = 0; r < plans.rowCount(); ++r) {
        const QString formula = plans.at(r, "formula");
        if (!formulaByCode.contains(formula))
            throw StoreError("Fórmula de plan de ejemplo desconocida: " + formula);
        db.exec("insert into plan_formula (id_plan,id_formula,cantidad) values (" +
                QString::number(planKey(plans.at(r, "plan"))) + "," +
                QString::number(formulaByCode[formula]) + "," +
                optionalNumber(plans.at(r, "cantidad"), formula) + ")");
    }
    for (int r = 0; r < planStock.rowCount(); ++r) {
        const QString code = planStock.at(r, "ingrediente");
        if (!ingredientByCode.contains(code))
            throw StoreError("Ingrediente de plan de ejemplo desconocido: " + code);
        db.exec("insert into plan_producto (id_plan,id_producto,disponible,minimo_uso) values (" +
                QString::number(planKey(planStock.at(r, "plan"))) + "," +
                QString::number(ingredientByCode[code].id) + "," +
                optionalNumber(planStock.at(r, "disponible"), code) + "," +
                optionalNumber(planStock.at(r, "minimo_uso"), code) + ")");
    }
}

} // namespace store
