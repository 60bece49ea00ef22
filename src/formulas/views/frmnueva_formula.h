#pragma once

#include <QDialog>

namespace store {
class Database;
}

namespace formulas {

class frmnueva_formula : public QDialog {
    Q_OBJECT

public:
    explicit frmnueva_formula(store::Database& db, bool vSecaIng, bool vSecaNut,
                              QWidget* parent = nullptr);
    ~frmnueva_formula() override;
};

} // namespace formulas
