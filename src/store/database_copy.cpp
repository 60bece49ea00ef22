#include "store/database_copy.h"

#include "store/added_tables.h"
#include "store/database.h"
#include "store/schema.h"
#include "store/server_address.h"
#include "store/server_dialect.h"

#include <QFileInfo>
#include <QStringList>

namespace store {

namespace {

// Rows written per statement on a server: each statement is a round trip, each row is not.
constexpr int kServerBatch = 500;

int rowCount(Database& db, const QString& table) {
    return db.query(QStringLiteral("select count(*) from ") + table).value(0).toInt();
}

// Whether the target already has the program's tables (a server database may be empty).
bool hasTables(const QString& to) {
    if (!isServerAddress(to))
        return QFileInfo::exists(to);
    try {
        Database::openServer(to);
        return true;
    } catch (const StoreError& e) {
        // A database without our tables fails the opening check naming the first one missing.
        if (e.message().startsWith(QStringLiteral("La base de datos no tiene la tabla")))
            return false;
        throw;
    }
}

void copyTable(Database& from, Database& to, const TableColumns& t) {
    const QString columns = t.columns.join(u',');
    const QString select = QStringLiteral("select ") + columns + QStringLiteral(" from ") +
                           t.table + QStringLiteral(" order by ") + columns;
    QStringList marks;
    for (qsizetype i = 0; i < t.columns.size(); ++i)
        marks << QStringLiteral("?");
    const QString group = u'(' + marks.join(u',') + u')';
    const QString insert = QStringLiteral("insert into ") + t.table + QStringLiteral(" (") +
                           columns + QStringLiteral(") values ");
    if (to.isServer()) {
        std::vector<QVariant> values;
        int rows = 0;
        const auto flush = [&] {
            if (rows == 0)
                return;
            QStringList groups;
            for (int i = 0; i < rows; ++i)
                groups << group;
            to.exec(withParameters(insert + groups.join(u','), values));
            values.clear();
            rows = 0;
        };
        from.forEachRow(select, {}, [&](const Database::Row& row) {
            values.insert(values.end(), row.begin(), row.end());
            if (++rows == kServerBatch)
                flush();
        });
        flush();
        return;
    }
    PreparedStatement st = to.prepare(insert + group);
    from.forEachRow(select, {}, [&](const Database::Row& row) {
        for (size_t c = 0; c < row.size(); ++c)
            st.bind(int(c) + 1, row[c]);
        st.execute();
    });
}

} // namespace

void copyRows(Database& from, Database& to,
              const std::function<void(const QString& table, int rows)>& progress) {
    const std::vector<TableColumns> tables = schemaTables();
    for (const TableColumns& t : tables)
        if (rowCount(to, t.table) > 0)
            throw StoreError(QStringLiteral("La base de datos de destino %1 ya tiene datos (tabla "
                                            "%2); la copia solo se hace en una base vacía.")
                                 .arg(to.path(), t.table));
    for (const TableColumns& t : tables) {
        // A source made before the ratio and group limits, opened read-only, has none to copy.
        if (t.addedLater && !hasTable(from, t.table)) {
            if (progress)
                progress(t.table, 0);
            continue;
        }
        // A source made before an added column, opened read-only, has only Null to give there.
        TableColumns present = t;
        for (const AddedColumn& c : addedColumns())
            if (c.table == t.table && !hasColumn(from, c.table, c.column))
                present.columns.removeAll(c.column);
        copyTable(from, to, present);
        const int copied = rowCount(to, t.table);
        if (copied != rowCount(from, t.table))
            throw StoreError(
                QStringLiteral("La copia de la tabla %1 no quedó completa.").arg(t.table));
        if (progress)
            progress(t.table, copied);
    }
}

void copyDatabase(const QString& from, const QString& to,
                  const std::function<void(const QString& table, int rows)>& progress) {
    if (from == to)
        throw StoreError(
            QStringLiteral("El origen y el destino de la copia son la misma base de datos."));
    const auto source = Database::openFile(from);
    if (!hasTables(to)) {
        Database::createFile(to, false,
                             [&](Database& target) { copyRows(*source, target, progress); });
        return;
    }
    const auto target = Database::openFile(to);
    Database::Transaction tx(*target);
    copyRows(*source, *target, progress);
    tx.commit();
}

} // namespace store
