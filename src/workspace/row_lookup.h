#pragma once

#include <QString>

namespace store {
class RecordSet;
}

namespace workspace {

// Makes the row with this id current, searching from the first row. False when there is none.
bool findRow(store::RecordSet& rs, const char* idField, int id);

// Whether a grid column is bound to the named field (names compare without case).
bool isField(const QString& field, const char* name);

// Shows text as a critical message and returns false, so a check can return it.
bool refuse(const QString& text);

} // namespace workspace
