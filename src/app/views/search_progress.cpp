#include "app/views/search_progress.h"

#include "app/node_count.h"

#include <QProgressDialog>

namespace widgets {

std::unique_ptr<QProgressDialog> shownProgressDialog(QWidget* parent, const QString& label,
                                                     const QString& title,
                                                     const QString& objectName, int maximum) {
    auto dialog =
        std::make_unique<QProgressDialog>(label, QStringLiteral("Cancelar"), 0, maximum, parent);
    dialog->setObjectName(objectName);
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(0);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->show();
    return dialog;
}

SearchProgress::SearchProgress(QWidget* parent, QString label)
    : parent_(parent), label_(std::move(label)) {
    elapsed_.start();
}

SearchProgress::~SearchProgress() = default;

bool SearchProgress::operator()(long nodos) {
    const qint64 now = elapsed_.elapsed();
    // Events are taken every 50 ms: often enough for Esc, rarely enough to cost the search
    // nothing.
    if (now < 1000 || now - polled_ < 50)
        return !dialog_ || !dialog_->wasCanceled();
    polled_ = now;
    if (!dialog_)
        dialog_ = shownProgressDialog(parent_, label_,
                                      QStringLiteral("Formulación con condiciones de pesada"),
                                      QStringLiteral("dlgBusquedaEntera"), 0);
    dialog_->setLabelText(label_ + QLatin1Char(' ') + app::nodeCount(nodos));
    dialog_->setValue(0); // a modal dialog takes its events here, Esc among them
    return !dialog_->wasCanceled();
}

void SearchProgress::close() {
    dialog_.reset();
}

} // namespace widgets
