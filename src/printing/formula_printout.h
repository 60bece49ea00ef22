#pragma once

#include <QDate>
#include <QHash>
#include <QString>

#include "optimizer/formulation_run.h"

#include <QVariant>
#include <optional>
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

} // namespace printing
