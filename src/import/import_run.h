#pragma once

#include "import/importer.h"
#include "store/database.h"

#include <QElapsedTimer>
#include <QString>
#include <optional>

// The machinery the importer's three phases share: batches committed together, the progress
// text, the cancel request, the waits for another program's lock, and the message that says
// what a failed import left saved.
namespace import {

// Stops the phases early; the outcome is already recorded.
struct ImportStop {};

// How far one phase got.
struct PhaseState {
    QString name;          // "los ingredientes"
    bool feminine = false; // "nuevas" or "nuevos"
    int* added = nullptr;  // the committed counts in the result
    int* refreshed = nullptr;
    int total = -1; // rows read from the source; -1 before the phase started
    int committedRows = 0;
    bool complete = false;
};

// The state of one import: the working database, the callbacks, the result and each phase's
// progress.
class ImportRun {
public:
    ImportRun(store::Database& db, const ImportCallbacks& cb);
    ImportRun(const ImportRun&) = delete;
    ImportRun& operator=(const ImportRun&) = delete;

    store::Database& db;
    const ImportCallbacks& cb;
    ImportResult result;
    PhaseState ingredients, nutrients, compositions;

    bool cancelRequested() const { return cb.cancelRequested && cb.cancelRequested(); }
    void progress(const QString& text, int done, int total);

    // Called by SQLite before each new try while another program holds the database: reports
    // the wait, and gives up on a cancel or after lockWaitMs.
    bool waitForLock(int attempt);
    bool cancelledWhileWaiting() const { return cancelledWhileWaiting_; }

    // A refused statement's reason; a lock that was never released is said in words.
    QString why(const store::StoreError& e) const;

    // What the committed batches left in the working database.
    QString savedSummary() const;

    // Ends the import as failed: the head says where and why, then what was saved.
    [[noreturn]] void failWith(const QString& head);

private:
    // The last progress shown, so a wait keeps the bar where it was.
    int shownDone_ = 0, shownTotal_ = 0;
    QElapsedTimer waitClock_, waitReport_;
    bool lockTimedOut_ = false;
    bool cancelledWhileWaiting_ = false;
};

// One phase's run: the row counter and its progress text, the cancel request, and the batches
// of rows committed together, each taking the write lock when it begins.
class PhaseRun {
public:
    PhaseRun(ImportRun& run, PhaseState& state, QString label, int total, int batchRows);

    // Before row i (from 1): stops on a cancel request, after committing the rows done.
    void beginRow(int i);
    void endRow();
    // The current row wrote a new row or refreshed one; counted once its batch is committed.
    void added() { ++added_; }
    void refreshed() { ++refreshed_; }
    // After the last row.
    void finish();

    // A failed statement: its batch is rolled back, the import stops and says where.
    [[noreturn]] void fail(const store::StoreError& e);
    // A read that failed between rows (the source, or the working database's keys).
    [[noreturn]] void failReading(const QString& where, const store::StoreError& e);

private:
    void commit();
    void discardBatch();
    // Stops as a cancel when the cancel came while the import waited for a lock.
    void stopIfCancelled();

    ImportRun& run_;
    PhaseState& state_;
    QString label_;
    int total_;
    int batchRows_;
    int row_ = 0;   // the row in hand
    int ended_ = 0; // the last row done
    int inBatch_ = 0;
    int added_ = 0, refreshed_ = 0;
    std::optional<store::Database::Transaction> tx_;
    QElapsedTimer clock_;
};

} // namespace import
