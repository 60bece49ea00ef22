#pragma once

#include "store/database.h"

#include <QString>
#include <functional>

namespace import {

class RemoteSource;

// What the import tells whoever shows it, and how it learns of a cancel. Every member may be
// left empty.
struct ImportCallbacks {
    // The running phase's text ("Ingrediente 3 de 120", empty between phases, or the wait for
    // another program's lock) with rows done and rows in the phase. Called on a phase's first
    // and last row and otherwise at most once per progressIntervalMs. It runs on the import's
    // thread (see BackgroundImport for a window's import).
    std::function<void(const QString& text, int done, int total)> progress;
    // One line per conflicting remote row, as the log shows it.
    std::function<void(const QString& line)> conflict;
    // Asked before every row and while waiting for a lock; true stops the import after
    // committing the rows done.
    std::function<bool()> cancelRequested;
    int progressIntervalMs = 50;
    // How long a write waits while another program holds the database, with the progress text
    // saying so, before the import fails.
    int lockWaitMs = 5000;
    // Rows written per transaction: one transaction per row costs a disk sync each.
    int batchRows = 5000;
    // The same for composition values, which arrive in nutrient order and so touch pages all
    // over the table's key index: every commit rewrites those pages, and in batches of 5,000 a
    // whole catalogue took five times as long as in batches of 100,000.
    int compositionBatchRows = 100000;
};

enum class ImportOutcome { Finished, Cancelled, SourceUnavailable, Failed };

struct ImportResult {
    ImportOutcome outcome = ImportOutcome::Finished;
    QString failure; // for Failed: which phase and row, why, and what was saved before
    // Rows committed: a batch that was rolled back counts nothing.
    int ingredientsAdded = 0, ingredientsRefreshed = 0;
    int nutrientsAdded = 0, nutrientsRefreshed = 0;
    int compositionsAdded = 0, compositionsRefreshed = 0;
    int conflicts = 0;
};

// Brings the remote ingredients, nutrients and compositions into the working database, in
// three phases. Rows are matched by key: a new key is added, a known key with the same identity
// (code and name of an ingredient, name of a nutrient) is refreshed, any other is logged as a
// conflict and left alone together with all its composition values. Remote rows whose values
// cannot be written as they are (a key that is not a whole number from 1 to 2147483647, a text
// with a NUL character or bytes that are not UTF-8, a cost or value that is not a number or lies
// beyond ±1e9, a dry matter outside 0..100, a code too long for the catalogue or already used by
// another ingredient, a composition the source repeats with different values) are logged as
// conflicts with the reason, and nothing of them is written. Nothing is deleted. An ingredient
// added, or refreshed with another cost or dry matter, gets a row of its price history in the
// same batch.
// Each phase writes in transactions of batchRows (compositionBatchRows) rows, each taking the
// write lock when it starts (waiting up to lockWaitMs for another writer); a cancel commits the
// rows done before it, a failure rolls back its own batch only, and a failed phase stops the
// import, so no composition is ever written for an ingredient or nutrient that was not imported.
// A working database that cannot take a row of some table (a view in its place) is refused
// before anything is written.
ImportResult runImport(store::Database& db, RemoteSource& source,
                       const ImportCallbacks& callbacks = {});

// Opens the source named by the connection text and runs the import; SourceUnavailable, with
// nothing changed, when it cannot be opened.
ImportResult runImport(store::Database& db, const QString& connectionText,
                       const ImportCallbacks& callbacks = {});

// The message that closes an import, and its message-box style.
QString outcomeMessage(const ImportResult& result);
int outcomeStyle(const ImportResult& result);

inline const QString kConfirmaImportacion =
    QStringLiteral("¿Confirma la importación de los Ingredientes y Nutrientes?");

} // namespace import
