#pragma once

#include <QStringList>

namespace store {

// The statements that create the six tables of a new database, with their keys and the indexes
// the program's look-ups use.
QStringList schemaStatements();

} // namespace store
