#pragma once

#include "catalog/groups.h"

#include <QDialog>
#include <vector>

class GridBinding;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace store {
class Database;
}

namespace catalog {

// The groups of ingredients: the list of groups with a name box to create or rename one, and
// the members of the group selected, added by picking them (one or several) in the ingredient
// list. "Nuevo" empties the name box and asks for the new group's name; "Grabar" (the same
// button, or Enter) creates it, and choosing a group in the list leaves the new one unmade.
class frmGrupos : public QDialog {
    Q_OBJECT

public:
    explicit frmGrupos(store::Database& db, QWidget* parent = nullptr);
    ~frmGrupos() override;

    const std::vector<IngredientGroup>& groups() const { return groups_; }
    const std::vector<GroupMember>& members() const { return members_; }
    // The group whose members are shown; 0 when none is.
    int currentGroupId() const;
    // True while the name box waits for a new group's name.
    bool namingNewGroup() const { return naming_; }

private:
    void buildControls();
    void cmdNuevo_Click();
    void cmdRenombrar_Click();
    void cmdEliminar_Click();
    void cmdAgregar_Click();
    void cmdQuitar_Click();
    // Empties the name box for a new group's name, or leaves that.
    void setNamingNewGroup(bool naming);

    // Reads the groups again and selects the one with key `selectId` (the first when absent).
    void showGroups(int selectId);
    void showMembers();
    // Shows a refusal of the name and gives the name box the focus.
    void refuseName(const Refusal& refusal);

    store::Database& db_;
    std::vector<IngredientGroup> groups_;
    std::vector<GroupMember> members_;
    bool filling_ = false;
    bool naming_ = false;

    QTableWidget* groupsGrid = nullptr; // groups
    GridBinding* groupBinding_ = nullptr;
    QLineEdit* txtNombre = nullptr;
    QPushButton* cmdNuevo = nullptr;
    QPushButton* cmdRenombrar = nullptr;
    QPushButton* cmdEliminar = nullptr;
    QTableWidget* membersGrid = nullptr; // members
    GridBinding* memberBinding_ = nullptr;
    QPushButton* cmdAgregar = nullptr;
    QPushButton* cmdQuitar = nullptr;
    QPushButton* cmdSalir = nullptr;
};

} // namespace catalog
