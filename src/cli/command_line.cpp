#include "cli/command_line.h"

#include "cli/copy_command.h"
#include "cli/import_command.h"
#include "cli/shown_text.h"
#include "optimizer/sample_formulas.h"
#include "store/database.h"
#include "store/server_address.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <exception>
#include <optional>
#include <vector>

namespace cli {

namespace {

const QString kCreateDatabase = QStringLiteral("create-database");
const QString kCopyDatabase = QStringLiteral("copy-database");
const QString kFormulate = QStringLiteral("formulate");
const QString kPrint = QStringLiteral("print");
const QString kReport = QStringLiteral("report");
const QString kImport = QStringLiteral("import");

struct OptionSpec {
    QStringList names;
    QString valueName; // empty for a switch
    QString description;
};

const OptionSpec kHelp{{"h", "help"}, {}, "muestra esta ayuda"};

const std::vector<OptionSpec>& programOptions() {
    static const std::vector<OptionSpec> options = {
        {{"database"}, "RUTA", "abre la ventana con la base de datos RUTA"},
        kHelp,
        {{"v", "version"}, {}, "muestra la versión del programa"},
    };
    return options;
}

const std::vector<OptionSpec>& createOptions() {
    static const std::vector<OptionSpec> options = {
        {{"sample"}, {}, "la llena con los datos de ejemplo (21 ingredientes, 4 fórmulas)"},
        kHelp,
    };
    return options;
}

const std::vector<OptionSpec>& formulateOptions() {
    static const std::vector<OptionSpec> options = {
        {{"database"}, "RUTA", "la base de datos (obligatoria)"},
        {{"formula"}, "CODIGO", "la fórmula de ese código (su versión más alta)"},
        {{"version"}, "N", "con --formula: la versión N de la fórmula"},
        {{"id"}, "ID", "la fórmula de ese id (en lugar de --formula)"},
        {{"quantity"}, "CANTIDAD", "la cantidad a elaborar (si no, la de la fórmula)"},
        {{"json"}, {}, "el resultado como un objeto JSON en lugar de una tabla"},
        kHelp,
    };
    return options;
}

const std::vector<OptionSpec>& printOptions() {
    static const std::vector<OptionSpec> options = {
        {{"database"}, "RUTA", "la base de datos (obligatoria)"},
        {{"formula"}, "CODIGO", "la fórmula de ese código (su versión más alta)"},
        {{"version"}, "N", "con --formula: la versión N de la fórmula"},
        {{"id"}, "ID", "la fórmula de ese id (en lugar de --formula)"},
        {{"pdf"}, "ARCHIVO", "escribe la impresión en un PDF"},
        {{"odt"}, "ARCHIVO", "escribe el documento de texto (.odt)"},
        kHelp,
    };
    return options;
}

const std::vector<OptionSpec>& reportOptions() {
    static const std::vector<OptionSpec> options = {
        {{"database"}, "RUTA", "la base de datos (obligatoria)"},
        {{"pdf"}, "ARCHIVO", "el PDF que se escribe (obligatorio)"},
        kHelp,
    };
    return options;
}

void configure(QCommandLineParser& parser, const std::vector<OptionSpec>& options) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const OptionSpec& o : options)
        parser.addOption(QCommandLineOption(o.names, o.description, o.valueName));
}

QString optionList(const std::vector<OptionSpec>& options) {
    QString out;
    for (const OptionSpec& o : options) {
        QStringList names;
        for (const QString& n : o.names)
            names << (n.size() == 1 ? "-" : "--") + n;
        QString left = names.join(", ");
        if (!o.valueName.isEmpty())
            left += ' ' + o.valueName;
        out += QStringLiteral("  %1  %2\n").arg(left, -22).arg(o.description);
    }
    return out;
}

Invocation invalid(const QString& error) {
    Invocation inv;
    inv.kind = Invocation::Invalid;
    inv.error = error;
    return inv;
}

// Qt's error texts end with a period and are in English; they name the option.
Invocation parseError(const QCommandLineParser& parser) {
    return invalid(shownLine(parser.errorText()));
}

Invocation parseCreateDatabase(const QStringList& args) {
    QCommandLineParser parser;
    configure(parser, createOptions());
    if (!parser.parse(args))
        return parseError(parser);
    Invocation inv;
    if (parser.isSet("help")) {
        inv.kind = Invocation::Help;
        inv.helpText = QStringLiteral("Uso: dosivant create-database RUTA [--sample]\n\nCrea una "
                                      "base de datos nueva en RUTA; nunca reemplaza un archivo.\n"
                                      "RUTA puede ser una base de datos vacía de un servidor "
                                      "PostgreSQL,\npostgresql://USUARIO@SERVIDOR[:PUERTO]/BASE: "
                                      "se crean en ella las tablas.\n\n"
                                      "Opciones:\n") +
                       optionList(createOptions());
        return inv;
    }
    const QStringList paths = parser.positionalArguments();
    if (paths.isEmpty())
        return invalid(QStringLiteral("create-database necesita la ruta del archivo nuevo "
                                      "(create-database needs the path of the new file)."));
    if (paths.size() > 1)
        return invalid(QStringLiteral("argumento no reconocido (unknown argument): %1")
                           .arg(shownText(paths[1])));
    if (paths[0].isEmpty())
        return invalid(QStringLiteral("la ruta del archivo nuevo está vacía (empty path)."));
    inv.kind = Invocation::CreateDatabase;
    inv.database = paths[0];
    inv.sample = parser.isSet("sample");
    return inv;
}

bool wholeNumber(const QString& text, int* value) {
    bool ok = false;
    *value = text.toInt(&ok);
    return ok;
}

// The stored formula a command names: --formula CODE [--version N] or --id ID.
struct FormulaChoice {
    QString code;
    int id = 0;
    std::optional<int> version;
};

// Reads the choice; the message for a value that is not a valid number, or empty.
QString readFormulaChoice(const QCommandLineParser& parser, FormulaChoice& choice) {
    choice.code = parser.value("formula").trimmed();
    if (parser.isSet("id")) {
        if (!wholeNumber(parser.value("id"), &choice.id) || choice.id <= 0)
            return "Valor no válido para --id: " + shownText(parser.value("id"));
    }
    if (parser.isSet("version")) {
        int version = 0;
        if (!wholeNumber(parser.value("version"), &version) || version < 0)
            return "Valor no válido para --version: " + shownText(parser.value("version"));
        choice.version = version;
    }
    return {};
}

// The message for options that do not name exactly one formula, or empty.
QString formulaChoiceError(const FormulaChoice& choice) {
    if (choice.code.isEmpty() == (choice.id == 0))
        return QStringLiteral("Indique --formula o --id (uno de los dos)");
    if (choice.version && choice.code.isEmpty())
        return QStringLiteral("--version va con --formula");
    return {};
}

Invocation parseFormulate(const QStringList& args) {
    QCommandLineParser parser;
    configure(parser, formulateOptions());
    if (!parser.parse(args))
        return parseError(parser);
    Invocation inv;
    if (parser.isSet("help")) {
        inv.kind = Invocation::Help;
        inv.helpText = formulateUsageText();
        return inv;
    }
    if (!parser.positionalArguments().isEmpty())
        return invalid(QStringLiteral("argumento no reconocido (unknown argument): %1")
                           .arg(shownText(parser.positionalArguments().first())));
    FormulateOptions& o = inv.formulate;
    o.database = parser.value("database");
    o.json = parser.isSet("json");
    o.quantityGiven = parser.isSet("quantity");
    o.quantity = parser.value("quantity");
    FormulaChoice choice;
    if (const QString error = readFormulaChoice(parser, choice); !error.isEmpty())
        return invalid(error);
    if (o.database.isEmpty())
        return invalid(QStringLiteral("Falta --database"));
    if (const QString error = formulaChoiceError(choice); !error.isEmpty())
        return invalid(error);
    o.code = choice.code;
    o.id = choice.id;
    if (choice.version)
        o.version = *choice.version;
    inv.kind = Invocation::Formulate;
    return inv;
}

const QString kPrintUsage = QStringLiteral(
    "Uso: dosivant print --database RUTA (--formula CODIGO [--version N] | --id ID)\n"
    "                    (--pdf ARCHIVO | --odt ARCHIVO)\n\n"
    "Escribe la impresión de una fórmula guardada en PDF o como documento de texto; no escribe "
    "nada\nen la base de datos.\n\nOpciones:\n");
const QString kReportUsage =
    QStringLiteral("Uso: dosivant report (ingredientes|nutrientes|formulas) --database RUTA "
                   "--pdf ARCHIVO\n\nEscribe el informe de la lista completa en PDF.\n\n"
                   "Opciones:\n");

Invocation parsePrintOrReport(const QStringList& args, bool report) {
    QCommandLineParser parser;
    configure(parser, report ? reportOptions() : printOptions());
    if (!parser.parse(args))
        return parseError(parser);
    Invocation inv;
    if (parser.isSet("help")) {
        inv.kind = Invocation::Help;
        inv.helpText = report ? kReportUsage + optionList(reportOptions())
                              : kPrintUsage + optionList(printOptions());
        return inv;
    }
    PrintOptions& o = inv.print;
    QStringList positional = parser.positionalArguments();
    if (report) {
        if (positional.isEmpty())
            return invalid(
                QStringLiteral("Indique el informe: ingredientes, nutrientes o formulas"));
        o.list = positional.takeFirst();
        if (o.list != QStringLiteral("ingredientes") && o.list != QStringLiteral("nutrientes") &&
            o.list != QStringLiteral("formulas"))
            return invalid(
                QStringLiteral("Indique el informe: ingredientes, nutrientes o formulas"));
    }
    if (!positional.isEmpty())
        return invalid(QStringLiteral("argumento no reconocido (unknown argument): %1")
                           .arg(shownText(positional.first())));
    o.database = parser.value("database");
    o.pdf = parser.value("pdf");
    if (o.database.isEmpty())
        return invalid(QStringLiteral("Falta --database"));
    if (report) {
        if (o.pdf.isEmpty())
            return invalid(QStringLiteral("Falta --pdf"));
        inv.kind = Invocation::Report;
        return inv;
    }
    o.odt = parser.value("odt");
    FormulaChoice choice;
    QString error = readFormulaChoice(parser, choice);
    if (error.isEmpty())
        error = formulaChoiceError(choice);
    if (!error.isEmpty())
        return invalid(error);
    o.code = choice.code;
    o.id = choice.id;
    o.version = choice.version;
    if (o.pdf.isEmpty() == o.odt.isEmpty())
        return invalid(QStringLiteral("Indique --pdf o --odt (uno de los dos)"));
    inv.kind = Invocation::Print;
    return inv;
}

// Options of the window system: name and whether a value follows.
struct WindowSystemOption {
    const char* name;
    bool takesValue;
};
constexpr WindowSystemOption kWindowSystemOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"geometry", true},
    {"qwindowicon", true},
    {"icon", true},
    {"qwindowtitle", true},
    {"title", true},
    {"style", true},
    {"stylesheet", true},
    {"session", true},
    {"display", true},
    {"name", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"testability", false},
};

const WindowSystemOption* windowSystemOption(const QString& arg, bool* valueAttached) {
    if (!arg.startsWith('-') || arg == QStringLiteral("-") || arg == QStringLiteral("--"))
        return nullptr;
    QString name = arg.mid(arg.startsWith(QStringLiteral("--")) ? 2 : 1);
    *valueAttached = name.contains('=');
    name = name.section('=', 0, 0);
    for (const WindowSystemOption& o : kWindowSystemOptions)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

} // namespace

Invocation parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    configure(parser, programOptions());
    // A command's own options follow its name; the command's parser reads them.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(arguments))
        return parseError(parser);
    const QStringList positional = parser.positionalArguments();
    const QString program = arguments.value(0, QStringLiteral("dosivant"));
    if (!positional.isEmpty() && positional[0] == kCopyDatabase) {
        Invocation inv;
        inv.kind = parser.isSet("database") ? Invocation::Invalid : Invocation::CopyDatabase;
        inv.error = QStringLiteral("copy-database toma --from y --to, no --database");
        inv.copyArguments = positional.mid(1);
        return inv;
    }
    if (!positional.isEmpty() &&
        (positional[0] == kCreateDatabase || positional[0] == kFormulate ||
         positional[0] == kPrint || positional[0] == kReport || positional[0] == kImport)) {
        if (parser.isSet("database"))
            return invalid(QStringLiteral("--database va después de la orden %1")
                               .arg(shownText(positional[0])));
        if (positional[0] == kImport) {
            Invocation inv;
            inv.kind = Invocation::Import;
            inv.importArguments = positional.mid(1);
            return inv;
        }
        const QStringList commandArgs = QStringList{program} + positional.mid(1);
        if (positional[0] == kCreateDatabase)
            return parseCreateDatabase(commandArgs);
        if (positional[0] == kFormulate)
            return parseFormulate(commandArgs);
        return parsePrintOrReport(commandArgs, positional[0] == kReport);
    }
    Invocation inv;
    if (parser.isSet("help")) {
        inv.kind = Invocation::Help;
        inv.helpText = usageText();
        return inv;
    }
    if (parser.isSet("version")) {
        inv.kind = Invocation::Version;
        return inv;
    }
    if (!positional.isEmpty())
        return invalid(QStringLiteral("orden desconocida (unknown command): %1")
                           .arg(shownText(positional[0])));
    if (parser.isSet("database")) {
        inv.database = parser.value("database");
        if (inv.database.isEmpty())
            return invalid(QStringLiteral("--database necesita una ruta "
                                          "(--database needs a path)"));
    }
    return inv;
}

QStringList withoutWindowSystemOptions(const QStringList& arguments) {
    QStringList out;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        bool attached = false;
        const WindowSystemOption* o = i > 0 ? windowSystemOption(arguments[i], &attached) : nullptr;
        if (!o) {
            out << arguments[i];
            continue;
        }
        if (o->takesValue && !attached)
            ++i;
    }
    return out;
}

bool displayAvailable(const QStringList& arguments) {
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(variable))
            return true;
    for (const QString& a : arguments) {
        bool attached = false;
        const WindowSystemOption* o = windowSystemOption(a, &attached);
        if (o && QLatin1String(o->name) == QLatin1String("platform"))
            return true;
    }
    return false;
}

bool needsFonts(const Invocation& inv) {
    return inv.kind == Invocation::Print || inv.kind == Invocation::Report;
}

QString usageText() {
    return QStringLiteral(
               "Uso (usage):\n"
               "  dosivant [--database RUTA]\n"
               "      abre la ventana principal con la base de datos RUTA\n"
               "  dosivant create-database RUTA [--sample]\n"
               "      crea una base de datos nueva en RUTA\n"
               "  dosivant formulate --database RUTA (--formula CODIGO [--version N] | --id "
               "ID)\n"
               "                     [--quantity CANTIDAD] [--json]\n"
               "      formula una fórmula guardada sin abrir la ventana\n"
               "  dosivant print --database RUTA (--formula CODIGO [--version N] | --id ID)\n"
               "                 (--pdf ARCHIVO | --odt ARCHIVO)\n"
               "      escribe la impresión de una fórmula guardada en PDF o como documento\n"
               "  dosivant report (ingredientes|nutrientes|formulas) --database RUTA --pdf "
               "ARCHIVO\n"
               "      escribe el informe de la lista completa en PDF\n"
               "  dosivant import --database RUTA --from ORIGEN [--yes]\n"
               "      importa ingredientes, nutrientes y composiciones de ORIGEN (SQLite o "
               "Access)\n"
               "  dosivant copy-database --from ORIGEN --to DESTINO\n"
               "      copia toda la base de datos ORIGEN a DESTINO (archivo o servidor)\n"
               "  dosivant --help | --version\n"
               "\n"
               "Opciones del programa:\n") +
           optionList(programOptions()) + QStringLiteral("\nOpciones de create-database:\n") +
           optionList(createOptions()) + QStringLiteral("\nOpciones de formulate:\n") +
           optionList(formulateOptions()) + QStringLiteral("\nOpciones de print:\n") +
           optionList(printOptions()) + QStringLiteral("\nOpciones de report:\n") +
           optionList(reportOptions()) +
           QStringLiteral(
               "\nLa base de datos es la de --database; si no se indica, la de la variable "
               "DOSIVANT_DB;\nsi tampoco, $XDG_DATA_HOME/Dosivant/Dosivant.db.\n"
               "Un error en la línea de órdenes termina con el estado 1.\n");
}

QString formulateUsageText() {
    return QStringLiteral("Uso: dosivant formulate --database RUTA (--formula CODIGO [--version "
                          "N] | --id ID)\n"
                          "                          [--quantity CANTIDAD] [--json]\n\n"
                          "Carga la fórmula, la formula a mínimo costo como el botón de la "
                          "ventana y muestra el\nresultado; no escribe nada en la base de "
                          "datos.\n\nOpciones:\n") +
           optionList(formulateOptions()) +
           QStringLiteral("\nEstado de salida: 0 óptimo; 3 mezcla escrita sin análisis "
                          "(infactible, límite de\niteraciones); 4 detenida antes de escribir "
                          "(validación, control de alcance);\n1 error de uso, de cantidad o de "
                          "la base de datos.\n");
}

int createDatabaseCommand(const QString& path, bool sample, QTextStream& out, QTextStream& err) {
    const bool onServer = store::isServerAddress(path);
    const auto exists = [&] {
        if (onServer)
            err << QStringLiteral("dosivant: la base de datos \"%1\" ya tiene las tablas del "
                                  "programa; no se reemplaza (the database is not empty)\n")
                       .arg(path);
        else
            err << QStringLiteral("dosivant: ya existe \"%1\"; no se reemplaza "
                                  "(the file already exists and is left as it is)\n")
                       .arg(path);
        return 1;
    };
    if (!onServer && QFileInfo::exists(path))
        return exists();
    const QString folder = QFileInfo(path).absolutePath();
    if (!onServer && !QDir().mkpath(folder)) {
        err << QStringLiteral("dosivant: no se puede crear la carpeta \"%1\" "
                              "(cannot create the folder)\n")
                   .arg(folder);
        return 1;
    }
    try {
        // The sample formulas are stored formulated, so the first one opened shows a mix.
        store::Database::createFile(path, sample, [sample](store::Database& db) {
            if (sample)
                optimizer::formulateSampleFormulas(db);
        });
    } catch (const store::FileExistsError&) {
        return exists(); // another run made it first
    } catch (const std::exception& e) {
        err << QStringLiteral("dosivant: no se pudo crear la base de datos \"%1\" "
                              "(could not create the database): %2\n")
                   .arg(path, QString::fromUtf8(e.what()));
        return 1;
    }
    out << QStringLiteral("Base de datos creada (database created): %1\n").arg(path);
    return 0;
}

int runWithoutWindow(const Invocation& inv, QTextStream& out, QTextStream& err) {
    switch (inv.kind) {
    case Invocation::Help:
        out << inv.helpText;
        return 0;
    case Invocation::Version:
        out << QStringLiteral("Dosivant ") << kProgramVersion << u'\n';
        return 0;
    case Invocation::CreateDatabase:
        return createDatabaseCommand(inv.database, inv.sample, out, err);
    case Invocation::Formulate: {
        QString output;
        const int status = runFormulate(inv.formulate, &output, err);
        out << output;
        return status;
    }
    case Invocation::Print:
        return runPrint(inv.print, out, err);
    case Invocation::Report:
        return runReport(inv.print, out, err);
    case Invocation::Import:
        out.flush();
        err.flush();
        return runImportCommand(inv.importArguments);
    case Invocation::CopyDatabase:
        return runCopyCommand(inv.copyArguments, out, err);
    case Invocation::Invalid:
        err << QStringLiteral("dosivant: ") << inv.error
            << QStringLiteral(" (dosivant --help muestra el uso)\n");
        return 1;
    case Invocation::Window:
        break;
    }
    err << QStringLiteral("dosivant: la ventana no se abre desde aquí (no window here)\n");
    return 1;
}

} // namespace cli
