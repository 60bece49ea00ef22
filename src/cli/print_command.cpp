#include "cli/print_command.h"

#include "printing/catalogue_lists.h"
#include "printing/catalogue_report.h"
#include "printing/formula_document.h"
#include "printing/formula_printout.h"
#include "printing/page_output.h"
#include "store/database.h"
#include "store/sql_text.h"
#include "workspace/formula_loader.h"
#include "workspace/results.h"
#include "workspace/workspace.h"

#include <QDate>
#include <QTextStream>
#include <optional>

namespace cli {

namespace {

int findFormula(store::Database& db, const PrintOptions& o) {
    if (o.id != 0) {
        const store::RecordSet rs =
            db.query(QStringLiteral("select id_formula from formulas where id_formula=") +
                     QString::number(o.id));
        return rs.count() == 0 ? 0 : o.id;
    }
    QString sql =
        QStringLiteral("select id_formula,version from formulas where codigo=") + sql::text(o.code);
    if (o.version)
        sql += QStringLiteral(" and version=") + QString::number(*o.version);
    const store::RecordSet rs = db.query(sql + QStringLiteral(" order by version DESC"));
    return rs.count() == 0 ? 0 : rs.valueAt(0, 0).toInt();
}

} // namespace

int runPrint(const PrintOptions& o, QTextStream& out, QTextStream& err) {
    QString error;
    try {
        auto db = store::Database::openFile(o.database, store::Database::OpenMode::ReadOnly);
        workspace::Workspace ws;
        ws.vIdFormula = findFormula(*db, o);
        if (ws.vIdFormula == 0) {
            err << "dosivant print: no existe la fórmula "
                << (o.code.isEmpty() ? QString::number(o.id) : o.code) << '\n';
            return 1;
        }
        const workspace::FormulaHeader header = workspace::actuFormula(ws, *db);
        const workspace::ResultFigures figures = workspace::actuResultados(ws, *db);
        const printing::PrintoutTexts texts = printing::PrintoutTexts::from(header, figures);
        const QDate today = QDate::currentDate();
        const QString target = o.pdf.isEmpty() ? o.odt : o.pdf;
        const bool written = o.pdf.isEmpty()
                                 ? printing::writeFormulaDocument(o.odt, ws, texts, today, &error)
                                 : printing::writePdf(
                                       o.pdf, texts.formula.trimmed(),
                                       [&](printing::PageCanvas& canvas) {
                                           printing::imprimeImpresora(canvas, ws, texts, today);
                                       },
                                       &error);
        if (!written) {
            err << "dosivant print: " << error << '\n';
            return 1;
        }
        out << "Escrito " << target << '\n';
        return 0;
    } catch (const store::StoreError& e) {
        err << "dosivant print: error de base de datos: " << e.message() << '\n';
        return 1;
    }
}

int runReport(const PrintOptions& o, QTextStream& out, QTextStream& err) {
    QString error;
    const printing::ReportDefinition* report = nullptr;
    if (o.list == QStringLiteral("ingredientes"))
        report = &printing::repIngredientes();
    else if (o.list == QStringLiteral("nutrientes"))
        report = &printing::repNutrientes();
    else
        report = &printing::repFormulas();
    try {
        auto db = store::Database::openFile(o.database, store::Database::OpenMode::ReadOnly);
        const store::RecordSet rows = printing::catalogueListRows(*db, *report);
        // As from the list: an empty list prints nothing.
        if (rows.count() == 0) {
            err << "dosivant report: la lista está vacía; no se escribió nada\n";
            return 1;
        }
        const QDate today = QDate::currentDate();
        if (!printing::writePdf(
                o.pdf, report->title,
                [&](printing::PageCanvas& canvas) {
                    printing::renderReport(canvas, *report, rows, today);
                },
                &error)) {
            err << "dosivant report: " << error << '\n';
            return 1;
        }
        out << "Escrito " << o.pdf << " (" << rows.count() << " filas)\n";
        return 0;
    } catch (const store::StoreError& e) {
        err << "dosivant report: error de base de datos: " << e.message() << '\n';
        return 1;
    }
}

} // namespace cli
