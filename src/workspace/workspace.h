#pragma once

#include "formulas/formula_limits.h"

#include <QString>
#include <optional>
#include <vector>

namespace workspace {

// One nutrient limit of the formula and the value the mix reaches. A limit left empty has none.
struct FormulaNutrient {
    int id = 0; // id_propiedad
    QString nombre;
    std::optional<double> minimo, maximo;
    std::optional<double> valor;         // empty until the mix is computed
    std::optional<double> valorAnterior; // as the formula was stored when loaded
    QString unidad = {};                 // the catalogue's unit ("%", "Mcal/kg"), may be empty
    // The probability with which the minimum and the maximum must each hold, given the
    // deviations of the compositions (formula_propiedad_probabilidad); empty: the plain limit.
    std::optional<double> probabilidad = {};
};

// One ingredient of the formula: the formula's own dry matter, prices and limits, the mix it
// is in, and the catalogue's dry matter and price today. A limit left empty has none; figures
// stay empty until they are set or computed. Every row enters with dry matter above 0.
struct FormulaIngredient {
    int id = 0; // id_producto
    QString nombre;
    double materiaSeca = 0; // percent
    std::optional<double> costoSeca, costoHumeda;
    std::optional<double> minimo, maximo;
    std::optional<double> cantidadSeca, porcentajeSeca;         // dry; a share is a fraction of 1
    std::optional<double> cantidadHumeda, porcentajeHumeda;     // as fed
    std::optional<double> costoTotal;                           // cantidadHumeda x costoHumeda
    std::optional<double> materiaSecaActual, costoHumedaActual; // the catalogue's, when loaded
    // Absent from the mix or at least this much, in the unit of minimo and maximo
    // (formula_uso_minimo); empty: no such condition.
    std::optional<double> minimoSiSeUsa = {};
    // The catalogue's weighing step of the ingredient in the batch's unit (producto_pesada).
    std::optional<double> paso = {};
};

// One row of the composition matrix: an ingredient with its quantities and shares and what it
// brings of each nutrient of the matrix (empty where it has no composition row). The totals row
// has no id and no name.
struct CompositionRow {
    std::optional<int> id;
    QString nombre;
    std::optional<double> cantidadSeca, porcentajeSeca, cantidadHumeda, porcentajeHumeda;
    std::vector<std::optional<double>> values;
};

// What each ingredient brings to the mix, one value column per nutrient id in `nutrientIds`.
struct CompositionMatrix {
    std::vector<int> nutrientIds;
    std::vector<CompositionRow> rows;
};

// One sensitivity row of the last formulation: its kind ("IA", "II", "RI", "RN", "RR" or "RG"),
// its label and its three figures, as the analysis view lists them, and what it is about by id:
// the ingredient of "IA", "II" and "RI", the nutrient of "RN", the group of "RG", the two
// nutrients of "RR" (id the numerator's, divisorId the divisor's), and for a restriction which
// of its limits binds.
struct SensitivityRow {
    QString tipo;
    QString detalle;
    double valor1 = 0, valor2 = 0, valor3 = 0;
    enum class About { Ingredient, Nutrient, Ratio, Group } about = About::Ingredient;
    int id = 0;
    int divisorId = 0;
    bool maximum = false;
};

// What one ingredient brings to the nutrient that failed the check: at one unit of it and at its
// maximum (no maximum: the whole batch).
struct ContributionRow {
    QString producto;
    std::optional<double> maximo;
    double valor = 0;
    double aportemaximo = 0;
};

// The records and scalars of the formula under work. Nothing here is stored until the formula
// is saved; the window owns one Workspace for as long as it is open.
struct Workspace {
    std::vector<FormulaNutrient> nutrients;
    std::vector<FormulaIngredient> ingredients; // in the order the grid shows them
    std::vector<formulas::FormulaRatio> ratios; // ratio limits, valor that of the last mix
    std::vector<formulas::FormulaGroup> groups; // group limits, valor that of the last mix
    std::vector<SensitivityRow> analysisRows;   // of the last formulation
    // The line the analysis shows above its rows when they are not the plain programme's (or
    // were left out), from the same formulation; empty for a plain one.
    QString analysisNote = {};
    CompositionMatrix composition; // rebuilt by the composition view

    bool ingredientsDry = true; // ingredient quantities on dry matter ("Mat. Seca")
    bool nutrientsDry = true;   // nutrient limits and values on dry basis ("Base Seca")
    double vCostoHumeda = 0;
    double vMateriaSeca = 0;
    double batchQuantity = 0;
    int formulaId = 0;
    int vRevision = 0; // the formula's change counter when it was loaded (store/revisions.h)
    // What the mill can weigh (formula_opciones): at most this many ingredients in the mix, and
    // every ingredient with a step weighed in whole steps.
    std::optional<int> maxIngredientes = {};
    bool redondear = false;
};

// The row of an ingredient or nutrient by its id; nullptr when the formula has none.
FormulaIngredient* findIngredient(Workspace& ws, int id);
const FormulaIngredient* findIngredient(const Workspace& ws, int id);
FormulaNutrient* findNutrient(Workspace& ws, int id);

} // namespace workspace
