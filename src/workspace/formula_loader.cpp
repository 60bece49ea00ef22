#include "workspace/formula_loader.h"

#include "app/busy_pointer.h"
#include "app/format.h"
#include "app/messages.h"
#include "app/number_text.h"
#include "store/database.h"
#include "workspace/basis_rule.h"
#include "workspace/results.h"
#include "workspace/workspace.h"

#include <QDate>

namespace workspace {

namespace {

QString dateText(const QVariant& stored) {
    if (!stored.isValid())
        return {};
    const QDate d = QDate::fromString(stored.toString().left(10), Qt::ISODate);
    return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : stored.toString();
}

// Loading holds the nutrient grid's change signal for as long as it runs, on every way out.
class LoadingFlag {
public:
    explicit LoadingFlag(Workspace& ws) : ws_(ws) { ws_.loading = true; }
    ~LoadingFlag() { ws_.loading = false; }

private:
    Workspace& ws_;
};

void loadNutrients(Workspace& ws, store::Database& db, const QString& id) {
    store::RecordSet rows = db.query(
        "select fp.id_propiedad,p.nombre,fp.minimo,fp.maximo,fp.valor from formula_propiedad fp, "
        "propiedades p where fp.id_propiedad=p.id_propiedad and fp.id_formula=" +
        id + " order by p.nombre");
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
        ws.rsPropiedades.addNew();
        ws.rsPropiedades.setValue("id_propiedad", rows.value("id_propiedad"));
        ws.rsPropiedades.setValue("nombre", rows.value("nombre"));
        ws.rsPropiedades.setValue("minimo", rows.value("minimo"));
        ws.rsPropiedades.setValue("maximo", rows.value("maximo"));
        ws.rsPropiedades.setValue("valor", rows.value("valor"));
        ws.rsPropiedades.setValue("valorAnterior", rows.value("valor"));
        ws.rsPropiedades.update();
    }
}

void loadIngredients(Workspace& ws, store::Database& db, const QString& id) {
    store::RecordSet rows =
        db.query("select fp.id_producto,p.nombre,fp.costo,p.costo as costoActual,fp.materia_seca,"
                 "p.materia_Seca as materiaSecaActual,fp.minimo,fp.maximo,fp.porcentaje_humeda,"
                 "fp.porcentaje_seca,fp.cantidad_humeda,fp.cantidad_seca from formula_producto fp, "
                 "productos p where fp.id_producto=p.id_producto and fp.id_formula=" +
                 id + " order by fp.porcentaje_humeda DESC");
    store::RecordSet& p = ws.rsProductos;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
        const double dm = rows.toDouble("materia_seca");
        if (!(dm > 0)) {
            msg::msgBox("El Ingrediente no posee materia seca definida\n\nEl ingrediente " +
                            rows.toString("nombre").trimmed() + " no se ha ingresado a la Fórmula",
                        msg::Critical);
            continue;
        }
        p.addNew();
        p.setValue("id_producto", rows.value("id_producto"));
        p.setValue("nombre", rows.value("nombre"));
        p.setValue("costo_humeda", rows.value("costo"));
        p.setValue("costo_seca", rows.toDouble("costo") / (dm / 100));
        for (const char* f : {"materia_seca", "minimo", "maximo", "porcentaje_humeda",
                              "porcentaje_seca", "cantidad_humeda", "cantidad_seca"})
            p.setValue(f, rows.value(f));
        p.setValue("materiaSecaActual", rows.value("materiaSecaActual"));
        p.setValue("costoHumedaActual", rows.value("costoActual"));
        p.update();
    }
}

} // namespace

FormulaHeader actuFormula(Workspace& ws, store::Database& db) {
    app::BusyPointer busy;
    LoadingFlag loading(ws);
    FormulaHeader header;

    if (ws.vIdFormula == 0) {
        ws.vCantidad = 0;
        ws.vCostoHumeda = 0;
        ws.vMateriaSeca = 0;
        chooseIngredientBasis(ws, true);
        chooseNutrientBasis(ws, true);
        ws.rsPropiedades.clear();
        ws.rsProductos.clear();
        return header;
    }

    const QString id = QString::number(ws.vIdFormula);
    store::RecordSet row = db.query("SELECT * FROM formulas WHERE id_formula=" + id);
    if (row.count() == 0) {
        msg::msgBox(QStringLiteral("No se pudo establecer la Fórmula"), msg::Critical);
    } else {
        row.moveFirst();
        header.found = true;
        header.producto = row.toString("producto");
        header.codigo = row.toString("codigo");
        header.version = fmt::format(row.value("version"), QString());
        header.fechaCreacion = dateText(row.value("fecha_creacion"));
        header.fechaModificacion = dateText(row.value("fecha_modificacion"));
        ws.vCantidad = numtext::roundHalfEven(row.toDouble("cantidad"));
        chooseIngredientBasis(ws, row.toInt("tipoBase") == 0);
        chooseNutrientBasis(ws, row.toInt("tipoBaseNutrientes") == 0);
    }

    ws.rsPropiedades.clear();
    loadNutrients(ws, db, id);
    ws.rsProductos.clear();
    loadIngredients(ws, db, id);
    // The quantity box ends up showing the batch total of the loaded mix, as after any recount.
    header.figures = actuResultados(ws, db);
    header.cantidad = header.figures->cantidadText;
    return header;
}

} // namespace workspace
