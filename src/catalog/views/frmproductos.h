#pragma once

#include <QDialog>

namespace store {
class Database;
}

namespace catalog {

class frmproductos : public QDialog {
    Q_OBJECT

public:
    explicit frmproductos(store::Database& db, QWidget* parent = nullptr);
    ~frmproductos() override;
};

} // namespace catalog
