#pragma once

#include "catalog/price_list_file.h"
#include "cli/shown_text.h"
#include "store/database.h"

#include <QString>
#include <QTextStream>
#include <functional>
#include <memory>

class QCommandLineParser;

// What the commands that bring a list into the catalogue (prices, compositions) share: the
// options --database, --from and --yes, the exit status, and the run: the list is read and
// shown, and with --yes applied all together.
namespace cli {

struct ListOptions {
    QString database;
    QString from;
    bool yes = false;
};

// Reads --database, --from and --yes; the reason the line is refused, or empty.
QString readListOptions(const QCommandLineParser& parser, ListOptions& options);

inline const QString kListExitStatus = QStringLiteral(
    "\nEstado de salida: 0 hecho; 3 hecho, con líneas en conflicto que no se aplican; 1 error de "
    "uso,\ndel archivo o de la base de datos (no se aplicó nada).\n");

// How one kind of list is read, shown and applied. Preview has changeCount() and conflicts.
template <class Preview> struct ListSteps {
    QString command; // "prices"
    std::function<Preview(store::Database&)> read;
    std::function<void(const Preview&, QTextStream&)> print;
    // The message of a list applied; throws store::StoreError with nothing written.
    std::function<QString(store::Database&, const Preview&)> apply;
    QString nothingToApply;
    QString notApplied; // what a failed apply says first: "no se aplicó ningún precio: "
};

// Without --yes the database is opened read-only: a preview changes nothing, not even an older
// file's tables. Exit status: 0 done, 3 done with lines in conflict (not applied), 1 a file that
// is not such a list, a database that cannot be opened or a failed apply.
template <class Preview>
int runList(const ListOptions& o, const ListSteps<Preview>& steps, QTextStream& out,
            QTextStream& err) {
    const QString head = QStringLiteral("dosivant ") + steps.command + QStringLiteral(": ");
    std::unique_ptr<store::Database> db;
    Preview preview;
    try {
        db = store::Database::openFile(o.database, o.yes ? store::Database::OpenMode::ReadWrite
                                                         : store::Database::OpenMode::ReadOnly);
        preview = steps.read(*db);
    } catch (const catalog::ListFileError& e) {
        err << head << shownLine(e.message()) << u'\n';
        return 1;
    } catch (const store::StoreError& e) {
        err << head << shownLine(e.message()) << u'\n';
        return 1;
    }
    steps.print(preview, out);
    const int done = preview.conflicts.empty() ? 0 : 3;
    if (!o.yes) {
        out << QStringLiteral("No se aplicó nada (aplique la lista con --yes).\n");
        return done;
    }
    if (preview.changeCount() == 0) {
        out << steps.nothingToApply << u'\n';
        return done;
    }
    try {
        out << steps.apply(*db, preview) << u'\n';
    } catch (const store::StoreError& e) {
        err << head << steps.notApplied << shownLine(e.message()) << u'\n';
        return 1;
    }
    return done;
}

} // namespace cli
