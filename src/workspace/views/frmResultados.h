#pragma once

#include <QDialog>

class QTableView;
class QTableWidget;

namespace workspace {
struct Workspace;
}

namespace workspace {

// The composition matrix of the mix (the workspace's composition): what each ingredient brings
// to each nutrient, with a totals row. The ingredient and quantity columns stay in place while
// the nutrient columns scroll beside them.
class frmResultados : public QDialog {
    Q_OBJECT

public:
    explicit frmResultados(const Workspace& ws, QWidget* parent = nullptr);
    ~frmResultados() override;

    // The view laid over the grid's first columns (null when the matrix has no nutrient column).
    QTableView* frozenColumns() const { return frozen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void freezeColumns(int count);
    void placeFrozen();

    QTableWidget* FlexGrid1_ = nullptr;
    QTableView* frozen_ = nullptr;
    int frozenCount_ = 0;
};

} // namespace workspace
