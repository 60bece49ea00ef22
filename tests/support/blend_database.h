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
