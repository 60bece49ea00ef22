#pragma once

#include "store/database.h"
#include "store/record_set.h"
#include "store/server_address.h"

#include <QSqlDatabase>
#include <QVariant>
#include <functional>
#include <vector>

class QSqlError;
class QSqlQuery;

namespace store {

// A server that could not be reached, or that refused the user or the database: the message says
// what to do, the driver's own text after it.
class ServerConnectionError : public StoreError {
public:
    using StoreError::StoreError;
};

// Seconds the program waits for a server before saying it cannot be reached.
inline constexpr int kServerConnectTimeout = 5;

// Opens a connection to a PostgreSQL server through Qt's QPSQL driver and returns its name.
// Throws StoreError with a Spanish message when the driver is missing, and ServerConnectionError
// with a sentence that says what to do and the driver's text after it when the server is not
// reachable within the time-out or refuses the user, the password or the database.
QString openServerConnection(const ServerAddress& address);

// A failed statement on the server as a StoreError whose message says what happened in the
// user's terms: a lost connection (and that the server undid the unfinished work), missing
// rights to write, a read-only transaction; otherwise the server's own text and the statement.
StoreError serverError(const QSqlError& error, const QString& statement);

// True when the error means the connection to the server is gone.
bool isConnectionLost(const QSqlError& error);

// The statements below take the program's "?" parameters: their values (qlonglong, double,
// QString or invalid for Null) are bound through the driver, never written into the text. A
// count that differs from the statement's or a number that is not finite is a StoreError.

// Runs a statement already in the server's dialect; returns the rows it changed.
int serverExec(const QSqlDatabase& db, const QString& statement,
               const std::vector<QVariant>& parameters = {});

// A write as the server runs it so that it behaves as on a file: an insert of one row gets
// "ON CONFLICT DO NOTHING", and *singleInsert tells whether no row changed means a repeated key.
QString serverWriteForm(const QString& statement, bool* singleInsert);
// The StoreError of a single-row insert that repeats a key or a unique code.
StoreError repeatedKeyError(const QString& shownStatement);

// Runs a write already in the server's dialect, as SQLite runs it: an insert that would repeat a
// key or a unique code fails alone (a StoreError) and leaves the transaction usable, as on a
// file, instead of aborting the whole transaction. Returns the rows it changed.
int serverWrite(const QSqlDatabase& db, const QString& statement,
                const std::vector<QVariant>& parameters = {});

// Runs a query already in the server's dialect into a record set typed like the SQLite side's:
// Integer32 for whole-number columns, Double for floating ones, Char for the rest (dates as
// "yyyy-MM-dd", the way files store them).
RecordSet serverQuery(const QSqlDatabase& db, const QString& statement);

// Runs a query and hands each row over as stored: qlonglong, double, QString or invalid (Null).
void serverRows(const QSqlDatabase& db, const QString& statement,
                const std::vector<QVariant>& parameters,
                const std::function<void(const std::vector<QVariant>&)>& onRow);

// Binds the values (one for each "?", checked by the caller) to a query prepared on the server
// from statement and runs it; throws the server's error naming the statement with its values.
void runPrepared(QSqlQuery& q, const QString& statement, const std::vector<QVariant>& values);

// Every row of a query that has run with these values, as stored.
std::vector<std::vector<QVariant>> serverResultRows(QSqlQuery& q, const QString& statement,
                                                    const std::vector<QVariant>& values);

} // namespace store
