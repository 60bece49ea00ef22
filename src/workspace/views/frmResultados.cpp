#include "workspace/views/frmResultados.h"

#include "app/views/grid_binding.h"
#include "workspace/composition_grid.h"
#include "workspace/workspace.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace workspace {

frmResultados::frmResultados(const Workspace& ws, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmResultados"));
    setWindowTitle(QStringLiteral("Composición de la Fórmula"));

    FlexGrid1_ = new QTableWidget(this);
    FlexGrid1_->setObjectName(QStringLiteral("FlexGrid1"));
    FlexGrid1_->setStyleSheet(QStringLiteral("QTableWidget { background-color: white; }"));
    auto* binding = new GridBinding(FlexGrid1_);
    binding->setFitCaptions(true);
    binding->setFitContents(true); // the totals and long names are read whole
    const grid::GridContent content = compositionGrid(ws);
    binding->show(content);
    binding->setNoMatchVisible(false);

    auto* cmdClose = new QPushButton(QStringLiteral("Salir"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FlexGrid1_, 1);
    layout->addLayout(buttons);
    resize(1000, 420);

    if (content.columnCount() > kResultadoFixedColumns)
        freezeColumns(kResultadoFixedColumns);
}

frmResultados::~frmResultados() = default;

// A second view of the same items lies over the first columns and scrolls only up and down with
// the grid, so the ingredient names and quantities stay beside any nutrient column.
void frmResultados::freezeColumns(int count) {
    frozenCount_ = count;
    frozen_ = new QTableView(FlexGrid1_);
    frozen_->setObjectName(QStringLiteral("FlexGrid1Fijas"));
    frozen_->setModel(FlexGrid1_->model());
    frozen_->setSelectionModel(FlexGrid1_->selectionModel());
    frozen_->setFocusPolicy(Qt::NoFocus);
    frozen_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    frozen_->verticalHeader()->hide();
    frozen_->verticalHeader()->setDefaultSectionSize(
        FlexGrid1_->verticalHeader()->defaultSectionSize());
    frozen_->horizontalHeader()->setStyleSheet(FlexGrid1_->horizontalHeader()->styleSheet());
    frozen_->horizontalHeader()->setHighlightSections(false);
    frozen_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollMode(FlexGrid1_->verticalScrollMode());
    frozen_->setStyleSheet(QStringLiteral("QTableView { border: none; background-color: white; }"));
    for (int c = 0; c < FlexGrid1_->columnCount(); ++c) {
        frozen_->setColumnHidden(c, c >= count || FlexGrid1_->isColumnHidden(c));
        if (c < count)
            frozen_->setColumnWidth(c, FlexGrid1_->columnWidth(c));
    }
    connect(frozen_->verticalScrollBar(), &QScrollBar::valueChanged,
            FlexGrid1_->verticalScrollBar(), &QScrollBar::setValue);
    connect(FlexGrid1_->verticalScrollBar(), &QScrollBar::valueChanged,
            frozen_->verticalScrollBar(), &QScrollBar::setValue);
    connect(FlexGrid1_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int size) {
                if (column < frozenCount_) {
                    frozen_->setColumnWidth(column, size);
                    placeFrozen();
                }
            });
    FlexGrid1_->installEventFilter(this);
    FlexGrid1_->viewport()->stackUnder(frozen_);
    placeFrozen();
    frozen_->show();
}

void frmResultados::placeFrozen() {
    if (!frozen_)
        return;
    int width = 0;
    for (int c = 0; c < frozenCount_; ++c)
        width += FlexGrid1_->isColumnHidden(c) ? 0 : FlexGrid1_->columnWidth(c);
    const int frame = FlexGrid1_->frameWidth();
    frozen_->setGeometry(frame, frame, width,
                         FlexGrid1_->viewport()->height() +
                             FlexGrid1_->horizontalHeader()->height());
}

bool frmResultados::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FlexGrid1_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        placeFrozen();
    return QDialog::eventFilter(watched, event);
}

} // namespace workspace
