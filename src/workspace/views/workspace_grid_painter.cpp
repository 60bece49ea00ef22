#include "workspace/views/workspace_grid_painter.h"

#include "app/views/grid_binding.h"
#include "workspace/workspace.h"
#include "workspace/workspace_grids.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

namespace workspace {

QFont compactFont(QFont font) {
    font.setPointSizeF(8);
    return font;
}

WorkspaceGridPainter::WorkspaceGridPainter(QTableWidget* flexprod, QTableWidget* flexprop,
                                           QObject* parent)
    : QObject(parent), ingredientGrid_(flexprod), prod_(new GridBinding(flexprod)),
      prop_(new GridBinding(flexprop)) {
    prod_->setFillColumn(1);
    prop_->setFillColumn(1);
    for (QTableWidget* grid : {flexprod, flexprop}) {
        // The column widths are the classic ones in twips; a compact font keeps every caption
        // and figure inside them.
        grid->setFont(compactFont(grid->font()));
        QHeaderView* header = grid->horizontalHeader();
        header->setStyleSheet(header->styleSheet() +
                              QStringLiteral(" QHeaderView::section { font-size: 8pt; }"));
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
        grid->setSelectionBehavior(QAbstractItemView::SelectItems);
        header->setStretchLastSection(false);
        // The separator columns are narrower than the header's default least section.
        header->setMinimumSectionSize(1);
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

void WorkspaceGridPainter::paintNutrients(Workspace& ws, bool justLoaded, const SavedState* saved) {
    prop_->show(nutrientGrid(ws, justLoaded, saved));
    prop_->setNoMatchVisible(false);
}

void WorkspaceGridPainter::placeTotals() {
    if (!ingredientGrid_)
        return;
    for (const Total& t : totals_) {
        if (!t.box || !t.label || t.column >= ingredientGrid_->columnCount())
            continue;
        const QPoint cell = ingredientGrid_->viewport()->mapToGlobal(
            QPoint(ingredientGrid_->columnViewportPosition(t.column), 0));
        const QPoint at = t.box->parentWidget()->mapFromGlobal(cell);
        const int width = ingredientGrid_->columnWidth(t.column);
        t.label->setGeometry(at.x(), 0, width, t.label->sizeHint().height());
        t.box->setGeometry(at.x(), t.label->height() + 1, width, t.box->sizeHint().height());
    }
}

} // namespace workspace
