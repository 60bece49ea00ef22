#include "app/help_documents.h"
#include "support/scripted_messages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FakeShell : public app::DocumentShell {
public:
    FakeShell() : previous_(app::setDocumentShell(this)) {}
    ~FakeShell() override { app::setDocumentShell(previous_); }
    bool hasPdfViewer() override { return viewer; }
    bool open(const QString& path) override {
        opened << path;
        return opens;
    }
    bool viewer = true;
    bool opens = true;
    QStringList opened;

private:
    app::DocumentShell* previous_;
};

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

TEST(HelpDocuments, EachFailureGivesItsExclamationMessage) {
    QTemporaryDir dir;
    const QStringList folders{dir.filePath("first"), dir.filePath("second")};
    FakeShell shell;

    {
        ScriptedMessages messages; // missing document, reader installed
        EXPECT_FALSE(app::openHelpDocument(app::kGuiaRapida, folders));
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, "No es posible visualizar el documento");
        EXPECT_EQ(messages.shown()[0].style, msg::Exclamation);
        EXPECT_TRUE(shell.opened.isEmpty());
    }
    touch(dir.filePath("second/guiarapidadosivant.pdf"));
    {
        ScriptedMessages messages; // no program for PDF files
        shell.viewer = false;
        EXPECT_FALSE(app::openHelpDocument(app::kGuiaRapida, folders));
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text,
                  "Debe instalar Acrobat Reader para poder visualizar el documento");
        EXPECT_EQ(messages.shown()[0].style, msg::Exclamation);
        EXPECT_TRUE(shell.opened.isEmpty());
    }
    {
        ScriptedMessages messages; // the desktop refuses to open it
        shell.viewer = true;
        shell.opens = false;
        EXPECT_FALSE(app::openHelpDocument(app::kGuiaRapida, folders));
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, "No es posible visualizar el documento");
    }
}

TEST(HelpDocuments, TheFirstFolderHoldingTheDocumentWins) {
    QTemporaryDir dir;
    const QStringList folders{dir.filePath("first"), dir.filePath("second")};
    touch(dir.filePath("second/tarvelsistemas.pdf"));
    FakeShell shell;
    ScriptedMessages messages;

    EXPECT_TRUE(app::openHelpDocument(app::kAcercaDeTarvel, folders));
    EXPECT_EQ(shell.opened, QStringList{dir.filePath("second/tarvelsistemas.pdf")});

    touch(dir.filePath("first/tarvelsistemas.pdf"));
    EXPECT_TRUE(app::openHelpDocument(app::kAcercaDeTarvel, folders));
    EXPECT_EQ(shell.opened.last(), dir.filePath("first/tarvelsistemas.pdf"));
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
