#pragma once

#include "workspace/results.h"

#include <QString>
#include <optional>

namespace store {
class Database;
}

namespace workspace {

struct Workspace;

// The header boxes of the workspace window after a load, as text.
struct FormulaHeader {
    QString producto;                     // txt_Formula
    QString codigo;                       // txt_CodFormula
    QString version;                      // txt_VerFormula
    QString fechaCreacion;                // txt_FecCFormula, dd/mm/yyyy
    QString fechaModificacion;            // txt_FecMFormula, empty when Null
    QString cantidad;                     // txt_cantidad
    bool found = false;                   // the header row exists
    std::optional<ResultFigures> figures; // the totals boxes; none for an empty workspace
};

// Fills the workspace from the formula vIdFormula (an empty workspace when it is 0): header,
// bases, nutrient limits and ingredients, then the result figures. Ingredients without dry matter
// are left out with a message. The batch quantity becomes the nearest whole number (halves to
// even); a stored quantity beyond the 16-bit range is kept whole rather than wrapped, and the
// formulation refuses it like any quantity above 1000.
// A stored value the program cannot use (text in a number column, an infinite number, a key
// beyond 32 bits, a repeated row, a composition it cannot read) refuses the whole formula with a
// message naming the table, the row and the column: the workspace is left empty and without a
// formula id, so nothing is read as 0 and a save cannot replace the stored formula.
FormulaHeader actuFormula(Workspace& ws, store::Database& db);

} // namespace workspace
