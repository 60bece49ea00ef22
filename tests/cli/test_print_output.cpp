// What `print` and `report` refuse to write over, and what they do when writing fails.
#include "cli/command_line.h"
#include "cli/command_run.h"
#include "printing/full_disk.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QByteArray hashOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

bool isFifo(const QString& path) {
    struct stat s {};
    return ::lstat(QFile::encodeName(path).constData(), &s) == 0 && S_ISFIFO(s.st_mode);
}

} // namespace

TEST(PrintOutput, AnOutputThatIsTheDatabaseOrNoFileIsRefused) {
    TempDatabase t(true);
    QTemporaryDir dir;
    const QByteArray before = hashOf(t.path());
    const QString link = dir.filePath("enlace.pdf");
    ASSERT_TRUE(QFile::link(t.path(), link));
    const QString fifo = dir.filePath("tuberia.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    const QStringList db = {"--database", t.path()};
    const QStringList formula = db + QStringList{"--formula", "POLLO-INI"};
    const std::pair<QStringList, QString> cases[] = {
        {formula + QStringList{"--pdf", t.path()}, "es la base de datos abierta"},
        {formula + QStringList{"--odt", t.path()}, "es la base de datos abierta"},
        {formula + QStringList{"--pdf", link}, "es la base de datos abierta"},
        {formula + QStringList{"--odt", t.path() + "-journal"}, "diario de la base de datos"},
        {formula + QStringList{"--pdf", fifo}, "no es un archivo común"},
    };
    for (const auto& [args, expected] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CommandRun r = runCommand("print", args);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.startsWith("dosivant print: No se escribe en ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(expected)) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1);
        EXPECT_TRUE(r.out.isEmpty());
    }
    const CommandRun report =
        runCommand("report", {"formulas", "--database", t.path(), "--pdf", link});
    EXPECT_EQ(report.status, 1);
    EXPECT_TRUE(report.err.contains("es la base de datos abierta")) << report.err.toStdString();

    // Everything is as it was: the database, the link, the pipe, no journal made up.
    EXPECT_EQ(hashOf(t.path()), before);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(isFifo(fifo));
    EXPECT_FALSE(QFile::exists(t.path() + "-journal"));

    // The rule's other cases are in the printing tests; a new file beside them is written.
    const CommandRun replaced = runCommand("print", formula + QStringList{"--pdf", fifo + ".pdf"});
    EXPECT_EQ(replaced.status, 0) << replaced.err.toStdString();
}

TEST(PrintOutput, AFormulaThatCannotBeLoadedPrintsNothing) {
    const char* faults[] = {
        "update formula_propiedad set minimo='abc' where id_formula=%1",
        "update formula_propiedad set maximo=9e999 where id_formula=%1",
        "update formulas set version='x' where id_formula=%1",
        "update productos set costo='abc' where id_producto in "
        "(select id_producto from formula_producto where id_formula=%1)",
        "update producto_propiedad set valor=9e999 where id_producto in "
        "(select id_producto from formula_producto where id_formula=%1)",
        // An ingredient whose key is past 32 bits, in the catalogue and in the formula.
        "update productos set id_producto=5000000000 where id_producto=(select min(id_producto) "
        "from formula_producto where id_formula=%1);"
        "update formula_producto set id_producto=5000000000 where id_formula=%1 and "
        "id_producto=(select min(id_producto) from formula_producto where id_formula=%1)",
    };
    for (const char* fault : faults) {
        SCOPED_TRACE(fault);
        TempDatabase t(true);
        const int id = t.db()
                           .query("select id_formula from formulas where codigo='POLLO-INI'")
                           .valueAt(0, 0)
                           .toInt();
        for (const QString& statement : QString::fromLatin1(fault).arg(id).split(';'))
            t.db().exec(statement);
        QTemporaryDir dir;
        for (const char* output : {"--pdf", "--odt"}) {
            const QString file = dir.filePath("pollo");
            const CommandRun r = runCommand(
                "print", {"--database", t.path(), "--formula", "POLLO-INI", output, file});
            EXPECT_EQ(r.status, 1) << output;
            EXPECT_TRUE(r.err.contains("no se pudo cargar la fórmula POLLO-INI"))
                << r.err.toStdString();
            EXPECT_FALSE(r.out.contains("Escrito"));
            EXPECT_FALSE(QFile::exists(file)) << output;
        }
    }
}

TEST(PrintOutput, AFormulaKeyPast32BitsIsNotTakenForAnother) {
    TempDatabase t(true);
    const int id = t.db()
                       .query("select id_formula from formulas where codigo='POLLO-INI'")
                       .valueAt(0, 0)
                       .toInt();
    const int other = t.db()
                          .query("select id_formula from formulas where codigo='PONEDORA'")
                          .valueAt(0, 0)
                          .toInt();
    // Cut to 32 bits, the key would be the laying hens' formula.
    const QString wide = QString::number((qlonglong(1) << 32) + other);
    for (const char* table : {"formula_producto", "formula_propiedad", "formulas"})
        t.db().exec(
            QString("update %1 set id_formula=%2 where id_formula=%3").arg(table, wide).arg(id));
    QTemporaryDir dir;
    const QString file = dir.filePath("pollo.odt");
    const CommandRun print =
        runCommand("print", {"--database", t.path(), "--formula", "POLLO-INI", "--odt", file});
    EXPECT_EQ(print.status, 1);
    EXPECT_TRUE(print.err.contains("id_formula")) << print.err.toStdString();
    EXPECT_FALSE(QFile::exists(file));
    const CommandRun formulate =
        runCommand("formulate", {"--database", t.path(), "--formula", "POLLO-INI"});
    EXPECT_EQ(formulate.status, 1);
    EXPECT_TRUE(formulate.out.isEmpty());
}

TEST(PrintOutput, AFullDiskLeavesNoFileAndFails) {
    TempDatabase t(true);
    QTemporaryDir dir;
    const QStringList formula = {"--database", t.path(), "--formula", "POLLO-INI"};
    for (const char* output : {"--odt", "--pdf"}) {
        SCOPED_TRACE(output);
        const QString file = dir.filePath("pollo");
        CommandRun r;
        {
            FullDisk full(512);
            r = runCommand("print", formula + QStringList{output, file});
        }
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.startsWith("dosivant print: No se pudo")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_FALSE(QFile::exists(file));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    }
    CommandRun report;
    {
        FullDisk full(512);
        report = runCommand("report", {"ingredientes", "--database", t.path(), "--pdf",
                                       dir.filePath("ingredientes.pdf")});
    }
    EXPECT_EQ(report.status, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("ingredientes.pdf")));
}
