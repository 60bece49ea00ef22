#include "cli/import_command.h"

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

} // namespace

QString importMistake(const QString& reason) {
    return QStringLiteral("dosivant import: ") + shownLine(reason) + u'\n' + kUsage;
}

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
    if (inv.kind != Invocation::Import) {
        QTextStream out(stdout);
        return runWithoutWindow(inv, out, err);
    }
    return runImport(inv.import, in, err);
}

} // namespace cli
