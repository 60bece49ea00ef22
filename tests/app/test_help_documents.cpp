#include "app/help_documents.h"
#include "support/scripted_messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Stands in for the desktop while it lives.
struct FakeShell : app::DocumentShell {
    ~FakeShell() override { app::setDocumentShell(previous); }
    bool hasPdfViewer() override { return viewer; }
    bool open(const QString& path) override {
        opened << path;
        return opens;
    }
    bool viewer = true;
    bool opens = true;
    QStringList opened;
    app::DocumentShell* previous = app::setDocumentShell(this);
};

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

// Opening the document fails with `text` alone, shown with the exclamation icon.
void expectRefused(const QString& document, const QStringList& folders, const QString& text) {
    ScriptedMessages messages;
    EXPECT_FALSE(app::openHelpDocument(document, folders));
    EXPECT_EQ(messages.texts(), QStringList{text});
    EXPECT_TRUE(messages.shown().empty() || messages.shown()[0].style == msg::Exclamation);
}

} // namespace

TEST(HelpDocuments, OpensTheDocumentOfTheFirstFolderHoldingItOrSaysWhyNot) {
    QTemporaryDir dir;
    const QStringList folders{dir.filePath("first"), dir.filePath("second")};
    FakeShell shell;
    expectRefused(app::kGuiaRapida, folders, "No es posible visualizar el documento");

    touch(dir.filePath("second/guiarapidadosivant.pdf"));
    shell.viewer = false; // no program for PDF files
    // Which file to open, and where, instead of a program's name.
    expectRefused(app::kGuiaRapida, folders,
                  "Este equipo no tiene un programa para ver documentos PDF. Instale uno (por "
                  "ejemplo, el visor de documentos del escritorio) o abra con otro el archivo:\n" +
                      dir.filePath("second/guiarapidadosivant.pdf"));
    EXPECT_TRUE(shell.opened.isEmpty());
    shell.viewer = true;
    shell.opens = false; // the desktop refuses to open it
    expectRefused(app::kGuiaRapida, folders, "No es posible visualizar el documento");

    shell.opens = true;
    ScriptedMessages messages;
    EXPECT_TRUE(app::openHelpDocument(app::kGuiaRapida, folders));
    EXPECT_EQ(shell.opened.last(), dir.filePath("second/guiarapidadosivant.pdf"));
    touch(dir.filePath("first/guiarapidadosivant.pdf"));
    EXPECT_TRUE(app::openHelpDocument(app::kGuiaRapida, folders));
    EXPECT_EQ(shell.opened.last(), dir.filePath("first/guiarapidadosivant.pdf"));
    EXPECT_TRUE(messages.shown().empty());
}

TEST(HelpDocuments, InstalledFoldersComeFromThePrefixThenTheDataFolders) {
    QTemporaryDir dir;
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", dir.filePath("home").toUtf8());
    qputenv("XDG_DATA_DIRS", (dir.filePath("sys1") + ':' + dir.filePath("sys2")).toUtf8());

    const QStringList folders = app::helpDocumentFolders();
    qputenv("XDG_DATA_HOME", savedHome);
    qputenv("XDG_DATA_DIRS", savedDirs);

    ASSERT_GE(folders.size(), 4);
    EXPECT_TRUE(folders[0].endsWith("/share/dosivant"));
    EXPECT_EQ(folders.mid(1, 3),
              (QStringList{dir.filePath("home/dosivant"), dir.filePath("sys1/dosivant"),
                           dir.filePath("sys2/dosivant")}));
}
