#include "workspace/weighing_rows.h"

#include "store/added_tables.h"
#include "store/database.h"
#include "store/sql_text.h"
#include "store/stored_values.h"
#include "workspace/workspace.h"

#include <QSet>
#include <QString>
#include <algorithm>
#include <map>

namespace workspace {

namespace {

const QString kMinimos = QStringLiteral("formula_uso_minimo");
const QString kOpciones = QStringLiteral("formula_opciones");
const QString kPasos = QStringLiteral("producto_pesada");

QString shown(const QVariant& raw) {
    return raw.isValid() ? raw.toString() : QStringLiteral("Null");
}

void refuseRepeated(QSet<qint64>& seen, qint64 key, const QString& table, const QString& row) {
    if (seen.contains(key))
        throw store::StoredValueError(
            QStringLiteral("La tabla %1 tiene dos filas para (%2).").arg(table, row));
    seen.insert(key);
}

// A value that must be there: the columns are NOT NULL, but a database filled by other means
// may still hold a Null.
double required(const QVariant& raw, const store::StoredCell& cell) {
    const std::optional<double> v = store::storedNumber(raw, cell);
    if (!v)
        throw store::StoredValueError(store::describeCell(cell) +
                                      QStringLiteral(" no puede quedar vacío."));
    return *v;
}

} // namespace

QHash<int, StoredWeighing> loadWeighing(store::Database& db, const std::vector<int>& formulaIds) {
    QHash<int, StoredWeighing> out;
    if (formulaIds.empty())
        return out;
    const QString formulas = sql::integerList(formulaIds);
    if (store::hasTable(db, kMinimos)) {
        QSet<qint64> seen;
        db.forEachRow(
            QStringLiteral("select id_formula,id_producto,minimo from "
                           "formula_uso_minimo where id_formula in") +
                formulas + QStringLiteral(" order by id_formula,id_producto"),
            {}, [&](const store::Database::Row& r) {
                const QString row = QStringLiteral("id_formula=") + shown(r[0]) +
                                    QStringLiteral(", id_producto=") + shown(r[1]);
                const int formula = store::storedInteger(r[0], {kMinimos, row, "id_formula"});
                const int ingredient = store::storedInteger(r[1], {kMinimos, row, "id_producto"});
                refuseRepeated(seen, (qint64(formula) << 32) | quint32(ingredient), kMinimos, row);
                out[formula].minimoSiSeUsa.insert(ingredient,
                                                  required(r[2], {kMinimos, row, "minimo"}));
            });
    }
    if (store::hasTable(db, kOpciones)) {
        QSet<qint64> seen;
        db.forEachRow(
            QStringLiteral("select id_formula,max_ingredientes,redondear from "
                           "formula_opciones where id_formula in") +
                formulas,
            {}, [&](const store::Database::Row& r) {
                const QString row = QStringLiteral("id_formula=") + shown(r[0]);
                const int formula = store::storedInteger(r[0], {kOpciones, row, "id_formula"});
                refuseRepeated(seen, formula, kOpciones, row);
                StoredWeighing& w = out[formula];
                if (r[1].isValid() && !r[1].isNull())
                    w.maxIngredientes =
                        store::storedInteger(r[1], {kOpciones, row, "max_ingredientes"});
                w.redondear = r[2].isValid() && !r[2].isNull() &&
                              store::storedInteger(r[2], {kOpciones, row, "redondear"}) != 0;
            });
    }
    return out;
}

QHash<int, double> loadWeighingSteps(store::Database& db, const std::vector<int>& ingredientIds) {
    QHash<int, double> out;
    if (ingredientIds.empty() || !store::hasTable(db, kPasos))
        return out;
    db.forEachRow(
        QStringLiteral("select id_producto,paso from producto_pesada where "
                       "id_producto in") +
            sql::integerList(ingredientIds),
        {}, [&](const store::Database::Row& r) {
            const QString row = QStringLiteral("id_producto=") + shown(r[0]);
            const int id = store::storedInteger(r[0], {kPasos, row, "id_producto"});
            if (out.contains(id))
                throw store::StoredValueError(
                    QStringLiteral("La tabla %1 tiene dos filas para (%2).").arg(kPasos, row));
            out.insert(id, required(r[1], {kPasos, row, "paso"}));
        });
    return out;
}

void saveWeighing(const Workspace& ws, store::Database& db, int idFormula) {
    store::Database::Transaction tx(db);
    const QString formula = sql::number(idFormula);
    // The wanted rows by ascending ingredient, and the stored ones, merged like the other rows
    // of the formula: equal keys update, a new key inserts, a key no longer wanted deletes.
    std::map<int, double> wanted;
    for (const FormulaIngredient& p : ws.ingredients)
        if (p.minimoSiSeUsa)
            wanted[p.id] = *p.minimoSiSeUsa;
    QSet<int> stored;
    db.forEachRow(
        QStringLiteral("select id_producto from formula_uso_minimo where id_formula=") + formula,
        {}, [&](const store::Database::Row& r) { stored.insert(int(r[0].toLongLong())); });
    const QString where = QStringLiteral(" where id_formula=") + formula;
    for (const auto& [id, minimo] : wanted) {
        if (stored.contains(id))
            db.exec(QStringLiteral("update formula_uso_minimo set minimo=") + sql::number(minimo) +
                    where + QStringLiteral(" and id_producto=") + sql::number(id));
        else
            db.exec(QStringLiteral("insert into formula_uso_minimo (id_formula,id_producto,"
                                   "minimo) values (") +
                    formula + ',' + sql::number(id) + ',' + sql::number(minimo) + ')');
    }
    std::vector<int> gone;
    for (const int id : stored)
        if (!wanted.count(id))
            gone.push_back(id);
    std::sort(gone.begin(), gone.end());
    for (const int id : gone)
        db.exec(QStringLiteral("delete from formula_uso_minimo") + where +
                QStringLiteral(" and id_producto=") + sql::number(id));

    bool hasOptions = false;
    db.forEachRow(QStringLiteral("select id_formula from formula_opciones") + where, {},
                  [&](const store::Database::Row&) { hasOptions = true; });
    const bool wantOptions = ws.maxIngredientes || ws.redondear;
    const QString count =
        ws.maxIngredientes ? sql::number(*ws.maxIngredientes) : QStringLiteral("NULL");
    const QString rounds = ws.redondear ? QStringLiteral("1") : QStringLiteral("0");
    if (wantOptions && hasOptions)
        db.exec(QStringLiteral("update formula_opciones set max_ingredientes=") + count +
                QStringLiteral(",redondear=") + rounds + where);
    else if (wantOptions)
        db.exec(QStringLiteral("insert into formula_opciones (id_formula,max_ingredientes,"
                               "redondear) values (") +
                formula + ',' + count + ',' + rounds + ')');
    else if (hasOptions)
        db.exec(QStringLiteral("delete from formula_opciones") + where);
    tx.commit();
}

} // namespace workspace
