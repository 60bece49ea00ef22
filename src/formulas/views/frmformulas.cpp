#include "formulas/views/frmformulas.h"

namespace formulas {

// Placeholder: the view's own work replaces this file.
frmformulas::frmformulas(store::Database&, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmformulas"));
}

frmformulas::~frmformulas() = default;

} // namespace formulas
