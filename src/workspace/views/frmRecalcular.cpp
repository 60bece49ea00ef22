#include "workspace/views/frmRecalcular.h"

namespace workspace {

// Placeholder: the view's own work replaces this file.
frmRecalcular::frmRecalcular(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmRecalcular"));
}

frmRecalcular::~frmRecalcular() = default;

} // namespace workspace
