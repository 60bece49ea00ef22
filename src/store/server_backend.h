#pragma once

#include "store/backend.h"

namespace store {

// A team database on a PostgreSQL server, named "postgresql://USER@HOST[:PORT]/NAME". Throws
// StoreError (ServerConnectionError when the server is not reached or refuses) with a message
// that says what to do.
std::unique_ptr<Backend> openServerBackend(const QString& url);

} // namespace store
