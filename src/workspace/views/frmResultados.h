#pragma once

#include <QDialog>

namespace workspace {
struct Workspace;
}

namespace workspace {

class frmResultados : public QDialog {
    Q_OBJECT

public:
    explicit frmResultados(const Workspace& ws, QWidget* parent = nullptr);
    ~frmResultados() override;
};

} // namespace workspace
