#include "workspace/views/frmResultados.h"

namespace workspace {

// Placeholder: the view's own work replaces this file.
frmResultados::frmResultados(const Workspace&, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmResultados"));
}

frmResultados::~frmResultados() = default;

} // namespace workspace
