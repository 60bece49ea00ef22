#include "cli/command_line.h"
#include "store/database.h"
#include "support/scripted_messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int run(const QStringList& args, QString* err) {
    ScriptedMessages messages;
    QString out;
    QTextStream o(&out), e(err);
    const int status =
        cli::runWithoutWindow(cli::parseCommandLine(QStringList{"dosivant"} + args), o, e);
    e.flush();
    return status;
}

} // namespace

// A file made by another tool lacks the indexes; the commands that only read must leave it as it
// is, byte for byte, and still work.
TEST(ReadOnlyCommands, LeaveAFileWithoutIndexesByteForByteAsItWas) {
    QTemporaryDir dir;
    const QString path = dir.filePath("sin_indices.db");
    store::Database::createFile(path, true);
    {
        auto db = store::Database::openFile(path);
        store::RecordSet names =
            db->query("select name from sqlite_master where type='index' and sql is not null");
        for (names.moveFirst(); !names.eof(); names.moveNext())
            db->exec("drop index " + names.toString("name"));
    }
    const QByteArray before = fileBytes(path);
    const QList<QStringList> commands = {
        {"formulate", "--database", path, "--formula", "POLLO-INI", "--quantity", "1000"},
        {"print", "--database", path, "--formula", "POLLO-INI", "--pdf", dir.filePath("f.pdf")},
        {"report", "ingredientes", "--database", path, "--pdf", dir.filePath("i.pdf")},
        {"report", "formulas", "--database", path, "--pdf", dir.filePath("f2.pdf")},
    };
    for (const QStringList& command : commands) {
        QString err;
        EXPECT_EQ(run(command, &err), 0)
            << command.join(' ').toStdString() << ": " << err.toStdString();
        EXPECT_TRUE(fileBytes(path) == before) << command.join(' ').toStdString();
    }
    // Nothing was left beside it either (no journal of a write).
    EXPECT_EQ(QDir(dir.path()).entryList({"sin_indices.db*"}, QDir::Files),
              QStringList({"sin_indices.db"}));
}

// A key past 32 bits is refused with the row named, never printed cut.
TEST(ReadOnlyCommands, AReportRefusesAKeyPast32Bits) {
    QTemporaryDir dir;
    const QString path = dir.filePath("grande.db");
    store::Database::createFile(path, true);
    store::Database::openFile(path)->exec(
        "insert into formulas (id_formula,codigo,producto,version) values (3000000000,'G','x',0)");
    QString err;
    EXPECT_EQ(run({"report", "formulas", "--database", path, "--pdf", dir.filePath("f.pdf")}, &err),
              1);
    EXPECT_TRUE(err.contains("columna id_formula de la tabla formulas (id_formula=3000000000)"))
        << err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("f.pdf")));
}
