#pragma once

#include "optimizer/chance_figures.h"
#include "optimizer/formulation_run.h"

#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;

namespace store {
class Database;
}

namespace workspace {

struct Workspace;
struct EditResult;
struct FormulaHeader;
struct ResultFigures;
struct SavedState;
class LimitsTab;
class WorkspaceCellEditors;
class WorkspaceGridPainter;

// The optimisation workspace: one formula in memory, its ingredients and nutrients in two grids
// on the tabs of `SSTab1` (a third holds its ratio and group limits), edited in place, formulated
// at least cost and saved as a version. It opens on formula `formulaId` (0: an empty workspace).
class frmoptimizacion : public QDialog {
    Q_OBJECT

public:
    frmoptimizacion(store::Database& db, int formulaId, QWidget* parent = nullptr);
    // Opens on a formula already in memory with a mix not saved yet (a production plan's mix
    // of it): `opened` as it stands and `header` as it was loaded, with the figures of that mix.
    frmoptimizacion(store::Database& db, const Workspace& opened, const FormulaHeader& header,
                    QWidget* parent = nullptr);
    ~frmoptimizacion() override;

    // The records and scalars the other views of the workspace read.
    Workspace& workspace() { return *ws_; }
    const Workspace& workspace() const { return *ws_; }
    // The formula the workspace holds now: as opened, or as last saved (0: never saved).
    int formulaId() const;

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // "&Salir" and the close button: changes not saved are offered a save first.
    void closeEvent(QCloseEvent* event) override;

private:
    // Layout (frmoptimizacion.cpp).
    void build();
    QWidget* buildHeader();
    QWidget* buildIngredientTab();
    QWidget* buildNutrientTab();
    QWidget* buildButtons();
    QPushButton* button(const char* name, const QString& caption, const QString& toolTip = {});
    QLineEdit* box(const char* name, bool readOnly = true);

    // Refreshing what the window shows.
    // Loads the formula (0: an empty workspace), telling why when it cannot.
    void load(int formulaId);
    void showHeader(const FormulaHeader& header);
    void showFigures(const ResultFigures& figures);
    void clearFigures();
    void actuBaseNut();
    void syncOptions();
    void redraw(const EditResult& result);
    void paintAll(bool justLoaded);

    // Controls (frmoptimizacion_actions.cpp).
    void ingredientBasisChosen();
    void nutrientBasisChosen();
    void cmdFormular_Click();
    void focusQuantity();
    void showAnalysis();
    void saveAsIngredient();
    void cmdRecalcular_Click();
    void cmdComposicion_Click();
    void cmdRangos_Click();
    void cmdGraficos_Click();
    void showTradeoffCurve();
    void cmdImprimir_Click();
    void cmdUpdate_Click();
    void cmdCancel_Click();
    void cmdClose_Click();
    bool saveChanges();
    void markSaved();
    void pickIngredient();
    void dropIngredient();
    void cmdNutrientes_Click();
    void pickNutrientRow();
    void dropNutrient();
    void cmdActuPrecios_Click();
    void cmdActuMSeca_Click();
    // The weighing options beside the quantity, and the search's figures under the costs.
    void maxIngredientesLeft();
    void roundingChosen(bool redondear);
    void showWeighingOptions();
    void showIntegerResult(const std::optional<optimizer::IntegerFigures>& entero);

    store::Database& db_;
    std::unique_ptr<Workspace> ws_;

    QTabWidget* tabs_ = nullptr;
    QTableWidget* ingredientGrid_ = nullptr;
    QTableWidget* nutrientGrid_ = nullptr;
    QLineEdit* txt_Formula_ = nullptr;
    QLineEdit* txt_CodFormula_ = nullptr;
    QLineEdit* txt_VerFormula_ = nullptr;
    QLineEdit* txt_FecCFormula_ = nullptr;
    QLineEdit* txt_FecMFormula_ = nullptr;
    QLineEdit* txt_cantidad_ = nullptr;
    QRadioButton* ingredientBasis_[2] = {};
    QRadioButton* nutrientBasis_[2] = {};
    QLineEdit* txtMatSeca_ = nullptr;
    QLineEdit* txtCanS_ = nullptr;
    QLineEdit* txtPorS_ = nullptr;
    QLineEdit* txtCanH_ = nullptr;
    QLineEdit* txtPorH_ = nullptr;
    QLineEdit* txtCosTot_ = nullptr;
    QLineEdit* txtCosH_ = nullptr;
    QLineEdit* txtCosS_ = nullptr;
    QLineEdit* txtMaxIngredientes_ = nullptr;
    QCheckBox* chkRedondear_ = nullptr;
    QWidget* integerCosts_ = nullptr; // "Costo sin redondeo", "Costo del redondeo", "Brecha"
    QLineEdit* txtCostoSinRedondeo_ = nullptr;
    QLineEdit* txtCostoRedondeo_ = nullptr;
    QLineEdit* txtBrecha_ = nullptr;
    QLabel* lblAnalisisEntero_ = nullptr;

    WorkspaceGridPainter* painter_ = nullptr;
    WorkspaceCellEditors* editors_ = nullptr;
    LimitsTab* limitsTab_ = nullptr;
    // What the database holds of the formula, as of the last load or save; none for a mix opened
    // from memory and never saved.
    std::unique_ptr<SavedState> saved_;
    // The limits held with a probability, for the analysis and the printout.
    optimizer::ChanceFigureSource chance_;
};

} // namespace workspace
