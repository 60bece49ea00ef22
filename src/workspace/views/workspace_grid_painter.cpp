#include "workspace/views/workspace_grid_painter.h"

#include "app/views/grid_binding.h"
#include "workspace/workspace.h"
#include "workspace/workspace_grids.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

namespace workspace {

WorkspaceGridPainter::WorkspaceGridPainter(QTableWidget* flexprod, QTableWidget* flexprop,
                                           QObject* parent)
    : QObject(parent), flexprod_(flexprod), prod_(new GridBinding(flexprod)),
      prop_(new GridBinding(flexprop)) {
    prod_->setFillColumn(1);
    prop_->setFillColumn(1);
    for (QTableWidget* grid : {flexprod, flexprop}) {
        grid->setSelectionBehavior(QAbstractItemView::SelectItems);
        grid->horizontalHeader()->setStretchLastSection(false);
    }
    // The boxes follow their columns whenever the widths change (a resized window).
    connect(flexprod->horizontalHeader(), &QHeaderView::sectionResized, this,
            &WorkspaceGridPainter::placeTotals);
}

void WorkspaceGridPainter::addTotal(int column, QLabel* label, QLineEdit* box) {
    totals_.push_back({column, label, box});
}

void WorkspaceGridPainter::paintIngredients(Workspace& ws) {
    prod_->show(ingredientGrid(ws));
    prod_->setNoMatchVisible(false);
    placeTotals();
}

void WorkspaceGridPainter::paintNutrients(Workspace& ws, bool justLoaded) {
    prop_->show(nutrientGrid(ws, justLoaded));
    prop_->setNoMatchVisible(false);
}

void WorkspaceGridPainter::placeTotals() {
    if (!flexprod_)
        return;
    for (const Total& t : totals_) {
        if (!t.box || !t.label || t.column >= flexprod_->columnCount())
            continue;
        const QPoint cell = flexprod_->viewport()->mapToGlobal(
            QPoint(flexprod_->columnViewportPosition(t.column), 0));
        const QPoint at = t.box->parentWidget()->mapFromGlobal(cell);
        const int width = flexprod_->columnWidth(t.column);
        t.label->setGeometry(at.x(), 0, width, t.label->sizeHint().height());
        t.box->setGeometry(at.x(), t.label->height() + 1, width, t.box->sizeHint().height());
    }
}

} // namespace workspace
