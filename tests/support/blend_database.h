#pragma once

#include "store/database.h"

#include <QString>
#include <optional>

// Writes small catalogues and formulas into a test database with the program's own statements.
namespace blenddb {

int addIngredient(store::Database& db, const QString& name, double cost, double dryMatter);
int addNutrient(store::Database& db, const QString& name);
void setComposition(store::Database& db, int ingredient, int nutrient, double valor);
int addFormula(store::Database& db, const QString& code, double quantity, int tipoBase,
               int tipoBaseNutrientes, double version = 0);
void addFormulaIngredient(store::Database& db, int formula, int ingredient,
                          std::optional<double> minimo, std::optional<double> maximo, double cost,
                          double dryMatter, double share = 0);
void addFormulaNutrient(store::Database& db, int formula, int nutrient,
                        std::optional<double> minimo, std::optional<double> maximo,
                        std::optional<double> valor = std::nullopt);

} // namespace blenddb

namespace blenddb {

// Formula "CALCIO": maize, limestone capped at 20 and dicalcium phosphate in a batch of 1000 as
// fed. With phosphorus held at 0.5 the calcium minimum of 1.2 cannot be met, though calcium is
// within the ingredients' reach on its own: the engine finds it infeasible, the screen before it
// lets it pass. Returns the formula's id.
int addCalciumConflict(store::Database& db);

} // namespace blenddb
