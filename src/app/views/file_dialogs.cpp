#include "app/views/file_dialogs.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>

namespace widgets {

namespace {

QString run(QFileDialog& dialog) {
    prepareFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

void prepareFileDialog(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    // Qt sizes the columns for its English headings; a heading is never cut.
    for (QTreeView* view : dialog.findChildren<QTreeView*>()) {
        QHeaderView* header = view->header();
        for (int section = 0; section < header->count(); ++section)
            header->resizeSection(
                section, std::max(header->sectionSize(section), header->sectionSizeHint(section)));
    }
}

QString askOpenFileName(QWidget* parent, const QString& title, const QString& filters) {
    QFileDialog dialog(parent, title, QString(), filters);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return run(dialog);
}

QString askSaveFileName(QWidget* parent, const QString& title, const QString& suggested,
                        const QString& filters) {
    QFileDialog dialog(parent, title, suggested, filters);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    return run(dialog);
}

} // namespace widgets
