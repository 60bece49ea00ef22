#pragma once

#include "app/grid_style.h"
#include "app/list_description.h"

#include <QString>
#include <vector>

// The nutrient list: its search statement and how its grid shows the rows.
namespace catalog {

inline const QString kNutrientListSql =
    QStringLiteral("select id_propiedad,nombre,unidad from propiedades order by nombre");

// All nutrients, or those whose name contains `name` (ignoring case and accents).
QString nutrientSearchSql(const QString& name);

// id_propiedad hidden, Descripción (takes the rest), Unidad.
std::vector<grid::Column> nutrientColumns();
inline constexpr int kNutrientFillColumn = 1;

// The list as a whole: opened on every nutrient by name.
lists::ListDescription nutrientList();

} // namespace catalog
