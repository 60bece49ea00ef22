#include "catalog/views/frmproductos.h"

namespace catalog {

// Placeholder: the view's own work replaces this file.
frmproductos::frmproductos(store::Database&, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmproductos"));
}

frmproductos::~frmproductos() = default;

} // namespace catalog
