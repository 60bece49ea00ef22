#pragma once

#include <QDialog>

namespace workspace {

class frmRecalcular : public QDialog {
    Q_OBJECT

public:
    explicit frmRecalcular(QWidget* parent = nullptr);
    ~frmRecalcular() override;
};

} // namespace workspace
