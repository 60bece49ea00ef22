#pragma once

namespace store {

class Database;

// For commands that only read: on a server every later transaction of the connection is
// read-only, so a write that slipped in is refused by the server ("solo para lectura"). A file
// is left as it is.
void readOnlyTransactions(Database& db);

} // namespace store
