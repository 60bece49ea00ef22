#include "workspace/views/limits_tab.h"

#include "app/views/grid_binding.h"
#include "app/views/keyboard_rules.h"
#include "app/views/modal.h"
#include "catalog/views/frmElegirGrupo.h"
#include "catalog/views/frmpropiedades.h"
#include "workspace/views/show_notices.h"
#include "workspace/views/workspace_grid_painter.h"
#include "workspace/workspace.h"
#include "workspace/workspace_edits.h"
#include "workspace/workspace_grids.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace workspace {

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& caption,
                    const QString& toolTip) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setToolTip(toolTip);
    return b;
}

QTableWidget* limitGrid(QWidget* parent, const char* name) {
    auto* grid = new QTableWidget(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setFont(compactFont(grid->font()));
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->horizontalHeader()->setMinimumSectionSize(1);
    return grid;
}

keys::InGridEditor* limitEditor(QTableWidget* grid, const char* name) {
    auto* box = new QLineEdit(grid);
    box->setObjectName(QString::fromLatin1(name));
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return new keys::InGridEditor(box, grid);
}

std::optional<catalog::NutrientPick> pickNutrient(store::Database& db, QWidget* parent,
                                                  const QString& title) {
    catalog::frmpropiedades lista(db, keys::ListMode::Pick, parent);
    lista.setWindowTitle(title);
    widgets::openModal(lista);
    if (!lista.pick() || lista.pick()->id <= 0)
        return std::nullopt;
    return lista.pick();
}

} // namespace

LimitsTab::LimitsTab(Workspace& ws, store::Database& db,
                     std::function<void(const EditResult&)> redraw, QWidget* parent)
    : QWidget(parent), ws_(ws), db_(db), redraw_(std::move(redraw)) {
    setObjectName(QStringLiteral("relacionesYGrupos"));
    auto* layout = new QVBoxLayout(this);

    auto* ratioBar = new QHBoxLayout;
    ratioBar->addWidget(new QLabel(QStringLiteral("Relaciones entre Nutrientes"), this), 1);
    auto* addRatio = button(this, "cmdAgregaRelacion", QStringLiteral("+"),
                            QStringLiteral("Ingresar una nueva Relación a la Fórmula"));
    auto* removeRatio = button(this, "cmdQuitaRelacion", QStringLiteral("-"),
                               QStringLiteral("Eliminar la Relación de la Fórmula"));
    ratioBar->addWidget(addRatio);
    ratioBar->addWidget(removeRatio);
    layout->addLayout(ratioBar);
    flexrel_ = limitGrid(this, "flexrel");
    layout->addWidget(flexrel_, 1);

    auto* groupBar = new QHBoxLayout;
    groupBar->addWidget(new QLabel(QStringLiteral("Grupos de Ingredientes"), this), 1);
    auto* addGroup = button(this, "cmdAgregaGrupo", QStringLiteral("+"),
                            QStringLiteral("Ingresar un Grupo de Ingredientes a la Fórmula"));
    auto* removeGroup = button(this, "cmdQuitaGrupo", QStringLiteral("-"),
                               QStringLiteral("Eliminar el Grupo de la Fórmula"));
    groupBar->addWidget(addGroup);
    groupBar->addWidget(removeGroup);
    layout->addLayout(groupBar);
    flexgrp_ = limitGrid(this, "flexgrp");
    layout->addWidget(flexgrp_, 1);

    rel_ = new GridBinding(flexrel_);
    rel_->setFillColumn(1);
    grp_ = new GridBinding(flexgrp_);
    grp_->setFillColumn(0);

    connect(addRatio, &QPushButton::clicked, this, &LimitsTab::addRatio);
    connect(removeRatio, &QPushButton::clicked, this, &LimitsTab::removeRatio);
    connect(addGroup, &QPushButton::clicked, this, &LimitsTab::addGroup);
    connect(removeGroup, &QPushButton::clicked, this, &LimitsTab::removeGroup);

    txtRel_ = limitEditor(flexrel_, "txtRel");
    txtGrp_ = limitEditor(flexgrp_, "txtGrp");
    txtRel_->setCommit([this](const QString& text) { return commit(flexrel_, text); });
    txtGrp_->setCommit([this](const QString& text) { return commit(flexgrp_, text); });
    keys::onGridActivation(flexrel_, [this] { beginEdit(flexrel_); });
    keys::onGridActivation(flexgrp_, [this] { beginEdit(flexgrp_); });
}

void LimitsTab::paint() {
    rel_->show(ratioGrid(ws_));
    rel_->setNoMatchVisible(false);
    grp_->show(groupGrid(ws_));
    grp_->setNoMatchVisible(false);
}

void LimitsTab::beginEdit(QTableWidget* grid) {
    const int row = grid->currentRow(), column = grid->currentColumn();
    GridBinding* binding = grid == flexrel_ ? rel_ : grp_;
    if (row < 0 || column < 0 || !isLimitField(binding->boundField(column)))
        return;
    const QTableWidgetItem* item = grid->item(row, column);
    (grid == flexrel_ ? txtRel_ : txtGrp_)
        ->begin(row, column,
                editorStartText(CellEditor::NutrientLimit, item ? item->text() : QString()));
}

// A refused value is reported while the editor is still open; the edit then ends and the grid
// shows the row as it is.
bool LimitsTab::commit(QTableWidget* grid, const QString& text) {
    keys::InGridEditor* editor = grid == flexrel_ ? txtRel_ : txtGrp_;
    GridBinding* binding = grid == flexrel_ ? rel_ : grp_;
    const QString field = binding->boundField(editor->column());
    const size_t row = size_t(editor->row());
    EditResult r = grid == flexrel_ ? editRatioLimit(ws_, row, field, text)
                                    : editGroupLimit(ws_, row, field, text);
    showNoticesNow(r.notices);
    done(r);
    return true;
}

void LimitsTab::done(const EditResult& result) {
    // Later than the editor's own commit, so the grid is not rebuilt under it.
    QMetaObject::invokeMethod(
        this,
        [this, result] {
            paint();
            if (result.nutrientGrid)
                redraw_(result);
        },
        Qt::QueuedConnection);
}

void LimitsTab::addRatio() {
    const auto numerador = pickNutrient(db_, this, QStringLiteral("Numerador de la Relación"));
    if (!numerador)
        return;
    const auto divisor = pickNutrient(db_, this, QStringLiteral("Divisor de la Relación"));
    if (!divisor)
        return;
    EditResult r = workspace::addRatio(ws_, numerador->id, numerador->name, divisor->id,
                                       divisor->name, numerador->unit, divisor->unit);
    showNoticesNow(r.notices);
    paint();
    if (r.nutrientGrid)
        redraw_(r);
    if (r.stored)
        flexrel_->setCurrentCell(flexrel_->rowCount() - 1, 3);
}

void LimitsTab::removeRatio() {
    const int row = flexrel_->currentRow();
    if (row < 0)
        return;
    workspace::removeRatio(ws_, size_t(row));
    paint();
}

void LimitsTab::addGroup() {
    catalog::frmElegirGrupo lista(db_, this);
    widgets::openModal(lista);
    if (!lista.pick())
        return;
    formulas::FormulaGroup group;
    group.id = lista.pick()->id;
    group.nombre = lista.pick()->nombre;
    for (const catalog::GroupMember& m : catalog::groupMembers(db_, group.id))
        group.ingredientIds.push_back(m.idProducto);
    std::sort(group.ingredientIds.begin(), group.ingredientIds.end());
    const EditResult r = workspace::addGroup(ws_, group);
    showNotices(r.notices);
    if (r.stored) {
        paint();
        flexgrp_->setCurrentCell(flexgrp_->rowCount() - 1, 2);
    }
}

void LimitsTab::removeGroup() {
    const int row = flexgrp_->currentRow();
    if (row < 0)
        return;
    workspace::removeGroup(ws_, size_t(row));
    paint();
}

} // namespace workspace
