#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/tableau.h"

#include <string>
#include <vector>

namespace lp {

// One row of the sensitivity analysis. Its kind, `tipo`:
//  - "IA": an ingredient in the mix; detalle its name, valor1 its price as fed, valor2 how far
//    the price may rise before the mix changes, valor3 their sum.
//  - "II": an ingredient out of the mix; valor2 how far its price must fall to enter, valor3
//    the price at which it would.
//  - "RN", "RR", "RG", "RI": a binding limit of a nutrient, a ratio, a group or an ingredient;
//    detalle the row's label ("Mínimo para Calcio", "Máximo para la relación Calcio / Fósforo
//    disponible", "Mínimo para el grupo Harinas animales", "Máximo para Maíz"), valor1 the
//    cost of the batch, valor2 its shadow price: what the batch cost changes by when the limit
//    moves up by one unit of its own (a nutrient's unit, one unit of the ratio, one unit of
//    batch quantity), and valor3 the batch cost with the limit so moved. A limit that does not
//    bind has no row.
//  Every row also says what it is about, by id, so that no one has to find it by its label (an
//  ingredient and a nutrient may share a name): the ingredient of "IA", "II" and "RI", the
//  nutrient of "RN", the group of "RG", and the two nutrients of "RR" (id the numerator's,
//  divisorId the divisor's); side: which limit of a restriction row.
struct AnalysisRow {
    std::string tipo, detalle;
    double valor1 = 0, valor2 = 0, valor3 = 0;
    LimitRef::Kind kind = LimitRef::Ingredient;
    LimitRef::Side side = LimitRef::Minimum;
    int id = 0;
    int divisorId = 0;
};

// The sensitivity rows of a solved tableau: ingredients in the mix ("IA", row order),
// ingredients out of it ("II", column order), binding nutrient, ratio, group and ingredient
// limits ("RN", "RR", "RG", "RI"), in slack-column order.
std::vector<AnalysisRow> sensitivityRows(const Tableau& t, const Blend& blend);

} // namespace lp
