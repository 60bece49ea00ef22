#include "app/data_error.h"
#include "app/last_error.h"
#include "cli/command_line.h"
#include "cli/create_database_command.h"
#include "cli/formulate_command.h"
#include "cli/print_command.h"
#include "cli/ranging_command.h"
#include "store/database.h"
#include "support/temp_database.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>
#include <tuple>

using cli::Invocation;

namespace {

Invocation parse(QStringList args) {
    args.prepend("dosivant");
    return cli::parseCommandLine(args);
}

struct LineRun {
    int status;
    QString out, err;
};

LineRun runLine(const QStringList& args) {
    QString outText, errText;
    LineRun r;
    {
        QTextStream out(&outText), err(&errText);
        r.status = cli::runWithoutWindow(parse(args), out, err);
    }
    r.out = outText;
    r.err = errText;
    return r;
}

// The program as a user starts it where there is no display.
LineRun runProgram(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(v);
    p.setProcessEnvironment(env);
    p.start(DOSIVANT_PROGRAM, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(CommandLine, ParsesTheWindowOptionsAndTheCommands) {
    EXPECT_EQ(parse({}).kind, Invocation::Window);
    EXPECT_EQ(parse({"--database", "/x/y.db"}).database, "/x/y.db");
    EXPECT_EQ(parse({"--database=/x/y z.db"}).database, "/x/y z.db");
    EXPECT_EQ(parse({"--database", "a.db", "-h"}).kind, Invocation::Help);
    EXPECT_EQ(parse({"--version"}).kind, Invocation::Version);

    const Invocation create = parse({"create-database", "/tmp/n.db", "--sample"});
    EXPECT_EQ(create.kind, Invocation::Run);
    EXPECT_EQ(create.command, "create-database");
    ASSERT_TRUE(create.options<cli::CreateDatabaseOptions>());
    EXPECT_EQ(create.options<cli::CreateDatabaseOptions>()->path, "/tmp/n.db");
    EXPECT_TRUE(create.options<cli::CreateDatabaseOptions>()->sample);
    EXPECT_FALSE(
        parse({"create-database", "/tmp/n.db"}).options<cli::CreateDatabaseOptions>()->sample);
    // A command's options are its own: another command's are not there.
    EXPECT_EQ(create.options<cli::FormulateOptions>(), nullptr);

    // formulate's --version is the formula's version, not the program's.
    const Invocation parsed = parse({"formulate", "--database", "d.db", "--formula", "POLLO",
                                     "--version", "2", "--quantity", "500", "--json"});
    ASSERT_EQ(parsed.kind, Invocation::Run) << parsed.error.toStdString();
    const cli::FormulateOptions* f = parsed.options<cli::FormulateOptions>();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->database, "d.db");
    EXPECT_EQ(f->code, "POLLO");
    EXPECT_EQ(f->version, 2);
    EXPECT_EQ(f->quantity, "500");
    EXPECT_TRUE(f->quantityGiven);
    EXPECT_TRUE(f->json);
    EXPECT_EQ(
        parse({"formulate", "--database=d.db", "--id", "3"}).options<cli::FormulateOptions>()->id,
        3);
}

TEST(CommandLine, EveryMistakeIsOneLineAndStatusOne) {
    const QList<QStringList> mistakes = {
        {"-x"},
        {"--base", "x"},
        {"--database"},
        {"--database="},
        {"bogus"},
        {"create-database", "x.db", "-x"},
        {"create-database", "--sample"},
        {"create-database", "a.db", "b.db"},
        {"formulate", "--database"},
        {"formulate", "--database", "d.db"},
        {"formulate", "--database", "d.db", "--id", "1", "--formula", "X"},
        {"formulate", "--database", "d.db", "--id", "uno"},
        {"formulate", "--database", "d.db", "--id", "1", "--version", "2"},
        {"formulate", "--database", "d.db", "--formula", "X", "--bogus"},
        {"formulate", "--database", "d.db", "--formula", "X", "7"},
    };
    for (const QStringList& args : mistakes) {
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_EQ(parse(args).kind, Invocation::Invalid);
        const LineRun r = runLine(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    }
    EXPECT_TRUE(runLine({"-x"}).err.contains("opción desconocida: -x"));
    EXPECT_TRUE(runLine({"create-database", "x.db", "-x"}).err.contains("opción desconocida: -x"));
    EXPECT_TRUE(runLine({"--database"}).err.contains("falta el valor de --database"));
    EXPECT_TRUE(runLine({"formulate", "--database=d.db", "--id", "1", "--json=si"})
                    .err.contains("--json no lleva valor"));
}

TEST(CommandLine, ValuesInMessagesArePrintableAndShort) {
    TempDatabase t(false);
    const QString escape = QStringLiteral("\x1b[2J\x1b]0;pwned\x07ROJO");
    const QString huge(10000, u'A');
    const QList<QStringList> lines = {
        {"formulate", "--database", t.path(), "--formula", escape + huge},
        {"print", "--database", t.path(), "--formula", escape + huge, "--pdf", "x.pdf"},
        {"formulate", "--database", "d.db", "--id", escape},
        {"print", "--database", "d.db", "--formula", "X", "--version", huge},
        {escape + huge},
        {"--" + escape},
        {"create-database", "a.db", QStringLiteral("b\u202Egpj.db")},
    };
    for (const QStringList& args : lines) {
        SCOPED_TRACE(args.join(' ').left(80).toStdString());
        const LineRun r = runLine(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_LT(r.err.size(), 400);
        for (const QChar c : r.err.chopped(1))
            EXPECT_TRUE(c.isPrint()) << "U+" << std::hex << unsigned(c.unicode());
    }
    const LineRun missing =
        runLine({"formulate", "--database", t.path(), "--formula", escape + huge});
    EXPECT_TRUE(missing.err.contains("\\x1B[2J\\x1B]0;pwned\\x07ROJOAAA"))
        << missing.err.toStdString();
    EXPECT_TRUE(missing.err.trimmed().endsWith("…"));
    EXPECT_TRUE(runLine({"create-database", "a.db", QStringLiteral("b\u202Egpj.db")})
                    .err.contains("b\\u202Egpj.db"));
}

TEST(CommandLine, HelpAndVersionListEveryCommandAndOption) {
    const LineRun help = runLine({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"create-database", "formulate", "--database", "--sample", "--formula",
                             "--version", "--id", "--quantity", "--json", "--help", "DOSIVANT_DB"})
        EXPECT_TRUE(help.out.contains(word)) << word;
    const LineRun formulate = runLine({"formulate", "--help"});
    EXPECT_EQ(formulate.status, 0);
    for (const char* word : {"--database", "--formula", "--version", "--id", "--quantity", "--json",
                             "Estado de salida"})
        EXPECT_TRUE(formulate.out.contains(word)) << word;
    EXPECT_TRUE(runLine({"create-database", "--help"}).out.contains("--sample"));
    EXPECT_EQ(runLine({"--version"}).out, "Dosivant 2.0\n");
}

TEST(CommandLine, WindowSystemOptionsAndTheDisplay) {
    EXPECT_EQ(cli::withoutWindowSystemOptions(
                  {"dosivant", "-platform", "offscreen", "--style=Fusion", "-reverse", "-x"}),
              (QStringList{"dosivant", "-x"}));
    EXPECT_EQ(cli::parseCommandLine(
                  cli::withoutWindowSystemOptions({"dosivant", "-platform", "offscreen"}))
                  .kind,
              Invocation::Window);
    qputenv("QT_QPA_PLATFORM", "");
    qputenv("DISPLAY", "");
    qputenv("WAYLAND_DISPLAY", "");
    EXPECT_FALSE(cli::displayAvailable({"dosivant"}));
    EXPECT_TRUE(cli::displayAvailable({"dosivant", "-platform", "offscreen"}));
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_TRUE(cli::displayAvailable({"dosivant"}));
    qputenv("WAYLAND_DISPLAY", "");
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

TEST(CommandLine, TheProgramWithoutADisplay) {
    LineRun r = runProgram({"-x"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("opción desconocida: -x")) << r.err.toStdString();
    r = runProgram({"create-database", "x.db", "-x"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("opción desconocida: -x")) << r.err.toStdString();
    r = runProgram({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("no display")) << r.err.toStdString();
    r = runProgram({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Dosivant 2.0\n");
    r = runProgram({"formulate", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains("--quantity"));
}

// Every command of the table answers --help with its own usage, as the program is run.
TEST(CommandLine, EveryCommandAnswersHelpThroughTheProgram) {
    for (const QString command : {"create-database", "formulate", "print", "report", "import"}) {
        SCOPED_TRACE(command.toStdString());
        const LineRun r = runProgram({command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.startsWith("Uso: dosivant " + command + " ")) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains("  -h, --help")) << r.out.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        EXPECT_TRUE(runLine({"--help"}).out.contains("\nOpciones de " + command + ":\n"));
    }
}

// Every command of the table, present and future, refuses an option it does not have, naming it.
TEST(CommandLine, EveryCommandRefusesAnUnknownOptionInSpanish) {
    for (const cli::Command* command : cli::commands()) {
        SCOPED_TRACE(command->name().toStdString());
        const LineRun r = runLine({command->name(), "--bogus"});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(QStringLiteral("desconocid"))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("--bogus")) << r.err.toStdString();
    }
    // Named as typed, without the value given to it.
    EXPECT_TRUE(runLine({"formulate", "--database", "d.db", "--bogus=1"})
                    .err.contains("opción desconocida: --bogus (unknown option)"));
    EXPECT_EQ(runLine({"--bogus"}).err,
              "dosivant: opción desconocida: --bogus (unknown option) (dosivant --help muestra el "
              "uso)\n");
}

// The options that had Spanish names answer to them still, the same as to the English ones the
// help shows; the help lists the old names once, beside the new.
TEST(CommandLine, OldOptionNamesStillWorkAndTheHelpShowsTheNewOnes) {
    const QStringList base = {"--database", "d.db", "--formula", "POLLO-INI"};
    const auto ranging = [&](const QStringList& args) {
        const Invocation inv = parse(QStringList{"ranging"} + base + args);
        EXPECT_EQ(inv.kind, Invocation::Run) << inv.error.toStdString();
        const cli::RangingOptions* o = inv.options<cli::RangingOptions>();
        return o ? std::tuple(o->precio, o->limite, o->desde, o->hasta)
                 : std::tuple(QString(), QString(), -1.0, -1.0);
    };
    const auto priced = std::tuple(QString("MAIZ"), QString(), 0.5, 2.0);
    EXPECT_EQ(ranging({"--price", "MAIZ", "--from-value", "0.5", "--to-value", "2"}), priced);
    EXPECT_EQ(ranging({"--precio", "MAIZ", "--desde", "0.5", "--hasta", "2"}), priced);
    EXPECT_EQ(ranging({"--precio=MAIZ", "--from-value", "0.5", "--hasta=2"}), priced);
    EXPECT_EQ(ranging({"--limite", "grupo:G:maximo", "--desde", "0", "--to-value", "1"}),
              std::tuple(QString(), QString("grupo:G:maximo"), 0.0, 1.0));
    EXPECT_EQ(ranging({"--limit", "grupo:G:maximo", "--from-value", "0", "--hasta", "1"}),
              std::tuple(QString(), QString("grupo:G:maximo"), 0.0, 1.0));
    // Messages name the option as it was typed.
    EXPECT_TRUE(runLine(QStringList{"ranging"} + base +
                        QStringList{"--precio", "MAIZ", "--desde", "2", "--hasta", "1"})
                    .err.contains("--hasta debe ser mayor que --desde"));
    EXPECT_TRUE(runLine(QStringList{"ranging"} + base +
                        QStringList{"--price", "MAIZ", "--from-value", "2", "--to-value", "1"})
                    .err.contains("--to-value debe ser mayor que --from-value"));
    EXPECT_TRUE(runLine(QStringList{"ranging"} + base + QStringList{"--precio", "MAIZ"})
                    .err.contains("Falta --from-value"));

    for (const QString charts : {"--charts", "--graficos"}) {
        const Invocation print =
            parse(QStringList{"print"} + base + QStringList{"--pdf", "x.pdf", charts});
        ASSERT_TRUE(print.options<cli::PrintOptions>()) << print.error.toStdString();
        EXPECT_TRUE(print.options<cli::PrintOptions>()->charts);
        EXPECT_TRUE(runLine(QStringList{"print"} + base + QStringList{"--odt", "x.odt", charts})
                        .err.contains(charts + " va con --pdf"));
    }

    const QString program = runLine({"--help"}).out;
    for (const QString& help : {runLine({"ranging", "--help"}).out, program}) {
        for (const char* shown : {"  --price INGREDIENTE", "  --limit TIPO:NOMBRE",
                                  "  --from-value A", "  --to-value B"})
            EXPECT_TRUE(help.contains(shown)) << shown;
        EXPECT_FALSE(help.contains("  --precio")) << help.toStdString();
        EXPECT_TRUE(help.contains("Los nombres anteriores de las opciones siguen valiendo:"));
        for (const char* former : {"--precio = --price", "--limite = --limit",
                                   "--desde = --from-value", "--hasta = --to-value"})
            EXPECT_TRUE(help.contains(former)) << former;
    }
    EXPECT_TRUE(program.contains("--graficos = --charts"));
    EXPECT_TRUE(runLine({"print", "--help"}).out.contains("  --charts  "));
    EXPECT_FALSE(runLine({"formulate", "--help"}).out.contains("nombres anteriores"));
}

TEST(CommandLine, CreateDatabaseMakesItsFolderAndNeverReplacesAFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("nueva carpeta/Dosivant.db");
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    EXPECT_EQ(cli::runCreateDatabase({path, false}, out, err), 0) << errText.toStdString();
    EXPECT_NO_THROW(store::Database::openFile(path));

    QFile existing(dir.filePath("mio.db"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    EXPECT_EQ(cli::runCreateDatabase({existing.fileName(), true}, out, err), 1);
    err.flush();
    EXPECT_TRUE(errText.contains("ya existe")) << errText.toStdString();
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "keep me");
}

TEST(DataError, TextDependsOnTheErrorNumberAndTheErrorIsRecorded) {
    EXPECT_EQ(app::reportDataError(3021, "No current record"),
              "Se ha encontrado el final del archivo o el registro ha "
              "sido eliminado por otro usuario.");
    EXPECT_EQ(app::lastError().number, 3021);
    EXPECT_EQ(app::lastError().description, "No current record");
    EXPECT_EQ(app::reportDataError(3197, "Conflicto"), "No es posible efectuar la operación.");
}
