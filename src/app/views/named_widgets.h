#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace widgets {

// A new child of `parent` under the object name that tests and the screenshot tour find it by.
template <class W> W* named(QWidget* parent, const char* name) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// A named push button that never turns into the window's default button when it takes the
// focus, so Enter stays with the box or grid being edited.
QPushButton* button(QWidget* parent, const char* name, const QString& caption);

} // namespace widgets
