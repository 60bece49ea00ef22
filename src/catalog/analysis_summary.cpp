#include "catalog/analysis_summary.h"

#include "app/date_text.h"
#include "app/format.h"
#include "store/database.h"
#include "store/revisions.h"
#include "store/sql_text.h"

#include <QHash>
#include <QSet>
#include <cmath>
#include <map>

namespace catalog {

namespace {

std::optional<double> numberOf(const QVariant& v) {
    return v.isValid() && !v.isNull() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

QString pairWhere(int idProducto, int idPropiedad) {
    return QStringLiteral(" where id_producto=") + QString::number(idProducto) +
           QStringLiteral(" and id_propiedad=") + QString::number(idPropiedad);
}

// Sets a pair's field to `value`, inserting the pair's row when it has none.
void upsert(store::Database& db, const QString& table, const QString& field, int idProducto,
            int idPropiedad, double value) {
    if (db.exec(QStringLiteral("update ") + table + QStringLiteral(" set ") + field + u'=' +
                sql::number(value) + pairWhere(idProducto, idPropiedad)) > 0)
        return;
    db.exec(QStringLiteral("insert into ") + table + QStringLiteral(" (id_producto,id_propiedad,") +
            field + QStringLiteral(") values (") + QString::number(idProducto) + u',' +
            QString::number(idPropiedad) + u',' + sql::number(value) + u')');
}

bool exists(store::Database& db, const QString& table, const QString& column, int id) {
    return db.query(QStringLiteral("select ") + column + QStringLiteral(" from ") + table +
                    QStringLiteral(" where ") + column + u'=' + QString::number(id))
               .count() > 0;
}

QVariant cellValue(const std::optional<double>& v) {
    return v ? QVariant(*v) : QVariant();
}

} // namespace

std::vector<AnalysisSummaryRow> summarizeAnalyses(store::Database& db, const QDate& from,
                                                  const QDate& to) {
    // The results of each pair, the pairs in the order they are shown.
    using Order = std::tuple<QString, QString, int, int>;
    std::map<Order, std::pair<AnalysisSummaryRow, std::vector<double>>> pairs;
    db.forEachRow(
        QStringLiteral("select a.id_producto,p.codigo,p.nombre,a.id_propiedad,q.nombre,q.unidad,"
                       "a.valor from producto_analisis a inner join productos p on "
                       "p.id_producto=a.id_producto inner join propiedades q on "
                       "q.id_propiedad=a.id_propiedad where a.fecha>=") +
            sql::date(from) + QStringLiteral(" and a.fecha<=") + sql::date(to),
        {}, [&](const store::Database::Row& row) {
            const Order order{row[2].toString(), row[4].toString(), row[0].toInt(), row[3].toInt()};
            auto& [summary, values] = pairs[order];
            if (values.empty()) {
                summary.idProducto = row[0].toInt();
                summary.codigo = row[1].toString().trimmed();
                summary.nombre = row[2].toString();
                summary.idPropiedad = row[3].toInt();
                summary.propiedad = row[4].toString();
                summary.unidad = row[5].toString().trimmed();
            }
            values.push_back(row[6].toDouble());
        });

    std::vector<AnalysisSummaryRow> out;
    std::vector<int> ingredients;
    for (auto& [order, entry] : pairs) {
        auto& [summary, values] = entry;
        if (int(values.size()) < kLeastAnalyses)
            continue;
        const double n = double(values.size());
        double sum = 0;
        for (double v : values)
            sum += v;
        const double mean = sum / n;
        double squares = 0;
        for (double v : values)
            squares += (v - mean) * (v - mean);
        summary.count = int(values.size());
        summary.mean = mean;
        summary.sd = std::sqrt(squares / (n - 1));
        out.push_back(summary);
        ingredients.push_back(summary.idProducto);
    }
    if (out.empty())
        return out;

    // Today's values of the pairs, two readings for all of them.
    const QString where = QStringLiteral(" where id_producto in ") + sql::integerList(ingredients);
    QHash<QPair<int, int>, StoredComposition> today;
    db.forEachRow(QStringLiteral("select id_producto,id_propiedad,valor from producto_propiedad") +
                      where,
                  {}, [&](const store::Database::Row& row) {
                      today[{row[0].toInt(), row[1].toInt()}].valor = numberOf(row[2]);
                  });
    db.forEachRow(
        QStringLiteral("select id_producto,id_propiedad,desvio from producto_propiedad_desvio") +
            where,
        {}, [&](const store::Database::Row& row) {
            today[{row[0].toInt(), row[1].toInt()}].desvio = numberOf(row[2]);
        });
    for (AnalysisSummaryRow& r : out)
        r.today = today.value({r.idProducto, r.idPropiedad});
    return out;
}

int applyAnalysisSummary(store::Database& db, const std::vector<AnalysisSummaryRow>& rows,
                         const QDateTime& fecha) {
    // Each value is read before it is written: the write lock is taken first.
    store::Database::Transaction tx(db, store::Database::Transaction::WriteLock::Now);
    int changed = 0;
    std::vector<int> ingredients;
    QSet<int> raised;
    for (const AnalysisSummaryRow& r : rows) {
        if (!r.changes())
            continue;
        const QString stale =
            QStringLiteral("La composición de %1 en %2 cambió (o el ingrediente o la propiedad "
                           "fueron eliminados) después de calcular los análisis; vuelva a "
                           "calcularlos.")
                .arg(r.nombre, r.propiedad);
        if (!exists(db, QStringLiteral("productos"), QStringLiteral("id_producto"), r.idProducto) ||
            !exists(db, QStringLiteral("propiedades"), QStringLiteral("id_propiedad"),
                    r.idPropiedad) ||
            !(storedComposition(db, r.idProducto, r.idPropiedad) == r.today))
            throw store::StaleRowError(stale);
        const StoredComposition after = r.proposed();
        if (r.today.valor != after.valor)
            upsert(db, QStringLiteral("producto_propiedad"), QStringLiteral("valor"), r.idProducto,
                   r.idPropiedad, r.mean);
        if (r.today.desvio != after.desvio)
            upsert(db, QStringLiteral("producto_propiedad_desvio"), QStringLiteral("desvio"),
                   r.idProducto, r.idPropiedad, r.sd);
        recordCompositionChange(db, r.idProducto, r.idPropiedad, r.today, after, kOrigenAnalisis,
                                fecha);
        if (!raised.contains(r.idProducto)) {
            store::raiseRevision(db, QStringLiteral("productos"), r.idProducto);
            raised.insert(r.idProducto);
        }
        ++changed;
    }
    tx.commit();
    return changed;
}

QString summaryPeriodText(const QDate& from, const QDate& to, int rows) {
    const QString period =
        QStringLiteral("del %1 al %2").arg(datetext::formatDate(from), datetext::formatDate(to));
    if (rows == 0)
        return QStringLiteral("Ningún ingrediente tiene %1 análisis o más de una misma propiedad "
                              "%2.")
            .arg(kLeastAnalyses)
            .arg(period);
    return (rows == 1 ? QStringLiteral("1 composición")
                      : QString::number(rows) + QStringLiteral(" composiciones")) +
           QStringLiteral(" con %1 análisis o más %2.").arg(kLeastAnalyses).arg(period);
}

QString askApplySummary(int changes) {
    return changes == 1
               ? QStringLiteral("¿Reemplaza 1 valor de composición y su desvío por la media y el "
                                "desvío de los análisis?")
               : QStringLiteral("¿Reemplaza %1 valores de composición y sus desvíos por la media "
                                "y el desvío de los análisis?")
                     .arg(changes);
}

QString appliedSummaryMessage(int changed) {
    return changed == 1 ? QStringLiteral("Se actualizó 1 valor de composición.")
                        : QStringLiteral("Se actualizaron %1 valores de composición.").arg(changed);
}

grid::GridContent analysisSummaryGrid(const std::vector<AnalysisSummaryRow>& rows) {
    const QString number = QStringLiteral("#####0.00###");
    const std::vector<grid::Column> columns = {
        {QStringLiteral("Código"), 1000, grid::kLeft},
        {QStringLiteral("Ingrediente"), 2300, grid::kLeft},
        {QStringLiteral("Propiedad"), 1900, grid::kLeft},
        {QStringLiteral("n"), 500, grid::kRight},
        {QStringLiteral("Media"), 1200, grid::kRight, number},
        {QStringLiteral("Desvío"), 1200, grid::kRight, number},
        {QStringLiteral("Valor actual"), 1200, grid::kRight, number},
        {QStringLiteral("Desvío actual"), 1200, grid::kRight, number},
    };
    std::vector<std::vector<QVariant>> cells;
    for (const AnalysisSummaryRow& r : rows)
        cells.push_back({r.codigo, r.nombre, r.propiedad, r.count, r.mean, r.sd,
                         cellValue(r.today.valor), cellValue(r.today.desvio)});
    grid::GridContent content = grid::gridContent(
        {QStringLiteral("codigo"), QStringLiteral("nombre"), QStringLiteral("propiedad"),
         QStringLiteral("n"), QStringLiteral("media"), QStringLiteral("desvio"),
         QStringLiteral("valor_actual"), QStringLiteral("desvio_actual")},
        cells, columns);
    for (int r = 0; r < content.rowCount(); ++r) {
        if (rows[size_t(r)].changes())
            continue;
        for (int c = 0; c < content.columnCount(); ++c)
            content.cell(r, c).background = grid::kDimmed;
    }
    return content;
}

} // namespace catalog
