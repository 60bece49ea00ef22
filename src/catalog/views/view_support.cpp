#include "catalog/views/view_support.h"

#include "app/data_error.h"
#include "app/grid_style.h"
#include "app/last_error.h"
#include "app/messages.h"
#include "app/number_text.h"
#include "app/views/errores.h"
#include "app/views/modal.h"
#include "store/database.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace catalog::views {

namespace {

// Error number of a failed database operation, for the error view's detail.
constexpr int kProviderError = -2147467259;

void openErrorView(const QString& text) {
    app::errores view(text);
    widgets::openModal(view);
}

class NumericLeaveFilter : public QObject {
public:
    NumericLeaveFilter(QLineEdit* field, QString message)
        : QObject(field), field_(field), message_(std::move(message)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::FocusOut)
            return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        // Checked once the focus has settled, so the message does not open mid-change.
        QTimer::singleShot(0, this, [this] {
            if (!field_ || field_->hasFocus() || !field_->isVisible())
                return;
            const QString text = field_->text();
            if (text.trimmed().isEmpty() || numtext::isNumber(text))
                return;
            msg::msgBox(message_, msg::Critical);
            field_->activateWindow();
            field_->setFocus(Qt::OtherFocusReason);
            field_->selectAll();
        });
        return false;
    }

private:
    QPointer<QLineEdit> field_;
    QString message_;
};

} // namespace

void showErrorView(const QString& text, const store::StoreError& error) {
    app::setLastError(kProviderError, error.message());
    openErrorView(text);
}

void showDataError(int number, const QString& description) {
    openErrorView(app::reportDataError(number, description));
}

void numericOnLeave(QLineEdit* field, const QString& message) {
    field->installEventFilter(new NumericLeaveFilter(field, message));
}

void focusControl(QWidget* view, const QString& objectName) {
    if (auto* w = view->findChild<QWidget*>(objectName))
        w->setFocus(Qt::OtherFocusReason);
}

void placeBelowRight(QWidget* view, const QWidget* anchor) {
    if (!anchor)
        return;
    const int offset = grid::twipsToPixels(250);
    view->move(anchor->window()->pos() + QPoint(offset, offset));
}

} // namespace catalog::views
