#include "cli/command_line.h"

#include "app/number_text.h"
#include "app/regional_settings.h"
#include "cli/shown_text.h"
#include "optimizer/sample_formulas.h"
#include "store/database.h"
#include "store/server_address.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <cmath>
#include <cstdio>
#include <exception>
#include <limits>
#include <optional>
#include <vector>

namespace cli {

namespace {

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

const std::vector<OptionSpec>& rangingOptions() {
    static const std::vector<OptionSpec> options = {
        {{"database"}, "RUTA", "la base de datos (obligatoria)"},
        {{"formula"}, "CODIGO", "la fórmula de ese código (su versión más alta)"},
        {{"version"}, "N", "con --formula: la versión N de la fórmula"},
        {{"id"}, "ID", "la fórmula de ese id (en lugar de --formula)"},
        {{"precio"}, "INGREDIENTE", "mueve el precio de ese ingrediente (código o nombre)"},
        {{"limite"},
         "TIPO:NOMBRE:minimo|maximo",
         "mueve ese límite (TIPO: nutriente, ingrediente, relacion o grupo; NOMBRE de una "
         "relación: el suyo o \"Numerador / Divisor\"; NOMBRE va del primer ':' al último y "
         "puede contener ':')"},
        {{"desde"}, "A", "el comienzo del rango (obligatorio)"},
        {{"hasta"}, "B", "el final del rango, mayor que A (obligatorio)"},
        {{"json"}, {}, "el resultado como un objeto JSON en lugar de una tabla"},
        kHelp,
    };
    return options;
}

const std::vector<OptionSpec>& planOptions() {
    static const std::vector<OptionSpec> options = {
        {{"database"}, "RUTA", "la base de datos (obligatoria)"},
        {{"plan"}, "NOMBRE", "el plan de producción de ese nombre (obligatorio)"},
        {{"json"}, {}, "el resultado como un objeto JSON en lugar de una tabla"},
        {{"save"}, {}, "graba la mezcla planeada de cada fórmula como una versión nueva"},
        {{"stored-versions"},
         {},
         "formula la versión que nombra el plan con sus precios guardados (si no, la versión "
         "más alta de cada código con los precios actuales)"},
        {{"pdf"}, "ARCHIVO", "escribe el resultado del plan en un PDF"},
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
        {{"graficos"}, {}, "con --pdf: agrega la página de gráficos de la mezcla"},
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

const std::vector<OptionSpec>& importOptions() {
    static const std::vector<OptionSpec> options = {
        {{"database"}, "RUTA", "la base de datos que recibe los datos (obligatoria)"},
        {{"from"}, "ORIGEN", "la base de datos de origen, SQLite o Access (obligatoria)"},
        {{"yes"}, {}, "importa sin pedir confirmación"},
        kHelp,
    };
    return options;
}

const std::vector<OptionSpec>& copyOptions() {
    static const std::vector<OptionSpec> options = {
        {{"from"}, "ORIGEN", "la base de datos que se copia: archivo o servidor (obligatoria)"},
        {{"to"}, "DESTINO", "la base de datos nueva o vacía que la recibe (obligatoria)"},
        kHelp,
    };
    return options;
}

const std::vector<OptionSpec>& reformulateOptions() {
    static const std::vector<OptionSpec> options = {
        {{"database"}, "RUTA", "la base de datos (obligatoria)"},
        {{"formula"}, "CODIGO", "solo esa fórmula (se repite para varias; si no, todas)"},
        {{"save"}, {}, "graba las fórmulas óptimas como versiones nuevas (todas o ninguna)"},
        {{"json"}, {}, "un objeto JSON por fórmula y línea en lugar de una tabla"},
        kHelp,
    };
    return options;
}

const std::vector<OptionSpec>& pricesOptions() {
    static const std::vector<OptionSpec> options = {
        {{"database"}, "RUTA", "la base de datos (obligatoria)"},
        {{"from"}, "LISTA", "la lista de precios, un archivo CSV (obligatoria)"},
        {{"yes"}, {}, "aplica los cambios (sin esta opción solo los muestra)"},
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

Invocation unknownArgument(const QString& argument) {
    return invalid(
        QStringLiteral("argumento no reconocido (unknown argument): %1").arg(shownText(argument)));
}

// Qt's error texts end with a period and are in English; they name the option.
Invocation parseError(const QCommandLineParser& parser) {
    return invalid(shownLine(parser.errorText()));
}

Invocation parseCreateDatabase(const QCommandLineParser& parser) {
    Invocation inv;
    const QStringList paths = parser.positionalArguments();
    if (paths.isEmpty())
        return invalid(QStringLiteral("create-database necesita la ruta del archivo nuevo "
                                      "(create-database needs the path of the new file)."));
    if (paths.size() > 1)
        return unknownArgument(paths[1]);
    if (paths[0].isEmpty())
        return invalid(QStringLiteral("la ruta del archivo nuevo está vacía (empty path)."));
    inv.kind = Invocation::CreateDatabase;
    inv.database = paths[0];
    inv.sample = parser.isSet("sample");
    return inv;
}

// Every number of the command line is read as the window reads a typed one (app/number_text.h):
// "." before the decimals, no thousands separator, so "1,5" and "1,000" are no numbers.
std::optional<double> commandNumber(const QString& text) {
    return numtext::toNumber(text);
}

// A number that is whole and fits an int ("12", "1e3").
bool wholeNumber(const QString& text, int* value) {
    const std::optional<double> v = commandNumber(text);
    if (!v || *v != std::trunc(*v) || std::abs(*v) > std::numeric_limits<int>::max())
        return false;
    *value = static_cast<int>(*v);
    return true;
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

Invocation parseFormulate(const QCommandLineParser& parser) {
    Invocation inv;
    if (!parser.positionalArguments().isEmpty())
        return unknownArgument(parser.positionalArguments().first());
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

Invocation parseRanging(const QCommandLineParser& parser) {
    Invocation inv;
    if (!parser.positionalArguments().isEmpty())
        return unknownArgument(parser.positionalArguments().first());
    RangingOptions& o = inv.ranging;
    o.database = parser.value("database");
    o.json = parser.isSet("json");
    FormulaChoice choice;
    if (const QString error = readFormulaChoice(parser, choice); !error.isEmpty())
        return invalid(error);
    if (o.database.isEmpty())
        return invalid(QStringLiteral("Falta --database"));
    if (const QString error = formulaChoiceError(choice); !error.isEmpty())
        return invalid(error);
    o.code = choice.code;
    o.id = choice.id;
    o.version = choice.version;
    o.precio = parser.value("precio").trimmed();
    o.limite = parser.value("limite").trimmed();
    if (o.precio.isEmpty() == o.limite.isEmpty())
        return invalid(QStringLiteral("Indique --precio o --limite (uno de los dos)"));
    for (const char* name : {"desde", "hasta"})
        if (!parser.isSet(name))
            return invalid(QStringLiteral("Falta --%1").arg(QLatin1String(name)));
    const std::optional<double> desde = commandNumber(parser.value("desde"));
    const std::optional<double> hasta = commandNumber(parser.value("hasta"));
    if (!desde)
        return invalid("Valor no válido para --desde: " + shownText(parser.value("desde")));
    if (!hasta)
        return invalid("Valor no válido para --hasta: " + shownText(parser.value("hasta")));
    if (!(*desde < *hasta))
        return invalid(QStringLiteral("--hasta debe ser mayor que --desde"));
    o.desde = *desde;
    o.hasta = *hasta;
    inv.kind = Invocation::Ranging;
    return inv;
}

const QString kRangingUsage = QStringLiteral(
    "Uso: dosivant ranging --database RUTA (--formula CODIGO [--version N] | --id ID)\n"
    "                      (--precio INGREDIENTE | --limite TIPO:NOMBRE:minimo|maximo)\n"
    "                      --desde A --hasta B [--json]\n\n"
    "Mueve el precio de un ingrediente o un límite de la fórmula de A a B y muestra, en cada\n"
    "tramo en que la mezcla óptima no cambia de base, el costo de la fórmula en sus extremos y\n"
    "la cantidad del ingrediente (precio) o el precio sombra del límite; los tramos son exactos.\n"
    "No escribe nada en la base de datos.\n\n"
    "Un ingrediente se nombra por su código (SOJA48) o por su nombre; si no hay uno con ese\n"
    "código, vale el nombre completo y, si no, una parte que esté en un solo nombre (PESCADO,\n"
    "\"harina de pescado\"); sin importar mayúsculas. Nutrientes, relaciones y grupos, por su\n"
    "nombre de la misma forma. Un texto que nombra varios se rechaza con la lista de ellos. En\n"
    "--limite, TIPO es lo que va antes del primer ':' y minimo|maximo lo que sigue al último:\n"
    "NOMBRE puede contener ':' sin comillas (nutriente:Ca:P disponible:minimo). A y B se\n"
    "escriben con punto decimal y sin separador de miles (1.5, 1e3; no 1,5).\n\nOpciones:\n");
const QString kRangingUsageEnd = QStringLiteral(
    "\nEstado de salida: 0 tramos calculados; 3 ningún valor del rango permite "
    "formular;\n1 error de uso, de la fórmula, de la base de datos o un rango que no se puede "
    "calcular\n(demasiado amplio).\n");

int runRangingInvocation(const Invocation& inv, QTextStream& out, QTextStream& err) {
    QString output;
    const int status = runRanging(inv.ranging, &output, err);
    out << output;
    return status;
}

Invocation parsePlan(const QCommandLineParser& parser) {
    Invocation inv;
    if (!parser.positionalArguments().isEmpty())
        return unknownArgument(parser.positionalArguments().first());
    PlanOptions& o = inv.plan;
    o.database = parser.value("database");
    o.plan = parser.value("plan").trimmed();
    o.json = parser.isSet("json");
    o.save = parser.isSet("save");
    o.pdf = parser.value("pdf");
    o.storedVersions = parser.isSet("stored-versions");
    if (o.database.isEmpty())
        return invalid(QStringLiteral("Falta --database"));
    if (o.plan.isEmpty())
        return invalid(QStringLiteral("Falta --plan"));
    if (parser.isSet("pdf") && o.pdf.isEmpty())
        return invalid(QStringLiteral("Falta el archivo de --pdf"));
    inv.kind = Invocation::Plan;
    return inv;
}

const QString kPlanUsage = QStringLiteral(
    "Uso: dosivant plan --database RUTA --plan NOMBRE [--json] [--save] [--stored-versions]\n"
    "                   [--pdf ARCHIVO]\n\n"
    "Formula a la vez todas las fórmulas del plan de producción, con lo disponible y el uso\n"
    "mínimo de cada ingrediente, al menor costo total; muestra la mezcla de cada fórmula, su\n"
    "costo (y el de formularla sola) y, por ingrediente, lo usado y su valor marginal. De cada\n"
    "fórmula toma la versión más alta de su código con los precios y la materia seca actuales\n"
    "del catálogo, como la reformulación; con --stored-versions, la versión que nombra el plan\n"
    "con los precios guardados en ella. Muestra la versión y la fecha de los precios usados\n"
    "(en JSON: \"precios\": \"actuales\" o \"guardados\" y, por fórmula, \"version\"). Solo\n"
    "escribe en la base de datos con --save. Con --pdf escribe además el resultado impreso\n"
    "(solo si el plan tiene solución).\n\nOpciones:\n");
const QString kPlanUsageEnd =
    QStringLiteral("\nEstado de salida: 0 óptimo; 3 el plan no puede cumplir todos los límites;"
                   "\n4 una fórmula se detuvo antes de formular; 1 error de uso, plan inexistente "
                   "o error de la base de datos.\n");

int runPlanInvocation(const Invocation& inv, QTextStream& out, QTextStream& err) {
    QString output;
    const int status = runPlan(inv.plan, &output, err);
    out << output;
    return status;
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

Invocation parsePrintOrReport(const QCommandLineParser& parser, bool report) {
    Invocation inv;
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
        return unknownArgument(positional.first());
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
    o.charts = parser.isSet("graficos");
    if (o.charts && o.pdf.isEmpty())
        return invalid(QStringLiteral("--graficos va con --pdf"));
    inv.kind = Invocation::Print;
    return inv;
}

Invocation parsePrint(const QCommandLineParser& parser) {
    return parsePrintOrReport(parser, false);
}

Invocation parseReport(const QCommandLineParser& parser) {
    return parsePrintOrReport(parser, true);
}

// Whether the options are complete is the import's to say when it runs.
Invocation parseImport(const QCommandLineParser& parser) {
    Invocation inv;
    if (const QString error = readImportOptions(parser, &inv.import); !error.isEmpty())
        return invalid(error);
    inv.kind = Invocation::Import;
    return inv;
}

Invocation parseCopyDatabase(const QCommandLineParser& parser) {
    Invocation inv;
    if (!parser.isSet("from") || !parser.isSet("to"))
        return invalid(QStringLiteral("copy-database necesita --from y --to"));
    inv.copy.from = parser.value("from");
    inv.copy.to = parser.value("to");
    for (const char* name : {"from", "to"})
        if (parser.value(name).isEmpty())
            return invalid(QStringLiteral("falta el valor de --%1").arg(QLatin1String(name)));
    inv.kind = Invocation::CopyDatabase;
    return inv;
}

Invocation parseReformulate(const QCommandLineParser& parser) {
    Invocation inv;
    if (!parser.positionalArguments().isEmpty())
        return unknownArgument(parser.positionalArguments().first());
    ReformulateOptions& o = inv.reformulate;
    o.database = parser.value("database");
    if (o.database.isEmpty())
        return invalid(QStringLiteral("Falta --database"));
    for (const QString& code : parser.values("formula")) {
        if (code.trimmed().isEmpty())
            return invalid(QStringLiteral("--formula necesita un código"));
        o.codes << code.trimmed();
    }
    o.save = parser.isSet("save");
    o.json = parser.isSet("json");
    inv.kind = Invocation::Reformulate;
    return inv;
}

int runReformulateInvocation(const Invocation& inv, QTextStream& out, QTextStream& err) {
    return runReformulate(inv.reformulate, out, err);
}

const QString kReformulateUsage = QStringLiteral(
    "Uso: dosivant reformulate --database RUTA [--formula CODIGO]... [--save] [--json]\n\n"
    "Formula de nuevo la versión más alta de cada fórmula (o de las nombradas) con los precios y\n"
    "la materia seca de hoy del catálogo, sobre sus límites, cantidad y bases, y muestra el\n"
    "costo anterior y el nuevo, qué ingredientes entran y salen, y cuáles no tienen solución.\n"
    "Con --save las óptimas se graban como versiones nuevas en una sola transacción: todas o\n"
    "ninguna. Con --json, un objeto por fórmula y línea: codigo, producto, version,\n"
    "costo_anterior, costo_mezcla_hoy, costo_nuevo, cambio_porcentual, outcome, mensaje, entran,\n"
    "salen y, con --save, version_nueva. El avance va a la salida de errores.\n\nOpciones:\n");
const QString kReformulateUsageEnd = QStringLiteral(
    "\nEstado de salida: 0 todas óptimas; 3 alguna sin solución o en el límite de iteraciones;\n"
    "4 alguna detenida antes de formular (validación, control de alcance); 1 error de uso, de la\n"
    "base de datos, una fórmula que no se puede cargar o una grabación fallida.\n");

Invocation parsePrices(const QCommandLineParser& parser) {
    Invocation inv;
    if (!parser.positionalArguments().isEmpty())
        return unknownArgument(parser.positionalArguments().first());
    inv.prices.database = parser.value("database");
    inv.prices.from = parser.value("from");
    inv.prices.yes = parser.isSet("yes");
    if (inv.prices.database.isEmpty())
        return invalid(QStringLiteral("Falta --database"));
    if (inv.prices.from.isEmpty())
        return invalid(QStringLiteral("Falta --from"));
    inv.kind = Invocation::Prices;
    return inv;
}

// Numbers in the list are read as the user's regional settings write them.
int runPricesInvocation(const Invocation& inv, QTextStream& out, QTextStream& err) {
    app::IniRegionalSettings settings;
    return runPrices(inv.prices, settings, out, err);
}

int runCopyInvocation(const Invocation& inv, QTextStream& out, QTextStream& err) {
    return runCopy(inv.copy, out, err);
}

const QString kCopyUsage = QStringLiteral(
    "Uso: dosivant copy-database --from ORIGEN --to DESTINO\n\n"
    "Copia ingredientes, nutrientes, composiciones y fórmulas con todas sus versiones de ORIGEN a\n"
    "DESTINO, en una sola transacción. ORIGEN y DESTINO son un archivo o una base de datos del\n"
    "servidor (postgresql://USUARIO@SERVIDOR[:PUERTO]/BASE). DESTINO no existe todavía o es una\n"
    "base de datos sin filas (en el servidor, una base sin tablas); una base con datos no se\n"
    "toca, ni un archivo vacío, que no es una base de datos.\n\nOpciones:\n");

const QString kCreateUsage =
    QStringLiteral("Uso: dosivant create-database RUTA [--sample]\n\nCrea una base de datos nueva "
                   "en RUTA; nunca reemplaza un archivo.\nRUTA puede ser una base de datos vacía "
                   "de un servidor PostgreSQL,\npostgresql://USUARIO@SERVIDOR[:PUERTO]/BASE: se "
                   "crean en ella las tablas.\n\nOpciones:\n");
const QString kFormulateUsage =
    QStringLiteral("Uso: dosivant formulate --database RUTA (--formula CODIGO [--version "
                   "N] | --id ID)\n"
                   "                          [--quantity CANTIDAD] [--json]\n\n"
                   "Carga la fórmula, la formula a mínimo costo como el botón de la "
                   "ventana y muestra el\nresultado; no escribe nada en la base de "
                   "datos.\n\nOpciones:\n");
const QString kFormulateUsageEnd =
    QStringLiteral("\nEstado de salida: 0 óptimo; 3 mezcla escrita sin análisis "
                   "(infactible, límite de\niteraciones); 4 detenida antes de escribir "
                   "(validación, control de alcance);\n1 error de uso, de cantidad o de "
                   "la base de datos.\n");
const QString kImportUsage = QStringLiteral(
    "Uso: dosivant import --database RUTA --from ORIGEN [--yes]\n\n"
    "Importa ingredientes, nutrientes y composiciones de ORIGEN (SQLite o Access) como la\n"
    "ventana de importación; pide la confirmación en la terminal salvo con --yes. El avance y\n"
    "los conflictos van a la salida de errores.\n\nOpciones:\n");
const QString kImportUsageEnd =
    QStringLiteral("\nEstado de salida: 0 terminada; 3 cancelada (una respuesta negativa, o "
                   "Ctrl-C, que conserva\nlo terminado); 1 error de uso, del origen o de la base "
                   "de datos.\n");

const QString kPricesUsage = QStringLiteral(
    "Uso: dosivant prices --database RUTA --from LISTA.csv [--yes]\n\n"
    "Lee una lista de precios (columnas codigo y costo, y si se quiere materia_seca, separadas\n"
    "por ; o por ,; decimales como diga la configuración regional) y muestra qué precios cambia\n"
    "y qué líneas tienen conflictos. Con --yes aplica los cambios, todos juntos o ninguno, y\n"
    "anota cada uno en el historial de precios.\n\nOpciones:\n");
const QString kPricesUsageEnd =
    QStringLiteral("\nEstado de salida: 0 hecho; 3 hecho, con líneas en conflicto que no se "
                   "aplican; 1 error de uso,\ndel archivo o de la base de datos (no se aplicó "
                   "nada).\n");

int runCreateDatabase(const Invocation& inv, QTextStream& out, QTextStream& err) {
    return createDatabaseCommand(inv.database, inv.sample, out, err);
}

int runFormulateInvocation(const Invocation& inv, QTextStream& out, QTextStream& err) {
    QString output;
    const int status = runFormulate(inv.formulate, &output, err);
    out << output;
    return status;
}

int runPrintInvocation(const Invocation& inv, QTextStream& out, QTextStream& err) {
    return runPrint(inv.print, out, err);
}

int runReportInvocation(const Invocation& inv, QTextStream& out, QTextStream& err) {
    return runReport(inv.print, out, err);
}

// The confirmation is read from the terminal; what was written before it is out first.
int runImportInvocation(const Invocation& inv, QTextStream& out, QTextStream& err) {
    out.flush();
    err.flush();
    QTextStream in(stdin);
    return runImport(inv.import, in, err);
}

// A command of the program: its name, its lines in the program's help, its options and its own
// help, how the parsed options become an Invocation and how that runs. The parser, both helps
// and runWithoutWindow read every command from commands(); a new command is one more entry.
struct Command {
    QString name;
    Invocation::Kind kind = Invocation::Invalid;
    QString synopsis = {}; // its lines in the program's help
    const std::vector<OptionSpec>& (*options)() = nullptr;
    QString usage = {}; // its own help: this, the options, then usageEnd
    QString usageEnd = {};
    Invocation (*parse)(const QCommandLineParser& parser) = nullptr; // once the line is parsed
    int (*run)(const Invocation& invocation, QTextStream& out, QTextStream& err) = nullptr;
    bool needsFonts = false; // lays out printed text
    // A command that reports a mistake in its line its own way: the reason in its words when the
    // parser refuses the line, and the whole report from the reason. Null: the program's way.
    QString (*parseError)(const QCommandLineParser& parser, const QStringList& arguments) = nullptr;
    QString (*mistake)(const QString& reason) = nullptr;
};

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {.name = QStringLiteral("create-database"),
         .kind = Invocation::CreateDatabase,
         .synopsis = QStringLiteral("  dosivant create-database RUTA [--sample]\n"
                                    "      crea una base de datos nueva en RUTA\n"),
         .options = createOptions,
         .usage = kCreateUsage,
         .parse = parseCreateDatabase,
         .run = runCreateDatabase},
        {.name = QStringLiteral("formulate"),
         .kind = Invocation::Formulate,
         .synopsis = QStringLiteral("  dosivant formulate --database RUTA (--formula CODIGO "
                                    "[--version N] | --id ID)\n"
                                    "                     [--quantity CANTIDAD] [--json]\n"
                                    "      formula una fórmula guardada sin abrir la ventana\n"),
         .options = formulateOptions,
         .usage = kFormulateUsage,
         .usageEnd = kFormulateUsageEnd,
         .parse = parseFormulate,
         .run = runFormulateInvocation},
        {.name = QStringLiteral("ranging"),
         .kind = Invocation::Ranging,
         .synopsis = QStringLiteral("  dosivant ranging --database RUTA --formula CODIGO "
                                    "(--precio INGREDIENTE | --limite L)\n"
                                    "                   --desde A --hasta B [--json]\n"
                                    "      los tramos exactos del costo al mover un precio o "
                                    "un límite\n"),
         .options = rangingOptions,
         .usage = kRangingUsage,
         .usageEnd = kRangingUsageEnd,
         .parse = parseRanging,
         .run = runRangingInvocation},
        {.name = QStringLiteral("plan"),
         .kind = Invocation::Plan,
         .synopsis = QStringLiteral("  dosivant plan --database RUTA --plan NOMBRE [--json] "
                                    "[--save] [--stored-versions]\n"
                                    "                [--pdf ARCHIVO]\n"
                                    "      formula a la vez las fórmulas de un plan de "
                                    "producción\n"),
         .options = planOptions,
         .usage = kPlanUsage,
         .usageEnd = kPlanUsageEnd,
         .parse = parsePlan,
         .run = runPlanInvocation},
        {.name = QStringLiteral("print"),
         .kind = Invocation::Print,
         .synopsis = QStringLiteral("  dosivant print --database RUTA (--formula CODIGO "
                                    "[--version N] | --id ID)\n"
                                    "                 (--pdf ARCHIVO | --odt ARCHIVO)\n"
                                    "      escribe la impresión de una fórmula guardada en PDF "
                                    "o como documento\n"),
         .options = printOptions,
         .usage = kPrintUsage,
         .parse = parsePrint,
         .run = runPrintInvocation,
         .needsFonts = true},
        {.name = QStringLiteral("report"),
         .kind = Invocation::Report,
         .synopsis = QStringLiteral("  dosivant report (ingredientes|nutrientes|formulas) "
                                    "--database RUTA --pdf ARCHIVO\n"
                                    "      escribe el informe de la lista completa en PDF\n"),
         .options = reportOptions,
         .usage = kReportUsage,
         .parse = parseReport,
         .run = runReportInvocation,
         .needsFonts = true},
        {.name = QStringLiteral("import"),
         .kind = Invocation::Import,
         .synopsis = QStringLiteral("  dosivant import --database RUTA --from ORIGEN [--yes]\n"
                                    "      importa ingredientes, nutrientes y composiciones de "
                                    "ORIGEN (SQLite o Access)\n"),
         .options = importOptions,
         .usage = kImportUsage,
         .usageEnd = kImportUsageEnd,
         .parse = parseImport,
         .run = runImportInvocation,
         .parseError = importParseError,
         .mistake = importMistake},
        {.name = QStringLiteral("copy-database"),
         .kind = Invocation::CopyDatabase,
         .synopsis = QStringLiteral("  dosivant copy-database --from ORIGEN --to DESTINO\n"
                                    "      copia toda la base de datos ORIGEN a DESTINO (archivo "
                                    "o servidor)\n"),
         .options = copyOptions,
         .usage = kCopyUsage,
         .parse = parseCopyDatabase,
         .run = runCopyInvocation},
        {.name = QStringLiteral("reformulate"),
         .kind = Invocation::Reformulate,
         .synopsis = QStringLiteral("  dosivant reformulate --database RUTA [--formula CODIGO]... "
                                    "[--save] [--json]\n"
                                    "      formula de nuevo las fórmulas con los precios de hoy y "
                                    "graba las versiones nuevas\n"),
         .options = reformulateOptions,
         .usage = kReformulateUsage,
         .usageEnd = kReformulateUsageEnd,
         .parse = parseReformulate,
         .run = runReformulateInvocation},
        {.name = QStringLiteral("prices"),
         .kind = Invocation::Prices,
         .synopsis = QStringLiteral("  dosivant prices --database RUTA --from LISTA.csv [--yes]\n"
                                    "      muestra (y con --yes aplica) una lista de precios de "
                                    "ingredientes\n"),
         .options = pricesOptions,
         .usage = kPricesUsage,
         .usageEnd = kPricesUsageEnd,
         .parse = parsePrices,
         .run = runPricesInvocation},
    };
    return table;
}

const Command* commandNamed(const QString& name) {
    for (const Command& c : commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

const Command* commandOf(Invocation::Kind kind) {
    for (const Command& c : commands())
        if (c.kind == kind)
            return &c;
    return nullptr;
}

QString helpOf(const Command& c) {
    return c.usage + optionList(c.options()) + c.usageEnd;
}

// The arguments after the command's name, with the program's name in front as the parser wants.
Invocation parseCommand(const Command& c, const QStringList& arguments) {
    QCommandLineParser parser;
    configure(parser, c.options());
    Invocation inv;
    if (!parser.parse(arguments)) {
        inv = c.parseError ? invalid(c.parseError(parser, arguments)) : parseError(parser);
    } else if (parser.isSet("help")) {
        inv.kind = Invocation::Help;
        inv.helpText = helpOf(c);
    } else {
        inv = c.parse(parser);
    }
    if (inv.kind == Invocation::Invalid)
        inv.command = c.name;
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
    if (const Command* command = positional.isEmpty() ? nullptr : commandNamed(positional[0])) {
        if (parser.isSet("database"))
            return invalid(QStringLiteral("--database va después de la orden %1")
                               .arg(shownText(positional[0])));
        return parseCommand(*command, QStringList{program} + positional.mid(1));
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
    const Command* command = commandOf(inv.kind);
    // A plan lays out text only when it is printed.
    if (inv.kind == Invocation::Plan)
        return !inv.plan.pdf.isEmpty();
    return command && command->needsFonts;
}

QString usageText() {
    QString text = QStringLiteral("Uso (usage):\n"
                                  "  dosivant [--database RUTA]\n"
                                  "      abre la ventana principal con la base de datos RUTA\n");
    for (const Command& c : commands())
        text += c.synopsis;
    text += QStringLiteral("  dosivant --help | --version\n"
                           "\n"
                           "Opciones del programa:\n") +
            optionList(programOptions());
    for (const Command& c : commands())
        text += QStringLiteral("\nOpciones de %1:\n").arg(c.name) + optionList(c.options());
    return text + QStringLiteral(
                      "\nLa base de datos es la de --database; si no se indica, la de la variable "
                      "DOSIVANT_DB;\nsi tampoco, $XDG_DATA_HOME/Dosivant/Dosivant.db.\n"
                      "Un error en la línea de órdenes termina con el estado 1.\n");
}

QString formulateUsageText() {
    return helpOf(*commandOf(Invocation::Formulate));
}

int createDatabaseCommand(const QString& path, bool sample, QTextStream& out, QTextStream& err) {
    const bool onServer = store::isServerAddress(path);
    const auto exists = [&] {
        if (onServer)
            err << QStringLiteral("dosivant: la base de datos \"%1\" ya tiene las tablas del "
                                  "programa; no se reemplaza (the database is not empty)\n")
                       .arg(store::withoutPassword(path));
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
                   .arg(store::withoutPassword(path), QString::fromUtf8(e.what()));
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
    case Invocation::Invalid:
        if (const Command* command = commandNamed(inv.command); command && command->mistake) {
            err << command->mistake(inv.error);
            return 1;
        }
        err << QStringLiteral("dosivant: ") << inv.error
            << QStringLiteral(" (dosivant --help muestra el uso)\n");
        return 1;
    case Invocation::Window:
        break;
    default:
        if (const Command* command = commandOf(inv.kind))
            return command->run(inv, out, err);
        break;
    }
    err << QStringLiteral("dosivant: la ventana no se abre desde aquí (no window here)\n");
    return 1;
}

} // namespace cli
