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
}

} // namespace store
