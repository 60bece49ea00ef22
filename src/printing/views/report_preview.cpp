#include "printing/views/report_preview.h"

namespace printing {

// Placeholder: the reports' own work replaces this file.
void previewIngredientReport(store::RecordSet&, QWidget*) {}
void previewNutrientReport(store::RecordSet&, QWidget*) {}
void previewFormulaReport(store::RecordSet&, QWidget*) {}

} // namespace printing
