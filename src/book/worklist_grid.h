#pragma once

#include "app/grid_style.h"
#include "book/worklist.h"

#include <QString>
#include <vector>

// How the worklist shows its rows: the columns, each cell's text and colour, and the order the
// user asks for by clicking a column's header.
namespace book {

enum WorklistColumn {
    kColCodigo,
    kColProducto,
    kColVersion,
    kColCostoAnterior,
    kColCostoHoy,
    kColCostoNuevo,
    kColCambio,
    kColResultado,
    kColEntran,
    kColSalen,
    kColVersionNueva,
    kWorklistColumns
};

std::vector<grid::Column> worklistColumns();
inline constexpr int kWorklistFillColumn = kColProducto;

// The order of the rows sorted by one column: numbers by value, texts alphabetically, empty
// cells last either way; rows that tie keep their order.
std::vector<int> sortedRows(const std::vector<WorklistRow>& rows, int column, bool ascending);

// The grid, rows in `order` (indices into rows). Dearer formulas show their change in red,
// cheaper ones in green; a formula without a new mix shows its outcome red with white text. The
// column the rows are sorted by carries its arrow in its caption ("Cambio % ▲"), so that the
// arrow takes room of its own instead of covering a right-aligned caption; -1: none.
grid::GridContent worklistGrid(const std::vector<WorklistRow>& rows, const std::vector<int>& order,
                               int sortColumn = -1, bool ascending = true);

// The text a row's cells show, by column, as the grid and the printout show it.
QString worklistCell(const WorklistRow& row, int column);

// The tool tip of a row: its message, and who entered and left the mix.
QString worklistDetail(const WorklistRow& row);

// The tool tip of one cell, which the view lays over it: the row's detail over its outcome, the
// whole list, one name a line, over "Entran" and "Salen" (cut to the column's width); empty for
// the other cells.
QString worklistTip(const WorklistRow& row, int column);

// The question before saving: how many formulas (with number agreement), that only the selected
// rows are saved, and how many re-formulated mixes stay unsaved besides. `selected`: the
// selected rows with a mix to save; `unsaved`: all rows with a mix to save.
QString saveQuestion(int selected, int unsaved);
// The news after saving `saved` new versions.
QString savedMessage(int saved);
// The same on the command line's error stream: "Grabada 1 versión nueva", "Grabadas 3 versiones
// nuevas".
QString savedVersionsText(std::size_t saved);

} // namespace book
