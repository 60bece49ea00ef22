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

const char* kPrintUsage = "Uso: dosivant print --database RUTA (--formula CODIGO [--version N] | "
                          "--id ID) (--pdf ARCHIVO | --odt ARCHIVO)\n";
const char* kReportUsage = "Uso: dosivant report (ingredientes|nutrientes|formulas) --database "
                           "RUTA --pdf ARCHIVO\n";

struct Options {
    QString database, code, pdf, odt, list;
    std::optional<int> version;
    int id = 0;
};

// Reads "--name value" pairs and at most one bare word (the report's list).
bool parse(const QStringList& args, Options* o, QString* error) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QStringLiteral("--"))) {
            if (!o->list.isEmpty()) {
                *error = QStringLiteral("Argumento desconocido: ") + a;
                return false;
            }
            o->list = a;
            continue;
        }
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
            *error = QStringLiteral("Falta el valor de ") + a;
            return false;
        }
        const QString value = args[++i];
        if (a == QStringLiteral("--database")) {
            o->database = value;
        } else if (a == QStringLiteral("--formula")) {
            o->code = value;
        } else if (a == QStringLiteral("--pdf")) {
            o->pdf = value;
        } else if (a == QStringLiteral("--odt")) {
            o->odt = value;
        } else if (a == QStringLiteral("--version") || a == QStringLiteral("--id")) {
            bool ok = false;
            const int n = value.toInt(&ok);
            if (!ok || n <= 0) {
                *error = QStringLiteral("Valor no válido para %1: %2").arg(a, value);
                return false;
            }
            if (a == QStringLiteral("--id"))
                o->id = n;
            else
                o->version = n;
        } else {
            *error = QStringLiteral("Argumento desconocido: ") + a;
            return false;
        }
    }
    if (o->database.isEmpty()) {
        *error = QStringLiteral("Falta --database");
        return false;
    }
    return true;
}

int findFormula(store::Database& db, const Options& o) {
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

int runPrintCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    Options o;
    QString error;
    if (parse(arguments, &o, &error) && !o.list.isEmpty())
        error = QStringLiteral("Argumento desconocido: ") + o.list;
    else if (error.isEmpty() && o.code.isEmpty() == (o.id == 0))
        error = QStringLiteral("Indique --formula o --id (uno de los dos)");
    else if (error.isEmpty() && o.version && o.code.isEmpty())
        error = QStringLiteral("--version va con --formula");
    else if (error.isEmpty() && o.pdf.isEmpty() == o.odt.isEmpty())
        error = QStringLiteral("Indique --pdf o --odt (uno de los dos)");
    if (!error.isEmpty()) {
        err << "dosivant print: " << error << '\n' << kPrintUsage;
        return 1;
    }
    try {
        auto db = store::Database::openFile(o.database);
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

int runReportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    Options o;
    QString error;
    const printing::ReportDefinition* report = nullptr;
    if (parse(arguments, &o, &error)) {
        if (o.list == QStringLiteral("ingredientes"))
            report = &printing::repIngredientes();
        else if (o.list == QStringLiteral("nutrientes"))
            report = &printing::repNutrientes();
        else if (o.list == QStringLiteral("formulas"))
            report = &printing::repFormulas();
        else
            error = QStringLiteral("Indique el informe: ingredientes, nutrientes o formulas");
        if (error.isEmpty() && o.pdf.isEmpty())
            error = QStringLiteral("Falta --pdf");
        if (error.isEmpty() && (!o.odt.isEmpty() || !o.code.isEmpty() || o.id || o.version))
            error = QStringLiteral("El informe sólo acepta --database y --pdf");
    }
    if (!error.isEmpty()) {
        err << "dosivant report: " << error << '\n' << kReportUsage;
        return 1;
    }
    try {
        auto db = store::Database::openFile(o.database);
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
