#pragma once

#include <QDialog>

namespace store {
class Database;
}

namespace formulas {

class frmformulas : public QDialog {
    Q_OBJECT

public:
    explicit frmformulas(store::Database& db, QWidget* parent = nullptr);
    ~frmformulas() override;
};

} // namespace formulas
