#include "catalog/composition_history.h"

#include "store/database.h"
#include "store/sql_text.h"

namespace catalog {

namespace {

QString literal(const std::optional<double>& value) {
    return value ? sql::number(*value) : QStringLiteral("Null");
}

std::optional<double> numberOf(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return value.toDouble();
}

QString pairWhere(int idProducto, int idPropiedad) {
    return QStringLiteral(" where id_producto=") + QString::number(idProducto) +
           QStringLiteral(" and id_propiedad=") + QString::number(idPropiedad);
}

// SQLite keeps the text as written ("2026-03-02 10:15:00.250"); the server hands back its own
// ISO text ("2026-03-02T10:15:00").
QDateTime moment(const QVariant& value) {
    QString text = value.toString().trimmed();
    text.replace(u' ', u'T');
    QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!parsed.isValid())
        parsed = QDateTime::fromString(text, Qt::ISODate);
    return parsed;
}

void record(store::Database& db, int idProducto, int idPropiedad, const StoredComposition& values,
            const QString& origen, const QDateTime& fecha) {
    db.exec(QStringLiteral("insert into producto_propiedad_historial (id_producto,id_propiedad,"
                           "fecha,valor,desvio,origen) values (") +
            QString::number(idProducto) + u',' + QString::number(idPropiedad) + u',' +
            sql::dateTime(fecha) + u',' + literal(values.valor) + u',' + literal(values.desvio) +
            u',' + sql::text(origen) + u')');
}

} // namespace

StoredComposition storedComposition(store::Database& db, int idProducto, int idPropiedad) {
    StoredComposition out;
    store::RecordSet value = db.query(QStringLiteral("select valor from producto_propiedad") +
                                      pairWhere(idProducto, idPropiedad));
    if (value.count() > 0)
        out.valor = numberOf(value.valueAt(0, 0));
    store::RecordSet desvio =
        db.query(QStringLiteral("select desvio from producto_propiedad_desvio") +
                 pairWhere(idProducto, idPropiedad));
    if (desvio.count() > 0)
        out.desvio = numberOf(desvio.valueAt(0, 0));
    return out;
}

bool recordCompositionChange(store::Database& db, int idProducto, int idPropiedad,
                             const StoredComposition& before, const StoredComposition& after,
                             const QString& origen, const QDateTime& fecha) {
    if (before == after)
        return false;
    const bool hasHistory =
        db.query(QStringLiteral("select count(*) from producto_propiedad_historial") +
                 pairWhere(idProducto, idPropiedad))
            .valueAt(0, 0)
            .toInt() > 0;
    if ((before.valor || before.desvio) && !hasHistory)
        record(db, idProducto, idPropiedad, before, kOrigenValorAnterior, fecha.addMSecs(-1));
    record(db, idProducto, idPropiedad, after, origen, fecha);
    return true;
}

std::vector<CompositionEntry> lastCompositions(store::Database& db, int idProducto, int idPropiedad,
                                               int limit) {
    store::RecordSet rs =
        db.query(QStringLiteral("select fecha,valor,desvio,origen,usuario from "
                                "producto_propiedad_historial") +
                 pairWhere(idProducto, idPropiedad) +
                 QStringLiteral(" order by fecha desc limit ") + QString::number(limit));
    std::vector<CompositionEntry> out;
    for (int r = 0; r < rs.count(); ++r)
        out.push_back({moment(rs.valueAt(r, 0)),
                       {numberOf(rs.valueAt(r, 1)), numberOf(rs.valueAt(r, 2))},
                       rs.valueAt(r, 3).toString(),
                       rs.valueAt(r, 4).toString().trimmed()});
    return out;
}

} // namespace catalog
