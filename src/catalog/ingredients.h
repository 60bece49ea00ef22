#pragma once

#include "catalog/refusal.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace store {
class Database;
}

// Ingredients of the catalogue: the editor's checks, reading one, creating it with its
// composition rows, updating and deleting it. Every multi-statement write runs in one
// transaction: it is stored whole or not at all.
namespace catalog {

inline const QStringList kIngredientUnits = {QStringLiteral("%"),   QStringLiteral("mg"),
                                             QStringLiteral("Kg"),  QStringLiteral("Mcal"),
                                             QStringLiteral("PPM"), QStringLiteral("UI")};

// The editor's fields as typed: Text1 code, Text2 description, Combo1 unit, Text3 cost,
// Text4 dry matter, txtPaso the weighing step (empty: none).
struct IngredientFields {
    QString codigo;
    QString nombre;
    QString unidad;
    QString costo;
    QString materiaSeca;
    QString paso = {};

    bool operator==(const IngredientFields&) const = default;
};

// One ingredient as an editor holds it: the texts it showed when opened, and the stored numbers
// behind the formatted ones, so that a cost shown with three decimals and left alone keeps all
// of its own.
struct IngredientRecord {
    int id = 0;       // 0 while the ingredient is new
    int revision = 0; // its change counter when it was loaded (store/revisions.h)
    IngredientFields shown;
    double costo = 0;
    double materiaSeca = 0;
    std::optional<double> paso = {}; // producto_pesada
};

// What is written.
struct IngredientValues {
    QString codigo;
    QString nombre;
    QString unidad;
    double costo = 0;
    double materiaSeca = 0;
    // The weighing step in the batch's unit (producto_pesada); none: weighed as it comes.
    std::optional<double> paso = {};
};

// The cost as the editor shows it.
QString costText(double costo);

// The seven checks, in order: code, description, unit, cost, dry matter, dry matter within
// 0..100, a weighing step (when given) a number above 0. The first that fails names its
// message and control.
std::optional<Refusal> checkIngredient(const IngredientFields& typed);

// The numbers to store for checked fields: a field whose text is still the one shown keeps the
// record's own value.
IngredientValues valuesToStore(const IngredientFields& typed, const IngredientRecord& record);

// Reads "select * from productos where id_producto=" id; nothing when it is not there.
std::optional<IngredientRecord> loadIngredient(store::Database& db, int id);

// A new ingredient has a code no other ingredient has (compared trimmed).
bool codeTaken(store::Database& db, const QString& code);

struct CreateResult {
    int id = 0;                     // the new key when created
    std::optional<Refusal> refusal; // the code is taken
};

// Creates the ingredient with one composition row of value 0 for every nutrient; its cost and dry
// matter open its price history (catalog/price_history.h).
CreateResult createIngredient(store::Database& db, const IngredientValues& values);

struct CompositionValue {
    int idPropiedad = 0;
    double valor = 0;
};
// Creates the ingredient with exactly the composition rows given (a mix saved as an ingredient).
CreateResult createIngredient(store::Database& db, const IngredientValues& values,
                              const std::vector<CompositionValue>& composition);

// Writes description, unit, cost, dry matter and the weighing step (the code stays), with a row of
// the price history when cost or dry matter change. False when the ingredient is no longer there.
// Given the revision it was loaded at, a save over someone else's later save is refused with
// store::StaleRowError (kIngredientChangedByOther) and writes nothing.
bool updateIngredient(store::Database& db, int id, const IngredientValues& values,
                      std::optional<int> loadedRevision = std::nullopt);

inline const QString kPasoInvalido =
    QStringLiteral("El paso de pesada debe ser un número mayor que 0, o quedar vacío");

inline const QString kIngredientChangedByOther =
    QStringLiteral("El ingrediente fue modificado por otro usuario; vuelva a abrirlo");
// The same refusal in the ingredient editor, whose "Refrescar" button shows the saved row.
inline const QString kIngredientChangedRefresh = QStringLiteral(
    "El ingrediente fue modificado por otro usuario y sus cambios no se grabaron. Pulse "
    "Refrescar para ver los cambios del otro usuario y vuelva a hacer los suyos.");

// Whether the ingredient has composition rows, and how many stored formulas use it.
bool ingredientHasNutrients(store::Database& db, int id);
int formulasUsingIngredient(store::Database& db, int id);

// Deletes its group memberships, price history and composition rows, then the ingredient.
void deleteIngredient(store::Database& db, int id);

} // namespace catalog
