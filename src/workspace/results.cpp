#include "workspace/results.h"

#include "app/busy_pointer.h"
#include "app/format.h"
#include "app/number_text.h"
#include "workspace/mix_compositions.h"
#include "workspace/workspace.h"

#include <algorithm>
#include <utility>

namespace workspace {

namespace {

struct Sums {
    double cantidadHumeda = 0, cantidadSeca = 0, porcentajeHumeda = 0, porcentajeSeca = 0;
    double costoHumeda = 0, costoSeca = 0, materiaSeca = 0, costoTotal = 0;
};

// The rows by ascending id: every sum runs in this order, whatever order the grid shows.
std::vector<FormulaIngredient*> byAscendingId(std::vector<FormulaIngredient>& rows) {
    std::vector<FormulaIngredient*> out;
    for (FormulaIngredient& r : rows)
        out.push_back(&r);
    std::stable_sort(
        out.begin(), out.end(),
        [](const FormulaIngredient* a, const FormulaIngredient* b) { return a->id < b->id; });
    return out;
}

Sums accumulate(const std::vector<FormulaIngredient*>& rows) {
    Sums s;
    for (FormulaIngredient* p : rows) {
        const double ch = p->cantidadHumeda.value_or(0), cs = p->cantidadSeca.value_or(0);
        const double ph = p->porcentajeHumeda.value_or(0), ps = p->porcentajeSeca.value_or(0);
        const double costH = p->costoHumeda.value_or(0), costS = p->costoSeca.value_or(0);
        s.cantidadHumeda += ch;
        s.cantidadSeca += cs;
        s.porcentajeHumeda += ph;
        s.porcentajeSeca += ps;
        s.costoHumeda += ph * costH;
        s.costoSeca += ps * costS;
        s.materiaSeca += ph * p->materiaSeca;
        s.costoTotal += ch * costH;
        p->costoTotal = ch * costH;
    }
    return s;
}

// A share total shown as anything but 100 is an alarm.
bool notHundred(const QString& shown) {
    return numtext::toDouble(shown, 0) != 100;
}

void recomputeNutrients(Workspace& ws, const std::vector<FormulaIngredient*>& rows,
                        const MixCompositions& comps) {
    for (FormulaNutrient& n : ws.nutrients) {
        double valor = 0;
        for (const FormulaIngredient* p : rows) {
            const std::optional<double> a = comps.valor(n.id, p->id);
            if (!a)
                continue; // no composition row
            if (ws.nutrientsDry)
                valor += *a * p->porcentajeSeca.value_or(0);
            else
                valor += *a * (comps.catalogueDryMatter(p->id).value_or(0) / 100) *
                         p->porcentajeHumeda.value_or(0);
        }
        n.valor = valor;
    }
}

// A ratio is the quotient of its two nutrients' values (the same on either nutrient basis);
// none when a nutrient is not in the formula or the divisor is 0. A group is the sum of its
// members' quantities on the ingredient basis, the unit of its limits.
void recomputeRatiosAndGroups(Workspace& ws) {
    for (formulas::FormulaRatio& r : ws.ratios) {
        const FormulaNutrient* numerador = findNutrient(ws, r.numerador);
        const FormulaNutrient* divisor = findNutrient(ws, r.divisor);
        r.valor.reset();
        if (numerador && divisor && numerador->valor && divisor->valor.value_or(0) != 0)
            r.valor = *numerador->valor / *divisor->valor;
    }
    for (formulas::FormulaGroup& g : ws.groups) {
        double sum = 0;
        for (const int id : g.ingredientIds)
            if (const FormulaIngredient* p = findIngredient(std::as_const(ws), id))
                sum += (ws.ingredientsDry ? p->cantidadSeca : p->cantidadHumeda).value_or(0);
        g.valor = sum;
    }
}

// Largest share on the ingredient basis first, an empty share last, equal shares by ascending id.
void orderByShare(Workspace& ws) {
    const auto share = [&](const FormulaIngredient& r) {
        return ws.ingredientsDry ? r.porcentajeSeca : r.porcentajeHumeda;
    };
    std::stable_sort(ws.ingredients.begin(), ws.ingredients.end(),
                     [&](const FormulaIngredient& a, const FormulaIngredient& b) {
                         const std::optional<double> x = share(a), y = share(b);
                         if (x != y)
                             return x > y; // an empty optional is below every value
                         return a.id < b.id;
                     });
}

} // namespace

ResultFigures actuResultados(Workspace& ws, store::Database& db) {
    app::BusyPointer busy;
    return actuResultados(ws, readMixCompositions(db, ws));
}

ResultFigures actuResultados(Workspace& ws, const MixCompositions& compositions) {
    app::BusyPointer busy;
    const std::vector<FormulaIngredient*> rows = byAscendingId(ws.ingredients);
    const Sums s = accumulate(rows);

    ResultFigures f;
    f.txtMatSeca = fmt::format(s.materiaSeca, "#####0.00") + " %";
    f.txtCanS = fmt::format(s.cantidadSeca, "#####0.00");
    f.txtPorS = fmt::format(s.porcentajeSeca * 100, "#####0.00");
    f.txtCanH = fmt::format(s.cantidadHumeda, "#####0.00");
    f.txtPorH = fmt::format(s.porcentajeHumeda * 100, "#####0.00");
    f.txtCosTot = "$ " + fmt::format(s.costoTotal, "#####0.00");
    f.txtCosH = "$ " + fmt::price(s.costoHumeda);
    f.txtCosS = "$ " + fmt::price(s.costoSeca);
    ws.vCostoHumeda = s.costoHumeda;
    ws.vMateriaSeca = s.materiaSeca;
    f.porHAlarm = notHundred(f.txtPorH);
    f.porSAlarm = notHundred(f.txtPorS);
    f.cantidadText = ws.ingredientsDry ? f.txtCanS : f.txtCanH;

    recomputeNutrients(ws, rows, compositions);
    recomputeRatiosAndGroups(ws);
    orderByShare(ws);
    return f;
}

} // namespace workspace
