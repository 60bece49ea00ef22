#include "optimizer/sample_formulas.h"

#include "optimizer/formulation_run.h"
#include "store/database.h"
#include "workspace/formula_loader.h"
#include "workspace/formula_save.h"
#include "workspace/workspace.h"

#include <vector>

namespace optimizer {

int formulateSampleFormulas(store::Database& db) {
    std::vector<int> ids;
    db.forEachRow(QStringLiteral("select id_formula from formulas order by id_formula"), {},
                  [&](const store::Database::Row& r) { ids.push_back(r[0].toInt()); });

    int stored = 0;
    for (const int id : ids) {
        workspace::LoadedFormula loaded = workspace::loadFormula(db, id);
        if (loaded.refusal)
            continue;
        workspace::Workspace& ws = loaded.ws;
        RunInput input;
        input.cantidadText = QString::number(kSampleBatch);
        input.option1Seca = ws.vSecaIng;
        input.option2Seca = ws.vSecaNut;
        if (formular(ws, db, input).outcome != RunOutcome::Optimum)
            continue;
        workspace::saveFormulaRows(ws, db, id);
        ++stored;
    }
    return stored;
}

} // namespace optimizer
