#pragma once

#include "plans/plan_run.h"
#include "plans/plan_store.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace store {
class Database;
}

namespace plans {

// "Fórmulas → Planes de Producción": a plan's formulas with the quantity of each, the stock of its
// ingredients (available, least use), formulating them all at once, each formula's mix and cost
// against its cost alone, each ingredient's use and marginal value, "Grabar" to keep the
// planned mixes as new versions, "Imprimir" to keep the result as a PDF, and "Abrir en
// Optimización" to see one formula's planned mix in the workspace.
class frmPlanes : public QDialog {
    Q_OBJECT

public:
    explicit frmPlanes(store::Database& db, QWidget* parent = nullptr);

    const PlanRun& run() const { return run_; }

private:
    QWidget* buildPlanRow();
    QWidget* buildInputs();
    QWidget* buildResults();

    void loadPlans(int select);
    void showPlan();
    int planId() const;
    void createPlan();
    void deletePlan();
    void addFormula();
    void removeFormula();
    void addIngredient();
    void removeIngredient();
    void formulaEdited(int row, int column);
    void stockEdited(int row, int column);
    PlanPrices chosenPrices() const;
    void pricesChosen();
    void formulate();
    void showResults();
    void showMix();
    void print();
    void save();
    void openInWorkspace();

    store::Database& db_;
    std::optional<StoredPlan> plan_;
    PlanRun run_;
    bool filling_ = false;

    QComboBox* plans_ = nullptr;
    QLineEdit* newName_ = nullptr;
    QTableWidget* formulas_ = nullptr;
    QTableWidget* stock_ = nullptr;
    QTableWidget* results_ = nullptr;
    QTableWidget* mix_ = nullptr;
    QLabel* total_ = nullptr;
    QLabel* outcome_ = nullptr; // why the last run has no mix
    QPushButton* save_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* open_ = nullptr;
    QRadioButton* currentPrices_ = nullptr; // the highest versions at today's prices
    QRadioButton* storedPrices_ = nullptr;  // the plan's versions at their saved prices
};

} // namespace plans
