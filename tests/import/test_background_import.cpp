#include "import/background_import.h"
#include "import_fixture.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"
#include "support/test_server.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <gtest/gtest.h>

using import::BackgroundImport;
using import::ImportCallbacks;
using import::ImportOutcome;
using import::ImportResult;

namespace {

// Runs a background import to its end in an event loop, as the window does, recording what
// arrived and on which thread.
struct Watched {
    QStringList progress, log;
    bool allOnThisThread = true;
    std::function<void(const QString&)> onProgress;

    void arrived() {
        allOnThisThread = allOnThisThread && QThread::currentThread() == qApp->thread();
    }

    ImportResult run(BackgroundImport& job, const ImportCallbacks& settings = ImportCallbacks()) {
        QObject::connect(&job, &BackgroundImport::progress, &job, [this](const QString& text) {
            arrived();
            progress << text;
            if (onProgress)
                onProgress(text);
        });
        QObject::connect(&job, &BackgroundImport::conflicts, &job,
                         [this](const QStringList& lines) {
                             arrived();
                             log << lines;
                         });
        QEventLoop loop;
        QObject::connect(&job, &BackgroundImport::finished, &loop, &QEventLoop::quit);
        job.start(settings);
        loop.exec();
        return job.result();
    }
};

} // namespace

TEST(BackgroundImport, ImportsOnAWorkerAndReportsOnTheStartingThread) {
    TempDatabase local;
    RemoteDatabase remote;
    addIngredient(local.db(), 1, "A", "Avena", "kg", 5, 88);
    addIngredient(remote.db(), 1, "A", "Avena blanca", "kg", 5, 88);
    for (int i = 2; i <= 30; ++i)
        addIngredient(remote.db(), i, QString::number(i), "Ing " + QString::number(i), "kg", i, 90);
    addNutrient(remote.db(), 1, "Proteína", "%");
    addValue(remote.db(), 2, 1, 4.5);

    BackgroundImport job(local.path(), remote.connectionText());
    Watched watched;
    ImportCallbacks settings;
    settings.progressIntervalMs = 0;
    const auto result = watched.run(job, settings);
    EXPECT_EQ(result.outcome, ImportOutcome::Finished) << result.failure.toStdString();
    EXPECT_TRUE(watched.allOnThisThread);
    EXPECT_EQ(watched.log, QStringList({"Ingrediente A - Avena blanca"}));
    // Every row, and each phase's end.
    EXPECT_EQ(watched.progress.size(), 30 + 1 + 1 + 1 + 1 + 1);
    EXPECT_EQ(watched.progress.first(), "Ingrediente 1 de 30");
    EXPECT_EQ(watched.progress.last(), "");
    EXPECT_EQ(result.ingredientsAdded, 29);
    EXPECT_EQ(dump(local.db(), "producto_propiedad", "id_producto"), QStringList({"2|1|4.5"}));
}

TEST(BackgroundImport, ACancelWhileWaitingForALockStopsAtOnce) {
    if (testsOnServer())
        GTEST_SKIP() << "the lock is held through a second connection to the file";
    TempDatabase local;
    RemoteDatabase remote;
    addIngredient(remote.db(), 1, "A", "Avena", "kg", 5, 88);
    OtherProgram other(local.path());
    other.holdWriteLock();

    BackgroundImport job(local.path(), remote.connectionText());
    Watched watched;
    watched.onProgress = [&](const QString& text) {
        if (text.startsWith("Base de datos ocupada por otro programa: esperando"))
            job.cancel();
    };
    ImportCallbacks settings;
    settings.lockWaitMs = 60000;
    const auto result = watched.run(job, settings);
    EXPECT_EQ(result.outcome, ImportOutcome::Cancelled);
    other.release();
    EXPECT_TRUE(dump(local.db(), "productos", "id_producto").isEmpty());
}

TEST(BackgroundImport, AWorkingDatabaseThatCannotBeOpenedFailsSayingSo) {
    RemoteDatabase remote;
    QTemporaryDir dir;
    BackgroundImport job(dir.filePath("no-existe.db"), remote.connectionText());
    Watched watched;
    const auto result = watched.run(job);
    EXPECT_EQ(result.outcome, ImportOutcome::Failed);
    EXPECT_TRUE(result.failure.startsWith("No se pudo abrir la base de datos de trabajo para "
                                          "importar: "));
    EXPECT_TRUE(result.failure.endsWith("\nNo se importó nada; deberá repetir la importación."));
}
