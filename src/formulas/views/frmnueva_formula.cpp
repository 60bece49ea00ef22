#include "formulas/views/frmnueva_formula.h"

namespace formulas {

// Placeholder: the view's own work replaces this file.
frmnueva_formula::frmnueva_formula(store::Database&, bool, bool, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmnueva_formula"));
}

frmnueva_formula::~frmnueva_formula() = default;

} // namespace formulas
