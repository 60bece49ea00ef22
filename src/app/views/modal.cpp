#include "app/views/modal.h"

#include <QDialog>

namespace widgets {

namespace {

ModalRunner& runner() {
    static ModalRunner installed;
    return installed;
}

} // namespace

int openModal(QDialog& dialog) {
    // Views open with no owner window, as application-modal windows of their own.
    dialog.setWindowModality(Qt::ApplicationModal);
    if (runner())
        return runner()(dialog);
    return dialog.exec();
}

ModalRunner setModalRunner(ModalRunner r) {
    ModalRunner old = std::move(runner());
    runner() = std::move(r);
    return old;
}

} // namespace widgets
