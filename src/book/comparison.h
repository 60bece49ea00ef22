#pragma once

#include "app/grid_style.h"
#include "book/formula_snapshot.h"

#include <QString>
#include <array>
#include <vector>

// Two versions of a formula side by side: header, bases and quantity; each ingredient's limits
// and share; each nutrient's limits and value; the cost per unit. A value differs when the texts
// shown for it differ, so every highlighted cell is a difference the user can see.
namespace book {

enum class Section { Header, Ingredients, Nutrients };

// One line of the comparison: three cells a side (minimum, maximum, value). A header line uses
// the value cell only; a line of an ingredient or nutrient that one side lacks is empty there.
struct ComparisonRow {
    Section section = Section::Header;
    QString concepto;
    std::array<QString, 3> left, right;
    std::array<bool, 3> differs{};
    bool anyDifference() const { return differs[0] || differs[1] || differs[2]; }
};

struct Comparison {
    QString leftTitle, rightTitle;
    std::vector<ComparisonRow> rows;
    int differences() const; // lines with at least one difference
};

// Ingredients and nutrients are matched by id and listed by name; the header lines come first.
Comparison compareFormulas(const FormulaSnapshot& left, const FormulaSnapshot& right);

// The grid of the comparison view: the concept, the three cells of the left side, a separator,
// the three of the right. Each section opens with a grey title line; differing cells are yellow
// and bold. With onlyDifferences, the lines without a difference are left out.
grid::GridContent comparisonGrid(const Comparison& comparison, bool onlyDifferences = false);

inline constexpr long kDifference = grid::rgbLong(255, 235, 156);

// How many differences the view's caption line reports.
QString differencesText(const Comparison& comparison);

} // namespace book
