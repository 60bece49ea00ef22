#pragma once

#include "app/grid_style.h"

#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

// What the previews of the catalogue's lists (prices, compositions) say and show alike.
namespace catalog {

// "1 línea" or "3 líneas": the count and the word that goes with it.
QString countOf(int n, const QString& one, const QString& many);

// The end of a preview's summary: "ninguna línea con conflictos" or "3 líneas con conflictos no
// se aplican".
QString conflictLinesSummary(int conflictLines);
// What a question to apply adds about the lines in conflict: nothing when there are none.
QString conflictLinesNote(int conflictLines);

// A grid cell for a stored number: empty when there is none.
QVariant numberCell(const std::optional<double>& value);

// Dims the rows of a preview's grid that change nothing.
void dimUnchanged(grid::GridContent& content, const std::vector<bool>& changes);

} // namespace catalog
