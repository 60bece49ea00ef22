#pragma once

#include "import/importer.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>

class QThread;

namespace import {

// Runs an import on a thread of its own, so that the window showing it keeps repainting and
// taking Esc while a batch is written or committed. A SQLite connection may be used only on the
// thread that opened it: the worker opens its own connections to the working database (by its
// path) and to the source, and the window keeps its own. Progress and conflicts reach the thread
// that started the import through queued signals, each kind in the order the import reported
// it, and finished() comes after the last of them. Conflict lines come in batches: a source with
// thousands of them must not flood the window with one event each.
class BackgroundImport : public QObject {
    Q_OBJECT
public:
    BackgroundImport(QString databasePath, QString connectionText, QObject* parent = nullptr);
    // Asks for a cancel and waits for the worker.
    ~BackgroundImport() override;

    // Starts the worker with the settings of `settings` (intervals, batch sizes, lock wait); its
    // functions are this object's own.
    void start(const ImportCallbacks& settings = {});
    // From any thread: the import stops after the row in hand, or at once while it waits for a
    // lock, committing what was done.
    void cancel();
    bool isRunning() const { return thread_ != nullptr; }
    // Blocks until the worker has ended (finished() is emitted then, if it was not yet).
    void waitForFinished();
    // The outcome, once finished() was emitted.
    const ImportResult& result() const { return result_; }

Q_SIGNALS:
    void progress(const QString& text, int done, int total);
    void conflicts(const QStringList& lines);
    void finished();

private:
    ImportResult work(ImportCallbacks callbacks);
    void threadEnded();
    // On the starting thread: hands on the conflict lines the worker has gathered.
    void flushConflicts();

    QString databasePath_;
    QString connectionText_;
    std::atomic<bool> cancel_{false};
    QThread* thread_ = nullptr;
    ImportResult result_;
    QMutex pendingMutex_;
    QStringList pending_; // conflict lines not yet handed on
};

} // namespace import
