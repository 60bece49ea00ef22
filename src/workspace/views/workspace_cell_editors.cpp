#include "workspace/views/workspace_cell_editors.h"

#include "app/views/grid_binding.h"
#include "app/views/keyboard_rules.h"
#include "workspace/views/show_notices.h"
#include "workspace/views/workspace_grid_painter.h"
#include "workspace/workspace.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

namespace workspace {

namespace {

void placeOverCell(QWidget* box, QTableWidget* grid, int row, int column) {
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    const QRect cell = grid->visualRect(index);
    const QPoint topLeft =
        box->parentWidget()->mapFromGlobal(grid->viewport()->mapToGlobal(cell.topLeft()));
    box->setGeometry(QRect(topLeft, cell.size()));
}

QString itemText(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

std::optional<GridRow> gridRow(const QTableWidget* grid, const GridBinding& binding, int row) {
    if (!grid || row < 0 || row >= grid->rowCount())
        return std::nullopt;
    GridRow r;
    r.column0 = binding.boundField(0);
    r.column1 = binding.boundField(1);
    r.id = itemText(grid, row, 0).toInt();
    r.name = itemText(grid, row, 1);
    return r;
}

// The share of the ingredient on the basis the column shows; Null when it has none.
QVariant shareOf(const Workspace& ws, int id, const QString& field) {
    const FormulaIngredient* p = findIngredient(ws, id);
    if (!p)
        return {};
    const std::optional<double>& share =
        field == QLatin1String("porcentaje_seca") ? p->porcentajeSeca : p->porcentajeHumeda;
    return share ? QVariant(*share) : QVariant();
}

// Leaving the quantity box checks it once the focus has settled, so a button that takes the
// focus and checks the box itself (the formulation) is not answered twice.
class CantidadRule : public QObject {
public:
    CantidadRule(QLineEdit* box, Workspace& ws) : QObject(box), box_(box), ws_(ws) {
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::FocusOut)
            return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        QTimer::singleShot(0, this, [this] {
            if (!box_ || box_->hasFocus() || !box_->isVisible())
                return;
            if (const std::optional<Notice> refused = leaveCantidad(ws_, box_->text())) {
                showNotices({*refused});
                box_->activateWindow();
                box_->setFocus(Qt::OtherFocusReason);
                box_->selectAll();
            }
        });
        return false;
    }

private:
    QPointer<QLineEdit> box_;
    Workspace& ws_;
};

} // namespace

WorkspaceCellEditors::WorkspaceCellEditors(Workspace& ws, store::Database& db,
                                           WorkspaceGridPainter& painter, QTableWidget* flexprod,
                                           QTableWidget* flexprop,
                                           std::function<void(const EditResult&)> redraw,
                                           QObject* parent)
    : QObject(parent), ws_(ws), db_(db), painter_(painter), ingredientGrid_(flexprod),
      nutrientGrid_(flexprop), redraw_(std::move(redraw)) {
    text1_ = makeEditor("Text1", flexprod, CellEditor::Quantity);
    txtPrecio_ = makeEditor("txtPrecio", flexprod, CellEditor::Price);
    txtProd_ = makeEditor("txtProd", flexprod, CellEditor::IngredientLimit);
    txtProp_ = makeEditor("txtProp", flexprop, CellEditor::NutrientLimit);

    text8_ = new QLineEdit(flexprod);
    text8_->setObjectName(QStringLiteral("Text8"));
    text2_ = new QLineEdit(flexprop);
    text2_->setObjectName(QStringLiteral("Text2"));
    for (QLineEdit* box : {text8_, text2_}) {
        box->setReadOnly(true);
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->hide();
        keys::hideOnClickOrLeave(box);
    }

    keys::onGridActivation(flexprod, [this] { beginIngredientEdit(); });
    keys::onGridActivation(flexprop, [this] { beginNutrientEdit(); });
    connect(flexprod, &QTableWidget::cellClicked, this, &WorkspaceCellEditors::showShare);
    connect(flexprop, &QTableWidget::cellClicked, this, &WorkspaceCellEditors::showValue);
}

keys::InGridEditor* WorkspaceCellEditors::makeEditor(const char* name, QTableWidget* grid,
                                                     CellEditor kind) {
    auto* box = new QLineEdit(grid);
    box->setObjectName(QString::fromLatin1(name));
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* editor = new keys::InGridEditor(box, grid);
    // A refused value is reported while the editor is still open, and the edit ends with the
    // record unchanged.
    editor->setCommit(
        [this, kind, editor](const QString& text) { return commit(kind, *editor, text); });
    return editor;
}

std::optional<GridRow> WorkspaceCellEditors::currentIngredient() const {
    return ingredientGrid_
               ? gridRow(ingredientGrid_, painter_.ingredients(), ingredientGrid_->currentRow())
               : std::nullopt;
}

std::optional<GridRow> WorkspaceCellEditors::currentNutrient() const {
    return nutrientGrid_ ? gridRow(nutrientGrid_, painter_.nutrients(), nutrientGrid_->currentRow())
                         : std::nullopt;
}

void WorkspaceCellEditors::watchCantidad(QLineEdit* txt_cantidad) {
    keys::enterMovesOn({txt_cantidad});
    new CantidadRule(txt_cantidad, ws_);
}

void WorkspaceCellEditors::beginIngredientEdit() {
    const int row = ingredientGrid_->currentRow(), column = ingredientGrid_->currentColumn();
    if (row < 0 || column < 0)
        return;
    const CellEditor kind = ingredientEditorFor(painter_.ingredients().boundField(column));
    keys::InGridEditor* editor = kind == CellEditor::Quantity          ? text1_
                                 : kind == CellEditor::Price           ? txtPrecio_
                                 : kind == CellEditor::IngredientLimit ? txtProd_
                                                                       : nullptr;
    if (!editor)
        return;
    if (const std::optional<GridRow> r = gridRow(ingredientGrid_, painter_.ingredients(), row))
        editedRows_[editor] = *r;
    editor->begin(row, column, editorStartText(kind, itemText(ingredientGrid_, row, column)));
}

void WorkspaceCellEditors::beginNutrientEdit() {
    const int row = nutrientGrid_->currentRow(), column = nutrientGrid_->currentColumn();
    if (row < 0 || column < 0)
        return;
    const CellEditor kind = nutrientEditorFor(painter_.nutrients().boundField(column));
    if (kind != CellEditor::NutrientLimit && kind != CellEditor::Probability)
        return;
    if (const std::optional<GridRow> r = gridRow(nutrientGrid_, painter_.nutrients(), row))
        editedRows_[txtProp_] = *r;
    txtProp_->begin(row, column, editorStartText(kind, itemText(nutrientGrid_, row, column)));
}

bool WorkspaceCellEditors::commit(CellEditor kind, const keys::InGridEditor& editor,
                                  const QString& text) {
    const bool nutrient = kind == CellEditor::NutrientLimit;
    QTableWidget* grid = nutrient ? nutrientGrid_.data() : ingredientGrid_.data();
    GridBinding& binding = nutrient ? painter_.nutrients() : painter_.ingredients();
    const auto began = editedRows_.find(&editor);
    const std::optional<GridRow> row =
        began != editedRows_.end() ? began->second : gridRow(grid, binding, editor.row());
    if (!row)
        return true;
    const QString field = binding.boundField(editor.column());
    EditResult r;
    switch (kind) {
    case CellEditor::Quantity:
        r = editQuantity(ws_, db_, *row, field, text);
        break;
    case CellEditor::Price:
        r = editPrice(ws_, db_, *row, text);
        showNoticesNow(r.notices);
        if (editor.editor())
            editor.editor()->setText(r.editorText);
        break;
    case CellEditor::IngredientLimit:
        r = editIngredientLimit(ws_, *row, field, text);
        break;
    case CellEditor::NutrientLimit:
        // The nutrient grid's one editor serves its limits and their probability.
        r = nutrientEditorFor(field) == CellEditor::Probability
                ? editNutrientProbability(ws_, *row, text)
                : editNutrientLimit(ws_, *row, field, text);
        break;
    case CellEditor::Probability:
        r = editNutrientProbability(ws_, *row, text);
        break;
    case CellEditor::None:
        break;
    }
    showNoticesNow(r.notices);
    if (r.stored)
        redraw_(r);
    return true;
}

void WorkspaceCellEditors::showShare(int row, int column) {
    const QString field = painter_.ingredients().boundField(column);
    if (field != QLatin1String("porcentaje_seca") && field != QLatin1String("porcentaje_humeda"))
        return;
    const std::optional<GridRow> r = gridRow(ingredientGrid_, painter_.ingredients(), row);
    if (!r)
        return;
    placeOverCell(text8_, ingredientGrid_, row, column);
    text8_->setText(shareDetailText(shareOf(ws_, r->id, field)));
    text8_->show();
    text8_->raise();
    text8_->setFocus(Qt::OtherFocusReason);
}

void WorkspaceCellEditors::showValue(int row, int column) {
    if (painter_.nutrients().boundField(column) != QLatin1String("valor"))
        return;
    const std::optional<GridRow> r = gridRow(nutrientGrid_, painter_.nutrients(), row);
    if (!r)
        return;
    placeOverCell(text2_, nutrientGrid_, row, column);
    QVariant valor;
    for (const FormulaNutrient& n : ws_.nutrients)
        if (n.id == r->id && n.valor)
            valor = *n.valor;
    text2_->setText(valueDetailText(valor));
    text2_->show();
    text2_->raise();
    text2_->setFocus(Qt::OtherFocusReason);
}

} // namespace workspace
