#include "app/help_documents.h"
#include "app/views/modal.h"
#include "printing/formula_printout.h"
#include "printing/views/frmImprimir.h"
#include "printing/views/print_formula.h"
#include "printing/views/print_services.h"
#include "printing/views/report_preview.h"
#include "printing/zip_reader.h"
#include "store/record_set.h"
#include "support/recording_shell.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/workspace.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

workspace::Workspace smallWorkspace() {
    workspace::Workspace ws;
    workspace::FormulaIngredient p;
    p.id = 1;
    p.nombre = "Maíz";
    p.cantidadSeca = 880.0;
    p.porcentajeSeca = 1.0;
    p.cantidadHumeda = 1000.0;
    p.porcentajeHumeda = 1.0;
    ws.ingredients.push_back(p);
    return ws;
}

printing::PrintoutTexts texts() {
    printing::PrintoutTexts t;
    t.formula = "Iniciador pollos";
    t.codigo = "POL/01";
    t.version = "2";
    return t;
}

// Presses one of the dialog's buttons, as the user would.
widgets::ModalRunner pressing(const char* button) {
    return [button](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), "frmImprimir");
        auto* b = dialog.findChild<QPushButton*>(button);
        EXPECT_NE(b, nullptr);
        if (b)
            b->click();
        return dialog.result();
    };
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(frmImprimir, ButtonsChooseTheDestinationAndCloseKeepsNothing) {
    printing::frmImprimir dialog;
    EXPECT_EQ(dialog.windowTitle(), "Seleccione destino");
    EXPECT_NE(dialog.findChild<QWidget*>("Frame1"), nullptr);
    EXPECT_EQ(dialog.findChild<QPushButton*>("Command1")->text(), "&Impresora");
    EXPECT_EQ(dialog.findChild<QPushButton*>("Command2")->text(),
              "Exportar documento de &texto (.odt)");
    EXPECT_EQ(dialog.findChild<QPushButton*>("cmdCancelar")->text(), "&Cancelar");

    EXPECT_EQ(dialog.destination(), 0);
    dialog.findChild<QPushButton*>("Command1")->click();
    EXPECT_EQ(dialog.destination(), 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    dialog.findChild<QPushButton*>("Command2")->click();
    EXPECT_EQ(dialog.destination(), 2);

    // Closed with the window's box or with Cancelar: the print button's 0 stays and nothing is
    // printed or written.
    ScriptedMessages messages;
    RecordingShell shell;
    printing::ScopedPrintServices services({[] { return false; }, {}});
    const workspace::Workspace ws = smallWorkspace();
    for (const bool cancelButton : {false, true}) {
        int destination = -1;
        widgets::ScopedModalRunner runner([&](QDialog& d) {
            if (cancelButton)
                d.findChild<QPushButton*>("cmdCancelar")->click();
            else
                d.reject();
            destination = static_cast<printing::frmImprimir&>(d).destination();
            EXPECT_EQ(d.result(), QDialog::Rejected);
            return d.result();
        });
        printing::printFormula(ws, texts(), nullptr);
        EXPECT_EQ(destination, 0) << cancelButton;
    }
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_TRUE(shell.opened.isEmpty());
}

TEST(PrintFormula, WordProcessorDocumentIsWrittenAndOpened) {
    ScriptedMessages messages;
    RecordingShell shell;
    widgets::ScopedModalRunner runner(pressing("Command2"));
    const workspace::Workspace ws = smallWorkspace();
    printing::printFormula(ws, texts(), nullptr);
    ASSERT_EQ(shell.opened.size(), 1);
    const QString path = shell.opened.first();
    EXPECT_EQ(QFileInfo(path).fileName(), "Formula POL_01 v2.odt");
    EXPECT_TRUE(readAll(path).startsWith("PK"));
    EXPECT_TRUE(messages.shown().empty());
    QDir(QFileInfo(path).absolutePath()).removeRecursively();

    // The desktop cannot open it: the user is told where the document stays.
    shell.answer = false;
    printing::printFormula(ws, texts(), nullptr);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown().front().style, 48);
    EXPECT_TRUE(messages.shown().front().text.startsWith(
        "No se pudo abrir el documento con el procesador de textos."));
    EXPECT_TRUE(QFile::exists(shell.opened.last()));
    QDir(QFileInfo(shell.opened.last()).absolutePath()).removeRecursively();
    EXPECT_EQ(int(ws.ingredients.size()), 1);
}

// The goals offered are a checkable list; only those checked get their line, and without any
// offered the list is not shown.
TEST(PrintFormula, CheckedGoalsArePrintedALineEach) {
    ScriptedMessages messages;
    RecordingShell shell;
    const std::vector<printing::PrintedGoal> choices = {
        {1, "Proteína bruta", "%", 21.0}, {9, "Huella de carbono", "kg CO2e/kg", 0.5}};
    widgets::ScopedModalRunner runner([](QDialog& d) {
        auto* list = d.findChild<QListWidget*>("lstObjetivos");
        EXPECT_NE(list, nullptr);
        if (!list)
            return d.result();
        EXPECT_FALSE(list->isHidden());
        EXPECT_EQ(list->count(), 2);
        EXPECT_EQ(list->item(1)->text(), "Huella de carbono");
        list->item(1)->setCheckState(Qt::Checked);
        d.findChild<QPushButton*>("Command2")->click();
        return d.result();
    });
    printing::printFormula(smallWorkspace(), texts(), nullptr, choices);
    ASSERT_EQ(shell.opened.size(), 1);
    ZipReader zip(readAll(shell.opened.first()));
    const QString content = QString::fromUtf8(zip.read("content.xml"));
    EXPECT_TRUE(content.contains("Huella de carbono: 0.5000 kg CO2e/kg · 500.00 kg CO2e/t"));
    EXPECT_FALSE(content.contains("Proteína bruta:"));
    QDir(QFileInfo(shell.opened.first()).absolutePath()).removeRecursively();

    printing::frmImprimir plain;
    EXPECT_TRUE(plain.findChild<QListWidget*>("lstObjetivos")->isHidden());
    EXPECT_TRUE(plain.chosenGoals().empty());
    EXPECT_TRUE(messages.shown().empty());
}

TEST(PrintFormula, WithoutPrinterOffersAPdfFile) {
    QTemporaryDir dir;
    ScriptedMessages messages;
    RecordingShell shell;
    QString chosen;
    printing::ScopedPrintServices services(
        {[] { return false; },
         [&](QWidget*, const QString& caption, const QString& suggested, const QString&) {
             EXPECT_EQ(caption, "Guardar como PDF");
             EXPECT_TRUE(suggested.endsWith("Formula POL_01 v2.pdf"));
             return chosen;
         }});
    widgets::ScopedModalRunner runner(pressing("Command1"));
    const workspace::Workspace ws = smallWorkspace();

    // Declined: nothing is written.
    messages.planAnswer(msg::No);
    printing::printFormula(ws, texts(), nullptr);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown().front().style, 36);
    EXPECT_TRUE(messages.shown().front().text.startsWith("No hay ninguna impresora instalada"));
    EXPECT_TRUE(shell.opened.isEmpty());

    // Accepted, then the file dialog cancelled: nothing either.
    messages.planAnswer(msg::Yes);
    printing::printFormula(ws, texts(), nullptr);
    EXPECT_TRUE(shell.opened.isEmpty());

    // Accepted and a file chosen (without its extension): the PDF is written and shown.
    chosen = dir.filePath("pollos");
    messages.planAnswer(msg::Yes);
    printing::printFormula(ws, texts(), nullptr);
    ASSERT_EQ(shell.opened, QStringList({dir.filePath("pollos.pdf")}));
    EXPECT_TRUE(readAll(dir.filePath("pollos.pdf")).startsWith("%PDF"));

    // A folder that cannot be written: told, nothing opened.
    chosen = "/proc/no/such/pollos.pdf";
    messages.clear();
    messages.planAnswer(msg::Yes);
    printing::printFormula(ws, texts(), nullptr);
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown().back().style, 16);
    EXPECT_TRUE(messages.shown().back().text.startsWith("No se pudo"));
    EXPECT_EQ(shell.opened.size(), 1);
}

TEST(ReportPreview, ShowsThePagesOfTheListAndSavesThemAsPdf) {
    store::RecordSet rows;
    rows.appendField("id_propiedad", store::FieldType::Integer32);
    rows.appendField("nombre", store::FieldType::Char, 100);
    rows.appendField("unidad", store::FieldType::Char, 10);

    // An empty list opens no report.
    int opened = 0;
    widgets::ScopedModalRunner none([&](QDialog&) {
        ++opened;
        return 0;
    });
    printing::previewNutrientReport(rows, nullptr);
    EXPECT_EQ(opened, 0);

    for (int i = 1; i <= 60; ++i)
        rows.appendRow({i, QStringLiteral("Nutriente %1").arg(i), "%"});
    QTemporaryDir dir;
    RecordingShell shell;
    printing::ScopedPrintServices services(
        {{}, [&](QWidget*, const QString&, const QString& suggested, const QString&) {
             EXPECT_TRUE(suggested.endsWith("Nutrientes.pdf"));
             return dir.filePath("nutrientes.pdf");
         }});
    int pages = 0;
    widgets::ScopedModalRunner runner([&](QDialog& dialog) {
        ++opened;
        auto* preview = qobject_cast<QPrintPreviewDialog*>(&dialog);
        EXPECT_NE(preview, nullptr);
        EXPECT_EQ(dialog.windowTitle(), "Nutrientes");
        EXPECT_EQ(dialog.objectName(), "repNutrientes");
        auto* widget = dialog.findChild<QPrintPreviewWidget*>();
        if (widget) {
            widget->updatePreview();
            pages = widget->pageCount();
        }
        auto* pdf = dialog.findChild<QAction*>("cmdGuardarPdf");
        EXPECT_NE(pdf, nullptr);
        if (pdf)
            pdf->trigger();
        return 0;
    });
    printing::previewNutrientReport(rows, nullptr);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(shell.opened, QStringList({dir.filePath("nutrientes.pdf")}));
    EXPECT_TRUE(readAll(dir.filePath("nutrientes.pdf")).startsWith("%PDF"));
    EXPECT_EQ(rows.count(), 60);
}

// The desktop's own opener, xdg-open, stood in for by a script on the PATH that answers as told.
class FakeOpener {
public:
    explicit FakeOpener(int exitCode) : previousPath_(qgetenv("PATH")) {
        QFile script(dir_.filePath("xdg-open"));
        script.open(QIODevice::WriteOnly);
        script.write(QStringLiteral("#!/bin/sh\necho \"$1\" >> \"%1\"\n%2exit %3\n")
                         .arg(dir_.filePath("asked"),
                              exitCode ? "echo 'xdg-open: no method available' >&2\n" : "")
                         .arg(exitCode)
                         .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(dir_.path()) + ':' + previousPath_);
    }
    ~FakeOpener() { qputenv("PATH", previousPath_); }
    QStringList asked() const {
        return QString::fromUtf8(readAll(dir_.filePath("asked"))).split('\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir dir_;
    QByteArray previousPath_;
};

TEST(PrintFormula, ADesktopWithoutAWordProcessorIsToldWhereTheDocumentIs) {
    ScriptedMessages messages;
    widgets::ScopedModalRunner runner(pressing("Command2"));
    const workspace::Workspace ws = smallWorkspace();
    {
        FakeOpener opener(0);
        printing::printFormula(ws, texts(), nullptr);
        ASSERT_EQ(opener.asked().size(), 1);
        EXPECT_TRUE(messages.shown().empty());
        QDir(QFileInfo(opener.asked().first()).absolutePath()).removeRecursively();
    }
    FakeOpener opener(3);
    printing::printFormula(ws, texts(), nullptr);
    ASSERT_EQ(opener.asked().size(), 1);
    const QString path = opener.asked().first();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown().front().style, 48);
    EXPECT_TRUE(messages.shown().front().text.contains("El documento quedó guardado en \"" +
                                                       QDir::toNativeSeparators(path) + "\""))
        << messages.shown().front().text.toStdString();
    EXPECT_TRUE(readAll(path).startsWith("PK"));
    QDir(QFileInfo(path).absolutePath()).removeRecursively();
}

TEST(PrintFormula, SavingThePdfOverADatabaseIsRefused) {
    // A database under a name the dialog takes as a PDF's.
    TempDatabase t(false);
    QTemporaryDir dir;
    const QString chosen = dir.filePath("base.pdf");
    ASSERT_TRUE(QFile::copy(t.path(), chosen));
    const QByteArray before = readAll(chosen);
    ScriptedMessages messages;
    RecordingShell shell;
    printing::ScopedPrintServices services(
        {[] { return false; },
         [&](QWidget*, const QString&, const QString&, const QString&) { return chosen; }});
    widgets::ScopedModalRunner runner(pressing("Command1"));
    messages.planAnswer(msg::Yes);
    printing::printFormula(smallWorkspace(), texts(), nullptr);
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown().back().style, 16);
    EXPECT_TRUE(messages.shown().back().text.contains("es una base de datos"))
        << messages.shown().back().text.toStdString();
    EXPECT_TRUE(shell.opened.isEmpty());
    EXPECT_EQ(readAll(chosen), before);
}
