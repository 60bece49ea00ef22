#pragma once

#include <QDialog>

namespace printing {

class frmImprimir : public QDialog {
    Q_OBJECT

public:
    explicit frmImprimir(QWidget* parent = nullptr);
    ~frmImprimir() override;
};

} // namespace printing
