#pragma once

#include "app/grid_style.h"
#include "app/list_description.h"
#include "catalog/refusal.h"

#include <QString>
#include <optional>
#include <vector>

// The ingredient list: its search statement for each combination of filled filters, the checks
// that come first, and how its grid shows the rows.
namespace catalog {

// What the search panel holds, as typed. nutrientId 0 means no nutrient filter.
struct IngredientFilter {
    QString codeFrom; // Text1
    QString codeTo;   // Text2
    QString name;     // Text3
    QString unit;     // Combo1
    QString costFrom; // Text4
    QString costTo;   // Text5
    int nutrientId = 0;
    QString valueFrom; // Text7
    QString valueTo;   // Text8
};

// The whole catalogue by name: what the list shows when it opens.
inline const QString kIngredientListSql = QStringLiteral(
    "select id_producto,codigo,nombre,unidad,costo,materia_seca from productos order by nombre");

// The units offered by the search panel's unit box (the first entry is no filter).
inline const QStringList kFilterUnits = {QString(),
                                         QStringLiteral("%"),
                                         QStringLiteral("mg"),
                                         QStringLiteral("Mcal"),
                                         QStringLiteral("PPM"),
                                         QStringLiteral("UI")};

// The cost bounds and then the nutrient-value bounds must be numbers when filled (the value
// bounds even without a nutrient chosen).
std::optional<Refusal> checkIngredientFilter(const IngredientFilter& filter);

// The search statement; numbers reach it through the number writer, so call it only for a
// filter that passed the check.
QString ingredientSearchSql(const IngredientFilter& filter);

// id_producto hidden, Código (1400 twips), Descripción (takes the rest), Unidad and Costo
// right-aligned, costo as a price (four decimals), materia_seca hidden.
std::vector<grid::Column> ingredientColumns();
inline constexpr int kIngredientFillColumn = 2;
// The rows as the grid shows them: codes without the padding that right-aligns them in storage.
grid::GridContent ingredientGrid(const store::RecordSet& rows);

// The list as a whole: opened on the whole catalogue, with "&Nutrientes" among its buttons.
lists::ListDescription ingredientList();

} // namespace catalog
