#include "formulas/formula_lookup.h"

#include "store/database.h"
#include "store/sql_text.h"
#include "store/stored_values.h"

#include <vector>

namespace formulas {

int findFormula(store::Database& db, const FormulaRef& ref) {
    QString sql = QStringLiteral("select id_formula from formulas where ");
    std::vector<QVariant> parameters;
    QString row;
    if (ref.code.isEmpty()) {
        sql += QStringLiteral("id_formula=?");
        parameters.push_back(ref.id);
        row = QStringLiteral("id_formula=") + QString::number(ref.id);
    } else {
        sql += QStringLiteral("codigo=?");
        parameters.push_back(ref.code);
        if (ref.version) {
            sql += QStringLiteral(" and version=?");
            parameters.push_back(*ref.version);
        }
        row = QStringLiteral("codigo=") + sql::text(ref.code);
    }
    int id = 0;
    bool first = true;
    db.forEachRow(sql + QStringLiteral(" order by version DESC"), parameters,
                  [&](const store::Database::Row& r) {
                      if (first)
                          id = store::storedInteger(r[0], {QStringLiteral("formulas"), row,
                                                           QStringLiteral("id_formula")});
                      first = false;
                  });
    return id;
}

} // namespace formulas
