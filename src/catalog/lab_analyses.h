#pragma once

#include "app/grid_style.h"

#include <QByteArray>
#include <QChar>
#include <QDate>
#include <QString>
#include <optional>
#include <stdexcept>
#include <vector>

namespace store {
class Database;
}

// Laboratory (or NIR) analyses of the ingredients' lots: a CSV file of results read as price
// lists are read (separator from the header line, the regional decimal mark, quoted fields, the
// same encodings), held against the catalogue, and stored all together.
//
// The file's header names the columns codigo, propiedad, fecha, lote and valor (other columns are
// left alone); one result a line: the ingredient's code, the nutrient's name (exactly as the
// catalogue writes it, or else in other capitals), the date as dd/mm/yyyy or yyyy-mm-dd, the lot
// (may be empty) and the value, in the unit and basis of the composition values.
namespace catalog {

// A file that cannot be read as analyses at all; message() says why, in Spanish.
class LabAnalysisError : public std::runtime_error {
public:
    explicit LabAnalysisError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

private:
    QString message_;
};

// One line of results as read: the values when they can be read, otherwise the first reason the
// line cannot be used.
struct AnalysisLine {
    int line = 0; // in the file, the header being line 1
    QString codigo;
    QString propiedad;
    QDate fecha;
    QString lote;
    std::optional<double> valor;
    QString problem; // empty when the line can be used
};

struct AnalysisFile {
    QChar separator;
    QChar decimalMark;
    std::vector<AnalysisLine> lines;
};

// Throws LabAnalysisError for a file that is empty, not text, of more than 2,000,000 lines or
// whose first line does not name the columns.
AnalysisFile readAnalyses(const QByteArray& content, const QString& fileName, QChar decimalMark);
// The same from the file itself; also refuses a file that cannot be read or is too large.
AnalysisFile readAnalysesFile(const QString& fileName, QChar decimalMark);

// A line that names a known ingredient and nutrient with usable values.
struct AnalysisRow {
    int line = 0;
    int idProducto = 0;
    QString codigo;
    QString nombre; // the ingredient's
    int idPropiedad = 0;
    QString propiedad; // the nutrient's name as the catalogue writes it
    QDate fecha;
    QString lote;
    double valor = 0;
};

// A line that is not stored, and why.
struct AnalysisConflict {
    int line = 0;
    QString codigo;
    QString reason;
};

struct AnalysisPreview {
    QString fileName;
    QChar separator;
    QChar decimalMark;
    std::vector<AnalysisRow> rows; // in the order of the file
    std::vector<AnalysisConflict> conflicts;
    int lineCount = 0; // the lines of results the file holds
};

// Holds the file against the catalogue. Besides the lines the file itself refuses, a conflict is
// an unknown code, a nutrient no nutrient is named (or that names two in other capitals), and an
// analysis (ingredient, nutrient, date, lot) given twice in the file (the later lines) or already
// stored.
AnalysisPreview previewAnalyses(store::Database& db, const AnalysisFile& file,
                                const QString& fileName);
// Reads the file and holds it against the catalogue; throws LabAnalysisError for a file that is
// not one of analyses.
AnalysisPreview previewAnalysesFile(store::Database& db, const QString& fileName,
                                    QChar decimalMark);

// Stores the rows of the preview, each under a new key, in one transaction: all or none. Throws
// store::StaleRowError when, since the file was read, an ingredient or nutrient went or one of
// the analyses was stored; store::StoreError for a failed statement; nothing is written then.
// Returns the number of analyses stored.
int insertAnalyses(store::Database& db, const AnalysisPreview& preview);

// The texts the import of analyses shows.
QString analysesSummary(const AnalysisPreview& preview);
QString askInsertAnalyses(const AnalysisPreview& preview);
QString insertedAnalysesMessage(int stored);
inline const QString kNoAnalysesToInsert =
    QStringLiteral("El archivo no trae ningún análisis que se pueda guardar.");

// The preview's grids: the analyses to store, and the conflicts.
grid::GridContent analysisPreviewGrid(const AnalysisPreview& preview);
grid::GridContent analysisConflictGrid(const AnalysisPreview& preview);

// An analysis as stored.
struct StoredAnalysis {
    int idAnalisis = 0;
    int idProducto = 0;
    QString codigo;
    QString nombre;
    QString propiedad;
    QDate fecha;
    QString lote;
    double valor = 0;
};

// The stored analyses, newest first (then by ingredient and nutrient); of one ingredient when
// idProducto is given.
std::vector<StoredAnalysis> storedAnalyses(store::Database& db,
                                           std::optional<int> idProducto = std::nullopt);
// The ingredients that have analyses, by name: (id, "code - name").
std::vector<std::pair<int, QString>> analysedIngredients(store::Database& db);
grid::GridContent storedAnalysisGrid(const std::vector<StoredAnalysis>& analyses);

} // namespace catalog
