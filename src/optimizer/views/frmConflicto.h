#pragma once

#include "optimizer/engine/conflict.h"

#include <QDialog>
#include <vector>

class QTableWidget;

namespace optimizer {

// The limits that keep a formulation from any solution, each with the value that would let it
// solve and the cost there. Opened after the infeasible outcome.
class frmConflicto : public QDialog {
    Q_OBJECT

public:
    explicit frmConflicto(const std::vector<lp::ConflictLimit>& conflict,
                          QWidget* parent = nullptr);
    ~frmConflicto() override;

private:
    QTableWidget* grdConflicto_ = nullptr;
};

} // namespace optimizer
