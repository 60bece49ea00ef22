#include "import/background_import.h"

#include "store/database.h"

#include <QThread>

namespace import {

BackgroundImport::BackgroundImport(QString databasePath, QString connectionText, QObject* parent)
    : QObject(parent), databasePath_(std::move(databasePath)),
      connectionText_(std::move(connectionText)) {}

BackgroundImport::~BackgroundImport() {
    if (thread_) {
        cancel();
        thread_->wait();
        delete thread_;
    }
}

void BackgroundImport::start(const ImportCallbacks& settings) {
    if (thread_)
        return;
    cancel_ = false;
    ImportCallbacks callbacks = settings;
    // Emitted on the worker, these are queued to the receivers on the starting thread.
    callbacks.progress = [this](const QString& text, int done, int total) {
        Q_EMIT progress(text, done, total);
    };
    callbacks.conflict = [this](const QString& line) {
        QMutexLocker lock(&pendingMutex_);
        pending_ << line;
        if (pending_.size() == 1) // the first of a batch asks for it to be handed on
            QMetaObject::invokeMethod(this, &BackgroundImport::flushConflicts,
                                      Qt::QueuedConnection);
    };
    callbacks.cancelRequested = [this] { return cancel_.load(); };
    // The result is written on the worker before it ends and read here only after its finished
    // signal has arrived.
    thread_ = QThread::create([this, callbacks] { result_ = work(callbacks); });
    connect(thread_, &QThread::finished, this, &BackgroundImport::threadEnded);
    thread_->start();
}

void BackgroundImport::cancel() {
    cancel_ = true;
}

ImportResult BackgroundImport::work(ImportCallbacks callbacks) {
    std::unique_ptr<store::Database> db;
    try {
        db = store::Database::openFile(databasePath_);
    } catch (const store::StoreError& e) {
        ImportResult failed;
        failed.outcome = ImportOutcome::Failed;
        failed.failure = QStringLiteral("No se pudo abrir la base de datos de trabajo para "
                                        "importar: ") +
                         e.message() +
                         QStringLiteral("\nNo se importó nada; deberá repetir la importación.");
        return failed;
    }
    return runImport(*db, connectionText_, callbacks);
}

void BackgroundImport::waitForFinished() {
    threadEnded();
}

void BackgroundImport::flushConflicts() {
    QStringList lines;
    {
        QMutexLocker lock(&pendingMutex_);
        lines.swap(pending_);
    }
    if (!lines.isEmpty())
        Q_EMIT conflicts(lines);
}

void BackgroundImport::threadEnded() {
    if (!thread_)
        return; // already waited for
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    flushConflicts();
    Q_EMIT finished();
}

} // namespace import
