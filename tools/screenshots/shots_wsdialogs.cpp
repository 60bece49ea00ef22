// The workspace's result dialogs on the sample broiler diet formulated for 1000 units: the
// analysis, the contributions after a failed check, and the recalculation dialog.
#include "tour.h"

#include "optimizer/formulation_run.h"
#include "optimizer/ranging_target.h"
#include "optimizer/views/frmAnalisis.h"
#include "optimizer/views/frmAportes.h"
#include "store/database.h"
#include "store/sql_text.h"
#include "workspace/formula_loader.h"
#include "workspace/views/frmRecalcular.h"
#include "workspace/workspace.h"

#include <QLineEdit>
#include <stdexcept>

namespace {

optimizer::FormulationRequest request(const workspace::Workspace& ws) {
    return {1000, ws.ingredientsDry, ws.nutrientsDry, {}};
}

void loadBroilerDiet(workspace::Workspace& ws, store::Database& db) {
    store::RecordSet rs = db.query("select id_formula from formulas where codigo=" +
                                   sql::text(QStringLiteral("POLLO-INI")) + " order by version");
    ws.formulaId = rs.count() ? rs.toInt("id_formula") : 0;
    workspace::adoptLoaded(ws, workspace::loadFormula(db, ws.formulaId).ws, ws.formulaId);
}

std::unique_ptr<QWidget> analysis(tour::Context& c) {
    workspace::Workspace ws;
    loadBroilerDiet(ws, c.db);
    optimizer::formulate(ws, c.db, request(ws));
    return std::make_unique<optimizer::frmAnalisis>(ws, nullptr,
                                                    optimizer::formulatedBlend(ws, c.db));
}

// Calcium asked beyond what the ingredients can bring: the check stops the run and the view
// lists what each ingredient brings.
std::unique_ptr<QWidget> contributions(tour::Context& c) {
    workspace::Workspace ws;
    loadBroilerDiet(ws, c.db);
    for (workspace::FormulaNutrient& n : ws.nutrients) {
        if (n.nombre.trimmed() == QStringLiteral("Calcio")) {
            n.minimo = 45.0;
            n.maximo.reset();
        }
    }
    const optimizer::Formulation r = optimizer::formulate(ws, c.db, request(ws));
    if (!r.unreachable)
        throw std::runtime_error("the check passed: no contributions to show");
    const optimizer::UnreachableNutrient& u = *r.unreachable;
    return std::make_unique<optimizer::frmAportes>(
        u.contributions, u.maximoAlcanzable, optimizer::contributionsCaption(u.nombre, u.minimo),
        u.nombre);
}

std::unique_ptr<QWidget> recalculation(tour::Context&) {
    auto view = std::make_unique<workspace::frmRecalcular>();
    view->setSecaIng(false);
    view->findChild<QLineEdit*>(QStringLiteral("txt_cantidad"))->setText(QStringLiteral("500"));
    return view;
}

const tour::Registration shots([](std::vector<tour::Shot>& all) {
    all.push_back({QStringLiteral("frmAnalisis"), analysis, nullptr});
    all.push_back({QStringLiteral("frmAportes"), contributions, nullptr});
    all.push_back({QStringLiteral("frmRecalcular"), recalculation, nullptr});
});

} // namespace
