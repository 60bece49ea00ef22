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
    if (runner()) {
        // A copy runs: the runner may install another one while it plays the user's part (a
        // view it answers opens a view of its own), which must not destroy the one running.
        const ModalRunner running = runner();
        return running(dialog);
    }
    return dialog.exec();
}

ModalRunner setModalRunner(ModalRunner r) {
    ModalRunner old = std::move(runner());
    runner() = std::move(r);
    return old;
}

} // namespace widgets
