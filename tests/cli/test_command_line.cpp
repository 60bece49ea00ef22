#include "app/data_error.h"
#include "app/globals.h"
#include "cli/command_line.h"
#include "store/database.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

using cli::Invocation;

namespace {

Invocation parse(QStringList args) {
    args.prepend("dosivant");
    return cli::parseCommandLine(args);
}

} // namespace

TEST(CommandLine, ParsesTheWindowOptionsAndTheSubcommands) {
    EXPECT_EQ(parse({}).kind, Invocation::Window);
    EXPECT_EQ(parse({"--database", "/x/y.db"}).database, "/x/y.db");
    EXPECT_EQ(parse({"--database=/x/y z.db"}).database, "/x/y z.db");
    EXPECT_EQ(parse({"--database"}).kind, Invocation::Invalid);
    EXPECT_EQ(parse({"--database="}).kind, Invocation::Invalid);
    EXPECT_EQ(parse({"--base", "x"}).kind, Invocation::Invalid);
    EXPECT_EQ(parse({"create-database", "--sample"}).kind, Invocation::Invalid);
    EXPECT_EQ(parse({"create-database", "a.db", "b.db"}).kind, Invocation::Invalid);
    EXPECT_EQ(parse({"--database", "a.db", "-h"}).kind, Invocation::Help);

    const Invocation create = parse({"create-database", "/tmp/n.db", "--sample"});
    EXPECT_EQ(create.kind, Invocation::CreateDatabase);
    EXPECT_EQ(create.database, "/tmp/n.db");
    EXPECT_TRUE(create.sample);
    EXPECT_FALSE(parse({"create-database", "/tmp/n.db"}).sample);
    const Invocation formulate = parse({"formulate", "--database", "d.db", "7"});
    EXPECT_EQ(formulate.kind, Invocation::Formulate);
    EXPECT_EQ(formulate.rest, (QStringList{"--database", "d.db", "7"}));
}

TEST(CommandLine, OnlyTheWindowAndQtOwnOptionsNeedADisplay) {
    EXPECT_TRUE(cli::needsWindow({"dosivant", "--database", "a.db"}));
    EXPECT_TRUE(cli::needsWindow({"dosivant", "-platform", "offscreen"}));
    EXPECT_FALSE(cli::needsWindow({"dosivant", "--help"}));
    EXPECT_FALSE(cli::needsWindow({"dosivant", "--bogus"}));
    EXPECT_FALSE(cli::needsWindow({"dosivant", "bogus"}));
    EXPECT_FALSE(cli::needsWindow({"dosivant", "create-database", "a.db"}));
    EXPECT_FALSE(cli::needsWindow({"dosivant", "formulate", "1"}));
}

TEST(CommandLine, CreateDatabaseMakesItsFolderAndNeverReplacesAFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("nueva carpeta/Dosivant.db");
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    EXPECT_EQ(cli::createDatabaseCommand(path, false, out, err), 0) << errText.toStdString();
    EXPECT_NO_THROW(store::Database::openFile(path));

    QFile existing(dir.filePath("mio.db"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    EXPECT_EQ(cli::createDatabaseCommand(existing.fileName(), true, out, err), 1);
    err.flush();
    EXPECT_TRUE(errText.contains("ya existe")) << errText.toStdString();
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "keep me");
}

TEST(CommandLine, InvalidLineExitsWithUsage) {
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    EXPECT_EQ(cli::runWithoutWindow(parse({"--nada"}), out, err), 2);
    err.flush();
    EXPECT_TRUE(errText.contains("--nada"));
    EXPECT_TRUE(errText.contains("create-database RUTA [--sample]"));
    EXPECT_EQ(cli::runWithoutWindow(parse({"--help"}), out, err), 0);
    out.flush();
    EXPECT_TRUE(outText.contains("DOSIVANT_DB"));
}

TEST(DataError, TextDependsOnTheErrorNumberAndTheErrorIsRecorded) {
    app::reportDataError(3021, "No current record");
    EXPECT_EQ(app::globals().gTextoError, "Se ha encontrado el final del archivo o el registro ha "
                                          "sido eliminado por otro usuario.");
    EXPECT_EQ(app::globals().errorNumber, 3021);
    EXPECT_EQ(app::globals().errorDescription, "No current record");
    app::reportDataError(3197, "Conflicto");
    EXPECT_EQ(app::globals().gTextoError, "No es posible efectuar la operación.");
}
