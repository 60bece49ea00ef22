#include "catalog/nutrients.h"

#include "catalog/catalog_texts.h"
#include "catalog/new_key.h"
#include "store/added_tables.h"
#include "store/database.h"
#include "store/revisions.h"
#include "store/sql_text.h"

namespace catalog {

namespace {

QString key(int id) {
    return QString::number(id);
}

} // namespace

std::optional<Refusal> checkNutrient(const NutrientFields& typed) {
    if (typed.nombre.trimmed().isEmpty())
        return Refusal{texts::kDebeDescripcion, QStringLiteral("Text1")};
    return std::nullopt;
}

std::optional<NutrientFields> loadNutrient(store::Database& db, int id) {
    store::RecordSet rs =
        db.query(QStringLiteral("select * from propiedades where id_propiedad=") + key(id));
    if (rs.count() == 0)
        return std::nullopt;
    rs.moveFirst();
    return NutrientFields{rs.toString(QStringLiteral("nombre")),
                          rs.toString(QStringLiteral("unidad"))};
}

int createNutrient(store::Database& db, const NutrientFields& fields) {
    store::Database::Transaction tx(db);
    const int id = insertWithNewKey(
        db, QStringLiteral("propiedades"), QStringLiteral("id_propiedad"), [&](int k) {
            return QStringLiteral("insert into propiedades (id_propiedad,nombre,unidad) values (") +
                   key(k) + ',' + sql::text(fields.nombre) + ',' + sql::text(fields.unidad) + ')';
        });
    store::RecordSet ingredients = db.query(QStringLiteral("select id_producto from productos"));
    const QString tail = ',' + key(id) + QStringLiteral(",0)");
    for (ingredients.moveFirst(); !ingredients.eof(); ingredients.moveNext())
        db.exec(QStringLiteral("insert into producto_propiedad (id_producto,id_propiedad,valor) "
                               "values (") +
                key(ingredients.value(0).toInt()) + tail);
    tx.commit();
    return id;
}

bool updateNutrient(store::Database& db, int id, const NutrientFields& fields,
                    std::optional<int> loadedRevision) {
    store::Database::Transaction tx(db);
    const bool updated =
        db.exec(QStringLiteral("update propiedades set nombre=") + sql::text(fields.nombre) +
                QStringLiteral(",unidad=") + sql::text(fields.unidad) +
                QStringLiteral(" where id_propiedad=") + key(id)) > 0;
    if (updated && loadedRevision)
        store::claimRevision(db, QStringLiteral("propiedades"), id, *loadedRevision,
                             kNutrientChangedByOther);
    tx.commit();
    return updated;
}

int nutrientRevision(store::Database& db, int id) {
    return store::readRevision(db, QStringLiteral("propiedades"), id);
}

bool nutrientHasIngredients(store::Database& db, int id) {
    return db.query(QStringLiteral("select * from producto_propiedad where id_propiedad=") +
                    key(id))
               .count() > 0;
}

int formulasUsingNutrient(store::Database& db, int id) {
    store::RecordSet rs =
        db.query(QStringLiteral("select count(*) from formula_propiedad fp,formulas f where "
                                "fp.id_formula=f.id_formula and fp.id_propiedad=") +
                 key(id));
    return rs.count() > 0 ? rs.valueAt(0, 0).toInt() : 0;
}

void deleteNutrient(store::Database& db, int id) {
    store::Database::Transaction tx(db);
    // A ratio limit over a nutrient that no longer exists would keep its formulas from loading.
    if (store::hasTable(db, QStringLiteral("formula_relacion")))
        db.exec(QStringLiteral("delete from formula_relacion where id_propiedad=") + key(id) +
                QStringLiteral(" or id_propiedad_divisor=") + key(id));
    for (const QString& table :
         {QStringLiteral("formula_propiedad_probabilidad"),
          QStringLiteral("producto_propiedad_desvio"), QStringLiteral("producto_analisis"),
          QStringLiteral("producto_propiedad_historial"),
          QStringLiteral("producto_propiedad_fuente")})
        if (store::hasTable(db, table))
            db.exec(QStringLiteral("delete from ") + table +
                    QStringLiteral(" where id_propiedad=") + key(id));
    db.exec(QStringLiteral("delete from producto_propiedad where id_propiedad=") + key(id));
    db.exec(QStringLiteral("delete from propiedades where id_propiedad=") + key(id));
    tx.commit();
}

} // namespace catalog
