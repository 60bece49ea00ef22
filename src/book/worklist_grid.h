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
// cheaper ones in green; a formula without a new mix shows its outcome red with white text; the
// message of a row is its outcome cell's tool tip, so the view lays it over the cell.
grid::GridContent worklistGrid(const std::vector<WorklistRow>& rows, const std::vector<int>& order);

// The text a row's cells show, by column, as the grid and the printout show it.
QString worklistCell(const WorklistRow& row, int column);

// The tool tip of a row: its message, and who entered and left the mix.
QString worklistDetail(const WorklistRow& row);

} // namespace book
