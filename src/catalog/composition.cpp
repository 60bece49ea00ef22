#include "catalog/composition.h"

#include "app/number_text.h"
#include "catalog/composition_history.h"
#include "store/database.h"
#include "store/record_set.h"
#include "store/sql_text.h"

namespace catalog {

namespace {

QString key(int id) {
    return QString::number(id);
}

QString rowCondition(int idProducto, int idPropiedad) {
    return QStringLiteral(" where id_producto=") + key(idProducto) +
           QStringLiteral(" and id_propiedad=") + key(idPropiedad);
}

} // namespace

QString compositionSql(int idProducto, const QString& nameFilter) {
    QString sql =
        QStringLiteral("select pp.id_producto,pp.id_propiedad,p.nombre,pp.valor,"
                       "(select d.desvio from producto_propiedad_desvio d where "
                       "d.id_producto=pp.id_producto and d.id_propiedad=pp.id_propiedad) "
                       "as desvio,(select f.fuente from producto_propiedad_fuente f where "
                       "f.id_producto=pp.id_producto and f.id_propiedad=pp.id_propiedad) "
                       "as fuente from producto_propiedad pp,propiedades p where "
                       "pp.id_propiedad=p.id_propiedad and pp.id_producto=") +
        key(idProducto);
    if (!nameFilter.trimmed().isEmpty())
        sql += QStringLiteral(" and p.nombre like ") + sql::containsPattern(nameFilter);
    sql += QStringLiteral(" order by pp.valor DESC,p.nombre");
    return sql;
}

std::vector<grid::Column> compositionColumns() {
    return {
        grid::Column(QString(), 0),
        grid::Column(QString(), 0),
        grid::Column(QStringLiteral("Nutriente"), 5130),
        grid::Column(QStringLiteral("Valor"), 1300, grid::kRight, QStringLiteral("#####0.00000")),
        grid::Column(QStringLiteral("Desvío"), 1100, grid::kRight, QStringLiteral("#####0.00000")),
        grid::Column(QStringLiteral("Fuente"), 2400),
    };
}

int compositionNameWidth(int dataRows) {
    return dataRows + 1 >= 17 ? 5130 - grid::kScrollBarRoom : 5130;
}

AddOutcome addNutrientToIngredient(store::Database& db, int idProducto, int idPropiedad) {
    store::Database::Transaction tx(db);
    if (db.query(QStringLiteral("select id_producto from producto_propiedad where id_producto=") +
                 key(idProducto) + QStringLiteral(" and id_propiedad=") + key(idPropiedad))
            .count() > 0)
        return AddOutcome::AlreadyPresent;
    db.exec(QStringLiteral("insert into producto_propiedad (id_producto,id_propiedad,valor) "
                           "values (") +
            key(idProducto) + ',' + key(idPropiedad) + QStringLiteral(",0)"));
    tx.commit();
    return AddOutcome::Added;
}

bool updateCompositionValue(store::Database& db, int idProducto, int idPropiedad, double valor,
                            const QDateTime& fecha) {
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    const StoredComposition before = storedComposition(db, idProducto, idPropiedad);
    if (db.exec(QStringLiteral("update producto_propiedad set valor=") + sql::number(valor) +
                rowCondition(idProducto, idPropiedad)) == 0)
        return false;
    recordCompositionChange(db, idProducto, idPropiedad, before, {valor, before.desvio},
                            kOrigenEdicionComposicion, fecha);
    tx.commit();
    return true;
}

bool saveCompositionDeviation(store::Database& db, int idProducto, int idPropiedad,
                              std::optional<double> desvio, const QDateTime& fecha) {
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    if (db.query(QStringLiteral("select id_producto from producto_propiedad") +
                 rowCondition(idProducto, idPropiedad))
            .count() == 0)
        return false;
    const StoredComposition before = storedComposition(db, idProducto, idPropiedad);
    if (before.desvio == desvio)
        return true;
    if (!desvio)
        db.exec(QStringLiteral("delete from producto_propiedad_desvio") +
                rowCondition(idProducto, idPropiedad));
    else if (before.desvio)
        db.exec(QStringLiteral("update producto_propiedad_desvio set desvio=") +
                sql::number(*desvio) + rowCondition(idProducto, idPropiedad));
    else
        db.exec(QStringLiteral("insert into producto_propiedad_desvio (id_producto,id_propiedad,"
                               "desvio) values (") +
                key(idProducto) + ',' + key(idPropiedad) + ',' + sql::number(*desvio) + ')');
    recordCompositionChange(db, idProducto, idPropiedad, before, {before.valor, desvio},
                            kOrigenEdicionComposicion, fecha);
    tx.commit();
    return true;
}

DeviationEntry deviationToStore(const QString& typed) {
    if (typed.trimmed().isEmpty())
        return {};
    const std::optional<double> v = numtext::toNumber(typed);
    if (!v)
        return {std::nullopt, QStringLiteral("El desvío debe ser un número (o quedar vacío si el "
                                             "valor no tiene desvío).")};
    if (*v < 0)
        return {std::nullopt, QStringLiteral("El desvío no puede ser negativo.")};
    return {v, {}};
}

bool deviationUnchanged(const QString& typed, const QString& startText) {
    if (typed.trimmed().isEmpty() || startText.trimmed().isEmpty())
        return typed.trimmed().isEmpty() && startText.trimmed().isEmpty();
    const std::optional<double> v = numtext::toNumber(typed);
    return v && *v == numtext::toDouble(startText, -1);
}

void deleteComposition(store::Database& db, int idProducto, int idPropiedad) {
    db.exec(QStringLiteral("delete from producto_propiedad") +
            rowCondition(idProducto, idPropiedad));
}

QString compositionSource(store::Database& db, int idProducto, int idPropiedad) {
    store::RecordSet rs = db.query(QStringLiteral("select fuente from producto_propiedad_fuente") +
                                   rowCondition(idProducto, idPropiedad));
    return rs.count() > 0 ? rs.valueAt(0, 0).toString() : QString();
}

double startValueOf(const QString& cellText) {
    return numtext::toDouble(cellText, 0);
}

bool editUnchanged(const QString& typed, double startValue) {
    const std::optional<double> v = numtext::toNumber(typed);
    return v && *v == startValue;
}

std::optional<double> valueToStore(const QString& typed) {
    if (typed.trimmed().isEmpty())
        return 0.0;
    return numtext::toNumber(typed);
}

std::vector<CompositionValue> mixComposition(const std::vector<MixNutrientValue>& nutrients,
                                             bool valuesOnDryBasis, double mixDryMatter) {
    std::vector<CompositionValue> rows;
    const bool toDry = !valuesOnDryBasis && mixDryMatter > 0;
    for (const MixNutrientValue& n : nutrients) {
        double valor = n.valor.value_or(0);
        if (toDry)
            valor = valor * 100 / mixDryMatter;
        rows.push_back({n.idPropiedad, valor});
    }
    return rows;
}

} // namespace catalog
