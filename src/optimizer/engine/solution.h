#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/tableau.h"

#include <optional>
#include <vector>

namespace lp {

// Share of each ingredient column (index j - 1 for column j) on the blend's ingredient basis:
// the right-hand side of the row where it is basic (a round-off residue below 0 reads 0), 0 when
// it is basic nowhere.
std::vector<double> shares(const Tableau& t);

// What the write-back stores in one ingredient row.
struct BatchLine {
    double cantidadSeca = 0;
    double porcentajeSeca = 0;
    double cantidadHumeda = 0;
    double porcentajeHumeda = 0;
};

// Quantities and shares on both bases from the shares on the blend's ingredient basis: the
// solved basis keeps its shares, the other basis is normalised by its own total.
std::vector<BatchLine> batchLines(const Blend& blend, const std::vector<double>& shares);

// The value of each ratio of the blend in the mix of these shares (on the blend's ingredient
// basis): content(numerator) / content(divisor), the same on either nutrient basis. Empty where
// the mix holds none of the divisor or a nutrient of the ratio is not in the blend.
std::vector<std::optional<double>> ratioValues(const Blend& blend,
                                               const std::vector<double>& shares);

// The quantity of each group of the blend in the batch of these shares: the sum of its members'
// quantities on the blend's ingredient basis, the unit of the group's limits.
std::vector<double> groupQuantities(const Blend& blend, const std::vector<double>& shares);

} // namespace lp
