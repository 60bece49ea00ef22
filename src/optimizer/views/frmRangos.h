#pragma once

#include "optimizer/ranging_target.h"

#include <QDialog>

class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;
namespace store {
class Database;
}
namespace workspace {
struct Workspace;
}

namespace optimizer {

// The ranging of a price or a limit of a formula: the user picks the range (Desde, Hasta), and
// the view shows the intervals in a table and two charts, the ingredient's quantity (or the
// limit's shadow price) as steps and the formula's cost, with the current value marked. Reads
// the blend it is given and changes nothing.
class frmRangos : public QDialog {
    Q_OBJECT

public:
    frmRangos(const lp::Blend& blend, const RangingTarget& target, const BlendUnits& units = {},
              QWidget* parent = nullptr);
    ~frmRangos() override;

private:
    void chooseTarget(int index);
    void cmdCalcular_Click();
    void showRanging(const lp::Ranging& r, double desde, double hasta);

    lp::Blend blend_;
    BlendUnits units_;
    std::vector<RangingTarget> targets_;
    RangingTarget target_;

    QComboBox* cboParametro_ = nullptr;
    QLineEdit* txtDesde_ = nullptr;
    QLineEdit* txtHasta_ = nullptr;
    QLabel* lblActual_ = nullptr;
    QLabel* lblMensaje_ = nullptr;
    QTableWidget* grdTramos_ = nullptr;
    QChartView* chtValor_ = nullptr;
    QChartView* chtCosto_ = nullptr;
};

// Opens the ranging of the workspace's formula as last formulated, on the target of the row the
// user stands on (the first price when none); says so when there is no formulation to range yet.
void openRangos(workspace::Workspace& ws, store::Database& db, QWidget* parent,
                const WorkspaceRow& row = {});

} // namespace optimizer
