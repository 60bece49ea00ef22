#pragma once

#include "optimizer/engine/blend.h"
#include "optimizer/engine/tableau.h"

#include <string>
#include <vector>

namespace lp {

// One row of the sensitivity analysis ("IA", "II", "RN" or "RI").
struct AnalysisRow {
    std::string tipo, detalle;
    double valor1 = 0, valor2 = 0, valor3 = 0;
};

// The sensitivity rows of a solved tableau: ingredients in the mix ("IA", row order),
// ingredients out of it ("II", column order), binding nutrient limits ("RN") and binding
// ingredient limits ("RI"), in slack-column order.
std::vector<AnalysisRow> sensitivityRows(const Tableau& t, const Blend& blend);

} // namespace lp
