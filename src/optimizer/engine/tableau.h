#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/zeroed_memory.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace lp {

// The dense simplex tableau of one run. Row 0 is the cost row; rows 1..M are constraints in
// less-than-or-equal form (a lower limit is stored negated): the nutrient rows, the ratio rows,
// the group rows (together the general rows, each over many columns), the ingredient rows and
// the two quantity rows. Column 0 is the objective column, 1..N the ingredients in ascending
// id, N+r the slack of row r, C+1 the right-hand side.
struct Tableau {
    int N = 0;  // ingredients
    int K = 0;  // nutrient limit rows
    int L = 0;  // ingredient limit rows
    int M = 0;  // constraint rows: K + KR + KG + L + 2
    int C = 0;  // variable columns: N + M
    int KR = 0; // ratio limit rows, after the nutrient rows
    int KG = 0; // group limit rows, after the ratio rows

    std::vector<double, ZeroedAllocator<double>> tabla; // (M + 1) x (C + 2), row-major
    std::vector<int> varBasica;            // [0..M]: basic column of each row (entry 0 unused)
    std::vector<int> colProducto;          // [0..N]: id of the ingredient of each column
    std::vector<double> factorSeca;        // [0..N]: dry-matter fraction of each column
    std::vector<std::string> etiquetaFila; // [0..M]: label of each row

    Tableau() = default;
    // An all-zero tableau of the given sizes with the slack basis; M = K + KR + KG + L + 2.
    Tableau(int n, int k, int l) : Tableau(n, k, 0, 0, l) {}
    Tableau(int n, int k, int kr, int kg, int l);

    // Rows 1..generalRows() are the general rows; the ingredient rows follow.
    int generalRows() const { return K + KR + KG; }

    int rhs() const { return C + 1; }
    int width() const { return C + 2; }
    double& at(int r, int c) { return tabla[static_cast<size_t>(r) * width() + c]; }
    double at(int r, int c) const { return tabla[static_cast<size_t>(r) * width() + c]; }
    double* row(int r) { return &tabla[static_cast<size_t>(r) * width()]; }
    const double* row(int r) const { return &tabla[static_cast<size_t>(r) * width()]; }
};

// The band of the sum of shares: the right-hand sides of the two quantity rows are kSumUpper
// and -kSumLower.
constexpr double kSumUpper = 1.00000001;
constexpr double kSumLower = 0.99999999;

// Builds the tableau of a blend that passed validation: nutrient rows in the blend's order
// (minimum then maximum), ratio rows and group rows in the same way, ingredient rows in column
// order (minimum always, maximum when set, both widened by 0.001 units of quantity when they are
// equal), then the two quantity rows.
Tableau assemble(const Blend& blend);

// The same tableau with the coefficients of the general rows left at 0: the frame a final
// tableau computed elsewhere is written into.
Tableau assembleFrame(const Blend& blend);

// The numbers of nutrient limit rows (K), ratio rows (KR), group rows (KG) and ingredient limit
// rows (L) of a blend's tableau.
int countNutrientRows(const Blend& blend);
int countRatioRows(const Blend& blend);
int countGroupRows(const Blend& blend);
int countIngredientRows(const Blend& blend);

// The limit each general row of a blend's tableau stands for, in row order (rows 1..K+KR+KG).
std::vector<LimitRef> generalLimits(const Blend& blend);

// The limit each constraint row 1..M-2 stands for, at index r - 1: the general rows, then the
// ingredient rows (an ingredient's minimum row stands for its minimum even when none is set).
std::vector<LimitRef> rowLimits(const Blend& blend);

// The coefficients of a general row over the ingredients, into coefficients[0..N) unless it is
// null; returns its right-hand side.
double generalRow(const Blend& blend, const LimitRef& limit, double* coefficients);

// "Mínimo para Proteína", "Máximo para la relación Ca / P", "Máximo para el grupo Harinas".
std::string rowLabel(const Blend& blend, const LimitRef& limit);

// The cost of ingredient i's column: per unit of dry matter or as fed, as the shares are.
double columnCost(const Blend& blend, std::size_t i);

// The coefficients of nutrient n's minimum or maximum row over the ingredients, into
// coefficients[0..N) unless it is null; returns its right-hand side.
double nutrientRow(const Blend& blend, std::size_t n, bool minimum, double* coefficients);

// The right-hand sides of ingredient i's minimum row and, when it has one, its maximum row.
struct IngredientRows {
    double minimumRhs = 0;
    std::optional<double> maximumRhs;
};
IngredientRows ingredientRows(const Blend& blend, std::size_t i);

// A ratio limit bounds content(numerator) / content(divisor): one row per bound,
// sum (a_n - r a_d) w x >= 0 for a minimum r (<= 0 for a maximum, both stored negated as
// needed), w the factor the nutrient rows use (1 on dry-matter shares, the dry-matter fraction
// on as-fed ones). Its right-hand side is 0. A ratio whose nutrient is missing gives a row of
// zeros (validation refuses it first).
double ratioRow(const Blend& blend, std::size_t r, bool minimum, double* coefficients);

// A group limit bounds the sum of its members' shares between minimo / Q and maximo / Q.
double groupRow(const Blend& blend, std::size_t g, bool minimum, double* coefficients);

// The factor w of the nutrient rows for ingredient i: the content of a nutrient in the mix is
// sum(a w x) (divided by sum(dm x) for a dry-basis limit on as-fed shares).
double contentFactor(const Blend& blend, std::size_t i);

} // namespace lp
