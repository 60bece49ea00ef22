#include "workspace/mix_compositions.h"

#include "store/database.h"
#include "store/stored_values.h"
#include "workspace/workspace.h"

#include <QSet>

namespace workspace {

namespace {

const QString kCompositionOfIngredient = QStringLiteral(
    "select pp.id_propiedad,pp.valor,p.materia_seca from producto_propiedad pp, productos p "
    "where pp.id_producto=p.id_producto and pp.id_producto=?");

std::vector<int> idsOf(store::RecordSet& rs, const QString& field) {
    std::vector<int> ids;
    const int f = rs.fieldIndex(field);
    for (int r = 0; r < rs.count(); ++r)
        ids.push_back(rs.valueAt(r, f).toInt());
    return ids;
}

} // namespace

std::optional<double> MixCompositions::valor(int nutrient, int ingredient) const {
    const auto it = valor_.constFind(key(nutrient, ingredient));
    return it == valor_.constEnd() ? std::nullopt : std::optional<double>(*it);
}

std::optional<double> MixCompositions::catalogueDryMatter(int ingredient) const {
    const auto it = dryMatter_.constFind(ingredient);
    return it == dryMatter_.constEnd() ? std::nullopt : std::optional<double>(*it);
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
    const QSet<int> wanted(nutrients.begin(), nutrients.end());
    QSet<int> done;
    for (const int ingredient : ingredients) {
        if (done.contains(ingredient))
            continue;
        done.insert(ingredient);
        const QString ingredientKey = QStringLiteral("id_producto=") + QString::number(ingredient);
        db.forEachRow(kCompositionOfIngredient, {ingredient}, [&](const store::Database::Row& row) {
            const QString where = ingredientKey + QStringLiteral(", id_propiedad=") +
                                  (row[0].isValid() ? row[0].toString() : QStringLiteral("Null"));
            const qint32 nutrient =
                store::storedInteger(row[0], {"producto_propiedad", where, "id_propiedad"});
            const std::optional<double> dm =
                store::storedNumber(row[2], {"productos", ingredientKey, "materia_seca"});
            if (!wanted.contains(nutrient))
                return;
            // A Null content is no content, as a missing row is.
            const double v =
                store::storedNumber(row[1], {"producto_propiedad", where, "valor"}).value_or(0);
            if (!c.add(nutrient, ingredient, v, dm.value_or(0)))
                throw store::StoredValueError(
                    QStringLiteral("La tabla producto_propiedad tiene dos filas para (%1).")
                        .arg(where));
        });
    }
    return c;
}

MixCompositions readMixCompositions(store::Database& db, Workspace& ws) {
    return readMixCompositions(db, idsOf(ws.rsProductos, QStringLiteral("id_producto")),
                               idsOf(ws.rsPropiedades, QStringLiteral("id_propiedad")));
}

} // namespace workspace
