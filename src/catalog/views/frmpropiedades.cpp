#include "catalog/views/frmpropiedades.h"

namespace catalog {

// Placeholder: the view's own work replaces this file.
frmpropiedades::frmpropiedades(store::Database&, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmpropiedades"));
}

frmpropiedades::~frmpropiedades() = default;

} // namespace catalog
