#pragma once

#include "optimizer/mix_charts.h"

#include <QDialog>

namespace workspace {
struct Workspace;
}

namespace printing {

// The charts of the mix on screen, drawn by the same routine as the printout's chart page:
// each nutrient against its limits and each ingredient's cost per unit of the mix.
class frmGraficos : public QDialog {
    Q_OBJECT

public:
    explicit frmGraficos(optimizer::MixCharts charts, QWidget* parent = nullptr);
    ~frmGraficos() override;
};

// Opens the charts of the workspace's mix; says so when there is no computed mix yet.
void openGraficos(const workspace::Workspace& ws, QWidget* parent);

} // namespace printing
