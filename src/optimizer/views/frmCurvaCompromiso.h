#pragma once

#include "optimizer/tradeoff_choices.h"
#include "optimizer/tradeoff_run.h"

#include <QDialog>
#include <optional>
#include <vector>

class QChartView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScatterSeries;
class QTableWidget;

namespace store {
class Database;
}
namespace workspace {
struct Workspace;
}

namespace optimizer {

// The least cost of the formula against a second goal: the chart of cost per unit against the
// goal with its vertices, the formula's own mix and the point chosen, and the table of vertices
// with the ingredients that join and leave the mix at each. Choosing a point (a click on the
// line, a vertex of the table, or a value typed) and "Llevar a la fórmula" close the view with
// that point as its result; the workspace is not changed here.
class frmCurvaCompromiso : public QDialog {
    Q_OBJECT

public:
    frmCurvaCompromiso(const workspace::Workspace& ws, store::Database& db,
                       QWidget* parent = nullptr);
    ~frmCurvaCompromiso() override;

    // The curve last drawn and the goal value chosen on it, once the view was accepted.
    const TradeoffRun& run() const { return run_; }
    std::optional<double> chosen() const { return chosen_; }

private:
    void calculate();
    void drawChart();
    void fillVertices();
    void choose(double valor);
    void vertexChosen();
    void valueTyped();
    void takeToFormula();

    const workspace::Workspace& ws_;
    store::Database& db_;
    std::vector<GoalChoice> choices_;
    TradeoffRun run_;
    std::optional<double> chosen_;

    QComboBox* cboObjetivo_ = nullptr;
    QCheckBox* chkAumentar_ = nullptr;
    QLabel* lblMensaje_ = nullptr;
    QChartView* chtCurva_ = nullptr;
    QScatterSeries* chosenMark_ = nullptr; // owned by the chart
    QTableWidget* grdVertices_ = nullptr;
    QLineEdit* txtValor_ = nullptr;
    QLabel* lblPunto_ = nullptr;
    QPushButton* cmdAplicar_ = nullptr;
};

// Opens the curve on the workspace; a point taken to the formula is put into the workspace
// (applyTradeoffPoint). Returns the figures of the mix put in, or nothing when none was.
std::optional<workspace::ResultFigures> openCurvaCompromiso(workspace::Workspace& ws,
                                                            store::Database& db, QWidget* parent);

} // namespace optimizer
