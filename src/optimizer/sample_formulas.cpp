#include "optimizer/sample_formulas.h"

#include "optimizer/stored_formulation.h"
#include "store/database.h"
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
        StoredRunOptions options;
        options.cantidad = kSampleBatch;
        const StoredRun run = formulateStored(db, id, options);
        if (run.refusal || run.formulation.outcome != RunOutcome::Optimum)
            continue;
        workspace::saveFormulaRows(*run.ws, db, id);
        ++stored;
    }
    return stored;
}

} // namespace optimizer
