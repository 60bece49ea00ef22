#include "workspace/mix_compositions.h"

#include "store/added_tables.h"
#include "store/database.h"
#include "store/stored_values.h"
#include "workspace/workspace.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

namespace workspace {

namespace {

// One ingredient's rows for the nutrients listed: a few index look-ups, however large the
// catalogue. The list is the same for every ingredient of a run, so the statement is prepared
// once and run once per ingredient.
QString compositionOfIngredient(const std::vector<int>& nutrients) {
    std::vector<int> sorted = nutrients;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    QStringList ids;
    for (const int id : sorted)
        ids << QString::number(id);
    return QStringLiteral("select pp.id_propiedad,pp.valor,p.materia_seca from producto_propiedad "
                          "pp, productos p where pp.id_producto=p.id_producto and "
                          "pp.id_producto=? and pp.id_propiedad in(") +
           ids.join(',') + ')';
}

// Every ingredient's rows at once, for a server: each statement there is a trip over the network.
QString compositionOfIngredients(const QStringList& ingredients,
                                 const std::vector<int>& nutrients) {
    QStringList ids;
    for (const int id : QSet<int>(nutrients.begin(), nutrients.end()))
        ids << QString::number(id);
    return QStringLiteral("select pp.id_propiedad,pp.valor,p.materia_seca,pp.id_producto from "
                          "producto_propiedad pp, productos p where pp.id_producto=p.id_producto "
                          "and pp.id_producto in(") +
           ingredients.join(',') + QStringLiteral(") and pp.id_propiedad in(") + ids.join(',') +
           ')';
}

QString idList(const std::vector<int>& ids) {
    QStringList out;
    for (const int id : QSet<int>(ids.begin(), ids.end()))
        out << QString::number(id);
    return out.join(',');
}

// The deviations of the pairs asked for, in one statement; a file made before the table existed,
// opened read-only, has none.
void readDeviations(store::Database& db, const std::vector<int>& ingredients,
                    const std::vector<int>& nutrients, MixCompositions& c) {
    const QString table = QStringLiteral("producto_propiedad_desvio");
    if (ingredients.empty() || nutrients.empty() || !store::hasTable(db, table))
        return;
    db.forEachRow(
        QStringLiteral("select id_propiedad,id_producto,desvio from producto_propiedad_desvio "
                       "where id_producto in(") +
            idList(ingredients) + QStringLiteral(") and id_propiedad in(") + idList(nutrients) +
            ')',
        {}, [&](const store::Database::Row& row) {
            const QString where = QStringLiteral("id_producto=") + row[1].toString() +
                                  QStringLiteral(", id_propiedad=") + row[0].toString();
            const int nutrient = store::storedInteger(row[0], {table, where, "id_propiedad"});
            const int ingredient = store::storedInteger(row[1], {table, where, "id_producto"});
            const double d = store::storedNumber(row[2], {table, where, "desvio"}).value_or(0);
            if (!c.addDesvio(nutrient, ingredient, d))
                throw store::StoredValueError(
                    QStringLiteral("La tabla %1 tiene dos filas para (%2).").arg(table, where));
        });
}

template <typename Row> std::vector<int> idsOf(const std::vector<Row>& rows) {
    std::vector<int> ids;
    for (const Row& r : rows)
        ids.push_back(r.id);
    return ids;
}

} // namespace

std::optional<double> MixCompositions::valor(int nutrient, int ingredient) const {
    const auto it = valor_.constFind(key(nutrient, ingredient));
    return it == valor_.constEnd() ? std::nullopt : std::optional<double>(*it);
}

double MixCompositions::desvio(int nutrient, int ingredient) const {
    return desvio_.value(key(nutrient, ingredient), 0.0);
}

bool MixCompositions::addDesvio(int nutrient, int ingredient, double desvio) {
    const qint64 k = key(nutrient, ingredient);
    if (desvio_.contains(k))
        return false;
    desvio_.insert(k, desvio);
    return true;
}

std::optional<double> MixCompositions::catalogueDryMatter(int ingredient) const {
    const auto it = dryMatter_.constFind(ingredient);
    return it == dryMatter_.constEnd() ? std::nullopt : std::optional<double>(*it);
}

MixCompositions MixCompositions::restrictedTo(const std::vector<int>& ingredients,
                                              const std::vector<int>& nutrients) const {
    MixCompositions c;
    for (const int i : ingredients)
        for (const int n : nutrients)
            if (const auto it = valor_.constFind(key(n, i)); it != valor_.constEnd())
                c.add(n, i, *it, dryMatter_.value(i));
    for (const int i : ingredients)
        for (const int n : nutrients)
            if (const auto it = desvio_.constFind(key(n, i)); it != desvio_.constEnd())
                c.addDesvio(n, i, *it);
    return c;
}

bool MixCompositions::add(int nutrient, int ingredient, double valor, double catalogueDryMatter) {
    const qint64 k = key(nutrient, ingredient);
    if (valor_.contains(k))
        return false;
    valor_.insert(k, valor);
    dryMatter_.insert(ingredient, catalogueDryMatter);
    return true;
}

MixCompositions readMixCompositions(store::Database& db, const std::vector<int>& ingredients,
                                    const std::vector<int>& nutrients) {
    MixCompositions c;
    if (nutrients.empty())
        return c;
    const QString statement = compositionOfIngredient(nutrients);
    const QSet<qlonglong> wanted(nutrients.begin(), nutrients.end());
    const auto take = [&](int ingredient, const store::Database::Row& row) {
        // A key stored as something else than a whole number names no nutrient here.
        if (row[0].typeId() != QMetaType::LongLong || !wanted.contains(row[0].toLongLong()))
            return;
        const QString ingredientKey = QStringLiteral("id_producto=") + QString::number(ingredient);
        const int nutrient = int(row[0].toLongLong());
        const QString where =
            ingredientKey + QStringLiteral(", id_propiedad=") + QString::number(nutrient);
        const std::optional<double> dm =
            store::storedNumber(row[2], {"productos", ingredientKey, "materia_seca"});
        // A Null content is no content, as a missing row is.
        const double v =
            store::storedNumber(row[1], {"producto_propiedad", where, "valor"}).value_or(0);
        if (!c.add(nutrient, ingredient, v, dm.value_or(0)))
            throw store::StoredValueError(
                QStringLiteral("La tabla producto_propiedad tiene dos filas para (%1).")
                    .arg(where));
    };
    readDeviations(db, ingredients, nutrients, c);
    if (db.isServer()) {
        QStringList ids;
        for (const int ingredient : QSet<int>(ingredients.begin(), ingredients.end()))
            ids << QString::number(ingredient);
        if (ids.isEmpty())
            return c;
        db.forEachRow(
            compositionOfIngredients(ids, nutrients), {},
            [&](const store::Database::Row& row) { take(int(row[3].toLongLong()), row); });
        return c;
    }
    QSet<int> done;
    for (const int ingredient : ingredients) {
        if (done.contains(ingredient))
            continue;
        done.insert(ingredient);
        db.forEachRow(statement, {ingredient},
                      [&](const store::Database::Row& row) { take(ingredient, row); });
    }
    return c;
}

MixCompositions readMixCompositions(store::Database& db, const Workspace& ws) {
    return readMixCompositions(db, idsOf(ws.ingredients), idsOf(ws.nutrients));
}

} // namespace workspace
