#pragma once

#include "app/grid_style.h"
#include "catalog/composition_history.h"
#include "catalog/price_history.h"

#include <QDate>
#include <QString>
#include <vector>

namespace store {
class Database;
}

// The composition the laboratory analyses of a period give: for each ingredient and nutrient
// analysed often enough, the mean and the sample standard deviation of the results, held against
// the value and deviation stored today, and made the stored ones where the user keeps them.
namespace catalog {

// Fewer results than this say too little about a deviation.
inline constexpr int kLeastAnalyses = 3;

struct AnalysisSummaryRow {
    int idProducto = 0;
    QString codigo;
    QString nombre;
    int idPropiedad = 0;
    QString propiedad;
    QString unidad;
    int count = 0;
    double mean = 0;
    double sd = 0;           // sample standard deviation (n - 1)
    StoredComposition today; // as stored when the summary was made

    StoredComposition proposed() const { return {mean, sd}; }
    bool changes() const { return !(today == proposed()); }
};

// Every (ingredient, nutrient) with at least kLeastAnalyses analyses dated from `from` to `to`,
// both included, by ingredient name and nutrient name.
std::vector<AnalysisSummaryRow> summarizeAnalyses(store::Database& db, const QDate& from,
                                                  const QDate& to);

// In one transaction: for each row that changes, the composition value becomes the mean and its
// deviation the standard deviation (each inserted when the pair had none), with a history row
// (origin kOrigenAnalisis) and the ingredient's change counter raised, so an editor open on it
// does not write its old values back. Throws store::StaleRowError when a value or deviation
// changed (or the ingredient or nutrient went) since the summary was made, and
// store::StoreError for a failed statement; nothing is written then. Returns the number of pairs
// changed.
int applyAnalysisSummary(store::Database& db, const std::vector<AnalysisSummaryRow>& rows,
                         const QDateTime& fecha = changeTime());

// The texts and grid of the summary.
QString summaryPeriodText(const QDate& from, const QDate& to, int rows);
QString askApplySummary(int changes);
QString appliedSummaryMessage(int changed);
inline const QString kNothingToUpdate = QStringLiteral(
    "Ninguna composición cambia con los análisis elegidos: no hay nada que actualizar.");
grid::GridContent analysisSummaryGrid(const std::vector<AnalysisSummaryRow>& rows);

} // namespace catalog
