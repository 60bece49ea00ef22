#pragma once

#include <QDate>
#include <QHash>
#include <QString>

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

// What the workspace window shows in its boxes when the user prints: the header of the formula
// and the totals under the ingredient grid, as text.
struct PrintoutTexts {
    QString formula;              // txt_Formula
    QString codigo;               // txt_CodFormula
    QString version;              // txt_VerFormula
    QString fechaModificacion;    // txt_FecMFormula
    QString matSeca;              // txtMatSeca
    QString canS;                 // txtCanS
    QString porS;                 // txtPorS
    QString canH;                 // txtCanH
    QString porH;                 // txtPorH
    QHash<int, QString> unidades; // the unit of each nutrient, by id: "%", "Mcal/kg"

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
