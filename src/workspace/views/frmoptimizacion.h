#pragma once

#include <QDialog>

namespace store {
class Database;
}

namespace workspace {

class frmoptimizacion : public QDialog {
    Q_OBJECT

public:
    explicit frmoptimizacion(store::Database& db, QWidget* parent = nullptr);
    ~frmoptimizacion() override;
};

} // namespace workspace
