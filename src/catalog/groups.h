#pragma once

#include "catalog/refusal.h"

#include <QString>
#include <optional>
#include <vector>

namespace store {
class Database;
}

// Named groups of ingredients ("Granos", "Proteínas animales"), so that a formula can limit
// the summed quantity of their members. Reading the groups and their members, creating,
// renaming and deleting a group, adding and removing members. Every multi-statement write runs
// in one transaction.
namespace catalog {

struct IngredientGroup {
    int id = 0;
    QString nombre;

    bool operator==(const IngredientGroup&) const = default;
};

struct GroupMember {
    int idProducto = 0;
    QString codigo; // trimmed
    QString nombre;

    bool operator==(const GroupMember&) const = default;
};

inline constexpr int kGroupNameLength = 100;

inline const QString kDebeNombreGrupo = QStringLiteral("Debe ingresar el Nombre del Grupo");
inline const QString kNombreGrupoLargo =
    QStringLiteral("El Nombre del Grupo no puede tener más de 100 caracteres");
inline const QString kGrupoRepetido = QStringLiteral("El Nombre del Grupo Ya fue Ingresado");
inline const QString kGrupoNoExiste =
    QStringLiteral("No se encuentra el Grupo: fue eliminado por otro usuario");
inline const QString kIngredienteYaEnGrupo =
    QStringLiteral("El Ingrediente Ya se encuentra en el Grupo");
inline const QString kIngredienteNoExiste = QStringLiteral("No se encuentra el Producto");

// The question before a group is deleted: its name, how many ingredients it holds and how many
// formulas limit it (those limits go with it).
QString askDeleteGroup(const QString& name, int members, int formulasUsing);
// The question before an ingredient leaves a group.
QString askRemoveMember(const QString& ingredientName, const QString& groupName);

// Every group by name. Empty when the database has no groups table (a read-only file made before
// groups existed). A key the program cannot use, or a key repeated, throws
// store::StoredValueError naming the table, the row and the column.
std::vector<IngredientGroup> listGroups(store::Database& db);

// The members of a group by name; memberships of ingredients no longer in the catalogue are
// left out, as the formula views leave them out.
std::vector<GroupMember> groupMembers(store::Database& db, int idGrupo);

// The name is required, at most 100 characters and not another group's (compared trimmed and
// ignoring case). `ownId` is the group being renamed, 0 for a new one. The refusal names the
// name box, "txtNombre".
std::optional<Refusal> checkGroupName(store::Database& db, const QString& name, int ownId = 0);

struct GroupCreated {
    int id = 0; // the new key (the table's maximum plus 1) when created
    std::optional<Refusal> refusal;
};
GroupCreated createGroup(store::Database& db, const QString& name);

// Renames the group to the trimmed name; the refusal of checkGroupName, or kGrupoNoExiste when
// the group is gone.
std::optional<Refusal> renameGroup(store::Database& db, int idGrupo, const QString& name);

// How many formulas hold a limit on the group.
int formulasUsingGroup(store::Database& db, int idGrupo);

// Deletes the group's memberships and the formulas' limits on it, then the group.
void deleteGroup(store::Database& db, int idGrupo);

// What adding picked ingredients to a group did: the keys added, those already members and
// those no longer in the catalogue. When the group itself is gone nothing is added.
struct MembersAdded {
    bool groupGone = false;
    std::vector<int> added;
    std::vector<int> alreadyMembers;
    std::vector<int> ingredientsGone;
};
// Adds every ingredient of `idProductos` (a key repeated counts once) in one transaction.
MembersAdded addGroupMembers(store::Database& db, int idGrupo, const std::vector<int>& idProductos);
// What the user is told after adding; empty when every ingredient was added.
QString membersAddedNotice(const MembersAdded& outcome);
void removeGroupMember(store::Database& db, int idGrupo, int idProducto);

} // namespace catalog
