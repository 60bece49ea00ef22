#pragma once

#include <QHash>
#include <QString>
#include <optional>
#include <vector>

namespace store {
class Database;
}

// The ratio and group limits of a stored formula (formula_relacion, formula_grupo): reading them
// as typed rows, checked, and writing them back by a merge with what is stored.
namespace formulas {

// Numerator nutrient over divisor nutrient, within minimo..maximo (Null: no limit on that side);
// valor is the ratio the saved mix reached.
struct FormulaRatio {
    int numerador = 0; // id_propiedad
    int divisor = 0;   // id_propiedad_divisor
    QString nombreNumerador;
    QString nombreDivisor;
    std::optional<double> minimo;
    std::optional<double> maximo;
    std::optional<double> valor;

    // "Calcio / Fósforo disponible".
    QString nombre() const;
    bool operator==(const FormulaRatio&) const = default;
};

// The summed quantity in the batch of a group's members, within minimo..maximo, in the units
// and basis of the ingredient limits; valor is that sum in the saved mix.
struct FormulaGroup {
    int id = 0; // id_grupo
    QString nombre;
    std::vector<int> ingredientIds; // the members still in the catalogue, ascending
    std::optional<double> minimo;
    std::optional<double> maximo;
    std::optional<double> valor;

    bool operator==(const FormulaGroup&) const = default;
};

// The formula's ratio limits by numerator and divisor name. None when the database has no such
// table (a read-only file made before them). A value the program cannot use (text in a number
// column, an infinite number, a key beyond 32 bits, a row repeated) or a nutrient that is no
// longer in the catalogue throws store::StoredValueError naming the table, the row and the
// column.
std::vector<FormulaRatio> loadFormulaRatios(store::Database& db, int idFormula);

// The formula's group limits by group name, each with its members; refused as the ratios are
// (a group that no longer exists included).
std::vector<FormulaGroup> loadFormulaGroups(store::Database& db, int idFormula);

// The same for several formulas, one reading of each table for all of them: each formula's rows
// under its id, a formula without any left out. A refused row refuses the whole reading.
QHash<int, std::vector<FormulaRatio>> loadFormulaRatios(store::Database& db,
                                                        const std::vector<int>& idFormulas);
QHash<int, std::vector<FormulaGroup>> loadFormulaGroups(store::Database& db,
                                                        const std::vector<int>& idFormulas);

// Make the stored rows of the formula equal to `rows`, keyed by (numerador, divisor) and by the
// group: a row on both sides is updated, a new one inserted, a stored one no longer given
// deleted. Runs under a store::Database::Transaction that joins the caller's, so it belongs
// inside the transaction of the whole save. A key given twice is refused (store::StoreError)
// before anything is written.
void saveFormulaRatios(store::Database& db, int idFormula, const std::vector<FormulaRatio>& rows);
void saveFormulaGroups(store::Database& db, int idFormula, const std::vector<FormulaGroup>& rows);

} // namespace formulas
