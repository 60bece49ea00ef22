// The limits in conflict, on the sample broiler diet with limestone capped at 10 and available
// phosphorus held at 0.30: calcium can no longer reach its minimum beside them.
#include "tour.h"

#include "optimizer/formulation_run.h"
#include "optimizer/views/frmConflicto.h"
#include "store/database.h"
#include "store/sql_text.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <stdexcept>

namespace {

void setLimits(std::vector<workspace::FormulaIngredient>& rows, const QString& name, double minimo,
               double maximo) {
    for (workspace::FormulaIngredient& p : rows)
        if (p.nombre.trimmed().startsWith(name)) {
            p.minimo = minimo;
            p.maximo = maximo;
            return;
        }
    throw std::runtime_error("not in the broiler diet: " + name.toStdString());
}

std::unique_ptr<QWidget> conflict(tour::Context& c) {
    workspace::Workspace ws;
    store::RecordSet rs = c.db.query("select id_formula from formulas where codigo=" +
                                     sql::text(QStringLiteral("POLLO-INI")) + " order by version");
    ws.formulaId = rs.count() ? rs.toInt("id_formula") : 0;
    workspace::adoptLoaded(ws, workspace::loadFormula(c.db, ws.formulaId).ws, ws.formulaId);
    setLimits(ws.ingredients, QStringLiteral("Carbonato de calcio"), 0.0, 10.0);
    for (workspace::FormulaNutrient& n : ws.nutrients)
        if (n.nombre.trimmed() == QStringLiteral("Fósforo disponible")) {
            n.minimo = 0.25;
            n.maximo = 0.30;
        }
    optimizer::FormulationRequest in{1000, ws.ingredientsDry, ws.nutrientsDry, {}};
    const optimizer::Formulation r = optimizer::formulate(ws, c.db, in);
    if (r.conflicto.empty())
        throw std::runtime_error("the broiler diet solved: no conflict to show");
    return std::make_unique<optimizer::frmConflicto>(r.conflicto);
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmConflicto"), conflict, nullptr});
});

} // namespace
