#pragma once

struct sqlite3;

namespace store {

// Replaces SQLite's LIKE on the connection with one that ignores case and accents for every
// letter ("maiz" finds "Maíz", "ÑANDÚ" finds "ñandú"); SQLite's own folds ASCII only.
bool installUnicodeLike(sqlite3* handle);

} // namespace store
