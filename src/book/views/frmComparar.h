#pragma once

#include "book/comparison.h"

#include <QDialog>

class GridBinding;
class QCheckBox;
class QLabel;
class QTableWidget;

namespace store {
class Database;
}

namespace book {

// Two versions of a formula side by side, their differences highlighted; "Mostrar solo las
// diferencias" hides the lines that agree.
class frmComparar : public QDialog {
    Q_OBJECT

public:
    explicit frmComparar(Comparison comparison, QWidget* parent = nullptr);

private:
    void showLines();

    Comparison comparison_;
    QTableWidget* grid_ = nullptr;
    GridBinding* binding_ = nullptr;
    QCheckBox* onlyDifferences_ = nullptr;
};

// Opens the comparison of two stored formulas; says why when one cannot be loaded.
void compareStored(store::Database& db, int leftId, int rightId, QWidget* parent);

} // namespace book
