#pragma once

#include <QDate>
#include <QString>

#include <QVariant>
#include <optional>

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
    QString formula;           // txt_Formula
    QString codigo;            // txt_CodFormula
    QString version;           // txt_VerFormula
    QString fechaModificacion; // txt_FecMFormula
    QString matSeca;           // txtMatSeca
    QString canS;              // txtCanS
    QString porS;              // txtPorS
    QString canH;              // txtCanH
    QString porH;              // txtPorH

    static PrintoutTexts from(const workspace::FormulaHeader& header,
                              const workspace::ResultFigures& figures);
};

// Number patterns of the printout (and of the word-processor document).
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
