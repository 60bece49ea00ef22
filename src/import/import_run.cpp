#include "import/import_run.h"

#include <QStringList>
#include <QThread>
#include <algorithm>

namespace import {

namespace {

// "a", "a y b", "a, b y c".
QString joinedList(const QStringList& parts) {
    if (parts.size() < 2)
        return parts.join(QString());
    return parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" y ") +
           parts.last();
}

int waitSeconds(const ImportCallbacks& cb) {
    return (cb.lockWaitMs + 999) / 1000;
}

} // namespace

ImportRun::ImportRun(store::Database& d, const ImportCallbacks& c)
    : db(d), cb(c), ingredients{QStringLiteral("los ingredientes"), false, &result.ingredientsAdded,
                                &result.ingredientsRefreshed},
      nutrients{QStringLiteral("los nutrientes"), false, &result.nutrientsAdded,
                &result.nutrientsRefreshed},
      compositions{QStringLiteral("las composiciones"), true, &result.compositionsAdded,
                   &result.compositionsRefreshed} {}

void ImportRun::progress(const QString& text, int done, int total) {
    shownDone_ = done;
    shownTotal_ = total;
    if (cb.progress)
        cb.progress(text, done, total);
}

bool ImportRun::waitForLock(int attempt) {
    if (attempt == 0) {
        waitClock_.start();
        waitReport_.invalidate();
        lockTimedOut_ = false;
        cancelledWhileWaiting_ = false;
    }
    if (cancelRequested()) {
        cancelledWhileWaiting_ = true;
        return false;
    }
    const qint64 waited = waitClock_.elapsed();
    if (waited >= cb.lockWaitMs) {
        lockTimedOut_ = true;
        return false;
    }
    if (cb.progress && (!waitReport_.isValid() || waitReport_.elapsed() >= cb.progressIntervalMs)) {
        cb.progress(QStringLiteral("Base de datos ocupada por otro programa: esperando %1 s de %2")
                        .arg(waited / 1000)
                        .arg(waitSeconds(cb)),
                    shownDone_, shownTotal_);
        waitReport_.start();
    }
    QThread::msleep(10);
    return true;
}

QString ImportRun::why(const store::StoreError& e) const {
    if (lockTimedOut_)
        return QStringLiteral("la base de datos está ocupada por otro programa y no se liberó en "
                              "%1 s (%2)")
            .arg(waitSeconds(cb))
            .arg(e.message());
    return e.message();
}

QString ImportRun::savedSummary() const {
    QStringList saved, missing;
    for (const PhaseState* p : {&ingredients, &nutrients, &compositions}) {
        if (p->complete && p->total == 0)
            continue;
        const QString counts =
            QStringLiteral(" (%1 %2, %3 %4)")
                .arg(*p->added)
                .arg(p->feminine ? QStringLiteral("nuevas") : QStringLiteral("nuevos"))
                .arg(*p->refreshed)
                .arg(p->feminine ? QStringLiteral("actualizadas") : QStringLiteral("actualizados"));
        if (p->complete) {
            saved << p->name + counts;
        } else if (p->committedRows > 0) {
            saved << QStringLiteral("las filas 1 a %1 de %2 de ")
                             .arg(p->committedRows)
                             .arg(p->total) +
                         p->name + counts;
            missing << QStringLiteral("el resto de ") + p->name;
        } else {
            missing << p->name;
        }
    }
    if (saved.isEmpty())
        return QStringLiteral("No se importó nada; deberá repetir la importación.");
    QString text = QStringLiteral("Se guardaron ") + joinedList(saved);
    if (!missing.isEmpty())
        text += QStringLiteral("; faltan ") + joinedList(missing);
    return text + QStringLiteral(". Deberá repetir la importación para completarla.");
}

void ImportRun::failWith(const QString& head) {
    result.outcome = ImportOutcome::Failed;
    result.failure = head + u'\n' + savedSummary();
    throw ImportStop{};
}

PhaseRun::PhaseRun(ImportRun& run, PhaseState& state, QString label, int total, int batchRows)
    : run_(run), state_(state), label_(std::move(label)), total_(total),
      batchRows_(std::max(1, batchRows)) {
    state_.total = total;
    clock_.start();
}

void PhaseRun::beginRow(int i) {
    row_ = i;
    if (run_.cancelRequested()) {
        commit();
        run_.result.outcome = ImportOutcome::Cancelled;
        throw ImportStop{};
    }
    if (i == 1 || i == total_ || clock_.elapsed() >= run_.cb.progressIntervalMs) {
        run_.progress(label_ + QString::number(i) + QStringLiteral(" de ") +
                          QString::number(total_),
                      i, total_);
        clock_.restart();
    }
    if (!tx_) {
        try {
            tx_.emplace(run_.db, store::Database::Transaction::WriteLock::Now);
        } catch (const store::StoreError& e) {
            fail(e);
        }
    }
}

void PhaseRun::endRow() {
    ended_ = row_;
    if (++inBatch_ >= batchRows_)
        commit();
}

void PhaseRun::commit() {
    if (tx_) {
        try {
            tx_->commit();
        } catch (const store::StoreError& e) {
            tx_.reset();
            discardBatch();
            stopIfCancelled();
            run_.failWith(QStringLiteral("No se pudo confirmar la importación de ") + state_.name +
                          QStringLiteral(" de las filas %1 a %2 de %3: ")
                              .arg(state_.committedRows + 1)
                              .arg(ended_)
                              .arg(total_) +
                          run_.why(e));
        }
    }
    tx_.reset();
    *state_.added += added_;
    *state_.refreshed += refreshed_;
    state_.committedRows = ended_;
    discardBatch();
}

void PhaseRun::finish() {
    commit();
    state_.complete = true;
    run_.progress(QString(), 0, 0);
}

void PhaseRun::fail(const store::StoreError& e) {
    tx_.reset();
    discardBatch();
    stopIfCancelled();
    run_.failWith(QStringLiteral("No se pudo completar la importación de ") + state_.name +
                  QStringLiteral(" en la fila ") + QString::number(row_) + QStringLiteral(" de ") +
                  QString::number(total_) + QStringLiteral(": ") + run_.why(e));
}

void PhaseRun::failReading(const QString& where, const store::StoreError& e) {
    tx_.reset();
    discardBatch();
    stopIfCancelled();
    run_.failWith(
        QStringLiteral("No se pudieron leer ") + state_.name + QStringLiteral(" de ") + where +
        (ended_ > 0 ? QStringLiteral(" después de la fila %1 de %2").arg(ended_).arg(total_)
                    : QString()) +
        QStringLiteral(": ") + run_.why(e));
}

void PhaseRun::discardBatch() {
    inBatch_ = 0;
    added_ = refreshed_ = 0;
}

void PhaseRun::stopIfCancelled() {
    if (!run_.cancelledWhileWaiting())
        return;
    run_.result.outcome = ImportOutcome::Cancelled;
    throw ImportStop{};
}

} // namespace import
