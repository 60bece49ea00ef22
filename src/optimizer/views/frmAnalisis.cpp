#include "optimizer/views/frmAnalisis.h"

#include "app/views/grid_binding.h"
#include "optimizer/analysis_grids.h"
#include "workspace/workspace.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace optimizer {

frmAnalisis::frmAnalisis(const workspace::Workspace& ws, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAnalisis"));
    setWindowTitle(QStringLiteral("Análisis de los Resultados"));

    SSTab1_ = new QTabWidget(this);
    SSTab1_->setObjectName(QStringLiteral("SSTab1"));
    for (const AnalysisTab& tab : analysisTabs()) {
        auto* grid = new QTableWidget(SSTab1_);
        grid->setObjectName(tab.gridName);
        auto* binding = new GridBinding(grid);
        binding->setFitCaptions(true);
        binding->setFillColumn(1);
        binding->show(analysisGrid(ws.analysisRows, tab));
        binding->setNoMatchVisible(false); // no rows of a kind is an answer, not a failed search
        SSTab1_->addTab(grid, tab.tabCaption);
    }
    SSTab1_->setCurrentIndex(0);

    auto* cmdClose = new QPushButton(QStringLiteral("Salir"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1_, 1);
    layout->addLayout(buttons);
    resize(960, 400); // every tab caption in sight
}

frmAnalisis::~frmAnalisis() = default;

} // namespace optimizer
