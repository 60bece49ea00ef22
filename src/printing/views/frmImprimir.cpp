#include "printing/views/frmImprimir.h"

namespace printing {

// Placeholder: the view's own work replaces this file.
frmImprimir::frmImprimir(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmImprimir"));
}

frmImprimir::~frmImprimir() = default;

} // namespace printing
