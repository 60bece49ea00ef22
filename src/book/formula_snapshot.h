#pragma once

#include <QString>
#include <optional>
#include <vector>

// One version of a formula as the comparison reads it: a stored version as it was saved, or a
// mix re-formulated in memory. Plain values, so the comparison knows nothing of the workspace.
namespace book {

struct SnapshotIngredient {
    int id = 0;
    QString nombre;
    std::optional<double> minimo, maximo;
    double porcentajeHumeda = 0;  // fraction of the as-fed mix
    double porcentajeSeca = 0;    // fraction of the dry matter of the mix
    std::optional<double> precio; // the price as fed the version was formulated at
};

struct SnapshotNutrient {
    int id = 0;
    QString nombre;
    std::optional<double> minimo, maximo;
    std::optional<double> valor; // what the mix reaches, on the formula's nutrient basis
};

// A ratio limit (numerator and divisor nutrients) or a group limit (divisor 0).
struct SnapshotLimit {
    int id = 0;      // the numerator nutrient, or the group
    int divisor = 0; // the divisor nutrient of a ratio
    QString nombre;
    std::optional<double> minimo, maximo;
    std::optional<double> valor; // what the mix reaches, once formulated
};

struct FormulaSnapshot {
    QString titulo; // what the view puts over its column ("POLLO-INI v2", "re-formulada")
    QString codigo;
    QString producto;
    QString version; // "(sin grabar)" for a mix not saved yet
    double cantidad = 0;
    bool secaIng = true;                 // ingredient quantities on dry matter
    bool secaNut = true;                 // nutrient limits on dry basis
    std::optional<double> costoUnitario; // per unit as fed
    std::vector<SnapshotIngredient> ingredients;
    std::vector<SnapshotNutrient> nutrients;
    std::vector<SnapshotLimit> ratios, groups;
};

} // namespace book
