#pragma once

#include "book/comparison.h"

#include <QString>
#include <optional>

namespace store {
class Database;
}

namespace book {

// Two stored formulas (two versions of one code, or two formulas) as they were saved. None, with
// the reason in *message, when either cannot be loaded.
std::optional<Comparison> compareStoredFormulas(store::Database& db, int leftId, int rightId,
                                                QString* message);

} // namespace book
