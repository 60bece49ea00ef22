#pragma once

#include <QDialog>

namespace store {
class Database;
}

namespace catalog {

class frmpropiedades : public QDialog {
    Q_OBJECT

public:
    explicit frmpropiedades(store::Database& db, QWidget* parent = nullptr);
    ~frmpropiedades() override;
};

} // namespace catalog
