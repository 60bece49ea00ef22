#pragma once

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <vector>

class GridBinding;
class QTableWidget;

namespace workspace {

struct Workspace;
struct SavedState;

// The font of the grids and of the totals under them.
QFont compactFont(QFont font);

// Paints the ingredient grid `flexprod` and the nutrient grid `flexprop` from what core decides
// for the workspace, and keeps the totals boxes under the ingredient columns they add up.
class WorkspaceGridPainter : public QObject {
public:
    WorkspaceGridPainter(QTableWidget* flexprod, QTableWidget* flexprop, QObject* parent);

    // A totals box and its label, kept under the ingredient grid's column.
    void addTotal(int column, QLabel* label, QLineEdit* box);

    void paintIngredients(Workspace& ws);
    // justLoaded: the nutrients whose value changed since the formula was saved are signalled;
    // `saved`: what the database holds, the limits edited since signalled.
    void paintNutrients(Workspace& ws, bool justLoaded, const SavedState* saved);

    GridBinding& ingredients() { return *prod_; }
    GridBinding& nutrients() { return *prop_; }

    // Lays each totals box and its label under its column (same left and width).
    void placeTotals();

private:
    struct Total {
        int column;
        QPointer<QLabel> label;
        QPointer<QLineEdit> box;
    };
    QPointer<QTableWidget> ingredientGrid_;
    GridBinding* prod_;
    GridBinding* prop_;
    std::vector<Total> totals_;
};

} // namespace workspace
