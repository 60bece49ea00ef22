#pragma once

#include "catalog/refusal.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace store {
class Database;
}

// Nutrients of the catalogue: the editor's check, reading one, creating it with a zero
// composition row for every ingredient (in one transaction), updating and deleting it.
namespace catalog {

// Text1 name, Combo1 unit, as typed.
struct NutrientFields {
    QString nombre;
    QString unidad;

    bool operator==(const NutrientFields&) const = default;
};

// The name is required; the unit may stay empty and names may repeat.
std::optional<Refusal> checkNutrient(const NutrientFields& typed);

// Reads "select * from propiedades where id_propiedad=" id; nothing when it is not there.
std::optional<NutrientFields> loadNutrient(store::Database& db, int id);

// Returns the new key.
int createNutrient(store::Database& db, const NutrientFields& fields);
// False when the nutrient is no longer there.
// Given the revision the editor loaded (nutrientRevision, read before loadNutrient), a save over
// someone else's later save is refused with store::StaleRowError (kNutrientChangedByOther).
bool updateNutrient(store::Database& db, int id, const NutrientFields& fields,
                    std::optional<int> loadedRevision = std::nullopt);
int nutrientRevision(store::Database& db, int id);

inline const QString kNutrientChangedByOther =
    QStringLiteral("El nutriente fue modificado por otro usuario; vuelva a abrirlo");
// The same refusal in the nutrient editor, whose "Refrescar" button shows the saved row.
inline const QString kNutrientChangedRefresh = QStringLiteral(
    "El nutriente fue modificado por otro usuario y sus cambios no se grabaron. Pulse Refrescar "
    "para ver los cambios del otro usuario y vuelva a hacer los suyos.");

bool nutrientHasIngredients(store::Database& db, int id);
int formulasUsingNutrient(store::Database& db, int id);
// Deletes the formulas' ratio limits that name it and its composition rows, then the nutrient.
void deleteNutrient(store::Database& db, int id);

} // namespace catalog
