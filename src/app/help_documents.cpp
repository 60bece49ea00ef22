#include "app/help_documents.h"

#include "app/messages.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace app {

namespace {

DocumentShell* installedShell = nullptr;

// How long xdg-open is given to say it found no program: it answers that at once, while one
// that found a program may keep running as long as the program does.
constexpr int kOpenerAnswerMs = 2000;

DocumentShell& shell() {
    static DesktopDocumentShell desktop;
    return installedShell ? *installedShell : desktop;
}

} // namespace

bool DesktopDocumentShell::hasPdfViewer() {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("application/pdf")});
    // Without xdg-utils nothing can be asked: let the open itself decide.
    if (!query.waitForStarted(3000))
        return true;
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished(1000);
        return true;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

bool DesktopDocumentShell::open(const QString& path) {
    // QDesktopServices starts xdg-open detached and calls that success, even when xdg-open then
    // finds no program for the file ("no method available"). Its exit status says so: a quick
    // failure is a refusal; xdg-open still running means it waits on the program it started.
    auto* opener = new QProcess;
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    opener->start(QStringLiteral("xdg-open"), {path});
    if (!opener->waitForStarted(3000)) {
        delete opener;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
    if (opener->waitForFinished(kOpenerAnswerMs)) {
        const bool opened = opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
        delete opener;
        return opened;
    }
    // Left to run with the program it opened (deleting it would end both); it goes when it ends.
    QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
    return true;
}

DocumentShell* setDocumentShell(DocumentShell* s) {
    DocumentShell* old = installedShell;
    installedShell = s;
    return old;
}

bool openDocument(const QString& path) {
    return shell().open(path);
}

QStringList helpDocumentFolders() {
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/../share/dosivant"));
    for (const QString& data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << QDir::cleanPath(data + QStringLiteral("/dosivant"));
    // Last, beside the program itself: where a build tree (and so `make run`) keeps them.
    if (QCoreApplication::instance())
        folders << QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/share/dosivant"));
    folders.removeDuplicates();
    return folders;
}

QString findHelpDocument(const QString& fileName, const QStringList& folders) {
    for (const QString& folder : folders) {
        const QFileInfo file(QDir(folder).filePath(fileName));
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return {};
}

QString noPdfViewerText(const QString& path) {
    return QStringLiteral("Este equipo no tiene un programa para ver documentos PDF. Instale uno "
                          "(por ejemplo, el visor de documentos del escritorio) o abra con otro "
                          "el archivo:\n%1")
        .arg(QDir::toNativeSeparators(path));
}

bool openHelpDocument(const QString& fileName, const QStringList& folders) {
    // A missing document is reported as such even where no PDF program exists: it is the
    // fault the user can do something about first.
    const QString path = findHelpDocument(fileName, folders);
    if (path.isEmpty()) {
        msg::msgBox(kCannotShowText, msg::Exclamation);
        return false;
    }
    if (!shell().hasPdfViewer()) {
        msg::msgBox(noPdfViewerText(path), msg::Exclamation);
        return false;
    }
    if (!shell().open(path)) {
        msg::msgBox(kCannotShowText, msg::Exclamation);
        return false;
    }
    return true;
}

} // namespace app
