#include "workspace/views/frmoptimizacion.h"

namespace workspace {

// Placeholder: the view's own work replaces this file.
frmoptimizacion::frmoptimizacion(store::Database&, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmoptimizacion"));
}

frmoptimizacion::~frmoptimizacion() = default;

} // namespace workspace
