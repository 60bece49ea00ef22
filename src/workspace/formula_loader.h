#pragma once

#include "workspace/notice.h"
#include "workspace/results.h"
#include "workspace/workspace.h"

#include <QString>
#include <optional>
#include <vector>

namespace store {
class Database;
}

namespace workspace {

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

// A stored formula read into a workspace, or the refusal of one that cannot be.
struct LoadedFormula {
    // Header, bases, nutrient limits, ingredients, ratio and group limits and the change counter
    // of the formula, the mix's figures computed; the formula id is left for the caller to set.
    Workspace ws;
    FormulaHeader header; // found unless refused
    Notices notices;      // the ingredients left out for lacking dry matter, one each
    // Set when the formula cannot be loaded (no header row, or a stored value the program cannot
    // use): the message naming what, and then the workspace is empty.
    std::optional<Notice> refusal;
};

// Reads formula `formulaId` (0: an empty workspace, on dry bases). Ingredients without dry matter
// are left out, each with a notice. The batch quantity becomes the nearest whole number (halves
// to even); a stored quantity beyond the 16-bit range is kept whole rather than wrapped, and the
// formulation refuses it like any quantity above 1000.
// A stored value the program cannot use (text in a number column, an infinite number, a key
// beyond 32 bits, a repeated row, a composition it cannot read) refuses the whole formula, the
// refusal naming the table, the row and the column, so nothing is read as 0 and a save cannot
// replace the stored formula with what was half read. Shows nothing.
LoadedFormula loadFormula(store::Database& db, int formulaId);

// The formulas of `formulaIds`, in their order, each as loadFormula gives it, read together: a
// few statements for all of them rather than several for each. A value that refuses one formula
// refuses only that one.
std::vector<LoadedFormula> loadFormulas(store::Database& db, const std::vector<int>& formulaIds);

// The workspace takes the loaded one as formula `formulaId`; the analysis of its last formulation
// and its composition matrix stay, as a reload after a save keeps them.
void adoptLoaded(Workspace& ws, Workspace loaded, int formulaId);

} // namespace workspace
