#pragma once

#include <QDialog>

namespace workspace {
struct Workspace;
}

namespace optimizer {

class frmAnalisis : public QDialog {
    Q_OBJECT

public:
    explicit frmAnalisis(const workspace::Workspace& ws, QWidget* parent = nullptr);
    ~frmAnalisis() override;
};

} // namespace optimizer
