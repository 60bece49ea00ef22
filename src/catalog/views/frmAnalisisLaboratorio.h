#pragma once

#include "app/views/open_file.h"
#include "catalog/analysis_summary.h"
#include "catalog/lab_analyses.h"

#include <QDialog>
#include <optional>
#include <vector>

class GridBinding;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTabWidget;

namespace store {
class Database;
}

namespace catalog {

// The laboratory analyses of the ingredients' lots: "Importar" reads a CSV file of results and
// stores them after a question; "Análisis guardados" lists what is stored, of one ingredient or
// all; "Actualizar composición" shows, for a period, the mean and deviation of every ingredient
// and nutrient analysed often enough against today's, and makes them the stored ones for the
// rows the user keeps.
class frmAnalisisLaboratorio : public QDialog {
    Q_OBJECT
public:
    // The file it opens is asked through widgets::chooseOpenFile; tests install their own.
    using FileChooser = widgets::OpenFileChooser;
    static FileChooser setFileChooser(FileChooser chooser) {
        return widgets::setOpenFileChooser(std::move(chooser));
    }

    // decimalMark: how the file writes its numbers, as the regional settings say; today: the
    // last day of the period the summary starts with (a year back to it).
    frmAnalisisLaboratorio(store::Database& db, QChar decimalMark,
                           const QDate& today = QDate::currentDate(), QWidget* parent = nullptr);

    const std::optional<AnalysisPreview>& preview() const { return preview_; }
    const std::vector<AnalysisSummaryRow>& summary() const { return summary_; }

private:
    void cmdImportar_Click();
    void cmdGuardar_Click();
    void showPreview();
    void fillIngredients();
    void showStored();
    void cmdCalcular_Click();
    void cmdQuitar_Click();
    void cmdActualizar_Click();
    void showSummary();

    store::Database& db_;
    QChar decimalMark_;
    std::optional<AnalysisPreview> preview_;
    std::vector<AnalysisSummaryRow> summary_;

    QTabWidget* tabs_ = nullptr;
    QLabel* lblResumen = nullptr;
    GridBinding* analisis_ = nullptr;
    GridBinding* conflictos_ = nullptr;
    QPushButton* cmdGuardar = nullptr;
    QComboBox* cboIngrediente = nullptr;
    GridBinding* guardados_ = nullptr;
    QDateEdit* dtpDesde = nullptr;
    QDateEdit* dtpHasta = nullptr;
    QLabel* lblComposicion = nullptr;
    GridBinding* composicion_ = nullptr;
    QPushButton* cmdQuitar = nullptr;
    QPushButton* cmdActualizar = nullptr;
};

} // namespace catalog
