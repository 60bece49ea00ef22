#include "app/views/open_file.h"

#include "app/views/file_dialogs.h"

namespace widgets {

namespace {

OpenFileChooser& installed() {
    static OpenFileChooser chooser;
    return chooser;
}

} // namespace

QString chooseOpenFile(QWidget* parent, const QString& title, const QString& filters) {
    if (installed())
        return installed()(parent, title, filters);
    return askOpenFileName(parent, title, filters);
}

OpenFileChooser setOpenFileChooser(OpenFileChooser chooser) {
    OpenFileChooser old = std::move(installed());
    installed() = std::move(chooser);
    return old;
}

} // namespace widgets
