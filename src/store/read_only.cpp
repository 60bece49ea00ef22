#include "store/read_only.h"

#include "store/database.h"

namespace store {

void readOnlyTransactions(Database& db) {
    if (db.isServer())
        db.exec(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"));
}

} // namespace store
