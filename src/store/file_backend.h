#pragma once

#include "store/backend.h"

namespace store {

// A SQLite database file. Opens the file (read-only when asked) with the program's LIKE and its
// cache size; throws StoreError naming the file when it cannot. A file made just now is sound:
// it skips the quick check before the first write.
std::unique_ptr<Backend> openDatabaseFile(const QString& path, bool readOnly,
                                          bool madeJustNow = false);

} // namespace store
