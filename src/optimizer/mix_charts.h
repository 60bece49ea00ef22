#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace workspace {
struct Workspace;
}

namespace optimizer {

// One nutrient of the mix against its limits; `binds` when the value sits on a limit.
struct NutrientBar {
    QString nombre;
    double valor = 0;
    std::optional<double> minimo, maximo;
    bool binds = false;
};

// What one ingredient adds to the cost of a unit of the mix.
struct CostBar {
    QString nombre;
    double costoPorUnidad = 0;
};

struct MixCharts {
    std::vector<NutrientBar> nutrientes; // the workspace's order, those with a value
    std::vector<CostBar> costos;         // the ingredients in the mix, dearest first
};

// Whether a value sits on a limit: within a millionth of it (round-off of the solved mix).
bool bindsAt(double valor, const std::optional<double>& limit);

// The charts of the workspace's mix as last computed; empty lists before a formulation.
MixCharts mixCharts(const workspace::Workspace& ws);

} // namespace optimizer
