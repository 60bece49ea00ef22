#include "store/database_copy.h"

#include "store/added_tables.h"
#include "store/database.h"
#include "store/database_files.h"
#include "store/schema.h"
#include "store/server_address.h"

#include <QFileInfo>
#include <QStringList>
#include <optional>

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
        // One statement per batch of rows, its values bound; the full batch is prepared once.
        const auto statementFor = [&](int rows) {
            QStringList groups;
            for (int i = 0; i < rows; ++i)
                groups << group;
            return insert + groups.join(u',');
        };
        std::optional<PreparedStatement> full;
        std::vector<QVariant> values;
        int rows = 0;
        const auto flush = [&] {
            if (rows == 0)
                return;
            std::optional<PreparedStatement> last;
            PreparedStatement& st =
                rows == kServerBatch ? (full ? *full : full.emplace(to.prepare(statementFor(rows))))
                                     : last.emplace(to.prepare(statementFor(rows)));
            for (size_t i = 0; i < values.size(); ++i)
                st.bind(int(i) + 1, values[i]);
            st.execute();
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

// A source made before the index on code and version may hold a version of a formula twice; the
// target refuses the second row. They are named before anything is written, so they can be
// mended in the source first.
void refuseRepeatedVersions(Database& from) {
    QStringList repeated;
    int more = 0;
    from.forEachRow(QStringLiteral("select codigo, version, count(*) from formulas group by "
                                   "codigo, version having count(*) > 1 order by codigo, version"),
                    {}, [&](const Database::Row& row) {
                        if (repeated.size() == 5) {
                            ++more;
                            return;
                        }
                        repeated << QStringLiteral("%1 versión %2 (%3 filas)")
                                        .arg(row[0].toString().trimmed(),
                                             QString::number(row[1].toDouble()),
                                             QString::number(row[2].toLongLong()));
                    });
    if (repeated.isEmpty())
        return;
    if (more > 0)
        repeated << QStringLiteral("y %1 más").arg(more);
    throw StoreError(QStringLiteral("No se copió la base de datos: el origen guarda versiones de "
                                    "fórmula repetidas (%1). Elimine las filas sobrantes en la "
                                    "lista de fórmulas del origen y vuelva a copiar.")
                         .arg(repeated.join(QStringLiteral(", "))));
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
    refuseRepeatedVersions(from);
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
    if (!isServerAddress(to)) {
        if (const QString problem = databaseFileProblem(to); !problem.isEmpty())
            throw StoreError(problem);
        // SQLite would take an empty file for an empty database without the program's tables.
        if (const QFileInfo file(to); file.isFile() && file.size() == 0)
            throw StoreError(QStringLiteral("El destino %1 está vacío (0 bytes): no es una base de "
                                            "datos. Bórrelo o indique un archivo que no exista; la "
                                            "copia crea la base de datos.")
                                 .arg(to));
    }
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
