#include "app/views/search_progress.h"

#include "app/node_count.h"

#include <QProgressDialog>

namespace widgets {

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
    if (!dialog_) {
        dialog_ =
            std::make_unique<QProgressDialog>(label_, QStringLiteral("Cancelar"), 0, 0, parent_);
        dialog_->setObjectName(QStringLiteral("dlgBusquedaEntera"));
        dialog_->setWindowTitle(QStringLiteral("Formulación con condiciones de pesada"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoReset(false);
        dialog_->setAutoClose(false);
        dialog_->show();
    }
    dialog_->setLabelText(label_ + QLatin1Char(' ') + app::nodeCount(nodos));
    dialog_->setValue(0); // a modal dialog takes its events here, Esc among them
    return !dialog_->wasCanceled();
}

void SearchProgress::close() {
    dialog_.reset();
}

} // namespace widgets
