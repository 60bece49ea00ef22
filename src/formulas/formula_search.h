#pragma once

#include "app/grid_style.h"
#include "app/list_description.h"
#include "store/record_set.h"

#include <QString>
#include <optional>
#include <vector>

namespace store {
class Database;
}

// The formula list: its search statement, the grid's columns and the delete of a formula.
namespace formulas {

// The search panel as typed. The two chosen rows (nutrient, ingredient) are 0 when unset.
struct FormulaFilter {
    QString codeFrom;     // Text1
    QString codeTo;       // Text2
    QString product;      // Text3
    QString createdFrom;  // Text4, dd/mm/yyyy
    QString createdTo;    // Text5
    QString modifiedFrom; // Text12
    QString modifiedTo;   // Text13
    int nutrientId = 0;   // chosen with Command9
    QString valueFrom;    // Text7, only with a nutrient
    QString valueTo;      // Text8
    int ingredientId = 0; // chosen with Command5
};

// A refused search: the message (critical) and the box that takes the focus back.
struct FilterProblem {
    QString message;
    QString field; // objectName of the box
};

// Checks the dates in order (Text4, Text5, Text12, Text13), then, with a nutrient chosen, the
// value bounds (Text7, Text8). Value bounds without a nutrient are ignored.
std::optional<FilterProblem> checkFilter(const FormulaFilter& filter);

// The statement of a checked filter; empty filters list every formula, most recently modified
// first. Text goes in quoted, wildcards in the product text are taken literally, numbers and
// dates are written by the store's literal writers. Its last field, limites_incumplidos, says
// with withMark what limits a version was saved breaking (the list asks for it where the
// database keeps it: keepsBrokenLimits); without, it reads Null, so any database answers it.
QString searchStatement(const FormulaFilter& filter, bool withMark = false);

// Whether the database keeps, with each formula, the limits its saved mix breaks.
bool keepsBrokenLimits(store::Database& db);

// The columns of FlexGrid1, one per field of the statement.
std::vector<grid::Column> formulaColumns();
inline constexpr int kProductColumn = 2; // takes the width the others leave
inline constexpr int kMarkColumn = 7;    // limites_incumplidos

// What FlexGrid1 shows for the rows listed: a version saved breaking its limits reads
// kBrokenMark, in red, in the mark column; the others leave it empty.
grid::GridContent formulaGrid(const store::RecordSet& rows,
                              const std::vector<grid::Column>& columns);
inline const QString kBrokenMark = QStringLiteral("no cumple");
// The tool tips of the mark column's caption and of a marked cell (summary: the stored text).
inline const QString kMarkLegend =
    QStringLiteral("\"no cumple\": versión grabada sin cumplir todos sus límites");
QString markToolTip(const QString& summary);

// The list as a whole: opened on the search of an empty panel (every formula); its buttons leave
// the focus where it was when clicked.
lists::ListDescription formulaList();

// Deletes a formula with its ratio, group, nutrient and ingredient rows, all or nothing. Throws
// store::StoreError when the database refuses; nothing is deleted then.
void deleteFormula(store::Database& db, int idFormula);

// "producto LIKE" pattern for text that must be found as typed: the contains pattern and, when
// the text holds a wildcard, the escape clause that makes it literal.
QString containsPattern(const QString& typed);

} // namespace formulas
