#include "formulas/formula_limits.h"

#include "store/added_tables.h"
#include "store/database.h"
#include "store/sql_text.h"
#include "store/stored_values.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>

namespace formulas {

namespace {

const QString kRatios = QStringLiteral("formula_relacion");
const QString kGroups = QStringLiteral("formula_grupo");

QString shown(const QVariant& raw) {
    return raw.isValid() ? raw.toString() : QStringLiteral("Null");
}

// "id_formula=3, id_propiedad=7, id_propiedad_divisor=8": the row of a stored value.
QString rowText(int idFormula, const QStringList& keyColumns, const store::Database::Row& r) {
    QString row = QStringLiteral("id_formula=") + QString::number(idFormula);
    for (qsizetype k = 0; k < keyColumns.size(); ++k)
        row += QStringLiteral(", ") + keyColumns[k] + u'=' + shown(r[size_t(k)]);
    return row;
}

void refuseRepeated(QSet<QString>& seen, const QString& table, const QString& row) {
    if (seen.contains(row))
        throw store::StoredValueError(
            QStringLiteral("La tabla %1 tiene dos filas para (%2).").arg(table, row));
    seen.insert(row);
}

// A row whose key names a nutrient or group that the catalogue no longer holds.
[[noreturn]] void refuseMissing(const QString& what, const QVariant& raw,
                                const store::StoredCell& cell) {
    throw store::StoredValueError(QStringLiteral("El valor «%1» de %2 no corresponde a ningún %3.")
                                      .arg(shown(raw), store::describeCell(cell), what));
}

// One limit row as written: its key columns' values, then minimo, maximo and valor.
struct LimitRow {
    std::vector<int> key;
    std::optional<double> minimo, maximo, valor;
};

struct LimitTable {
    QString table;
    QStringList keyColumns;
};

const LimitTable kRatioTable{
    kRatios, {QStringLiteral("id_propiedad"), QStringLiteral("id_propiedad_divisor")}};
const LimitTable kGroupTable{kGroups, {QStringLiteral("id_grupo")}};

QString keyCondition(const LimitTable& t, int idFormula, const std::vector<int>& key) {
    QString where = QStringLiteral(" where id_formula=") + QString::number(idFormula);
    for (qsizetype k = 0; k < t.keyColumns.size(); ++k)
        where += QStringLiteral(" and ") + t.keyColumns[k] + u'=' + QString::number(key[size_t(k)]);
    return where;
}

QString orNull(const std::optional<double>& value) {
    return sql::numberOrNull(value ? QVariant(*value) : QVariant());
}

std::vector<std::vector<int>> storedKeys(store::Database& db, const LimitTable& t, int idFormula) {
    std::vector<std::vector<int>> keys;
    const QString columns = t.keyColumns.join(u',');
    db.forEachRow(
        QStringLiteral("select ") + columns + QStringLiteral(" from ") + t.table +
            QStringLiteral(" where id_formula=? order by ") + columns,
        {idFormula}, [&](const store::Database::Row& r) {
            std::vector<int> key;
            const QString row = rowText(idFormula, t.keyColumns, r);
            for (qsizetype k = 0; k < t.keyColumns.size(); ++k)
                key.push_back(store::storedInteger(r[size_t(k)], {t.table, row, t.keyColumns[k]}));
            keys.push_back(std::move(key));
        });
    std::sort(keys.begin(), keys.end());
    return keys;
}

// Both sides in ascending key: equal keys update, a given key below the stored one is new, a
// stored key below the given one is no longer wanted.
void mergeLimits(store::Database& db, const LimitTable& t, int idFormula,
                 std::vector<LimitRow> rows, const QString& repeatedMessage) {
    std::sort(rows.begin(), rows.end(),
              [](const LimitRow& a, const LimitRow& b) { return a.key < b.key; });
    for (size_t r = 1; r < rows.size(); ++r)
        if (rows[r].key == rows[r - 1].key)
            throw store::StoreError(repeatedMessage);
    store::Database::Transaction tx(db);
    const std::vector<std::vector<int>> stored = storedKeys(db, t, idFormula);
    const auto update = [&](const LimitRow& row) {
        db.exec(QStringLiteral("update ") + t.table + QStringLiteral(" set minimo=") +
                orNull(row.minimo) + QStringLiteral(",maximo=") + orNull(row.maximo) +
                QStringLiteral(",valor=") + orNull(row.valor) +
                keyCondition(t, idFormula, row.key));
    };
    const auto insert = [&](const LimitRow& row) {
        QString keys;
        for (const int k : row.key)
            keys += QString::number(k) + u',';
        db.exec(QStringLiteral("insert into ") + t.table + QStringLiteral(" (id_formula,") +
                t.keyColumns.join(u',') + QStringLiteral(",minimo,maximo,valor) values (") +
                QString::number(idFormula) + u',' + keys + orNull(row.minimo) + u',' +
                orNull(row.maximo) + u',' + orNull(row.valor) + u')');
    };
    const auto remove = [&](const std::vector<int>& key) {
        db.exec(QStringLiteral("delete from ") + t.table + keyCondition(t, idFormula, key));
    };
    auto given = rows.begin();
    auto st = stored.begin();
    while (given != rows.end() && st != stored.end()) {
        if (given->key == *st) {
            update(*given++);
            ++st;
        } else if (given->key < *st) {
            insert(*given++);
        } else {
            remove(*st++);
        }
    }
    for (; st != stored.end(); ++st)
        remove(*st);
    for (; given != rows.end(); ++given)
        insert(*given);
    tx.commit();
}

std::optional<double> number(const QVariant& raw, const store::StoredCell& cell) {
    return store::storedNumber(raw, cell);
}

} // namespace

QString FormulaRatio::nombre() const {
    return nombreNumerador + QStringLiteral(" / ") + nombreDivisor;
}

QHash<int, std::vector<FormulaRatio>> loadFormulaRatios(store::Database& db,
                                                        const std::vector<int>& idFormulas) {
    QHash<int, std::vector<FormulaRatio>> out;
    if (idFormulas.empty() || !store::hasTable(db, kRatios))
        return out;
    QSet<QString> seen;
    db.forEachRow(
        QStringLiteral(
            "select fr.id_propiedad,fr.id_propiedad_divisor,fr.minimo,fr.maximo,fr.valor,"
            "n.id_propiedad as numerador,n.nombre as nombre_numerador,d.id_propiedad as divisor,"
            "d.nombre as nombre_divisor,fr.id_formula from formula_relacion fr left join "
            "propiedades n on n.id_propiedad=fr.id_propiedad left join propiedades d on "
            "d.id_propiedad=fr.id_propiedad_divisor where fr.id_formula in") +
            sql::integerList(idFormulas) +
            QStringLiteral(" order by fr.id_formula,n.nombre,d.nombre,fr.id_propiedad,"
                           "fr.id_propiedad_divisor"),
        {}, [&](const store::Database::Row& r) {
            const int idFormula = int(r[9].toLongLong());
            const QString row = rowText(idFormula, kRatioTable.keyColumns, r);
            FormulaRatio ratio;
            ratio.numerador = store::storedInteger(r[0], {kRatios, row, "id_propiedad"});
            ratio.divisor = store::storedInteger(r[1], {kRatios, row, "id_propiedad_divisor"});
            refuseRepeated(seen, kRatios, row);
            ratio.minimo = number(r[2], {kRatios, row, "minimo"});
            ratio.maximo = number(r[3], {kRatios, row, "maximo"});
            ratio.valor = number(r[4], {kRatios, row, "valor"});
            if (!r[5].isValid())
                refuseMissing(QStringLiteral("nutriente"), r[0], {kRatios, row, "id_propiedad"});
            if (!r[7].isValid())
                refuseMissing(QStringLiteral("nutriente"), r[1],
                              {kRatios, row, "id_propiedad_divisor"});
            ratio.nombreNumerador = r[6].toString();
            ratio.nombreDivisor = r[8].toString();
            out[idFormula].push_back(std::move(ratio));
        });
    return out;
}

std::vector<FormulaRatio> loadFormulaRatios(store::Database& db, int idFormula) {
    return loadFormulaRatios(db, std::vector<int>{idFormula}).value(idFormula);
}

QHash<int, std::vector<FormulaGroup>> loadFormulaGroups(store::Database& db,
                                                        const std::vector<int>& idFormulas) {
    QHash<int, std::vector<FormulaGroup>> out;
    if (idFormulas.empty() || !store::hasTable(db, kGroups))
        return out;
    const QString formulas = sql::integerList(idFormulas);
    QSet<QString> seen;
    db.forEachRow(QStringLiteral("select fg.id_grupo,fg.minimo,fg.maximo,fg.valor,g.id_grupo as "
                                 "grupo,g.nombre,fg.id_formula from formula_grupo fg left join "
                                 "grupos g on g.id_grupo=fg.id_grupo where fg.id_formula in") +
                      formulas + QStringLiteral(" order by fg.id_formula,g.nombre,fg.id_grupo"),
                  {}, [&](const store::Database::Row& r) {
                      const int idFormula = int(r[6].toLongLong());
                      const QString row = rowText(idFormula, kGroupTable.keyColumns, r);
                      FormulaGroup group;
                      group.id = store::storedInteger(r[0], {kGroups, row, "id_grupo"});
                      refuseRepeated(seen, kGroups, row);
                      group.minimo = number(r[1], {kGroups, row, "minimo"});
                      group.maximo = number(r[2], {kGroups, row, "maximo"});
                      group.valor = number(r[3], {kGroups, row, "valor"});
                      if (!r[4].isValid())
                          refuseMissing(QStringLiteral("grupo"), r[0], {kGroups, row, "id_grupo"});
                      group.nombre = r[5].toString();
                      out[idFormula].push_back(std::move(group));
                  });
    if (out.isEmpty())
        return out;
    // Each formula's groups by id, to take their members.
    QHash<qint64, FormulaGroup*> byKey;
    const auto key = [](int formula, int group) {
        return (qint64(formula) << 32) | quint32(group);
    };
    for (auto f = out.begin(); f != out.end(); ++f)
        for (FormulaGroup& g : *f)
            byKey.insert(key(f.key(), g.id), &g);
    const QString members = QStringLiteral("grupo_producto");
    db.forEachRow(
        QStringLiteral("select gp.id_grupo,gp.id_producto,fg.id_formula from grupo_producto gp, "
                       "productos p, formula_grupo fg where gp.id_producto=p.id_producto and "
                       "gp.id_grupo=fg.id_grupo and fg.id_formula in") +
            formulas + QStringLiteral(" order by fg.id_formula,gp.id_grupo,gp.id_producto"),
        {}, [&](const store::Database::Row& r) {
            const QString row = QStringLiteral("id_grupo=") + shown(r[0]) +
                                QStringLiteral(", id_producto=") + shown(r[1]);
            const int group = store::storedInteger(r[0], {members, row, "id_grupo"});
            const int ingredient = store::storedInteger(r[1], {members, row, "id_producto"});
            if (FormulaGroup* g = byKey.value(key(int(r[2].toLongLong()), group)))
                g->ingredientIds.push_back(ingredient);
        });
    return out;
}

std::vector<FormulaGroup> loadFormulaGroups(store::Database& db, int idFormula) {
    return loadFormulaGroups(db, std::vector<int>{idFormula}).value(idFormula);
}

void saveFormulaRatios(store::Database& db, int idFormula, const std::vector<FormulaRatio>& rows) {
    std::vector<LimitRow> limits;
    for (const FormulaRatio& r : rows)
        limits.push_back({{r.numerador, r.divisor}, r.minimo, r.maximo, r.valor});
    mergeLimits(db, kRatioTable, idFormula, std::move(limits),
                QStringLiteral("La fórmula tiene dos veces la misma relación entre nutrientes."));
}

void saveFormulaGroups(store::Database& db, int idFormula, const std::vector<FormulaGroup>& rows) {
    std::vector<LimitRow> limits;
    for (const FormulaGroup& g : rows)
        limits.push_back({{g.id}, g.minimo, g.maximo, g.valor});
    mergeLimits(db, kGroupTable, idFormula, std::move(limits),
                QStringLiteral("La fórmula tiene dos veces el mismo grupo de ingredientes."));
}

} // namespace formulas
