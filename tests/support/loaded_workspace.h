#pragma once

#include "app/messages.h"
#include "optimizer/formulation_run.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

// Loads formula ws.formulaId into ws as the workspace window does: the load's notices (or its
// refusal) are shown through the message service, and a refused formula leaves the workspace
// empty and without a formula.
inline workspace::FormulaHeader loadShown(workspace::Workspace& ws, store::Database& db) {
    workspace::LoadedFormula loaded = workspace::loadFormula(db, ws.formulaId);
    if (loaded.refusal)
        msg::msgBox(loaded.refusal->text, loaded.refusal->kind, loaded.refusal->title);
    for (const workspace::Notice& n : loaded.notices)
        msg::msgBox(n.text, n.kind, n.title);
    workspace::adoptLoaded(ws, std::move(loaded.ws), loaded.refusal ? 0 : ws.formulaId);
    return loaded.header;
}

// Formulates as the window's button does with `quantity` typed in the quantity box and the
// workspace's bases: the notices are shown through the message service once the run returns.
inline optimizer::Formulation formulateShown(workspace::Workspace& ws, store::Database& db,
                                             const QString& quantity) {
    optimizer::Formulation r;
    if (const std::optional<double> q = optimizer::quantityOf(quantity)) {
        r = optimizer::formulate(ws, db, {*q, ws.ingredientsDry, ws.nutrientsDry, {}});
    } else {
        r.notices.push_back(optimizer::quantityNotNumeric());
        r.quantityRefused = true;
    }
    for (const workspace::Notice& n : r.notices)
        msg::msgBox(n.text, n.kind, n.title);
    return r;
}
