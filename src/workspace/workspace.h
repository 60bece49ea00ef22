#pragma once

#include "store/record_set.h"

#include <optional>

namespace workspace {

// The records and scalars of the formula under work. Nothing here is stored until the formula
// is saved; the window owns one Workspace for as long as it is open.
struct Workspace {
    Workspace();

    store::RecordSet rsPropiedades; // nutrient rows
    store::RecordSet rsProductos;   // ingredient rows
    store::RecordSet rsAnalisis;    // sensitivity rows of the last formulation
    store::RecordSet rsAportes;     // contributions to the nutrient that failed the check
    // The most the failing nutrient reaches in any admissible mix, set with rsAportes.
    std::optional<double> maximoAlcanzable;
    store::RecordSet rsResultado; // composition matrix, rebuilt by the composition view

    bool vSecaIng = true; // ingredient quantities on dry matter ("Mat. Seca")
    bool vSecaNut = true; // nutrient limits and values on dry basis ("Base Seca")
    double vCostoHumeda = 0;
    double vMateriaSeca = 0;
    double vCantidad = 0;
    int vIdFormula = 0;
    int vRevision = 0;    // the formula's change counter when it was loaded (store/revisions.h)
    bool loading = false; // true while a formula is being loaded: the nutrient grid signals changes

    static store::RecordSet newAportes();
};

} // namespace workspace
