#pragma once

#include "store/database.h"

#include <QHash>
#include <QString>
#include <vector>

namespace store {

// Several people (or two windows) may edit the same formula, ingredient or nutrient. Each such
// row has a change counter in the table `revisiones` (tabla, id, revision): an editor reads it
// when it loads the row, and its save raises it only from that value. A save that finds it
// raised meanwhile is refused instead of overwriting the other person's work. A row never saved
// since the table existed counts as revision 0.

// The refusal of a save over a row that changed since it was loaded; message() is for the user.
class StaleRowError : public StoreError {
public:
    using StoreError::StoreError;
};

// Creates the table of change counters when the database lacks it (files made before it
// existed). A database that cannot be written is left as it is: its rows read as revision 0.
void ensureRevisionTable(Database& db);

// The change counter of row `id` of `table` ("formulas", "productos", "propiedades").
int readRevision(Database& db, const QString& table, int id);
// The counters of several rows in one reading; a row never counted has none.
QHash<int, int> readRevisions(Database& db, const QString& table, const std::vector<int>& ids);

// Inside the caller's transaction: raises the counter of the row from `loaded` by one. Throws
// StaleRowError(staleMessage) when another save raised it since it was loaded; the caller's
// transaction then rolls the whole save back. On a server a concurrent save of the same row
// waits here until the first one ends, and is then refused.
void claimRevision(Database& db, const QString& table, int id, int loaded,
                   const QString& staleMessage);

// Inside the caller's transaction: raises the counter of the row by one, whatever it was, for a
// write that did not load the row in an editor (a price list). An editor open on the row then
// has its save refused instead of writing back the values it showed.
void raiseRevision(Database& db, const QString& table, int id);

// The sum of the change counters of every row of `table`: every save of a row raises it, so two
// equal readings mean that no row of the table was saved in between (by an editor, a price list
// or an import), even one changed and changed back. 0 when the database has no counters.
long long tableRevision(Database& db, const QString& table);

} // namespace store
