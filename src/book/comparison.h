#pragma once

#include "app/grid_style.h"
#include "book/formula_snapshot.h"

#include <QString>
#include <array>
#include <vector>

// Two versions of a formula side by side: header, bases and quantity; each ingredient's limits,
// share and price; each nutrient's, ratio's and group's limits and value; the cost per unit. A
// value differs when the texts shown for it differ, so every highlighted cell is a difference the
// user can see.
namespace book {

enum class Section { Header, Ingredients, Nutrients, Ratios, Groups };

// The cells of a side: minimum, maximum, value and (an ingredient's only) price.
inline constexpr int kSideCells = 4;

// One line of the comparison: four cells a side. A header line uses the value cell only; a line
// of an ingredient, nutrient, ratio or group that one side lacks is empty there.
struct ComparisonRow {
    Section section = Section::Header;
    QString concepto;
    std::array<QString, kSideCells> left, right;
    std::array<bool, kSideCells> differs{};
    bool anyDifference() const { return differs[0] || differs[1] || differs[2] || differs[3]; }
};

struct Comparison {
    QString leftTitle, rightTitle;
    std::vector<ComparisonRow> rows;
    int differences() const; // lines with at least one difference
};

// Ingredients, nutrients, ratios and groups are matched by id and listed by name; the header
// lines come first.
Comparison compareFormulas(const FormulaSnapshot& left, const FormulaSnapshot& right);

// The grid of the comparison view: the concept, the four cells of the left side, a separator,
// the four of the right. Each section opens with a grey title line; differing cells are yellow
// and bold. With onlyDifferences, the lines without a difference are left out.
grid::GridContent comparisonGrid(const Comparison& comparison, bool onlyDifferences = false);

inline constexpr long kDifference = grid::rgbLong(255, 235, 156);

// How many differences the view's caption line reports.
QString differencesText(const Comparison& comparison);

} // namespace book
