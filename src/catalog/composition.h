#pragma once

#include "app/grid_style.h"
#include "catalog/ingredients.h"
#include "catalog/price_history.h"

#include <QString>
#include <optional>
#include <vector>

namespace store {
class Database;
class RecordSet;
} // namespace store

// The nutrient values of one ingredient: the query its editor shows, adding, changing and
// removing one value, and the decisions of the in-place editor.
namespace catalog {

// Largest value first, then by name; `nameFilter` keeps nutrients whose name contains it.
QString compositionSql(int idProducto, const QString& nameFilter);

// id_producto and id_propiedad hidden, "Nutriente" 5130 twips, "Valor" 1300 and "Desvío" 1100
// right-aligned as "#####0.00000", "Fuente" (where the value comes from, read only) 2400.
std::vector<grid::Column> compositionColumns();
// The name column gives up room for a scroll bar once the grid holds 17 rows with its header.
int compositionNameWidth(int dataRows);

enum class AddOutcome { Added, AlreadyPresent };
// Adds the nutrient with value 0 unless the ingredient has it already.
AddOutcome addNutrientToIngredient(store::Database& db, int idProducto, int idPropiedad);
// In one transaction, with a history row when the value changes. False when the row is no longer
// there.
bool updateCompositionValue(store::Database& db, int idProducto, int idPropiedad, double valor,
                            const QDateTime& fecha = changeTime());
// The standard deviation of a value, nothing for none (its row is removed), in one transaction
// with a history row when it changes. False when the composition row is no longer there.
bool saveCompositionDeviation(store::Database& db, int idProducto, int idPropiedad,
                              std::optional<double> desvio, const QDateTime& fecha = changeTime());
void deleteComposition(store::Database& db, int idProducto, int idPropiedad);
// Where the value comes from, as a composition list brought it; empty when nothing says.
QString compositionSource(store::Database& db, int idProducto, int idPropiedad);

// The value a cell stands for when its edit starts: its number, 0 when empty.
double startValueOf(const QString& cellText);
// A numeric text equal to the start value changes nothing: the edit ends as with Esc.
bool editUnchanged(const QString& typed, double startValue);
// The value to store for Enter: blank is 0; nothing when the text is not a number.
std::optional<double> valueToStore(const QString& typed);

// The deviation typed in a cell: blank is none; refusal says why a text cannot be one (not a
// number, negative).
struct DeviationEntry {
    std::optional<double> desvio;
    QString refusal;
};
DeviationEntry deviationToStore(const QString& typed);
// A text that stands for the deviation the cell showed changes nothing (blank for blank, or the
// same number).
bool deviationUnchanged(const QString& typed, const QString& startText);

// The nutrient values a formulated mix reaches, as composition rows of a new ingredient. The
// catalogue keeps contents per unit of dry matter, so values the workspace shows on the as-fed
// basis are divided by the mix's dry-matter fraction. A nutrient without a value gives 0.
// A nutrient value a formulated mix reaches, as the workspace shows it; empty when it has none.
struct MixNutrientValue {
    int idPropiedad = 0;
    std::optional<double> valor;
};
std::vector<CompositionValue> mixComposition(const std::vector<MixNutrientValue>& nutrients,
                                             bool valuesOnDryBasis, double mixDryMatter);

} // namespace catalog
