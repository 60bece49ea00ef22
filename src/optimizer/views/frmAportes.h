#pragma once

#include <QDialog>

namespace workspace {
struct Workspace;
}

namespace optimizer {

class frmAportes : public QDialog {
    Q_OBJECT

public:
    explicit frmAportes(const workspace::Workspace& ws, const QString& caption,
                        QWidget* parent = nullptr);
    ~frmAportes() override;
};

} // namespace optimizer
