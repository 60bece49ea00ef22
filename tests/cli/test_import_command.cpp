#include "../import/import_fixture.h"
#include "cli/command_line.h"
#include "cli/import_command.h"
#include "support/qt_printers.h"
#include "support/temp_database.h"

#include <QTextStream>
#include <future>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>

namespace {

struct CommandRun {
    int status;
    QString err;
};

CommandRun runCommand(const QStringList& args, QString answer = {}) {
    QTextStream in(&answer);
    QString err;
    QTextStream errStream(&err);
    const int status = cli::runImportCommand(args, in, errStream);
    errStream.flush();
    return {status, err};
}

} // namespace

TEST(ImportCommand, ImportsAsTheWindowDoesAndAsksUnlessYes) {
    EXPECT_TRUE(
        cli::parseCommandLine({"dosivant", "import", "--yes"}).options<cli::ImportOptions>());
    TempDatabase local;
    RemoteDatabase remote;
    addIngredient(local.db(), 1, "A", "Avena", "kg", 5, 88);
    addIngredient(remote.db(), 1, "A", "Avena blanca", "kg", 5, 88);
    addIngredient(remote.db(), 2, "B", "Cebada", "kg", 4, 87);
    const QStringList args = {"--database", local.path(), "--from", remote.path()};

    const CommandRun refused = runCommand(args, "n\n");
    EXPECT_EQ(refused.status, 3);
    EXPECT_EQ(refused.err, "¿Confirma la importación de los Ingredientes y Nutrientes? (s/n) ");
    EXPECT_EQ(dump(local.db(), "productos", "id_producto").size(), 1);

    const CommandRun done = runCommand(args, "s\n");
    EXPECT_EQ(done.status, 0);
    EXPECT_TRUE(done.err.contains("Ingrediente 1 de 2\n"));
    EXPECT_TRUE(done.err.contains("Ingrediente A - Avena blanca\n"));
    EXPECT_TRUE(done.err.endsWith("Proceso de Importación Finalizado.\n"));
    EXPECT_EQ(dump(local.db(), "productos", "id_producto").size(), 2);

    EXPECT_EQ(runCommand(args + QStringList{"--yes"}).status, 0);
}

TEST(ImportCommand, BadSourcesAndCommandLinesFail) {
    TempDatabase local;
    const CommandRun notADatabase =
        runCommand({"--database", local.path(), "--from", local.path() + ".x"});
    EXPECT_EQ(notADatabase.status, 1);
    EXPECT_EQ(notADatabase.err, "No se pudo abrir la base de datos remota\n");
    EXPECT_EQ(runCommand({"--database", local.path()}).status, 1);
    EXPECT_EQ(runCommand({"--from", local.path(), "--database"}).status, 1);
    EXPECT_EQ(runCommand({"--database", local.path() + ".no", "--from", local.path()}).status, 1);
}

// Another program writing when the command starts: the command waits, saying so, and imports
// once the other is done.
TEST(ImportCommand, WaitsForAnotherWriterSayingSo) {
    TempDatabase local;
    RemoteDatabase remote;
    addIngredient(remote.db(), 1, "A", "Avena", "kg", 5, 88);
    std::promise<void> holding;
    std::thread other([&] {
        OtherProgram writer(local.path()); // a connection of this thread
        writer.holdWriteLock();
        holding.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        writer.release();
    });
    holding.get_future().wait();
    const CommandRun run =
        runCommand({"--database", local.path(), "--from", remote.path(), "--yes"});
    other.join();
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Ingrediente 1 de 1\nBase de datos ocupada por otro programa: "
                                 "esperando 0 s de 5\n"))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.endsWith("Proceso de Importación Finalizado.\n"));
    EXPECT_EQ(dump(local.db(), "productos", "id_producto").size(), 1);
}

// The import's line is read by the program's option parser like every command's: --help answers
// with its usage, --database=PATH is taken, and a mistake keeps the import's own words.
TEST(ImportCommand, HelpAndMistakesThroughTheProgramsParser) {
    auto run = [](const QStringList& args) {
        QString out, err;
        QTextStream o(&out), e(&err);
        const int status = cli::runWithoutWindow(
            cli::parseCommandLine(QStringList{"dosivant", "import"} + args), o, e);
        o.flush();
        e.flush();
        return std::tuple{status, out, err};
    };
    const auto [helpStatus, help, helpErr] = run({"--help"});
    EXPECT_EQ(helpStatus, 0);
    EXPECT_TRUE(helpErr.isEmpty()) << helpErr.toStdString();
    for (const char* word :
         {"Uso: dosivant import", "--database", "--from", "--yes", "--help", "Estado de salida"})
        EXPECT_TRUE(help.contains(word)) << word;
    EXPECT_TRUE(cli::usageText().contains("Opciones de import:\n  --database RUTA"));

    const QString usage = "Uso: dosivant import --database RUTA --from ORIGEN [--yes]\n";
    const std::pair<QStringList, QString> mistakes[] = {
        {{"--bogus"}, "Argumento desconocido: --bogus"},
        {{"--database", "a.db", "-xy"}, "Argumento desconocido: -xy"},
        {{"--database", "a.db", "--from", "b.db", "extra"}, "Argumento desconocido: extra"},
        {{"--yes=1"}, "Argumento desconocido: --yes=1"},
        {{"--from", "b.db", "--database"}, "Falta el valor de --database"},
        {{"--database", "", "--from", "b.db"}, "Falta el valor de --database"},
        {{"--from", "b.db"}, "Falta --database"},
        {{"--database=a.db"}, "Falta --from"},
    };
    for (const auto& [args, reason] : mistakes) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const auto [status, out, err] = run(args);
        EXPECT_EQ(status, 1);
        EXPECT_TRUE(out.isEmpty());
        EXPECT_EQ(err, "dosivant import: " + reason + "\n" + usage);
    }
    // The program's own option before the command is still refused by the program.
    EXPECT_EQ(cli::parseCommandLine({"dosivant", "--database", "a.db", "import"}).kind,
              cli::Invocation::Invalid);
}
