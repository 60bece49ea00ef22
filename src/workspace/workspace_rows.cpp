#include "workspace/workspace_rows.h"

#include "app/messages.h"
#include "store/database.h"
#include "workspace/field_checks.h"
#include "workspace/workspace.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

namespace workspace {

namespace {

// The refusal when the grid's columns 0 and 1 are not the row's id and name; nothing when they
// are.
std::optional<Notice> columnsRefusal(const GridRow& row, const char* idField) {
    if (!isField(row.column0, idField))
        return refusal(QStringLiteral("Campo %1 incorrecto").arg(QLatin1String(idField)));
    if (!isField(row.column1, "nombre"))
        return refusal(QStringLiteral("Campo nombre incorrecto"));
    return std::nullopt;
}

void addNutrientRow(std::vector<FormulaNutrient>& n, int id, const QString& nombre,
                    const QString& unidad, std::optional<double> valor) {
    FormulaNutrient row;
    row.id = id;
    row.nombre = nombre.left(100);
    row.unidad = unidad.trimmed();
    row.minimo = 0.0;
    row.valor = valor;
    n.push_back(row);
}

// What a new row takes from the catalogue.
struct CatalogueIngredient {
    QString nombre;
    std::optional<double> materiaSeca, costo;
};

std::optional<double> optionalNumber(const QVariant& v) {
    return v.isValid() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

std::optional<CatalogueIngredient> readCatalogueIngredient(store::Database& db, int id) {
    const auto rows = db.query("select * from productos where id_producto=" + QString::number(id));
    if (rows.count() == 0)
        return std::nullopt;
    return CatalogueIngredient{rows.valueAt(0, rows.fieldIndex("nombre")).toString(),
                               optionalNumber(rows.valueAt(0, rows.fieldIndex("materia_Seca"))),
                               optionalNumber(rows.valueAt(0, rows.fieldIndex("costo")))};
}

// Every nutrient the workspace's ingredients contain, in the order the ingredients come.
void takeAllNutrients(Workspace& ws, store::Database& db) {
    std::vector<FormulaNutrient>& n = ws.nutrients;
    n.clear();
    QSet<int> present;
    for (const FormulaIngredient& p : ws.ingredients)
        db.forEachRow(
            "SELECT pp.id_propiedad,pp.valor,p.nombre,p.unidad FROM producto_propiedad pp,"
            "propiedades p WHERE pp.id_propiedad=p.id_propiedad and pp.id_producto=" +
                QString::number(p.id) + " AND pp.valor<>0",
            {}, [&](const store::Database::Row& comp) {
                const int id = comp[0].toInt();
                if (present.contains(id))
                    return;
                present.insert(id);
                addNutrientRow(n, id, comp[2].toString(), comp[3].toString(), 0.0);
            });
}

} // namespace

EditResult addIngredient(Workspace& ws, store::Database& db, int idProducto) {
    EditResult r;
    if (findIngredient(ws, idProducto))
        return refuse(r, QStringLiteral("El Ingrediente Ya se encuentra Asginado a la Fórmula"));
    const std::optional<CatalogueIngredient> c = readCatalogueIngredient(db, idProducto);
    if (!c)
        return r; // gone from the catalogue since it was picked: nothing to add
    const double dm = c->materiaSeca.value_or(0);
    if (!(dm > 0))
        return refuse(r, "El Ingrediente no posee materia seca definida\n\nEl ingrediente " +
                             c->nombre.trimmed() + " no se ha ingresado a la Fórmule");
    FormulaIngredient p;
    p.id = idProducto;
    p.nombre = c->nombre.left(100);
    p.costoHumeda = c->costo;
    p.costoSeca = c->costo.value_or(0) / (dm / 100);
    p.materiaSeca = dm;
    p.minimo = 0.0;
    p.porcentajeHumeda = p.porcentajeSeca = p.cantidadHumeda = p.cantidadSeca = 0.0;
    p.materiaSecaActual = dm;
    p.costoHumedaActual = c->costo;
    ws.ingredients.push_back(p);
    r.stored = true;
    r.ingredientGrid = true;
    return r;
}

EditResult addNutrient(Workspace& ws, int idPropiedad, const QString& nombre,
                       const QString& unidad) {
    EditResult r;
    std::vector<FormulaNutrient>& n = ws.nutrients;
    if (findNutrient(ws, idPropiedad))
        return refuse(r, QStringLiteral("El Nutriente Ya se encuentra Asginada a la Fórmula"));
    addNutrientRow(n, idPropiedad, nombre, unidad, std::nullopt);
    r.stored = true;
    r.nutrientGrid = true;
    return r;
}

std::optional<Notice> ingredientColumnsRefusal(const GridRow& row) {
    return columnsRefusal(row, "id_producto");
}

EditResult removeIngredient(Workspace& ws, store::Database& db, const GridRow& row) {
    EditResult r;
    if (std::optional<Notice> refused = columnsRefusal(row, "id_producto")) {
        r.notices.push_back(*refused);
        return r;
    }
    r.removedId = row.id;
    r.removedName = row.name.trimmed();
    const FormulaIngredient* found = findIngredient(ws, row.id);
    if (!found)
        return refuse(r, QStringLiteral("No se pudo eliminar el Ingrediente"));
    ws.ingredients.erase(ws.ingredients.begin() + (found - ws.ingredients.data()));
    recomputeShares(ws);
    r.stored = true;
    r.figures = actuResultados(ws, db);
    return r;
}

EditResult removeNutrient(Workspace& ws, const GridRow& row) {
    EditResult r;
    if (std::optional<Notice> refused = columnsRefusal(row, "id_propiedad")) {
        r.notices.push_back(*refused);
        return r;
    }
    r.removedId = row.id;
    r.removedName = row.name.trimmed();
    std::vector<FormulaNutrient>& n = ws.nutrients;
    FormulaNutrient* found = findNutrient(ws, row.id);
    if (!found)
        return refuse(r, QStringLiteral("No se pudo eliminar el Nutriente"));
    // A ratio without one of its nutrients could not be computed: it goes first.
    for (const formulas::FormulaRatio& ratio : ws.ratios)
        if (ratio.numerador == row.id || ratio.divisor == row.id)
            return refuse(r, QStringLiteral("El Nutriente se usa en la relación ") +
                                 ratio.nombre() + QStringLiteral(": elimine primero la relación"));
    n.erase(n.begin() + (found - n.data()));
    r.stored = true;
    r.nutrientGrid = true;
    return r;
}

EditResult takeOverPrices(Workspace& ws) {
    EditResult r;
    for (FormulaIngredient& p : ws.ingredients) {
        const std::optional<double> actual = p.costoHumedaActual;
        const double f = p.materiaSeca / 100;
        p.costoHumeda = actual;
        p.costoSeca = actual && f > 0 ? std::optional<double>(*actual / f) : std::nullopt;
    }
    r.stored = !ws.ingredients.empty();
    r.ingredientGrid = true;
    return r;
}

QString takeOverDryMatterQuestion() {
    return QStringLiteral("¿Confirma la Actualización de la Materia Seca para los Ingredientes?");
}

EditResult takeOverDryMatter(Workspace& ws, store::Database& db) {
    EditResult r;
    QStringList kept;
    for (FormulaIngredient& p : ws.ingredients) {
        const double dm = p.materiaSecaActual.value_or(0);
        if (!(dm > 0)) {
            // Taking it over would leave the row without dry matter, which every conversion
            // divides by: the row keeps the formula's own.
            kept << p.nombre.trimmed();
            continue;
        }
        const double f = dm / 100;
        p.materiaSeca = dm;
        p.costoSeca = p.costoHumeda.value_or(0) / f;
        if (ws.ingredientsDry)
            p.cantidadHumeda = p.cantidadSeca.value_or(0) / f;
        else
            p.cantidadSeca = p.cantidadHumeda.value_or(0) * f;
    }
    if (!kept.isEmpty())
        r.notices.push_back({"El Ingrediente no posee materia seca definida en el catálogo\n\n" +
                                 QString(kept.size() == 1 ? "Conserva su materia seca: "
                                                          : "Conservan su materia seca: ") +
                                 kept.join(QStringLiteral(", ")),
                             msg::Critical});
    r.stored = true;
    r.figures = actuResultados(ws, db);
    return r;
}

EditResult recalculate(Workspace& ws, store::Database& db, double cantidad,
                       bool mantenerNutrientes) {
    EditResult r;
    if (!mantenerNutrientes)
        takeAllNutrients(ws, db);
    for (FormulaIngredient& p : ws.ingredients) {
        const double f = p.materiaSeca / 100;
        if (ws.ingredientsDry) {
            const double seca = p.porcentajeSeca.value_or(0) * cantidad;
            p.cantidadSeca = seca;
            if (f > 0)
                p.cantidadHumeda = seca / f;
        } else {
            const double humeda = p.porcentajeHumeda.value_or(0) * cantidad;
            p.cantidadHumeda = humeda;
            p.cantidadSeca = humeda * f;
        }
    }
    r.stored = true;
    r.figures = actuResultados(ws, db);
    return r;
}

} // namespace workspace
