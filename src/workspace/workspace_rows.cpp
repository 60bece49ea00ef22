#include "workspace/workspace_rows.h"

#include "app/messages.h"
#include "store/database.h"
#include "workspace/row_lookup.h"
#include "workspace/workspace.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

namespace workspace {

namespace {

bool checkColumns(const GridRow& row, const char* idField) {
    if (!isField(row.column0, idField))
        return refuse(QStringLiteral("Campo %1 incorrecto").arg(QLatin1String(idField)));
    if (!isField(row.column1, "nombre"))
        return refuse(QStringLiteral("Campo nombre incorrecto"));
    return true;
}

void addNutrientRow(std::vector<FormulaNutrient>& n, int id, const QString& nombre,
                    std::optional<double> valor) {
    FormulaNutrient row;
    row.id = id;
    row.nombre = nombre.left(100);
    row.minimo = 0.0;
    row.valor = valor;
    n.push_back(row);
}

FormulaNutrient* findNutrient(std::vector<FormulaNutrient>& n, int id) {
    const auto it =
        std::find_if(n.begin(), n.end(), [&](const FormulaNutrient& r) { return r.id == id; });
    return it == n.end() ? nullptr : &*it;
}

// Every nutrient the workspace's ingredients contain, in the order the ingredients come.
void takeAllNutrients(Workspace& ws, store::Database& db) {
    std::vector<FormulaNutrient>& n = ws.nutrients;
    n.clear();
    QSet<int> present;
    store::RecordSet& p = ws.rsProductos;
    for (p.moveFirst(); !p.eof(); p.moveNext()) {
        store::RecordSet comp =
            db.query("SELECT pp.id_propiedad,pp.valor,p.nombre FROM producto_propiedad pp,"
                     "propiedades p WHERE pp.id_propiedad=p.id_propiedad and pp.id_producto=" +
                     QString::number(p.toInt("id_producto")) + " AND pp.valor<>0");
        for (comp.moveFirst(); !comp.eof(); comp.moveNext()) {
            const int id = comp.toInt("id_propiedad");
            if (present.contains(id))
                continue;
            present.insert(id);
            addNutrientRow(n, id, comp.toString("nombre"), 0.0);
        }
    }
}

} // namespace

EditResult addIngredient(Workspace& ws, store::Database& db, int idProducto) {
    EditResult r;
    store::RecordSet& p = ws.rsProductos;
    if (findRow(p, "id_producto", idProducto))
        return refuse(QStringLiteral("El Ingrediente Ya se encuentra Asginado a la Fórmula")), r;
    store::RecordSet c =
        db.query("select * from productos where id_producto=" + QString::number(idProducto));
    if (c.count() == 0)
        return r; // gone from the catalogue since it was picked: nothing to add
    c.moveFirst();
    const double dm = c.toDouble("materia_Seca");
    if (!(dm > 0)) {
        refuse("El Ingrediente no posee materia seca definida\n\nEl ingrediente " +
               c.toString("nombre").trimmed() + " no se ha ingresado a la Fórmule");
        return r;
    }
    const double costo = c.toDouble("costo");
    p.addNew();
    p.setValue("id_producto", idProducto);
    p.setValue("nombre", c.value("nombre"));
    p.setValue("costo_humeda", c.value("costo"));
    p.setValue("costo_seca", costo / (dm / 100));
    p.setValue("materia_seca", dm);
    p.setValue("minimo", 0.0);
    p.setValue("maximo", QVariant());
    for (const char* f :
         {"porcentaje_humeda", "porcentaje_seca", "cantidad_humeda", "cantidad_seca"})
        p.setValue(f, 0.0);
    p.setValue("materiaSecaActual", dm);
    p.setValue("costoHumedaActual", c.value("costo"));
    p.update();
    r.stored = true;
    r.ingredientGrid = true;
    return r;
}

EditResult addNutrient(Workspace& ws, int idPropiedad, const QString& nombre) {
    EditResult r;
    std::vector<FormulaNutrient>& n = ws.nutrients;
    if (findNutrient(n, idPropiedad))
        return refuse(QStringLiteral("El Nutriente Ya se encuentra Asginada a la Fórmula")), r;
    addNutrientRow(n, idPropiedad, nombre, std::nullopt);
    r.stored = true;
    r.nutrientGrid = true;
    return r;
}

bool checkIngredientColumns(const GridRow& row) {
    return checkColumns(row, "id_producto");
}

EditResult removeIngredient(Workspace& ws, store::Database& db, const GridRow& row) {
    EditResult r;
    if (!checkColumns(row, "id_producto"))
        return r;
    r.removedId = row.id;
    r.removedName = row.name.trimmed();
    store::RecordSet& p = ws.rsProductos;
    if (!findRow(p, "id_producto", row.id))
        return refuse(QStringLiteral("No se pudo eliminar el Ingrediente")), r;
    p.remove();
    recomputeShares(ws);
    r.stored = true;
    r.figures = actuResultados(ws, db);
    return r;
}

EditResult removeNutrient(Workspace& ws, const GridRow& row) {
    EditResult r;
    if (!checkColumns(row, "id_propiedad"))
        return r;
    r.removedId = row.id;
    r.removedName = row.name.trimmed();
    std::vector<FormulaNutrient>& n = ws.nutrients;
    FormulaNutrient* found = findNutrient(n, row.id);
    if (!found)
        return refuse(QStringLiteral("No se pudo eliminar el Nutriente")), r;
    n.erase(n.begin() + (found - n.data()));
    r.stored = true;
    r.nutrientGrid = true;
    return r;
}

EditResult takeOverPrices(Workspace& ws) {
    EditResult r;
    store::RecordSet& p = ws.rsProductos;
    for (p.moveFirst(); !p.eof(); p.moveNext()) {
        const QVariant actual = p.value("costoHumedaActual");
        const double f = p.toDouble("materia_seca") / 100;
        p.setValue("costo_humeda", actual);
        p.setValue("costo_seca",
                   actual.isValid() && f > 0 ? QVariant(actual.toDouble() / f) : QVariant());
        p.update();
    }
    r.stored = p.count() > 0;
    r.ingredientGrid = true;
    return r;
}

EditResult takeOverDryMatter(Workspace& ws, store::Database& db) {
    EditResult r;
    if (msg::msgBox(QStringLiteral("Confirma la Actualización de la Materia Seca para los "
                                   "Ingredientes?"),
                    msg::Question) != msg::Yes)
        return r;
    QStringList kept;
    store::RecordSet& p = ws.rsProductos;
    for (p.moveFirst(); !p.eof(); p.moveNext()) {
        const double dm = p.toDouble("materiaSecaActual");
        if (p.isNull("materiaSecaActual") || !(dm > 0)) {
            // Taking it over would leave the row without dry matter, which every conversion
            // divides by: the row keeps the formula's own.
            kept << p.toString("nombre").trimmed();
            continue;
        }
        const double f = dm / 100;
        p.setValue("materia_seca", dm);
        p.setValue("costo_seca", p.toDouble("costo_humeda") / f);
        if (ws.vSecaIng)
            p.setValue("cantidad_humeda", p.toDouble("cantidad_seca") / f);
        else
            p.setValue("cantidad_seca", p.toDouble("cantidad_humeda") * f);
        p.update();
    }
    if (!kept.isEmpty())
        msg::msgBox("El Ingrediente no posee materia seca definida en el catálogo\n\n" +
                        QString(kept.size() == 1 ? "Conserva su materia seca: "
                                                 : "Conservan su materia seca: ") +
                        kept.join(QStringLiteral(", ")),
                    msg::Critical);
    r.stored = true;
    r.figures = actuResultados(ws, db);
    return r;
}

EditResult recalculate(Workspace& ws, store::Database& db, double cantidad,
                       bool mantenerNutrientes) {
    EditResult r;
    if (!mantenerNutrientes)
        takeAllNutrients(ws, db);
    store::RecordSet& p = ws.rsProductos;
    for (p.moveFirst(); !p.eof(); p.moveNext()) {
        const double f = p.toDouble("materia_seca") / 100;
        if (ws.vSecaIng) {
            const double seca = p.toDouble("porcentaje_seca") * cantidad;
            p.setValue("cantidad_seca", seca);
            if (f > 0)
                p.setValue("cantidad_humeda", seca / f);
        } else {
            const double humeda = p.toDouble("porcentaje_humeda") * cantidad;
            p.setValue("cantidad_humeda", humeda);
            p.setValue("cantidad_seca", humeda * f);
        }
        p.update();
    }
    r.stored = true;
    r.figures = actuResultados(ws, db);
    return r;
}

} // namespace workspace
