#pragma once

#include <QString>
#include <optional>

namespace store {
class Database;
}

namespace formulas {

// A stored formula as a caller names it: by its code (the highest version, or the version
// given) or by its key.
struct FormulaRef {
    QString code;
    std::optional<int> version; // with a code only
    int id = 0;                 // used when no code is given
};

// The key of the stored formula named, or 0 when there is none; a key is checked to exist like a
// code. A key stored past 32 bits throws store::StoredValueError naming the row, rather than
// being cut down to another formula's key; a failing database throws store::StoreError.
int findFormula(store::Database& db, const FormulaRef& ref);

} // namespace formulas
