#include "workspace/formula_save.h"

#include "app/busy_pointer.h"
#include "app/format.h"
#include "app/messages.h"
#include "formulas/formula_limits.h"
#include "store/added_tables.h"
#include "store/database.h"
#include "store/revisions.h"
#include "store/sql_text.h"
#include "workspace/weighing_rows.h"
#include "workspace/workspace.h"

#include <QDate>
#include <algorithm>
#include <vector>

namespace workspace {

namespace {

// A table of formula rows: its merge key and the columns written besides id_formula and the key.
struct RowTable {
    const char* table;
    const char* key;
    std::vector<const char*> columns;
};

const RowTable kNutrientRows{"formula_propiedad", "id_propiedad", {"minimo", "maximo", "valor"}};

const RowTable kProbabilityRows{"formula_propiedad_probabilidad", "id_propiedad", {"probabilidad"}};

const RowTable kIngredientRows{"formula_producto",
                               "id_producto",
                               {"minimo", "maximo", "porcentaje_seca", "porcentaje_humeda",
                                "cantidad_seca", "cantidad_humeda", "materia_seca", "costo"}};

// One workspace row as it is written: its key and the values of the table's columns in order.
struct SavedRow {
    int key;
    std::vector<QVariant> values;
};

QVariant variant(const std::optional<double>& v) {
    return v ? QVariant(*v) : QVariant();
}

// In the order of kIngredientRows' columns.
std::vector<SavedRow> savedRows(const std::vector<FormulaIngredient>& ingredients) {
    std::vector<SavedRow> rows;
    for (const FormulaIngredient& p : ingredients)
        rows.push_back(
            {p.id,
             {variant(p.minimo), variant(p.maximo), variant(p.porcentajeSeca),
              variant(p.porcentajeHumeda), variant(p.cantidadSeca), variant(p.cantidadHumeda),
              QVariant(p.materiaSeca), variant(p.costoHumeda)}});
    return rows;
}

std::vector<SavedRow> savedRows(const std::vector<FormulaNutrient>& nutrients) {
    std::vector<SavedRow> rows;
    for (const FormulaNutrient& n : nutrients)
        rows.push_back({n.id, {variant(n.minimo), variant(n.maximo), variant(n.valor)}});
    return rows;
}

// Only the nutrients whose limits hold with a chosen probability have a row.
std::vector<SavedRow> probabilityRows(const std::vector<FormulaNutrient>& nutrients) {
    std::vector<SavedRow> rows;
    for (const FormulaNutrient& n : nutrients)
        if (n.probabilidad)
            rows.push_back({n.id, {QVariant(*n.probabilidad)}});
    return rows;
}

class RowWriter {
public:
    RowWriter(const RowTable& t, const std::vector<SavedRow>& records, store::Database& db,
              int idFormula)
        : t_(t), records_(records), db_(db), formula_(sql::number(idFormula)) {}

    // The workspace rows by ascending key, read in place so the workspace keeps its order.
    std::vector<int> rowsByKey() const {
        std::vector<int> rows(records_.size());
        for (size_t r = 0; r < records_.size(); ++r)
            rows[r] = int(r);
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return key(a) < key(b); });
        return rows;
    }
    int key(int row) const { return records_[size_t(row)].key; }

    // The stored keys in ascending order.
    std::vector<int> storedKeys() {
        const auto stored =
            db_.query(QStringLiteral("select * from ") + t_.table +
                      " where id_formula=" + formula_ + " order by " + t_.key + " ASC");
        const int keyColumn = stored.fieldIndex(t_.key);
        std::vector<int> keys;
        for (int r = 0; r < stored.count(); ++r)
            keys.push_back(stored.valueAt(r, keyColumn).toInt());
        return keys;
    }

    void update(int row) {
        QString sql = QStringLiteral("update ") + t_.table + " set ";
        for (size_t c = 0; c < t_.columns.size(); ++c)
            sql += (c ? "," : "") + QString(t_.columns[c]) + '=' + value(row, c);
        db_.exec(sql + where(key(row)));
    }

    void insert(int row) {
        QString names = QStringLiteral("id_formula,") + t_.key;
        QString values = formula_ + ',' + sql::number(key(row));
        for (size_t c = 0; c < t_.columns.size(); ++c) {
            names += ',' + QString(t_.columns[c]);
            values += ',' + value(row, c);
        }
        db_.exec(QStringLiteral("insert into ") + t_.table + " (" + names + ") values (" + values +
                 ')');
    }

    void remove(int storedKey) {
        db_.exec(QStringLiteral("delete from ") + t_.table + where(storedKey));
    }

private:
    QString value(int row, size_t column) const {
        return sql::numberOrNull(records_[size_t(row)].values[column]);
    }
    QString where(int storedKey) const {
        return " where id_formula=" + formula_ + " and " + t_.key + '=' + sql::number(storedKey);
    }

    const RowTable& t_;
    const std::vector<SavedRow>& records_;
    store::Database& db_;
    QString formula_;
};

// Both sides in ascending key: equal keys update, a workspace key below the stored one is
// missing from the formula, a stored key below the workspace one is no longer wanted.
void mergeRows(const RowTable& t, const std::vector<SavedRow>& records, store::Database& db,
               int idFormula) {
    RowWriter w(t, records, db, idFormula);
    const std::vector<int> rows = w.rowsByKey();
    const std::vector<int> stored = w.storedKeys();
    auto ws = rows.begin();
    auto st = stored.begin();
    while (ws != rows.end() && st != stored.end()) {
        if (w.key(*ws) == *st) {
            w.update(*ws++);
            ++st;
        } else if (w.key(*ws) < *st) {
            w.insert(*ws++);
        } else {
            w.remove(*st++);
        }
    }
    for (; st != stored.end(); ++st)
        w.remove(*st);
    for (; ws != rows.end(); ++ws)
        w.insert(*ws);
}

const QString kFigure = QStringLiteral("#####0.00");

// The figure as the grids show it, so the question agrees with what the user reads.
double shown(double v) {
    return fmt::roundDecimals(v, 2);
}

// "Calcio máximo 1.10, la mezcla 1.35" when the value breaks a side; empty otherwise.
QString broken(const QString& name, const std::optional<double>& value,
               const std::optional<double>& minimo, const std::optional<double>& maximo) {
    if (!value)
        return {};
    const auto text = [&](const QString& side, double limit) {
        return QStringLiteral("%1 %2 %3, la mezcla %4")
            .arg(name.trimmed(), side, fmt::format(limit, kFigure), fmt::format(*value, kFigure));
    };
    if (minimo && shown(*value) < shown(*minimo))
        return text(QStringLiteral("mínimo"), *minimo);
    if (maximo && shown(*value) > shown(*maximo))
        return text(QStringLiteral("máximo"), *maximo);
    return {};
}

// Stores what the saved mix breaks with the formulas row, where the database keeps it.
void markBrokenLimits(store::Database& db, int idFormula, const QStringList& brokenList) {
    if (!store::hasColumn(db, QStringLiteral("formulas"), QStringLiteral("limites_incumplidos")))
        return;
    const QString summary = brokenLimitsSummary(brokenList).left(kBrokenLimitsLength);
    db.exec(QStringLiteral("update formulas set limites_incumplidos=") +
            (summary.isEmpty() ? QStringLiteral("NULL") : sql::text(summary)) +
            QStringLiteral(" where id_formula=") + sql::number(idFormula));
}

} // namespace

QStringList brokenLimits(const Workspace& ws) {
    QStringList out;
    const auto quantity = [&](const FormulaIngredient& i) {
        return ws.ingredientsDry ? i.cantidadSeca : i.cantidadHumeda;
    };
    if (std::none_of(ws.ingredients.begin(), ws.ingredients.end(),
                     [&](const FormulaIngredient& i) { return quantity(i).value_or(0) > 0; }))
        return out; // no mix yet: a formula never formulated is not judged
    const auto add = [&](const QString& text) {
        if (!text.isEmpty())
            out << text;
    };
    for (const FormulaNutrient& n : ws.nutrients)
        add(broken(n.nombre, n.valor, n.minimo, n.maximo));
    for (const FormulaIngredient& i : ws.ingredients)
        add(broken(i.nombre, quantity(i), i.minimo, i.maximo));
    for (const formulas::FormulaRatio& r : ws.ratios)
        add(broken(r.nombre(), r.valor, r.minimo, r.maximo));
    for (const formulas::FormulaGroup& g : ws.groups)
        add(broken(g.nombre, g.valor, g.minimo, g.maximo));
    return out;
}

QString brokenLimitsSummary(const QStringList& broken) {
    constexpr int kNamed = 3;
    QString text = broken.mid(0, kNamed).join(QStringLiteral("; "));
    if (broken.size() > kNamed)
        text += QStringLiteral("; y %1 más").arg(broken.size() - kNamed);
    return text;
}

QString saveBrokenQuestion(const QStringList& broken) {
    return QStringLiteral("La mezcla no cumple todos los límites (%1): ¿grabarla igualmente?")
        .arg(brokenLimitsSummary(broken));
}

void saveFormulaRows(const Workspace& ws, store::Database& db, int idFormula) {
    store::Database::Transaction tx(db);
    mergeRows(kNutrientRows, savedRows(ws.nutrients), db, idFormula);
    mergeRows(kIngredientRows, savedRows(ws.ingredients), db, idFormula);
    mergeRows(kProbabilityRows, probabilityRows(ws.nutrients), db, idFormula);
    formulas::saveFormulaRatios(db, idFormula, ws.ratios);
    formulas::saveFormulaGroups(db, idFormula, ws.groups);
    saveWeighing(ws, db, idFormula);
    tx.commit();
}

QString saveFailedMessage(const QString& detail) {
    return QStringLiteral("No es posible grabar la Fórmula. No se modificó nada en la base de "
                          "datos y los cambios siguen en pantalla: puede intentarlo de nuevo.") +
           (detail.isEmpty() ? QString() : QStringLiteral("\n\nDetalle: ") + detail);
}

SaveResult saveFormula(Workspace& ws, store::Database& db, const formulas::HeaderOpening& opened,
                       const formulas::HeaderInput& header) {
    SaveResult result;
    int id = 0;
    QString failure;
    bool failed = false;
    try {
        // Writes from its start: the header's version is read inside the write (formula_header.h).
        store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
        id = formulas::writeHeader(db, opened, header);
        app::BusyPointer busy;
        // Saved over the formula it was loaded from: only if nobody saved it since.
        if (id == ws.formulaId)
            store::claimRevision(db, QStringLiteral("formulas"), id, ws.vRevision,
                                 kFormulaChangedByOther);
        saveFormulaRows(ws, db, id);
        markBrokenLimits(db, id, brokenLimits(ws));
        tx.commit();
    } catch (const store::StaleRowError& e) {
        result.notices.push_back({e.message(), msg::Critical});
        return result;
    } catch (const store::StoreError& e) {
        failure = e.message();
        failed = true;
    }
    if (failed) {
        // Told only once the transaction is rolled back: the database is free while the
        // message waits for the user.
        result.notices.push_back({saveFailedMessage(failure), msg::Critical});
        return result;
    }
    ws.formulaId = id;
    result.outcome = SaveResult::Saved;
    try {
        LoadedFormula loaded = loadFormula(db, id);
        if (loaded.refusal)
            result.notices.push_back(*loaded.refusal);
        result.notices.insert(result.notices.end(), loaded.notices.begin(), loaded.notices.end());
        adoptLoaded(ws, std::move(loaded.ws), loaded.refusal ? 0 : id);
        result.header = loaded.header;
    } catch (const store::StoreError& e) {
        result.notices.push_back({QStringLiteral("La Fórmula se grabó, pero no se pudo volver a "
                                                 "leer.\n\nDetalle: ") +
                                      e.message(),
                                  msg::Critical});
    }
    return result;
}

int saveNewVersion(store::Database& db, const Workspace& ws, int idFormula, int* version) {
    const formulas::HeaderOpening opened = formulas::openHeader(db, idFormula);
    if (opened.formulaId <= 0)
        throw store::StoreError(opened.message.isEmpty()
                                    ? QStringLiteral("No es posible grabar la fórmula")
                                    : opened.message);
    formulas::HeaderInput in;
    in.code = opened.code;
    in.product = opened.product;
    in.newVersion = true;
    in.cantidad = ws.batchQuantity;
    in.secaIng = ws.ingredientsDry;
    in.secaNut = ws.nutrientsDry;
    in.today = QDate::currentDate();
    // What "&Grabar" writes for a new version, without reading the formula back into the
    // workspace afterwards: the worklist keeps the mix it showed. Both join the caller's
    // transaction and throw on any failure.
    const int id = formulas::writeHeader(db, opened, in);
    saveFormulaRows(ws, db, id);
    const formulas::HeaderOpening written = formulas::openHeader(db, id);
    if (written.formulaId != id)
        throw store::StoreError(written.message);
    *version = written.versionLoaded.toInt();
    return id;
}

} // namespace workspace
