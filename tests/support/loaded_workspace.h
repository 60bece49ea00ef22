#pragma once

#include "app/messages.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

// Loads formula ws.vIdFormula into ws as the workspace window does: the load's notices (or its
// refusal) are shown through the message service, and a refused formula leaves the workspace
// empty and without a formula.
inline workspace::FormulaHeader loadShown(workspace::Workspace& ws, store::Database& db) {
    workspace::LoadedFormula loaded = workspace::loadFormula(db, ws.vIdFormula);
    if (loaded.refusal)
        msg::msgBox(loaded.refusal->text, loaded.refusal->kind, loaded.refusal->title);
    for (const workspace::Notice& n : loaded.notices)
        msg::msgBox(n.text, n.kind, n.title);
    workspace::adoptLoaded(ws, std::move(loaded.ws), loaded.refusal ? 0 : ws.vIdFormula);
    return loaded.header;
}
