#pragma once

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace store {
class Database;
}

// The stored production plans: which formulas (stored versions) a plan makes and how much of
// each, and the stock bounds it puts on ingredients.
namespace plans {

struct PlanHeader {
    int id = 0;
    QString nombre;
    QDate fecha;
};

struct PlanFormulaRow {
    int idFormula = 0;
    QString codigo, producto, version;
    double cantidad = 0; // in the formula's own batch unit
};

struct PlanStockRow {
    int idProducto = 0;
    QString nombre;
    std::optional<double> disponible, minimoUso; // as fed
};

struct StoredPlan {
    PlanHeader header;
    std::vector<PlanFormulaRow> formulas; // by code, then version
    std::vector<PlanStockRow> stock;      // by ingredient name
};

std::vector<PlanHeader> listPlans(store::Database& db);
std::optional<int> findPlan(store::Database& db, const QString& nombre);
std::optional<StoredPlan> loadPlan(store::Database& db, int idPlan);

// A new plan with the next key, dated today; returns its key. Empty when the name is taken.
std::optional<int> createPlan(store::Database& db, const QString& nombre);
// Adds the formula to the plan or changes its quantity.
void setPlanFormula(store::Database& db, int idPlan, int idFormula, double cantidad);
void removePlanFormula(store::Database& db, int idPlan, int idFormula);
// Sets an ingredient's bounds; with neither bound the row goes.
void setPlanStock(store::Database& db, int idPlan, const PlanStockRow& row);
// The plan with its formulas and stock, in one transaction.
void deletePlan(store::Database& db, int idPlan);

// What is wrong with a quantity or a pair of bounds, in the user's words; empty when right.
QString checkQuantity(double cantidad);
QString checkStock(const PlanStockRow& row);

} // namespace plans
