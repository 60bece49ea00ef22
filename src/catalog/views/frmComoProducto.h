#pragma once

#include <QDialog>

namespace store {
class Database;
}
namespace workspace {
struct Workspace;
}

namespace catalog {

class frmComoProducto : public QDialog {
    Q_OBJECT

public:
    explicit frmComoProducto(store::Database& db, const workspace::Workspace& ws,
                             QWidget* parent = nullptr);
    ~frmComoProducto() override;
};

} // namespace catalog
