#include "printing/views/report_preview.h"

#include "app/views/modal.h"
#include "printing/catalogue_report.h"
#include "printing/page_canvas.h"
#include "printing/page_output.h"
#include "printing/views/print_services.h"
#include "store/record_set.h"

#include <QAction>
#include <QDate>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>

namespace printing {

namespace {

void previewReport(const ReportDefinition& report, store::RecordSet& rows, QWidget* parent) {
    // An empty list prints nothing and opens no report.
    if (rows.count() == 0)
        return;
    const QDate today = QDate::currentDate();
    const auto draw = [&](PageCanvas& canvas) { renderReport(canvas, report, rows, today); };

    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(standardPageLayout());
    printer.setDocName(report.title);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(report.name);
    dialog.setWindowTitle(report.title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
        QPainter painter(target);
        PainterCanvas canvas(painter);
        draw(canvas);
    });
    if (auto* toolbar = dialog.findChild<QToolBar*>()) {
        toolbar->addSeparator();
        QAction* pdf = toolbar->addAction(QStringLiteral("Guardar como PDF"));
        pdf->setObjectName(QStringLiteral("cmdGuardarPdf"));
        pdf->setToolTip(QStringLiteral("Guardar el informe como archivo PDF"));
        QObject::connect(pdf, &QAction::triggered, &dialog, [&] {
            savePdfAndOpen(&dialog, report.title + QStringLiteral(".pdf"), report.title, draw);
        });
    }
    widgets::openModal(dialog);
}

} // namespace

void previewIngredientReport(store::RecordSet& rows, QWidget* parent) {
    previewReport(repIngredientes(), rows, parent);
}

void previewNutrientReport(store::RecordSet& rows, QWidget* parent) {
    previewReport(repNutrientes(), rows, parent);
}

void previewFormulaReport(store::RecordSet& rows, QWidget* parent) {
    previewReport(repFormulas(), rows, parent);
}

} // namespace printing
