#include "app/qt_translations.h"
#include "app/views/file_dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

// Once the start-up's translations are installed, Qt's file dialog speaks Spanish, the type it
// gives a folder too, and its detail headings are shown whole.
TEST(FileDialogs, SpeakSpanishWithWholeHeadings) {
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_es.qm"))
        GTEST_SKIP() << "qtbase_es.qm is not installed (qt6-translations-l10n)";
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), "Folder");
    {
        const app::QtTranslations texts;
        ASSERT_TRUE(texts.loaded());
        EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Open"), "&Abrir");
        EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Date Modified"),
                  "Última modificación");
        EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder",
                                              "All other platforms"),
                  "Carpeta");

        QTemporaryDir dir;
        ASSERT_TRUE(QDir(dir.path()).mkdir("piensos"));
        QFileDialog dialog(nullptr, "Abrir", dir.path());
        widgets::prepareFileDialog(dialog);
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        auto* model = dialog.findChild<QFileSystemModel*>();
        ASSERT_TRUE(model != nullptr);
        const QString folder = dir.path() + "/piensos";
        ASSERT_TRUE(QTest::qWaitFor([&] { return model->index(folder).isValid(); }, 5000));
        EXPECT_EQ(model->index(folder).siblingAtColumn(2).data().toString(), "Carpeta");
        auto* tree = dialog.findChild<QTreeView*>("treeView");
        ASSERT_TRUE(tree != nullptr);
        QHeaderView* header = tree->header();
        for (int section = 0; section < header->count(); ++section)
            EXPECT_GE(header->sectionSize(section), header->sectionSizeHint(section))
                << model->headerData(section, Qt::Horizontal).toString().toStdString();
        EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), "Última modificación");
    }
    // Gone with the object: later tests see Qt's own English.
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Open"), "&Open");
}
