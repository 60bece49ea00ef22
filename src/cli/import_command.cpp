#include "cli/import_command.h"

#include "cli/shown_text.h"
#include "import/importer.h"
#include "import/remote_source.h"
#include "store/database.h"

#include <QTextStream>
#include <csignal>
#include <cstdio>

namespace cli {

namespace {

const char* kUsage = "Uso: dosivant import --database RUTA --from ORIGEN [--yes]\n";

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

struct Options {
    QString database, source;
    bool yes = false;
};

bool parse(const QStringList& args, Options* o, QString* error) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QStringLiteral("--yes")) {
            o->yes = true;
        } else if (a == QStringLiteral("--database") || a == QStringLiteral("--from")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                *error = QStringLiteral("Falta el valor de ") + a;
                return false;
            }
            (a == QStringLiteral("--from") ? o->source : o->database) = args[++i];
        } else {
            *error = QStringLiteral("Argumento desconocido: ") + a;
            return false;
        }
    }
    if (o->database.isEmpty() || o->source.isEmpty()) {
        *error = o->database.isEmpty() ? QStringLiteral("Falta --database")
                                       : QStringLiteral("Falta --from");
        return false;
    }
    return true;
}

bool confirmed(QTextStream& in, QTextStream& err) {
    err << import::kConfirmaImportacion << QStringLiteral(" (s/n) ") << Qt::flush;
    const QString answer = in.readLine().trimmed().toLower();
    return answer == QStringLiteral("s") || answer == QStringLiteral("si") ||
           answer == QStringLiteral("sí") || answer == QStringLiteral("y") ||
           answer == QStringLiteral("yes");
}

} // namespace

int runImportCommand(const QStringList& arguments, QTextStream& in, QTextStream& err) {
    Options o;
    QString error;
    if (!parse(arguments, &o, &error)) {
        err << QStringLiteral("dosivant import: ") << shownLine(error) << u'\n' << kUsage;
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

int runImportCommand(const QStringList& arguments) {
    QTextStream in(stdin);
    QTextStream err(stderr);
    return runImportCommand(arguments, in, err);
}

} // namespace cli
