#pragma once

#include <QDate>
#include <QHash>
#include <QString>

#include "optimizer/formulation_run.h"

#include <QVariant>
#include <optional>
#include <utility>
#include <vector>

namespace store {
class Database;
}

namespace workspace {
struct Workspace;
struct FormulaHeader;
struct FormulaIngredient;
struct ResultFigures;
} // namespace workspace

namespace printing {

class PageCanvas;

// A goal chosen to be printed under the limits: a nutrient of the catalogue (a footprint brought
// in as one, say) and the formula's value of it per kilogram of mix as fed.
struct PrintedGoal {
    int id = 0;
    QString nombre;
    QString unidad;              // the catalogue's, may be empty
    std::optional<double> valor; // none: the workspace holds no mix
};

// The line of a goal: its value per kg and per tonne of mix, "Huella de carbono: 0.5123 kg
// CO2e/kg · 512.30 kg CO2e/t"; a "%" is printed as "6.61 g/kg · 6.61 kg/t", "ppm" as mg/kg and
// g/t, a unit per kg as that unit and per t; a unit of another kind gains "/kg" and "/t".
QString goalText(const PrintedGoal& goal);

// The goals chosen (catalogue nutrient ids, in that order; an id not in the catalogue is left
// out), each with its value in the workspace's mix as fed, from today's compositions.
std::vector<PrintedGoal> printedGoals(store::Database& db, const workspace::Workspace& ws,
                                      const std::vector<int>& goalIds);

// Every nutrient of the catalogue a user may choose to print as a goal: the formula's own first,
// in their order, then the others by name; each with its value in the workspace's mix as fed.
std::vector<PrintedGoal> goalChoices(store::Database& db, const workspace::Workspace& ws);

// What the workspace window shows in its boxes when the user prints: the header of the formula
// and the totals under the ingredient grid, as text.
struct PrintoutTexts {
    QString formula;                    // txt_Formula
    QString codigo;                     // txt_CodFormula
    QString version;                    // txt_VerFormula
    QString fechaModificacion;          // txt_FecMFormula
    QString matSeca;                    // txtMatSeca
    QString canS;                       // txtCanS
    QString porS;                       // txtPorS
    QString canH;                       // txtCanH
    QString porH;                       // txtPorH
    QHash<int, QString> unidades;       // the unit of each nutrient, by id: "%", "Mcal/kg"
    std::vector<PrintedGoal> objetivos; // the goals chosen to be printed, none by default
    // The nutrients whose limits held with a probability in the mix printed: their probability,
    // mean and margin are printed with the assumption they rest on. Empty: nothing of that.
    std::vector<optimizer::ChanceFigureRow> probabilidades = {};

    static PrintoutTexts from(const workspace::FormulaHeader& header,
                              const workspace::ResultFigures& figures);
};

// The catalogue's unit of each nutrient of the formula, by id; a nutrient without one is left out.
QHash<int, QString> nutrientUnits(store::Database& db, const workspace::Workspace& ws);

// A nutrient's figure as printed: the decimals its unit reads with, then the unit
// ("0.90 %", "3.050 Mcal/kg"); empty when there is no figure.
QString nutrientText(const std::optional<double>& value, const QString& unit);

// The cost of a unit of the mix as fed, as printed beside the code: "$ 0.1725 por kg".
QString unitCostText(double cost);

// Number patterns of the printout (and of the word-processor document): ratios and groups, and
// the ingredients' quantities.
inline const QString kNutrientPattern = QStringLiteral("#########0.00");
inline const QString kIngredientPattern = QStringLiteral("#######0.00");

// The page-break mark: once the next line would start at or below it, a new page begins.
inline constexpr double kPageBreakAt = 266;
// Where the first line under the page header stands.
inline constexpr double kFirstLineBelowHeader = 42;

// The header printed at the top of every page; returns the line where printing continues.
double imprimeEncabezado(PageCanvas& page, const QString& formula, const QDate& today);

// The whole printout of the formula under work, as many pages as it needs.
void imprimeImpresora(PageCanvas& page, const workspace::Workspace& ws, const PrintoutTexts& texts,
                      const QDate& today);

// Whether an ingredient row is part of the printed mix: it has an as-fed quantity other than 0.
// A row never formulated (no quantity) is not part of it either.
bool isPrintedIngredient(const workspace::FormulaIngredient& ingredient);

// A figure of a row as the printout formats it: Null when the row has none.
QVariant printedFigure(const std::optional<double>& figure);

// A share (1 = 100 %) as printed: times 100, two decimals, " %". Empty when not numeric.
QString shareText(const QVariant& fraction);

// The weighing conditions of the formula as printed, a caption and its value each: the count of
// ingredients, rounding, and each ingredient's minimum if used ("Mínimo si se usa: Maíz",
// "50.00"). None for a formula without them.
std::vector<std::pair<QString, QString>> weighingConditionLines(const workspace::Workspace& ws);

// One ingredient on the weighing sheet: its quantity on the ingredient basis and, on a scale,
// how many whole steps make it.
struct WeighingLine {
    QString nombre;
    double cantidad = 0;
    std::optional<long long> pasos; // none without a step
};

// The ingredients weighed on one scale (paso), or those without a step (none).
struct WeighingScale {
    std::optional<double> paso;
    std::vector<WeighingLine> lines;
};

// The weighing sheet of a rounded formula: the printed ingredients grouped by their step, the
// largest step first, those without a step last, each group in the order of the mix. Empty for a
// formula that does not round.
std::vector<WeighingScale> weighingSheet(const workspace::Workspace& ws);

// "Balanza de paso 5 kg", "Sin paso de pesada".
QString scaleTitle(const WeighingScale& scale);
// "136 × 5 kg"; empty without a step.
QString stepsText(const WeighingLine& line, const WeighingScale& scale);

} // namespace printing
