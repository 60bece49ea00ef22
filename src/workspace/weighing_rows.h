#pragma once

#include <QHash>
#include <optional>
#include <vector>

namespace store {
class Database;
}

namespace workspace {

struct Workspace;

// What the mill can weigh of one formula, as stored: each ingredient's minimum if used
// (formula_uso_minimo, by id_producto) and the options (formula_opciones).
struct StoredWeighing {
    QHash<int, double> minimoSiSeUsa;
    std::optional<int> maxIngredientes;
    bool redondear = false;
};

// The weighing rows of the formulas of `formulaIds`, each under its id; a formula without any
// has none. A database made before these tables has none either. A stored value the program
// cannot use (text, an infinite number, a count that is not a whole number, a repeated row)
// throws store::StoredValueError naming the table, the row and the column; a value that makes
// no sense as a condition (a step of 0) is left for the formulation to explain.
QHash<int, StoredWeighing> loadWeighing(store::Database& db, const std::vector<int>& formulaIds);

// The weighing step of each ingredient of `ingredientIds` that has one (producto_pesada).
QHash<int, double> loadWeighingSteps(store::Database& db, const std::vector<int>& ingredientIds);

// Makes formula idFormula's minimum-if-used rows and options equal to the workspace's: a merge
// of formula_uso_minimo by ingredient (only rows the workspace has an ingredient for, with a
// minimum), and one formula_opciones row when the formula has a count or rounds (none
// otherwise). Joins the caller's transaction; throws store::StoreError from the failing
// statement.
void saveWeighing(const Workspace& ws, store::Database& db, int idFormula);

} // namespace workspace
