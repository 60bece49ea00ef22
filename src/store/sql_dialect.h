#pragma once

#include <QString>

namespace store {

// Rewrites the program's SQL text into what SQLite accepts, outside quoted text only:
// #mm/dd/yyyy# date literals become 'yyyy-mm-dd' (dates are stored as ISO text, so they compare
// in order). Everything else the program writes (True, trim(), LIKE, comma joins, `pp.*`, mixed-
// case names) SQLite takes as it is.
QString translateSql(const QString& sql);

} // namespace store
