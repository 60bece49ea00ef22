#include "catalog/ingredients.h"

#include "app/format.h"
#include "app/number_text.h"
#include "catalog/catalog_texts.h"
#include "catalog/new_key.h"
#include "catalog/price_history.h"
#include "store/added_tables.h"
#include "store/database.h"
#include "store/revisions.h"
#include "store/sql_text.h"

#include <cmath>

namespace catalog {

namespace {

QString key(int id) {
    return QString::number(id);
}

QString plainNumber(const QVariant& value) {
    return value.isValid() ? fmt::format(value.toDouble(), QString()) : QString();
}

// A typed number whose text is still the one shown stands for the stored value.
double typedOrStored(const QString& typed, const QString& shown, double stored) {
    if (typed.trimmed() == shown.trimmed())
        return stored;
    return numtext::toDouble(typed);
}

QString insertSql(int id, const IngredientValues& v) {
    return QStringLiteral("insert into productos (id_producto,codigo,nombre,unidad,costo,"
                          "materia_seca) values (") +
           key(id) + ',' + sql::codeText(v.codigo) + ',' + sql::text(v.nombre) + ',' +
           sql::text(v.unidad) + ',' + sql::number(v.costo) + ',' + sql::number(v.materiaSeca) +
           ')';
}

QString compositionInsert(int idProducto, int idPropiedad, double valor) {
    return QStringLiteral("insert into producto_propiedad (id_producto,id_propiedad,valor) "
                          "values (") +
           key(idProducto) + ',' + key(idPropiedad) + ',' + sql::number(valor) + ')';
}

const QString kPesada = QStringLiteral("producto_pesada");

// The ingredient's weighing step as given: its row written, or taken away when it has none.
void writeStep(store::Database& db, int id, const std::optional<double>& paso) {
    if (!store::hasTable(db, kPesada)) {
        if (paso)
            throw store::StoreError(QStringLiteral(
                "La base de datos no tiene la tabla producto_pesada: no se puede grabar el paso "
                "de pesada"));
        return;
    }
    const QString where = QStringLiteral(" where id_producto=") + key(id);
    if (!paso) {
        db.exec(QStringLiteral("delete from producto_pesada") + where);
        return;
    }
    if (db.exec(QStringLiteral("update producto_pesada set paso=") + sql::number(*paso) + where) ==
        0)
        db.exec(QStringLiteral("insert into producto_pesada (id_producto,paso) values (") +
                key(id) + ',' + sql::number(*paso) + ')');
}

// Inserts the ingredient row and its first price; the composition rows follow in the same
// transaction.
template <class WriteRows>
CreateResult create(store::Database& db, const IngredientValues& values, const QString& origen,
                    WriteRows writeRows) {
    store::Database::Transaction tx(db);
    if (codeTaken(db, values.codigo))
        return {0, Refusal{texts::kCodigoRepetido, QStringLiteral("Text1")}};
    int id = 0;
    try {
        id = insertWithNewKey(db, QStringLiteral("productos"), QStringLiteral("id_producto"),
                              [&](int k) { return insertSql(k, values); });
    } catch (const store::StoreError&) {
        // Another window stored the same code meanwhile.
        if (codeTaken(db, values.codigo))
            return {0, Refusal{texts::kCodigoRepetido, QStringLiteral("Text1")}};
        throw;
    }
    recordPrice(db, id, {values.costo, values.materiaSeca}, origen);
    writeRows(id);
    if (values.paso)
        writeStep(db, id, values.paso);
    tx.commit();
    return {id, std::nullopt};
}

} // namespace

QString costText(double costo) {
    return fmt::price(costo);
}

std::optional<Refusal> checkIngredient(const IngredientFields& t) {
    if (t.codigo.trimmed().isEmpty())
        return Refusal{texts::kDebeCodigo, QStringLiteral("Text1")};
    if (t.nombre.trimmed().isEmpty())
        return Refusal{texts::kDebeDescripcion, QStringLiteral("Text2")};
    if (t.unidad.trimmed().isEmpty())
        return Refusal{texts::kDebeUnidad, QStringLiteral("Combo1")};
    if (!numtext::isNumber(t.costo))
        return Refusal{texts::kDebeCosto, QStringLiteral("Text3")};
    const std::optional<double> dry = numtext::toNumber(t.materiaSeca);
    if (!dry)
        return Refusal{texts::kDebeMateriaSeca, QStringLiteral("Text4")};
    if (*dry < 0 || *dry > 100)
        return Refusal{texts::kEntre0y100, QStringLiteral("Text4")};
    if (!t.paso.trimmed().isEmpty()) {
        const std::optional<double> step = numtext::toNumber(t.paso);
        if (!step || !(*step > 0) || !std::isfinite(*step))
            return Refusal{kPasoInvalido, QStringLiteral("txtPaso")};
    }
    return std::nullopt;
}

IngredientValues valuesToStore(const IngredientFields& typed, const IngredientRecord& record) {
    IngredientValues v;
    v.codigo = typed.codigo.trimmed();
    v.nombre = typed.nombre.trimmed();
    v.unidad = typed.unidad.trimmed();
    v.costo = typedOrStored(typed.costo, record.shown.costo, record.costo);
    v.materiaSeca = typedOrStored(typed.materiaSeca, record.shown.materiaSeca, record.materiaSeca);
    if (!typed.paso.trimmed().isEmpty())
        v.paso = record.paso && typed.paso.trimmed() == record.shown.paso.trimmed()
                     ? *record.paso
                     : numtext::toDouble(typed.paso);
    return v;
}

std::optional<IngredientRecord> loadIngredient(store::Database& db, int id) {
    const int revision = store::readRevision(db, QStringLiteral("productos"), id);
    store::RecordSet rs =
        db.query(QStringLiteral("select * from productos where id_producto=") + key(id));
    if (rs.count() == 0)
        return std::nullopt;
    rs.moveFirst();
    IngredientRecord r;
    r.id = rs.toInt(QStringLiteral("id_producto"));
    r.revision = revision;
    r.shown.codigo = rs.toString(QStringLiteral("codigo")).trimmed();
    r.shown.nombre = rs.toString(QStringLiteral("nombre"));
    r.shown.unidad = rs.toString(QStringLiteral("unidad"));
    const QVariant costo = rs.value(QStringLiteral("costo"));
    r.costo = costo.toDouble();
    r.shown.costo = costo.isValid() ? costText(r.costo) : QString();
    const QVariant dry = rs.value(QStringLiteral("materia_seca"));
    r.materiaSeca = dry.toDouble();
    r.shown.materiaSeca = plainNumber(dry);
    if (store::hasTable(db, kPesada)) {
        store::RecordSet step = db.query(
            QStringLiteral("select paso from producto_pesada where id_producto=") + key(id));
        if (step.count() > 0) {
            const QVariant paso = step.valueAt(0, 0);
            if (paso.isValid()) {
                r.paso = paso.toDouble();
                r.shown.paso = plainNumber(paso);
            }
        }
    }
    return r;
}

bool codeTaken(store::Database& db, const QString& code) {
    return db.query(QStringLiteral("select id_producto from productos where trim(codigo)=") +
                    sql::text(code))
               .count() > 0;
}

CreateResult createIngredient(store::Database& db, const IngredientValues& values) {
    return create(db, values, kOrigenEdicion, [&](int id) {
        store::RecordSet nutrients =
            db.query(QStringLiteral("select id_propiedad from propiedades"));
        for (nutrients.moveFirst(); !nutrients.eof(); nutrients.moveNext())
            db.exec(compositionInsert(id, nutrients.value(0).toInt(), 0));
    });
}

CreateResult createIngredient(store::Database& db, const IngredientValues& values,
                              const std::vector<CompositionValue>& composition) {
    return create(db, values, kOrigenFormula, [&](int id) {
        for (const CompositionValue& c : composition)
            db.exec(compositionInsert(id, c.idPropiedad, c.valor));
    });
}

bool updateIngredient(store::Database& db, int id, const IngredientValues& v,
                      std::optional<int> loadedRevision) {
    store::Database::Transaction tx(db);
    const std::optional<StoredPrice> before = storedPrice(db, id);
    const bool updated =
        db.exec(QStringLiteral("update productos set nombre=") + sql::text(v.nombre) +
                QStringLiteral(",unidad=") + sql::text(v.unidad) + QStringLiteral(",costo=") +
                sql::number(v.costo) + QStringLiteral(",materia_seca=") +
                sql::number(v.materiaSeca) + QStringLiteral(" where id_producto=") + key(id)) > 0;
    if (updated && before)
        recordPriceChange(db, id, *before, {v.costo, v.materiaSeca}, kOrigenEdicion);
    if (updated)
        writeStep(db, id, v.paso);
    if (updated && loadedRevision)
        store::claimRevision(db, QStringLiteral("productos"), id, *loadedRevision,
                             kIngredientChangedByOther);
    tx.commit();
    return updated;
}

bool ingredientHasNutrients(store::Database& db, int id) {
    return db.query(QStringLiteral("select * from producto_propiedad where id_producto=") + key(id))
               .count() > 0;
}

int formulasUsingIngredient(store::Database& db, int id) {
    store::RecordSet rs =
        db.query(QStringLiteral("select count(*) from formula_producto fp,formulas f where "
                                "fp.id_formula=f.id_formula and fp.id_producto=") +
                 key(id));
    return rs.count() > 0 ? rs.valueAt(0, 0).toInt() : 0;
}

void deleteIngredient(store::Database& db, int id) {
    store::Database::Transaction tx(db);
    if (store::hasTable(db, QStringLiteral("grupo_producto")))
        db.exec(QStringLiteral("delete from grupo_producto where id_producto=") + key(id));
    for (const QString& table :
         {QStringLiteral("plan_producto"), QStringLiteral("formula_uso_minimo"),
          QStringLiteral("producto_pesada"), QStringLiteral("producto_propiedad_desvio"),
          QStringLiteral("producto_analisis"), QStringLiteral("producto_propiedad_historial"),
          QStringLiteral("producto_propiedad_fuente")})
        if (store::hasTable(db, table))
            db.exec(QStringLiteral("delete from ") + table + QStringLiteral(" where id_producto=") +
                    key(id));
    deletePriceHistory(db, id);
    db.exec(QStringLiteral("delete from producto_propiedad where id_producto=") + key(id));
    db.exec(QStringLiteral("delete from productos where id_producto=") + key(id));
    tx.commit();
}

} // namespace catalog
