#include "cli/import_command.h"

#include "cli/command.h"
#include "cli/command_line.h"
#include "cli/shown_text.h"
#include "import/importer.h"
#include "import/remote_source.h"
#include "store/database.h"

#include <QCommandLineParser>
#include <QTextStream>
#include <csignal>
#include <cstdio>

namespace cli {

namespace {

const QString kUsage =
    QStringLiteral("Uso: dosivant import --database RUTA --from ORIGEN [--yes]\n");

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) {
    interrupted = 1;
}

// Ctrl-C asks the import to stop, as Esc does in the window, for as long as it lives.
class InterruptAsCancel {
public:
    InterruptAsCancel() {
        interrupted = 0;
        previous_ = std::signal(SIGINT, onInterrupt);
    }
    ~InterruptAsCancel() { std::signal(SIGINT, previous_); }
    InterruptAsCancel(const InterruptAsCancel&) = delete;
    InterruptAsCancel& operator=(const InterruptAsCancel&) = delete;

private:
    void (*previous_)(int) = nullptr;
};

bool confirmed(QTextStream& in, QTextStream& err) {
    err << import::kConfirmaImportacion << QStringLiteral(" (s/n) ") << Qt::flush;
    const QString answer = in.readLine().trimmed().toLower();
    return answer == QStringLiteral("s") || answer == QStringLiteral("si") ||
           answer == QStringLiteral("sí") || answer == QStringLiteral("y") ||
           answer == QStringLiteral("yes");
}

// How the import reports a mistake in its line: the reason, then its usage line.
QString importMistake(const QString& reason) {
    return QStringLiteral("dosivant import: ") + shownLine(reason) + u'\n' + kUsage;
}

// The options once parsed, or the reason they cannot be used, one line in the import's own
// words ("Argumento desconocido: -x", "Falta el valor de --from").
QString readImportOptions(const QCommandLineParser& parser, ImportOptions* o) {
    for (const QString& name : {QStringLiteral("database"), QStringLiteral("from")}) {
        if (parser.isSet(name) && parser.value(name).isEmpty())
            return QStringLiteral("Falta el valor de --") + name;
    }
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("Argumento desconocido: ") + parser.positionalArguments().first();
    o->database = parser.value(QStringLiteral("database"));
    o->source = parser.value(QStringLiteral("from"));
    o->yes = parser.isSet(QStringLiteral("yes"));
    return {};
}

QString importParseError(const QCommandLineParser& parser, const QStringList& arguments) {
    // A value option the parser found without its value.
    ImportOptions unused;
    if (const QString missing = readImportOptions(parser, &unused);
        missing.startsWith(QStringLiteral("Falta")))
        return missing;
    // An unknown option, named as it was typed.
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        for (const QString& a : arguments.mid(1)) {
            const bool asLong = a == "--" + name || a.startsWith("--" + name + '=');
            const bool asShort = name.size() == 1 && a.startsWith('-') && !a.startsWith("--") &&
                                 a.section('=', 0, 0).contains(name);
            if (asLong || asShort)
                return QStringLiteral("Argumento desconocido: ") + a;
        }
        return QStringLiteral("Argumento desconocido: --") + name;
    }
    // A value given to a switch.
    for (const QString& a : arguments.mid(1)) {
        if (a.startsWith(QStringLiteral("--yes=")) || a.startsWith(QStringLiteral("--help=")))
            return QStringLiteral("Argumento desconocido: ") + a;
    }
    return parser.errorText();
}

} // namespace

int runImport(const ImportOptions& o, QTextStream& in, QTextStream& err) {
    if (o.database.isEmpty() || o.source.isEmpty()) {
        err << importMistake(o.database.isEmpty() ? QStringLiteral("Falta --database")
                                                  : QStringLiteral("Falta --from"));
        return 1;
    }
    std::unique_ptr<store::Database> db;
    try {
        db = store::Database::openFile(o.database);
    } catch (const store::StoreError& e) {
        err << QStringLiteral("dosivant import: ") << shownLine(e.message()) << u'\n';
        return 1;
    }
    const auto source = import::RemoteSource::openFile(o.source);
    if (!source) {
        import::ImportResult unavailable;
        unavailable.outcome = import::ImportOutcome::SourceUnavailable;
        err << import::outcomeMessage(unavailable) << u'\n';
        return 1;
    }
    if (!o.yes && !confirmed(in, err))
        return 3;

    InterruptAsCancel interrupt;
    import::ImportCallbacks callbacks;
    callbacks.progressIntervalMs = 1000; // a line a second is enough for a log
    callbacks.progress = [&err](const QString& text, int, int) {
        if (!text.isEmpty())
            err << text << u'\n' << Qt::flush;
    };
    callbacks.conflict = [&err](const QString& line) { err << line << u'\n' << Qt::flush; };
    callbacks.cancelRequested = [] { return interrupted != 0; };
    const import::ImportResult result = import::runImport(*db, *source, callbacks);
    err << import::outcomeMessage(result) << u'\n' << Qt::flush;
    switch (result.outcome) {
    case import::ImportOutcome::Finished:
        return 0;
    case import::ImportOutcome::Cancelled:
        return 3;
    default:
        return 1;
    }
}

int runImportCommand(const QStringList& arguments, QTextStream& in, QTextStream& err) {
    const Invocation inv = parseCommandLine(QStringList{"dosivant", "import"} + arguments);
    const ImportOptions* options = inv.options<ImportOptions>();
    if (!options) {
        QTextStream out(stdout);
        return runWithoutWindow(inv, out, err);
    }
    return runImport(*options, in, err);
}

namespace {

class ImportCommand final : public CommandWith<ImportOptions> {
public:
    QString name() const override { return QStringLiteral("import"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant import --database RUTA --from ORIGEN [--yes]\n"
                              "      importa ingredientes, nutrientes y composiciones de ORIGEN "
                              "(SQLite o Access)\n");
    }
    std::vector<OptionSpec> options() const override {
        return {
            {{"database"}, "RUTA", "la base de datos que recibe los datos (obligatoria)"},
            {{"from"}, "ORIGEN", "la base de datos de origen, SQLite o Access (obligatoria)"},
            {{"yes"}, {}, "importa sin pedir confirmación"},
        };
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant import --database RUTA --from ORIGEN [--yes]\n\n"
            "Importa ingredientes, nutrientes y composiciones de ORIGEN (SQLite o Access) como "
            "la\nventana de importación; pide la confirmación en la terminal salvo con --yes. El "
            "avance y\nlos conflictos van a la salida de errores.\n\nOpciones:\n");
    }
    QString usageEnd() const override {
        return QStringLiteral(
            "\nEstado de salida: 0 terminada; 3 cancelada (una respuesta negativa, o Ctrl-C, que "
            "conserva\nlo terminado); 1 error de uso, del origen o de la base de datos.\n");
    }
    // Whether the options are complete is the import's to say when it runs.
    QString read(const QCommandLineParser& parser, ImportOptions& o) const override {
        return readImportOptions(parser, &o);
    }
    QString parseError(const QCommandLineParser& parser,
                       const QStringList& arguments) const override {
        return importParseError(parser, arguments);
    }
    QString mistake(const QString& reason) const override { return importMistake(reason); }
    // The confirmation is read from the terminal; what was written before it is out first.
    int run(const ImportOptions& o, QTextStream& out, QTextStream& err) const override {
        out.flush();
        err.flush();
        QTextStream in(stdin);
        return runImport(o, in, err);
    }
};

} // namespace

const Command& importCommand() {
    static const ImportCommand command;
    return command;
}

} // namespace cli
