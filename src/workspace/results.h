#pragma once

#include <QString>

namespace store {
class Database;
}

namespace workspace {

struct Workspace;
class MixCompositions;

// The totals boxes under the ingredient grid, as text, and the quantity box.
struct ResultFigures {
    QString txtMatSeca;
    QString txtCanS;
    QString txtPorS;
    QString txtCanH;
    QString txtPorH;
    QString txtCosTot;
    QString txtCosH;
    QString txtCosS;
    bool porSAlarm = false; // red with white text: the dry shares do not show 100
    bool porHAlarm = false; // the same for the as-fed shares
    QString cantidadText;   // txt_cantidad: the batch total on the ingredient basis
};

// Recomputes the totals, each ingredient's costo_total, vCostoHumeda, vMateriaSeca, every
// nutrient's valor from the current shares and today's catalogue compositions, and the value of
// every ratio (of its nutrients' values) and group (its members' quantities), then orders the
// ingredients by their share on the ingredient basis, largest first.
// Reads the compositions of the workspace's ingredients once (see MixCompositions).
ResultFigures actuResultados(Workspace& ws, store::Database& db);
// The same with compositions already read for the workspace's ingredients and nutrients.
ResultFigures actuResultados(Workspace& ws, const MixCompositions& compositions);

} // namespace workspace
