#include "catalog/views/frmGrupos.h"

#include "app/message_styles.h"
#include "app/messages.h"
#include "app/views/grid_binding.h"
#include "app/views/list_mode.h"
#include "app/views/modal.h"
#include "app/views/named_widgets.h"
#include "catalog/catalog_texts.h"
#include "catalog/group_grids.h"
#include "catalog/views/frmproductos.h"
#include "catalog/views/view_support.h"
#include "store/database.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace catalog {

using widgets::button;
using widgets::named;

frmGrupos::frmGrupos(store::Database& db, QWidget* parent) : QDialog(parent), db_(db) {
    setObjectName(QStringLiteral("frmGrupos"));
    setWindowTitle(QStringLiteral("Grupos de Ingredientes"));
    buildControls();
    showGroups(0);
}

frmGrupos::~frmGrupos() = default;

void frmGrupos::buildControls() {
    auto* groupsBox = named<QGroupBox>(this, "Frame1");
    groupsBox->setTitle(QStringLiteral("Grupos"));
    groupsGrid = named<QTableWidget>(groupsBox, "FlexGrid1");
    groupsGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    groupsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    groupBinding_ = new GridBinding(groupsGrid);
    groupBinding_->setFillColumn(kGroupNameColumn);
    txtNombre = named<QLineEdit>(groupsBox, "txtNombre");
    txtNombre->setMaxLength(kGroupNameLength);
    cmdNuevo = button(groupsBox, "cmdNuevo", QStringLiteral("&Nuevo"));
    cmdRenombrar = button(groupsBox, "cmdRenombrar", QStringLiteral("&Renombrar"));
    cmdEliminar = button(groupsBox, "cmdEliminar", QStringLiteral("&Eliminar"));
    auto* name = new QHBoxLayout;
    name->addWidget(new QLabel(QStringLiteral("Nombre"), groupsBox));
    name->addWidget(txtNombre, 1);
    auto* groupButtons = new QHBoxLayout;
    for (QPushButton* b : {cmdNuevo, cmdRenombrar, cmdEliminar})
        groupButtons->addWidget(b);
    groupButtons->addStretch(1);
    auto* left = new QVBoxLayout(groupsBox);
    left->addWidget(groupsGrid, 1);
    left->addLayout(name);
    left->addLayout(groupButtons);

    auto* membersBox = named<QGroupBox>(this, "Frame2");
    membersBox->setTitle(QStringLiteral("Ingredientes del Grupo"));
    membersGrid = named<QTableWidget>(membersBox, "FlexGrid2");
    membersGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    membersGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    memberBinding_ = new GridBinding(membersGrid);
    memberBinding_->setFillColumn(kMemberNameColumn);
    cmdAgregar = button(membersBox, "cmdAgregar", QStringLiteral("&Agregar"));
    cmdQuitar = button(membersBox, "cmdQuitar", QStringLiteral("&Quitar"));
    auto* memberButtons = new QHBoxLayout;
    memberButtons->addWidget(cmdAgregar);
    memberButtons->addWidget(cmdQuitar);
    memberButtons->addStretch(1);
    auto* right = new QVBoxLayout(membersBox);
    right->addWidget(membersGrid, 1);
    right->addLayout(memberButtons);

    cmdSalir = button(this, "cmdSalir", QStringLiteral("&Salir"));
    auto* panes = new QHBoxLayout;
    panes->addWidget(groupsBox, 2);
    panes->addWidget(membersBox, 3);
    auto* closing = new QHBoxLayout;
    closing->addStretch(1);
    closing->addWidget(cmdSalir);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addLayout(closing);
    resize(860, 480);

    connect(groupsGrid, &QTableWidget::currentCellChanged, this, [this] {
        if (!filling_)
            showMembers();
    });
    connect(groupsGrid, &QTableWidget::cellClicked, this, [this] {
        if (naming_)
            showMembers();
    });
    connect(cmdNuevo, &QPushButton::clicked, this, &frmGrupos::cmdNuevo_Click);
    connect(cmdRenombrar, &QPushButton::clicked, this, &frmGrupos::cmdRenombrar_Click);
    connect(cmdEliminar, &QPushButton::clicked, this, &frmGrupos::cmdEliminar_Click);
    connect(cmdAgregar, &QPushButton::clicked, this, &frmGrupos::cmdAgregar_Click);
    connect(cmdQuitar, &QPushButton::clicked, this, &frmGrupos::cmdQuitar_Click);
    connect(cmdSalir, &QPushButton::clicked, this, &QDialog::accept);
}

int frmGrupos::currentGroupId() const {
    const int row = groupsGrid->currentRow();
    return row >= 0 && size_t(row) < groups_.size() ? groups_[size_t(row)].id : 0;
}

void frmGrupos::showGroups(int selectId) {
    filling_ = true;
    try {
        groups_ = listGroups(db_);
    } catch (const store::StoreError& e) {
        groups_.clear();
        msg::msgBox(e.message(), msg::Critical);
    }
    groupBinding_->show(groupGrid(groups_));
    groupBinding_->setNoMatchVisible(false);
    int row = groups_.empty() ? -1 : 0;
    for (size_t g = 0; g < groups_.size(); ++g)
        if (groups_[g].id == selectId)
            row = int(g);
    if (row >= 0)
        groupsGrid->setCurrentCell(row, kGroupNameColumn);
    filling_ = false;
    showMembers();
}

void frmGrupos::showMembers() {
    setNamingNewGroup(false);
    const int id = currentGroupId();
    members_.clear();
    if (id > 0) {
        try {
            members_ = groupMembers(db_, id);
        } catch (const store::StoreError& e) {
            msg::msgBox(e.message(), msg::Critical);
        }
    }
    const int row = groupsGrid->currentRow();
    txtNombre->setText(id > 0 ? groups_[size_t(row)].nombre : QString());
    memberBinding_->show(memberGrid(members_));
    memberBinding_->setNoMatchVisible(false);
    if (!members_.empty())
        membersGrid->setCurrentCell(0, kMemberNameColumn);
    for (QPushButton* b : {cmdRenombrar, cmdEliminar, cmdAgregar})
        b->setEnabled(id > 0);
    cmdQuitar->setEnabled(!members_.empty());
}

void frmGrupos::refuseName(const Refusal& refusal) {
    msg::msgBox(refusal.message, msg::Critical);
    txtNombre->activateWindow();
    views::focusControl(this, refusal.control);
    txtNombre->selectAll();
}

void frmGrupos::setNamingNewGroup(bool naming) {
    if (naming == naming_)
        return;
    naming_ = naming;
    cmdNuevo->setText(naming ? QStringLiteral("&Grabar") : QStringLiteral("&Nuevo"));
    cmdNuevo->setDefault(naming);
    txtNombre->setPlaceholderText(naming ? QStringLiteral("Nombre del grupo nuevo") : QString());
    if (!naming)
        return;
    txtNombre->clear();
    members_.clear(); // the new group has none yet
    memberBinding_->show(memberGrid(members_));
    memberBinding_->setNoMatchVisible(false);
    for (QPushButton* b : {cmdRenombrar, cmdEliminar, cmdAgregar, cmdQuitar})
        b->setEnabled(false);
    txtNombre->setFocus(Qt::OtherFocusReason);
}

void frmGrupos::cmdNuevo_Click() {
    if (!naming_) {
        setNamingNewGroup(true);
        return;
    }
    GroupCreated created;
    try {
        created = createGroup(db_, txtNombre->text());
    } catch (const store::StoreError& e) {
        views::showErrorView(texts::kNoGrabar, e);
        return;
    }
    if (created.refusal) {
        refuseName(*created.refusal);
        return;
    }
    showGroups(created.id);
    membersGrid->setFocus(Qt::OtherFocusReason);
}

void frmGrupos::cmdRenombrar_Click() {
    const int id = currentGroupId();
    if (id <= 0)
        return;
    std::optional<Refusal> refusal;
    try {
        refusal = renameGroup(db_, id, txtNombre->text());
    } catch (const store::StoreError& e) {
        views::showErrorView(texts::kNoGrabar, e);
        return;
    }
    if (refusal) {
        refuseName(*refusal);
        if (refusal->message == kGrupoNoExiste)
            showGroups(0);
        return;
    }
    showGroups(id);
}

void frmGrupos::cmdEliminar_Click() {
    const int id = currentGroupId();
    if (id <= 0)
        return;
    const int row = groupsGrid->currentRow();
    try {
        const QString question = askDeleteGroup(groups_[size_t(row)].nombre, int(members_.size()),
                                                formulasUsingGroup(db_, id));
        if (msg::msgBox(question, msg::QuestionDefaultNo) != msg::Yes)
            return;
        deleteGroup(db_, id);
    } catch (const store::StoreError& e) {
        views::showErrorView(texts::kNoEliminar, e);
        showGroups(id);
        return;
    }
    const int next = size_t(row + 1) < groups_.size() ? groups_[size_t(row + 1)].id
                     : row > 0                        ? groups_[size_t(row - 1)].id
                                                      : 0;
    showGroups(next);
}

void frmGrupos::cmdAgregar_Click() {
    const int id = currentGroupId();
    if (id <= 0)
        return;
    std::vector<int> picked;
    {
        frmproductos list(db_, keys::ListMode::Pick);
        list.allowManyPicks();
        views::placeBelowRight(&list, this);
        widgets::openModal(list);
        for (const IngredientPick& p : list.picks())
            if (p.id > 0)
                picked.push_back(p.id);
    }
    if (picked.empty())
        return;
    MembersAdded outcome;
    try {
        outcome = addGroupMembers(db_, id, picked);
    } catch (const store::StoreError& e) {
        views::showErrorView(texts::kNoGrabar, e);
    }
    if (const QString notice = membersAddedNotice(outcome); !notice.isEmpty())
        msg::msgBox(notice, outcome.added.empty() ? msg::Critical : msg::Exclamation);
    if (outcome.groupGone) {
        showGroups(0);
        return;
    }
    showMembers();
    const int shown = outcome.added.empty() ? picked.front() : outcome.added.front();
    for (size_t m = 0; m < members_.size(); ++m)
        if (members_[m].idProducto == shown)
            membersGrid->setCurrentCell(int(m), kMemberNameColumn);
}

void frmGrupos::cmdQuitar_Click() {
    const int id = currentGroupId();
    const int row = membersGrid->currentRow();
    if (id <= 0 || row < 0 || size_t(row) >= members_.size())
        return;
    const GroupMember member = members_[size_t(row)];
    const QString group = groups_[size_t(groupsGrid->currentRow())].nombre;
    if (msg::msgBox(askRemoveMember(member.nombre, group), msg::QuestionDefaultNo) != msg::Yes)
        return;
    try {
        removeGroupMember(db_, id, member.idProducto);
    } catch (const store::StoreError& e) {
        views::showErrorView(texts::kNoEliminar, e);
    }
    showMembers();
    if (!members_.empty())
        membersGrid->setCurrentCell(std::min(row, int(members_.size()) - 1), kMemberNameColumn);
}

} // namespace catalog
