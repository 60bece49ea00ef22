#pragma once

#include <QString>

namespace store {

// Where a team database lives: "postgresql://USER@HOST[:PORT]/NAME". The host may be a folder
// holding the server's Unix socket, written percent-encoded ("%2Ftmp%2Fpg") or given as
// "?host=/tmp/pg". The password never travels in the address: the server's client library reads
// it from PGPASSWORD or the password file (PGPASSFILE, ~/.pgpass).
struct ServerAddress {
    QString user;
    QString host;
    int port = 5432;
    QString database;

    // The address as written, for messages and for opening the database again.
    QString url() const;
};

// True for a text that names a server database rather than a file.
bool isServerAddress(const QString& location);

// The location as a message or a trace may show it: a password written into a server address
// (after the user's name, or as a "password=" option) is replaced by "***". Any other text is
// returned as it is.
QString withoutPassword(const QString& location);

// Reads a server address. Throws StoreError with a Spanish message saying what is wrong
// (including a password written into the address).
ServerAddress parseServerAddress(const QString& location);

} // namespace store
