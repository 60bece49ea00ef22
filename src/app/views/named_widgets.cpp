#include "app/views/named_widgets.h"

#include <QPushButton>

namespace widgets {

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = named<QPushButton>(parent, name);
    b->setText(caption);
    b->setAutoDefault(false);
    return b;
}

} // namespace widgets
