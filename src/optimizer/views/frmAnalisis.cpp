#include "optimizer/views/frmAnalisis.h"

namespace optimizer {

// Placeholder: the view's own work replaces this file.
frmAnalisis::frmAnalisis(const workspace::Workspace&, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAnalisis"));
}

frmAnalisis::~frmAnalisis() = default;

} // namespace optimizer
