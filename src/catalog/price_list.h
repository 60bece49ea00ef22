#pragma once

#include "app/grid_style.h"
#include "catalog/price_history.h"
#include "catalog/price_list_file.h"

#include <QString>
#include <vector>

namespace store {
class Database;
}

// A price list held against the catalogue: what each line would change, which lines cannot be
// applied and why, and applying the changes all together.
namespace catalog {

// A line of the list that names a known ingredient with usable values.
struct PriceListRow {
    int line = 0;
    int idProducto = 0;
    QString codigo;
    QString nombre;
    StoredPrice before; // as stored when the list was read
    StoredPrice after;  // the dry matter stays as stored when the line gives none

    bool changes() const { return !(before == after); }
    // The cost's change in percent; nothing when the old cost is 0 or unknown.
    std::optional<double> costChangePercent() const;
};

// A line that is not applied, or the first line of a code the list names more than once (the
// reason names or counts its other lines, which are not applied either).
struct PriceListConflict {
    int line = 0;
    QString codigo;
    QString reason;
};

struct PriceListPreview {
    QString fileName;
    QChar separator;
    QChar decimalMark;
    bool hasMateriaSeca = false;
    std::vector<PriceListRow> rows; // in the order of the file
    std::vector<PriceListConflict> conflicts;
    int lineCount = 0; // the lines of ingredient data the file holds

    int changeCount() const;
    // The lines that are not applied: those of the conflicts and the other lines of a repeated
    // code.
    int conflictLineCount() const { return lineCount - int(rows.size()); }
};

// Holds the list against the catalogue. Besides the lines the file itself refuses, a code that
// is not in the catalogue is a conflict, and so is a code on more than one line: none of its
// lines is applied, and one conflict at its first line names the others, or counts them when
// there are many, so that the conflicts stay as many as the lines at most.
PriceListPreview previewPriceList(store::Database& db, const PriceListFile& file,
                                  const QString& fileName);
// Reads the file and holds it against the catalogue; throws PriceListError for a file that is not
// a price list.
PriceListPreview previewPriceListFile(store::Database& db, const QString& fileName,
                                      QChar decimalMark);

// The changed costs and dry matters with their history rows, in one transaction: every change
// or none. The ingredients changed get their change counters raised, so an editor open on one
// does not write its old price back. Throws store::StaleRowError when an ingredient's price
// changed (or the ingredient went) since the list was read, and store::StoreError for a failed
// statement; nothing is written then. Returns the number of ingredients changed.
int applyPriceList(store::Database& db, const PriceListPreview& preview,
                   const QDateTime& fecha = changeTime());

// The texts the price list shows.
QString previewSummary(const PriceListPreview& preview);
QString askApply(const PriceListPreview& preview);
QString appliedMessage(int changed);
inline const QString kNothingToApply =
    QStringLiteral("La lista no cambia ningún precio: no hay nada que aplicar.");

// The preview's grids: the lines that name an ingredient (the unchanged ones dimmed), and the
// conflicts.
grid::GridContent priceListGrid(const PriceListPreview& preview);
grid::GridContent conflictGrid(const PriceListPreview& preview);

} // namespace catalog
