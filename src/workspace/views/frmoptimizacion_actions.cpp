// What the workspace window's controls do. Each hands the work to core and paints the result.
#include "workspace/views/frmoptimizacion.h"

#include "app/format.h"
#include "app/message_styles.h"
#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "app/views/modal.h"
#include "app/views/search_progress.h"
#include "catalog/views/frmComoProducto.h"
#include "catalog/views/frmproducto_propiedades.h"
#include "catalog/views/frmproductos.h"
#include "catalog/views/frmpropiedades.h"
#include "formulas/views/frmnueva_formula.h"
#include "optimizer/formulation_run.h"
#include "optimizer/ranging_target.h"
#include "optimizer/views/frmAnalisis.h"
#include "optimizer/views/frmAportes.h"
#include "optimizer/views/frmConflicto.h"
#include "optimizer/views/frmCurvaCompromiso.h"
#include "optimizer/views/frmRangos.h"
#include "printing/formula_printout.h"
#include "printing/views/frmGraficos.h"
#include "printing/views/print_formula.h"
#include "workspace/basis_rule.h"
#include "workspace/composition_matrix.h"
#include "workspace/formula_save.h"
#include "workspace/unsaved_changes.h"
#include "workspace/views/frmRecalcular.h"
#include "workspace/views/frmResultados.h"
#include "workspace/views/show_notices.h"
#include "workspace/views/workspace_cell_editors.h"
#include "workspace/views/workspace_grid_painter.h"
#include "workspace/workspace.h"
#include "workspace/workspace_rows.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRadioButton>
#include <QTableWidget>
#include <memory>

namespace workspace {

namespace {

std::unique_ptr<QProgressDialog> diagnosisDialog(QWidget* parent) {
    return widgets::shownProgressDialog(
        parent, QStringLiteral("Buscando los límites que impiden la fórmula…"),
        QStringLiteral("Límites en conflicto"), QStringLiteral("dlgDiagnostico"), 1);
}

// The window's limit on the search: a formulation must answer while the user waits.
constexpr double kWindowSearchSeconds = 10;

} // namespace

void frmoptimizacion::focusQuantity() {
    txt_cantidad_->setFocus(Qt::OtherFocusReason);
    txt_cantidad_->selectAll();
}

void frmoptimizacion::ingredientBasisChosen() {
    chooseIngredientBasis(*ws_, ingredientBasis_[0]->isChecked());
    syncOptions();
    actuBaseNut();
}

void frmoptimizacion::nutrientBasisChosen() {
    chooseNutrientBasis(*ws_, nutrientBasis_[0]->isChecked());
    syncOptions();
    actuBaseNut();
}

void frmoptimizacion::cmdFormular_Click() {
    const std::optional<double> quantity = optimizer::quantityOf(txt_cantidad_->text());
    if (!quantity) {
        showNotices({optimizer::quantityNotNumeric()});
        focusQuantity();
        return;
    }
    optimizer::FormulationRequest input;
    input.cantidad = *quantity;
    input.secaIng = ingredientBasis_[0]->isChecked();
    input.secaNut = nutrientBasis_[0]->isChecked();
    // The conflict diagnosis of a large formula may take a while: a second into it a progress
    // dialog shows, and Esc or its button stops it.
    QElapsedTimer diagnosing;
    std::unique_ptr<QProgressDialog> progress;
    input.diagnosisProgress = [&](int done, int total) {
        if (!diagnosing.isValid())
            diagnosing.start();
        if (!progress && diagnosing.elapsed() >= 1000)
            progress = diagnosisDialog(this);
        if (!progress)
            return true;
        progress->setMaximum(total);
        progress->setValue(done);
        return !progress->wasCanceled();
    };
    widgets::SearchProgress search(this,
                                   QStringLiteral("Buscando la mezcla que la planta puede pesar…"));
    input.maxSegundos = kWindowSearchSeconds;
    input.integerProgress = [&](long nodos) { return search(nodos); };
    const optimizer::Formulation r = optimizer::formulate(*ws_, db_, input);
    progress.reset();
    chance_.formulated(*ws_, r.chance);
    search.close();
    showIntegerResult(r.entero);
    showNotices(r.notices);
    if (r.quantityTaken)
        txt_cantidad_->setText(fmt::format(ws_->batchQuantity, QStringLiteral("0.00")));
    if (r.outcome == optimizer::RunOutcome::NotStandard)
        clearFigures();
    if (r.figures) {
        showFigures(*r.figures);
        paintAll(false);
    }
    if (r.quantityRefused)
        focusQuantity();
    if (const auto& u = r.unreachable) {
        optimizer::frmAportes aportes(u->contributions, u->maximoAlcanzable,
                                      optimizer::contributionsCaption(u->nombre, u->minimo),
                                      u->nombre, this);
        widgets::openModal(aportes);
    }
    // A limit refused before solving was named in its message: there is no run to show.
    if (r.outcome == optimizer::RunOutcome::Infeasible && !r.conflicto.empty() &&
        !r.refusedBeforeSolving) {
        optimizer::frmConflicto conflicto(r.conflicto, this);
        widgets::openModal(conflicto);
    }
}

void frmoptimizacion::showAnalysis() {
    optimizer::frmAnalisis analisis(*ws_, this, optimizer::formulatedBlend(*ws_, db_),
                                    chance_.figures(*ws_, db_));
    if (widgets::openModal(analisis) == optimizer::frmAnalisis::kOpenCurve)
        showTradeoffCurve();
}

void frmoptimizacion::showTradeoffCurve() {
    if (const std::optional<ResultFigures> figures =
            optimizer::openCurvaCompromiso(*ws_, db_, this)) {
        showFigures(*figures);
        paintAll(false);
    }
}

void frmoptimizacion::cmdRangos_Click() {
    if (optimizer::hasChanceLimits(*ws_)) {
        msg::msgBox(optimizer::chanceLimitsRefused(QStringLiteral("El análisis de rangos")),
                    msg::Critical);
        return;
    }
    // The row stood on, taken before a formulation redraws the grids.
    optimizer::WorkspaceRow row;
    if (tabs_->currentIndex() == 0) {
        if (const std::optional<GridRow> r = editors_->currentIngredient())
            row = optimizer::workspaceRow(optimizer::WorkspaceRow::Ingredient, r->id, {});
    } else if (tabs_->currentIndex() == 1) {
        if (const std::optional<GridRow> r = editors_->currentNutrient())
            row = optimizer::workspaceRow(
                optimizer::WorkspaceRow::Nutrient, r->id,
                painter_->nutrients().boundField(nutrientGrid_->currentColumn()));
    }
    // No formulation yet: formulate as the button does; when that fails it has said why.
    if (!optimizer::hasFormulation(*ws_)) {
        cmdFormular_Click();
        if (!optimizer::hasFormulation(*ws_))
            return;
    }
    optimizer::openRangos(*ws_, db_, this, row);
}

void frmoptimizacion::cmdGraficos_Click() {
    printing::openGraficos(*ws_, this);
}

void frmoptimizacion::saveAsIngredient() {
    catalog::frmComoProducto comoProducto(db_, *ws_, this);
    widgets::openModal(comoProducto);
}

void frmoptimizacion::cmdRecalcular_Click() {
    if (ws_->ingredients.empty())
        return;
    frmRecalcular recalcular(this);
    recalcular.setSecaIng(ws_->ingredientsDry);
    widgets::openModal(recalcular);
    const std::optional<Recalculation> answer = recalcular.answer();
    if (!answer || answer->cantidad == 0)
        return;
    redraw(recalculate(*ws_, db_, answer->cantidad, answer->mantenerNutrientes));
}

void frmoptimizacion::cmdComposicion_Click() {
    if (ws_->ingredients.empty())
        return;
    buildComposition(*ws_, db_);
    frmResultados resultados(*ws_, this);
    widgets::openModal(resultados);
}

void frmoptimizacion::cmdImprimir_Click() {
    printing::PrintoutTexts texts;
    texts.formula = txt_Formula_->text();
    texts.codigo = txt_CodFormula_->text();
    texts.version = txt_VerFormula_->text();
    texts.fechaModificacion = txt_FecMFormula_->text();
    texts.matSeca = txtMatSeca_->text();
    texts.canS = txtCanS_->text();
    texts.porS = txtPorS_->text();
    texts.canH = txtCanH_->text();
    texts.porH = txtPorH_->text();
    texts.unidades = printing::nutrientUnits(db_, *ws_);
    texts.probabilidades = chance_.figures(*ws_, db_);
    printing::printFormula(*ws_, texts, this, printing::goalChoices(db_, *ws_));
}

void frmoptimizacion::cmdUpdate_Click() {
    saveChanges();
}

bool frmoptimizacion::saveChanges() {
    // A mix that breaks its limits (a failed formulation leaves one) may be kept as work in
    // progress, but only when the user says so.
    if (const QStringList broken = brokenLimits(*ws_);
        !broken.isEmpty() &&
        msg::msgBox(saveBrokenQuestion(broken), msg::QuestionDefaultNo) != msg::Yes)
        return false;
    // The user answers the header editor first, with no transaction open; header and rows are
    // then written together, so a failure in the rows takes the header back with it.
    formulas::frmnueva_formula header(db_, ws_->formulaId, ws_->batchQuantity, ws_->ingredientsDry,
                                      ws_->nutrientsDry, this);
    if (widgets::openModal(header) != QDialog::Accepted || header.closesAtOnce())
        return false;
    const SaveResult r = saveFormula(*ws_, db_, header.opening(), header.answer());
    showNotices(r.notices);
    if (r.outcome == SaveResult::Saved) {
        markSaved(); // before the grids are painted again: nothing is left unsaved
        showHeader(r.header);
        return true;
    }
    if (r.outcome == SaveResult::Failed)
        paintAll(false);
    return false;
}

void frmoptimizacion::cmdCancel_Click() {
    load(ws_->formulaId);
}

void frmoptimizacion::cmdClose_Click() {
    close();
}

void frmoptimizacion::closeEvent(QCloseEvent* event) {
    if (saved_ && *saved_ == savedState(*ws_)) {
        event->accept();
        return;
    }
    switch (msg::msgBox(unsavedChangesQuestion(txt_CodFormula_->text()), msg::QuestionCancel)) {
    case msg::Yes:
        if (saveChanges())
            event->accept();
        else
            event->ignore();
        break;
    case msg::No:
        event->accept();
        break;
    default:
        event->ignore();
        break;
    }
}

void frmoptimizacion::pickIngredient() {
    catalog::frmproductos lista(db_, keys::ListMode::Pick, this);
    widgets::openModal(lista);
    if (lista.pick() && lista.pick()->id > 0)
        redraw(addIngredient(*ws_, db_, lista.pick()->id));
}

void frmoptimizacion::dropIngredient() {
    if (const std::optional<GridRow> row = editors_->currentIngredient())
        redraw(removeIngredient(*ws_, db_, *row));
}

void frmoptimizacion::cmdNutrientes_Click() {
    const std::optional<GridRow> row = editors_->currentIngredient();
    if (!row)
        return;
    if (const std::optional<Notice> refused = ingredientColumnsRefusal(*row)) {
        showNotices({*refused});
        return;
    }
    catalog::frmproducto_propiedades composicion(db_, row->id, this);
    composicion.setWindowTitle(row->name.trimmed());
    widgets::openModal(composicion);
}

void frmoptimizacion::pickNutrientRow() {
    catalog::frmpropiedades lista(db_, keys::ListMode::Pick, this);
    widgets::openModal(lista);
    if (!lista.pick() || lista.pick()->id <= 0)
        return;
    const catalog::NutrientPick picked = *lista.pick();
    const EditResult r = addNutrient(*ws_, picked.id, picked.name, picked.unit);
    redraw(r);
    if (!r.stored)
        return;
    for (int row = 0; row < nutrientGrid_->rowCount(); ++row) {
        const QTableWidgetItem* id = nutrientGrid_->item(row, 0);
        if (id && id->text().toInt() == picked.id) {
            nutrientGrid_->setCurrentCell(row, 1);
            break;
        }
    }
}

void frmoptimizacion::dropNutrient() {
    if (const std::optional<GridRow> row = editors_->currentNutrient())
        redraw(removeNutrient(*ws_, *row));
}

void frmoptimizacion::cmdActuPrecios_Click() {
    redraw(takeOverPrices(*ws_));
}

void frmoptimizacion::cmdActuMSeca_Click() {
    if (msg::msgBox(takeOverDryMatterQuestion(), msg::Question) != msg::Yes)
        return;
    redraw(takeOverDryMatter(*ws_, db_));
}

} // namespace workspace
