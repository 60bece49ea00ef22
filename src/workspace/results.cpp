#include "workspace/results.h"

#include "app/busy_pointer.h"
#include "app/format.h"
#include "app/number_text.h"
#include "workspace/mix_compositions.h"
#include "workspace/workspace.h"

namespace workspace {

namespace {

struct Sums {
    double cantidadHumeda = 0, cantidadSeca = 0, porcentajeHumeda = 0, porcentajeSeca = 0;
    double costoHumeda = 0, costoSeca = 0, materiaSeca = 0, costoTotal = 0;
};

Sums accumulate(store::RecordSet& p) {
    Sums s;
    for (p.moveFirst(); !p.eof(); p.moveNext()) {
        const double ch = p.toDouble("cantidad_humeda"), cs = p.toDouble("cantidad_seca");
        const double ph = p.toDouble("porcentaje_humeda"), ps = p.toDouble("porcentaje_seca");
        const double costH = p.toDouble("costo_humeda"), costS = p.toDouble("costo_seca");
        s.cantidadHumeda += ch;
        s.cantidadSeca += cs;
        s.porcentajeHumeda += ph;
        s.porcentajeSeca += ps;
        s.costoHumeda += ph * costH;
        s.costoSeca += ps * costS;
        s.materiaSeca += ph * p.toDouble("materia_seca");
        s.costoTotal += ch * costH;
        p.setValue("costo_total", ch * costH);
        p.update();
    }
    return s;
}

// A share total shown as anything but 100 is an alarm.
bool notHundred(const QString& shown) {
    return numtext::toDouble(shown, 0) != 100;
}

// Each nutrient's value is summed over the ingredients in ascending id, the order the rows are
// in while the figures are computed.
void recomputeNutrients(Workspace& ws, const MixCompositions& comps) {
    store::RecordSet& p = ws.rsProductos;
    const int idField = p.fieldIndex("id_producto");
    const int secaField = p.fieldIndex("porcentaje_seca");
    const int humedaField = p.fieldIndex("porcentaje_humeda");

    for (FormulaNutrient& n : ws.nutrients) {
        const int nutrient = n.id;
        double valor = 0;
        for (int row = 0; row < p.count(); ++row) {
            const int ingredient = p.valueAt(row, idField).toInt();
            const std::optional<double> a = comps.valor(nutrient, ingredient);
            if (!a)
                continue; // no composition row
            if (ws.vSecaNut)
                valor += *a * p.valueAt(row, secaField).toDouble();
            else
                valor += *a * (comps.catalogueDryMatter(ingredient).value_or(0) / 100) *
                         p.valueAt(row, humedaField).toDouble();
        }
        n.valor = valor;
    }
}

} // namespace

ResultFigures actuResultados(Workspace& ws, store::Database& db) {
    app::BusyPointer busy;
    return actuResultados(ws, readMixCompositions(db, ws));
}

ResultFigures actuResultados(Workspace& ws, const MixCompositions& compositions) {
    app::BusyPointer busy;
    ws.rsProductos.setSort("id_producto ASC");
    const Sums s = accumulate(ws.rsProductos);

    ResultFigures f;
    f.txtMatSeca = fmt::format(s.materiaSeca, "#####0.00") + " %";
    f.txtCanS = fmt::format(s.cantidadSeca, "#####0.00");
    f.txtPorS = fmt::format(s.porcentajeSeca * 100, "#####0.00");
    f.txtCanH = fmt::format(s.cantidadHumeda, "#####0.00");
    f.txtPorH = fmt::format(s.porcentajeHumeda * 100, "#####0.00");
    f.txtCosTot = "$ " + fmt::format(s.costoTotal, "#####0.00");
    f.txtCosH = "$ " + fmt::format(s.costoHumeda, "#####0.00##");
    f.txtCosS = "$ " + fmt::format(s.costoSeca, "#####0.00##");
    ws.vCostoHumeda = s.costoHumeda;
    ws.vMateriaSeca = s.materiaSeca;
    f.porHAlarm = notHundred(f.txtPorH);
    f.porSAlarm = notHundred(f.txtPorS);
    f.cantidadText = ws.vSecaIng ? f.txtCanS : f.txtCanH;

    recomputeNutrients(ws, compositions);
    ws.rsProductos.setSort(ws.vSecaIng ? "porcentaje_seca DESC" : "porcentaje_humeda DESC");
    return f;
}

} // namespace workspace
