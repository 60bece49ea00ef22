#include "catalog/new_key.h"

#include "store/database.h"

namespace catalog {

namespace {

constexpr int kAttempts = 5;

bool keyTaken(store::Database& db, const QString& table, const QString& column, int key) {
    return db.query(QStringLiteral("select ") + column + QStringLiteral(" from ") + table +
                    QStringLiteral(" where ") + column + '=' + QString::number(key))
               .count() > 0;
}

} // namespace

int insertWithNewKey(store::Database& db, const QString& table, const QString& keyColumn,
                     const std::function<QString(int key)>& insertSql, int firstKey) {
    int key = firstKey > 0 ? firstKey : db.nextKey(table, keyColumn);
    for (int attempt = 1;; ++attempt) {
        try {
            db.exec(insertSql(key));
            return key;
        } catch (const store::StoreError&) {
            // Only a key taken meanwhile is worth another try; any other failure is real.
            if (attempt >= kAttempts || !keyTaken(db, table, keyColumn, key))
                throw;
            key = db.nextKey(table, keyColumn);
        }
    }
}

} // namespace catalog
