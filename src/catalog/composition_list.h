#pragma once

#include "app/grid_style.h"
#include "catalog/price_history.h"
#include "catalog/price_list_file.h"

#include <QString>
#include <optional>
#include <vector>

namespace store {
class Database;
}

// A composition list: nutrient values of ingredients brought in from a file (footprint factors,
// a laboratory's table), held against the catalogue and applied all together.
//
// The file is read by the rules of the price lists (separator from the header, the regional
// decimal mark, quotes, encodings, blank lines skipped). Its header names the columns `codigo`
// (the ingredient), `propiedad` (the nutrient's name) and `valor`, and optionally `base`
// (`seca`, as the catalogue stores values, or `humeda` for a value as fed, converted with the
// ingredient's dry matter), `fuente` (where the value comes from; an empty cell keeps the source
// stored) and `unidad` (the unit of a nutrient the list creates; a nutrient that exists keeps its
// own).
namespace catalog {

struct CompositionListLine {
    int line = 0; // in the file, the header being line 1
    QString codigo;
    QString propiedad;
    std::optional<double> valor;
    bool asFed = false; // the value is given as fed (base humeda)
    QString fuente;
    QString unidad;
    QString problem; // empty when the line can be used
};

struct CompositionListFile {
    QChar separator;
    QChar decimalMark;
    bool hasFuente = false;
    std::vector<CompositionListLine> lines;
};

// Throws ListFileError for a file that is not a composition list.
CompositionListFile readCompositionList(const QByteArray& content, const QString& fileName,
                                        QChar decimalMark);
CompositionListFile readCompositionListFile(const QString& fileName, QChar decimalMark);

// A line that names a known ingredient and a nutrient (known, or to be created) with a usable
// value. The value after is on the dry basis, as stored.
struct CompositionListRow {
    int line = 0;
    int idProducto = 0;
    QString codigo;
    QString nombre;
    int idPropiedad = 0;          // 0: the nutrient is created when the list is applied
    QString propiedad;            // as the catalogue names it, or as the file does for a new one
    std::optional<double> before; // as stored when the list was read
    double after = 0;
    QString fuenteBefore;
    QString fuenteAfter;
    // The ingredient's dry matter a value as fed was converted with; nothing for a dry value.
    std::optional<double> materiaSeca;

    bool createsNutrient() const { return idPropiedad == 0; }
    bool changes() const {
        return createsNutrient() || before != after || fuenteBefore != fuenteAfter;
    }
};

struct CompositionListConflict {
    int line = 0;
    QString codigo;
    QString propiedad;
    QString reason;
};

// A nutrient the list names that the catalogue does not have.
struct NewNutrient {
    QString nombre;
    QString unidad;
    int line = 0; // its first line
};

struct CompositionListPreview {
    QString fileName;
    QChar separator;
    QChar decimalMark;
    std::vector<CompositionListRow> rows; // in the order of the file
    std::vector<CompositionListConflict> conflicts;
    std::vector<NewNutrient> newNutrients; // only when creating them is allowed
    int lineCount = 0;

    int changeCount() const;
    int conflictLineCount() const { return lineCount - int(rows.size()); }
};

// Holds the list against the catalogue. Besides the lines the file itself refuses, these are
// conflicts: a code not in the catalogue; a nutrient name two nutrients answer to (the exact name
// first, then regardless of case); a nutrient that does not exist when `createNutrients` is
// false; a value as fed for an ingredient whose dry matter is 0 or unknown; and a pair of
// ingredient and nutrient on more than one line (none of them applied, one conflict at the first
// naming the others).
CompositionListPreview previewCompositionList(store::Database& db, const CompositionListFile& file,
                                              const QString& fileName, bool createNutrients);
CompositionListPreview previewCompositionListFile(store::Database& db, const QString& fileName,
                                                  QChar decimalMark, bool createNutrients);

struct CompositionListApplied {
    int values = 0;      // pairs whose value or source changed
    int ingredients = 0; // ingredients changed
    int nutrients = 0;   // nutrients created
};

// In one transaction: creates the new nutrients (with a zero value for every ingredient, as the
// nutrient editor does), writes each changed value and source with its history row, and raises
// the change counters of the ingredients changed, so an editor open on one does not write its old
// values back. Throws store::StaleRowError when a value, a source or a dry matter the list was
// read against changed since (or a new nutrient's name appeared), and store::StoreError for a
// failed statement; nothing is written then.
CompositionListApplied applyCompositionList(store::Database& db,
                                            const CompositionListPreview& preview,
                                            const QDateTime& fecha = changeTime());

// The texts the composition list shows.
QString compositionSummary(const CompositionListPreview& preview);
QString askCreateNutrients(const CompositionListPreview& preview);
QString askApplyComposition(const CompositionListPreview& preview);
QString compositionAppliedMessage(const CompositionListApplied& applied);
inline const QString kNoCompositionToApply =
    QStringLiteral("La lista no cambia ningún valor: no hay nada que aplicar.");

// The preview's grids: the lines to apply (the unchanged ones dimmed), the conflicts and the
// nutrients to create.
grid::GridContent compositionListGrid(const CompositionListPreview& preview);
grid::GridContent compositionConflictGrid(const CompositionListPreview& preview);
grid::GridContent newNutrientGrid(const CompositionListPreview& preview);

} // namespace catalog
