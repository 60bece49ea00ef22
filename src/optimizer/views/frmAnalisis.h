#pragma once

#include <QDialog>
#include <array>

class QTabWidget;
class QTableWidget;

namespace workspace {
struct Workspace;
}

namespace optimizer {

// The sensitivity rows of the last formulation, one tab per kind of row. Reads the workspace's
// rows without changing them.
class frmAnalisis : public QDialog {
    Q_OBJECT

public:
    explicit frmAnalisis(const workspace::Workspace& ws, QWidget* parent = nullptr);
    ~frmAnalisis() override;

private:
    QTabWidget* SSTab1_ = nullptr;
};

} // namespace optimizer
