#pragma once

class QWidget;

namespace store {
class RecordSet;
}

namespace printing {

// The catalogue reports, shown page by page in a print preview with print and PDF export. Each
// list hands over its current rows in the list's order.
void previewIngredientReport(store::RecordSet& rows, QWidget* parent);
void previewNutrientReport(store::RecordSet& rows, QWidget* parent);
void previewFormulaReport(store::RecordSet& rows, QWidget* parent);

} // namespace printing
