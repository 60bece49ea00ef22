#include "optimizer/views/frmAportes.h"

namespace optimizer {

// Placeholder: the view's own work replaces this file.
frmAportes::frmAportes(const workspace::Workspace&, const QString&, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmAportes"));
}

frmAportes::~frmAportes() = default;

} // namespace optimizer
