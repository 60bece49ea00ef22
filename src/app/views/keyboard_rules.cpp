#include "app/views/keyboard_rules.h"

#include "app/date_text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

namespace keys {

namespace {

// Runs an action for Enter and swallows the key.
class EnterFilter : public QObject {
public:
    EnterFilter(QObject* parent, std::function<void(QWidget*)> action)
        : QObject(parent), action_(std::move(action)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !isEnterKey(static_cast<QKeyEvent*>(event)->key()))
            return false;
        action_(static_cast<QWidget*>(watched));
        return true;
    }

private:
    std::function<void(QWidget*)> action_;
};

// An editable combo box receives its keys in its line edit.
void installOnField(QWidget* field, QObject* filter) {
    field->installEventFilter(filter);
    if (auto* combo = qobject_cast<QComboBox*>(field); combo && combo->lineEdit())
        combo->lineEdit()->installEventFilter(filter);
}

bool leavesForGood(QEvent* event) {
    // A message box or a menu taking the focus for a moment is not the user leaving the box.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

class FocusOutFilter : public QObject {
public:
    FocusOutFilter(QObject* parent, std::function<void()> action)
        : QObject(parent), action_(std::move(action)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusOut && leavesForGood(event))
            action_();
        return false;
    }

private:
    std::function<void()> action_;
};

class HideFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::MouseButtonPress ||
            (event->type() == QEvent::FocusOut && leavesForGood(event)))
            box->hide();
        return false;
    }
};

// Sees every key before the control that has the focus, for one window.
class EscapePreview : public QObject {
public:
    EscapePreview(QWidget* view, QAbstractButton* cancel)
        : QObject(view), view_(view), cancel_(cancel) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
            return false;
        // An open drop-down list keeps its Esc; another window keeps its own keys.
        if (QApplication::activePopupWidget() || !view_ ||
            static_cast<QWidget*>(watched)->window() != view_)
            return false;
        if (cancel_)
            cancel_->click();
        return true;
    }

private:
    QPointer<QWidget> view_;
    QPointer<QAbstractButton> cancel_;
};

} // namespace

bool isEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

void searchOnEnter(std::initializer_list<QWidget*> fields, std::function<void()> search) {
    for (QWidget* field : fields)
        installOnField(field, new EnterFilter(field, [search](QWidget*) { search(); }));
}

void enterMovesOn(std::initializer_list<QWidget*> fields) {
    for (QWidget* field : fields) {
        installOnField(field, new EnterFilter(field, [](QWidget* w) {
                           QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                           QCoreApplication::sendEvent(w, &tab);
                       }));
    }
}

InGridEditor::InGridEditor(QLineEdit* editor, QTableWidget* grid)
    : QObject(editor), editor_(editor), grid_(grid) {
    editor->hide();
    editor->installEventFilter(this);
}

void InGridEditor::begin(int row, int column, const QString& text) {
    if (!editor_ || !grid_)
        return;
    row_ = row;
    column_ = column;
    lastKey_ = None;
    grid_->setCurrentCell(row, column);
    const QModelIndex index = grid_->model()->index(row, column);
    grid_->scrollTo(index);
    const QRect cell = grid_->visualRect(index);
    QPoint topLeft = grid_->viewport()->mapToGlobal(cell.topLeft());
    if (QWidget* parent = editor_->parentWidget())
        topLeft = parent->mapFromGlobal(topLeft);
    editor_->setGeometry(QRect(topLeft, cell.size()));
    editor_->setText(text);
    editor_->selectAll();
    editor_->show();
    editor_->raise();
    editing_ = true;
    editor_->setFocus(Qt::OtherFocusReason);
}

bool InGridEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_ || !editing_ || finishing_)
        return false;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (isEnterKey(key) || key == Qt::Key_Escape) {
            finish(key == Qt::Key_Escape ? Escape : Enter);
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && leavesForGood(event)) {
        // Decided once the focus has settled, so a message shown by the check does not open in
        // the middle of the focus change.
        QTimer::singleShot(0, this, [this] {
            if (!editing_ || finishing_ || !editor_ || editor_->hasFocus())
                return;
            finish(unconfirmed_ ? unconfirmed_(editor_->text()) : int(Enter));
        });
    }
    return false;
}

void InGridEditor::finish(int key) {
    finishing_ = true;
    lastKey_ = key;
    if (key == Enter && commit_ && !commit_(editor_->text())) {
        // Refused: the edit goes on, and what ends it next is decided afresh.
        lastKey_ = None;
        finishing_ = false;
        if (editor_ && !editor_->hasFocus()) {
            editor_->activateWindow();
            editor_->setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    editing_ = false;
    if (grid_) {
        grid_->setFocus(Qt::OtherFocusReason);
        if (row_ < grid_->rowCount() && column_ < grid_->columnCount())
            grid_->setCurrentCell(row_, column_);
    }
    if (editor_)
        editor_->hide();
    finishing_ = false;
    if (finished_)
        finished_(key);
}

void hideOnClickOrLeave(QWidget* box) {
    box->installEventFilter(new HideFilter(box));
}

void dateFieldRule(QLineEdit* field) {
    field->installEventFilter(new FocusOutFilter(field, [field] {
        // Checked once the focus has settled; a field whose view closed meanwhile is left alone.
        QTimer::singleShot(0, field, [field] {
            if (field->hasFocus() || !field->isVisible())
                return;
            QString text = field->text();
            if (!datetext::leaveDateField(text)) {
                field->activateWindow();
                field->setFocus(Qt::OtherFocusReason);
                field->selectAll();
            } else if (text != field->text()) {
                field->setText(text);
            }
        });
    }));
}

void escapeRunsCancel(QWidget* view, QAbstractButton* cancel) {
    new EscapePreview(view, cancel);
}

void onGridActivation(QTableWidget* grid, std::function<void()> activate) {
    auto* filter = new EnterFilter(grid, [activate](QWidget*) { activate(); });
    grid->installEventFilter(filter);
    QObject::connect(grid, &QAbstractItemView::doubleClicked, filter,
                     [activate](const QModelIndex&) { activate(); });
}

ListMode listModeFromText(const QString& gModo) {
    return gModo.trimmed().compare(QStringLiteral("BUSCAR"), Qt::CaseInsensitive) == 0
               ? ListMode::Pick
               : ListMode::Maintain;
}

void listGridActivation(QTableWidget* grid, std::function<ListMode()> mode, QAbstractButton* edit,
                        QAbstractButton* pick) {
    QPointer<QAbstractButton> editButton(edit);
    QPointer<QAbstractButton> pickButton(pick);
    onGridActivation(grid, [mode, editButton, pickButton] {
        QAbstractButton* button = mode() == ListMode::Pick ? pickButton : editButton;
        if (button)
            button->click();
    });
}

} // namespace keys
