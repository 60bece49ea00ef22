#include "catalog/views/frmComoProducto.h"

namespace catalog {

// Placeholder: the view's own work replaces this file.
frmComoProducto::frmComoProducto(store::Database&, const workspace::Workspace&, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmComoProducto"));
}

frmComoProducto::~frmComoProducto() = default;

} // namespace catalog
