#pragma once

#include "optimizer/sample_formulas.h"
#include "store/database.h"
#include "support/temp_database.h"

#include <QString>

// The sample book, formulated and stored, after a rise of maize and soybean meal in the
// catalogue: the situation a re-formulation is for.
struct RaisedPrices {
    TempDatabase t{true};
    int formulas = 0;

    RaisedPrices() {
        optimizer::formulateSampleFormulas(t.db());
        t.db().exec("update productos set costo=costo*1.3 where trim(codigo) in "
                    "('MAIZ','SOJA44','SOJA48')");
        formulas = count("select count(*) from formulas");
    }
    store::Database& db() { return t.db(); }
    int count(const QString& sql) { return db().query(sql).value(0).toInt(); }
};
