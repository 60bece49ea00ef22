#include "catalog/price_history.h"

#include "app/format.h"
#include "store/added_tables.h"
#include "store/database.h"
#include "store/sql_text.h"

#include <atomic>

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

bool hasHistory(store::Database& db, int idProducto) {
    return db.query(QStringLiteral("select count(*) from precio_historial where id_producto=") +
                    QString::number(idProducto))
               .valueAt(0, 0)
               .toInt() > 0;
}

bool historyTableMissing(store::Database& db) {
    return db.query(QStringLiteral("PRAGMA table_info(precio_historial)")).count() == 0;
}

} // namespace

QDateTime changeTime() {
    // The import writes on a worker thread while a window may save: one clock for both.
    static std::atomic<qint64> last{0};
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    qint64 previous = last.load();
    do {
        if (now <= previous)
            now = previous + 1;
    } while (!last.compare_exchange_weak(previous, now));
    return QDateTime::fromMSecsSinceEpoch(now);
}

void recordPrice(store::Database& db, int idProducto, const StoredPrice& price,
                 const QString& origen, const QDateTime& fecha) {
    db.exec(QStringLiteral("insert into precio_historial (id_producto,fecha,costo,materia_seca,"
                           "origen) values (") +
            QString::number(idProducto) + u',' + sql::dateTime(fecha) + u',' +
            literal(price.costo) + u',' + literal(price.materiaSeca) + u',' + sql::text(origen) +
            u')');
}

bool recordPriceChange(store::Database& db, int idProducto, const StoredPrice& before,
                       const StoredPrice& after, const QString& origen, const QDateTime& fecha) {
    if (before == after)
        return false;
    if ((before.costo || before.materiaSeca) && !hasHistory(db, idProducto))
        recordPrice(db, idProducto, before, kOrigenAnterior, fecha.addMSecs(-1));
    recordPrice(db, idProducto, after, origen, fecha);
    return true;
}

std::optional<StoredPrice> storedPrice(store::Database& db, int idProducto) {
    store::RecordSet rs =
        db.query(QStringLiteral("select costo,materia_seca from productos where id_producto=") +
                 QString::number(idProducto));
    if (rs.count() == 0)
        return std::nullopt;
    return StoredPrice{numberOf(rs.valueAt(0, 0)), numberOf(rs.valueAt(0, 1))};
}

void deletePriceHistory(store::Database& db, int idProducto) {
    db.exec(QStringLiteral("delete from precio_historial where id_producto=") +
            QString::number(idProducto));
}

std::vector<PriceEntry> lastPrices(store::Database& db, int idProducto, int limit) {
    store::RecordSet rs;
    try {
        // The user a server wrote (a history from before the column has none).
        const QString usuario =
            store::hasColumn(db, QStringLiteral("precio_historial"), QStringLiteral("usuario"))
                ? QStringLiteral("usuario")
                : QStringLiteral("Null");
        rs = db.query(QStringLiteral("select fecha,costo,materia_seca,origen,") + usuario +
                      QStringLiteral(" from precio_historial where id_producto=") +
                      QString::number(idProducto) + QStringLiteral(" order by fecha desc limit ") +
                      QString::number(limit));
    } catch (const store::StoreError&) {
        if (historyTableMissing(db))
            return {};
        throw;
    }
    std::vector<PriceEntry> out;
    for (int r = 0; r < rs.count(); ++r)
        out.push_back({moment(rs.valueAt(r, 0)),
                       {numberOf(rs.valueAt(r, 1)), numberOf(rs.valueAt(r, 2))},
                       rs.valueAt(r, 3).toString(),
                       rs.valueAt(r, 4).toString().trimmed()});
    return out;
}

grid::GridContent priceHistoryGrid(const std::vector<PriceEntry>& entries) {
    const std::vector<grid::Column> columns = {
        {QStringLiteral("Fecha"), 1700, grid::kLeft},
        {QStringLiteral("Costo"), 1100, grid::kRight, fmt::kPricePattern},
        {QStringLiteral("Materia Seca"), 1200, grid::kRight, QStringLiteral("##0.00")},
        {QStringLiteral("Origen"), 1600, grid::kLeft},
        {QStringLiteral("Usuario"), 1300, grid::kLeft},
    };
    const auto value = [](const std::optional<double>& v) { return v ? QVariant(*v) : QVariant(); };
    std::vector<std::vector<QVariant>> rows;
    for (const PriceEntry& e : entries)
        rows.push_back({e.fecha.toString(QStringLiteral("dd/MM/yyyy HH:mm")), value(e.price.costo),
                        value(e.price.materiaSeca), e.origen, e.usuario});
    return grid::gridContent({QStringLiteral("fecha"), QStringLiteral("costo"),
                              QStringLiteral("materia_seca"), QStringLiteral("origen"),
                              QStringLiteral("usuario")},
                             rows, columns);
}

} // namespace catalog
