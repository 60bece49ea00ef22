#include "optimizer/views/frmAnalisis.h"

#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "app/views/modal.h"
#include "optimizer/analysis_grids.h"
#include "optimizer/views/frmRangos.h"
#include "workspace/workspace.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace optimizer {

frmAnalisis::frmAnalisis(const workspace::Workspace& ws, QWidget* parent,
                         std::optional<StoredBlend> formula,
                         const std::vector<ChanceFigureRow>& chance)
    : QDialog(parent), formula_(std::move(formula)), rows_(ws.analysisRows) {
    setObjectName(QStringLiteral("frmAnalisis"));
    setWindowTitle(QStringLiteral("Análisis de los Resultados"));

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("SSTab1"));
    for (size_t k = 0; k < analysisTabs().size(); ++k) {
        const AnalysisTab& tab = analysisTabs()[k];
        auto* grid = new QTableWidget(tabs_);
        grids_[k] = grid;
        grid->setObjectName(tab.gridName);
        auto* binding = new GridBinding(grid);
        binding->setFitCaptions(true);
        binding->setFillColumn(1);
        const grid::GridContent content = analysisGrid(ws.analysisRows, tab, ws.nutrients);
        binding->show(content);
        // No rows of a kind is an answer, not a failed search: the tab says why it is empty.
        const QString emptyText = analysisEmptyText(ws, tab);
        binding->noMatch()->setText(emptyText);
        binding->setNoMatchVisible(content.rowCount() == 0 && !emptyText.isEmpty());
        tabs_->addTab(grid, tab.tabCaption);
    }
    if (!chance.empty()) {
        auto* page = new QWidget(tabs_);
        auto* grid = new QTableWidget(page);
        grid->setObjectName(QStringLiteral("grdProbabilidad"));
        auto* binding = new GridBinding(grid);
        binding->setFitCaptions(true);
        binding->setFillColumn(1);
        binding->show(chanceGrid(chance));
        auto* note = new QLabel(independenceNote(), page);
        note->setObjectName(QStringLiteral("lblIndependencia"));
        note->setWordWrap(true);
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->addWidget(grid, 1);
        pageLayout->addWidget(note);
        tabs_->addTab(page, QStringLiteral("Límites con probabilidad"));
    }
    tabs_->setCurrentIndex(0);

    auto* cmdClose = new QPushButton(QStringLiteral("Salir"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* cmdRangos = new QPushButton(QStringLiteral("&Rangos"), this);
    cmdRangos->setObjectName(QStringLiteral("cmdRangos"));
    cmdRangos->setToolTip(QStringLiteral("Cómo cambian la mezcla y su costo al mover el precio o "
                                         "el límite de la fila elegida"));
    cmdRangos->setEnabled(formula_.has_value());
    connect(cmdRangos, &QPushButton::clicked, this, &frmAnalisis::cmdRangos_Click);

    auto* cmdCurva = new QPushButton(QStringLiteral("Curva &de Compromiso"), this);
    cmdCurva->setObjectName(QStringLiteral("cmdCurva"));
    cmdCurva->setToolTip(QStringLiteral("Menor costo frente a un segundo objetivo"));
    connect(cmdCurva, &QPushButton::clicked, this, [this] { done(kOpenCurve); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCurva);
    buttons->addWidget(cmdRangos);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    // Rows that are not the plain programme's say what they are about above the tabs.
    if (!ws.analysisNote.isEmpty()) {
        auto* note = new QLabel(ws.analysisNote, this);
        note->setObjectName(QStringLiteral("lblNotaAnalisis"));
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);
    // Every tab caption in sight, the tab of limits held with a probability among them.
    const QMargins margins = layout->contentsMargins();
    resize(std::max(960, tabs_->tabBar()->sizeHint().width() + margins.left() + margins.right() +
                             2 * tabs_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8),
           400);
}

frmAnalisis::~frmAnalisis() = default;

void frmAnalisis::cmdRangos_Click() {
    const int tab = tabs_->currentIndex();
    if (!formula_ || tab < 0)
        return;
    QTableWidget* grid = grids_[static_cast<size_t>(tab)];
    const int row = grid->currentRow() >= 0 ? grid->currentRow() : 0;
    const std::vector<workspace::SensitivityRow> listed =
        analysisRowsOf(rows_, analysisTabs()[size_t(tab)]);
    const std::optional<RangingTarget> target =
        row < int(listed.size()) ? targetOfAnalysisRow(formula_->blend, listed[size_t(row)])
                                 : std::nullopt;
    if (!target) {
        msg::msgBox(QStringLiteral("Elija una fila de ingrediente o de restricción"),
                    msg::Exclamation);
        return;
    }
    frmRangos rangos(formula_->blend, *target, formula_->units, this);
    widgets::openModal(rangos);
}

} // namespace optimizer
