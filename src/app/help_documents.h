#pragma once

#include <QString>
#include <QStringList>

namespace app {

inline const QString kGuiaRapida = QStringLiteral("guiarapidadosivant.pdf");
inline const QString kAcercaDeTarvel = QStringLiteral("tarvelsistemas.pdf");

// No program on this desktop shows PDF files: the user is told which file to open, and where,
// with whatever viewer they install or have elsewhere.
QString noPdfViewerText(const QString& path);
inline const QString kCannotShowText = QStringLiteral("No es posible visualizar el documento");

// What the desktop offers for showing a document; tests install their own.
class DocumentShell {
public:
    virtual ~DocumentShell() = default;
    // Whether some program is associated with PDF files.
    virtual bool hasPdfViewer() = 0;
    // Asks the desktop to open the file; false when it refused.
    virtual bool open(const QString& path) = 0;
};

// The desktop: `xdg-mime query default application/pdf` names the PDF program (an empty answer
// means none); the document is opened with `xdg-open`, whose quick failure is a refusal
// (QDesktopServices only where xdg-open cannot be started).
class DesktopDocumentShell : public DocumentShell {
public:
    bool hasPdfViewer() override;
    bool open(const QString& path) override;
};

// Installs the shell used by openHelpDocument; returns the one it replaces. Without one, the
// desktop shell is used.
DocumentShell* setDocumentShell(DocumentShell* shell);

// Asks the installed shell (the desktop without one) to open any document with its program;
// false when it refused. Printing opens its PDF and word-processor files this way.
bool openDocument(const QString& path);

// Where help documents are installed, searched in this order: <executable folder>/../share/
// dosivant (the installation prefix of this very program), then dosivant/ under each of the
// system's data folders ($XDG_DATA_HOME, $XDG_DATA_DIRS), then share/dosivant beside the program
// (a build tree).
QStringList helpDocumentFolders();

// The full path of the document in the first folder that holds it; empty when none does.
QString findHelpDocument(const QString& fileName, const QStringList& folders);

// Opens a help document, or tells the user why it cannot be shown (exclamation icon).
// Returns whether it was opened.
bool openHelpDocument(const QString& fileName, const QStringList& folders = helpDocumentFolders());

} // namespace app
