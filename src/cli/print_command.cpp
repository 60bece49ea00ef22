#include "cli/print_command.h"

#include "app/messages.h"
#include "cli/command.h"
#include "cli/shown_text.h"
#include "formulas/formula_lookup.h"
#include "optimizer/chance_figures.h"
#include "optimizer/tradeoff_run.h"
#include "printing/catalogue_lists.h"
#include "printing/catalogue_report.h"
#include "printing/formula_document.h"
#include "printing/formula_printout.h"
#include "printing/mix_chart_page.h"
#include "printing/output_file.h"
#include "printing/page_canvas.h"
#include "printing/page_output.h"
#include "store/database.h"
#include "workspace/formula_loader.h"
#include "workspace/results.h"
#include "workspace/workspace.h"

#include <QCommandLineParser>
#include <QDate>
#include <QTextStream>
#include <optional>

namespace cli {

namespace {

// Refuses, before anything is read or written, an output that would destroy the database the
// command reads or that is no file at all.
bool outputRefused(const QString& command, const QString& output, const QString& database,
                   QTextStream& err) {
    const QString problem = printing::outputTargetProblem(output, database);
    if (problem.isEmpty())
        return false;
    err << "dosivant " << command << ": " << shownLine(problem) << '\n';
    return true;
}

} // namespace

int runPrint(const PrintOptions& o, QTextStream& out, QTextStream& err) {
    QString error;
    const QString target = o.pdf.isEmpty() ? o.odt : o.pdf;
    if (outputRefused(QStringLiteral("print"), target, o.database, err))
        return 1;
    try {
        auto db = store::Database::openFile(o.database, store::Database::OpenMode::ReadOnly);
        const int id = formulas::findFormula(*db, {o.code, o.version, o.id});
        const QString named = o.code.isEmpty() ? QString::number(o.id) : shownText(o.code);
        if (id == 0) {
            err << "dosivant print: no existe la fórmula " << named << '\n';
            return 1;
        }
        workspace::LoadedFormula loaded = workspace::loadFormula(*db, id);
        if (loaded.refusal)
            msg::msgBox(loaded.refusal->text, loaded.refusal->kind, loaded.refusal->title);
        for (const workspace::Notice& n : loaded.notices)
            msg::msgBox(n.text, n.kind, n.title);
        workspace::Workspace& ws = loaded.ws;
        ws.formulaId = id;
        const workspace::FormulaHeader& header = loaded.header;
        // The load has said why; an empty page in its place would pass for the formula.
        if (!header.found) {
            err << "dosivant print: no se pudo cargar la fórmula " << named
                << "; no se escribió nada\n";
            return 1;
        }
        std::vector<int> goals;
        for (const QString& name : o.objetivos) {
            const std::optional<int> goal = optimizer::goalByName(*db, name, &error);
            if (!goal) {
                err << "dosivant print: " << shownLine(error) << "; no se escribió nada\n";
                return 1;
            }
            goals.push_back(*goal);
        }
        const workspace::ResultFigures figures = workspace::actuResultados(ws, *db);
        printing::PrintoutTexts texts = printing::PrintoutTexts::from(header, figures);
        texts.unidades = printing::nutrientUnits(*db, ws);
        texts.objetivos = printing::printedGoals(*db, ws, goals);
        // The stored mix with today's compositions, as the window shows it once loaded.
        texts.probabilidades = optimizer::chanceFiguresOfMix(ws, *db);
        const QDate today = QDate::currentDate();
        const bool written =
            o.pdf.isEmpty()
                ? printing::writeFormulaDocument(o.odt, ws, texts, today, &error)
                : printing::writePdf(
                      o.pdf, texts.formula.trimmed(),
                      [&](printing::PageCanvas& canvas) {
                          printing::imprimeImpresora(canvas, ws, texts, today);
                          if (o.charts) {
                              canvas.newPage();
                              printing::imprimeGraficos(canvas, optimizer::mixCharts(ws),
                                                        texts.formula, today);
                          }
                      },
                      &error);
        if (!written) {
            err << "dosivant print: " << shownLine(error) << '\n';
            return 1;
        }
        out << "Escrito " << shownLine(target) << '\n';
        return 0;
    } catch (const store::StoreError& e) {
        err << "dosivant print: error de base de datos: " << shownLine(e.message()) << '\n';
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
    if (outputRefused(QStringLiteral("report"), o.pdf, o.database, err))
        return 1;
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
            err << "dosivant report: " << shownLine(error) << '\n';
            return 1;
        }
        out << "Escrito " << shownLine(o.pdf) << " (" << rows.count() << " filas)\n";
        return 0;
    } catch (const store::StoreError& e) {
        err << "dosivant report: error de base de datos: " << shownLine(e.message()) << '\n';
        return 1;
    }
}

namespace {

class PrintCommand final : public CommandWith<PrintOptions> {
public:
    QString name() const override { return QStringLiteral("print"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant print --database RUTA (--formula CODIGO [--version N] | "
                              "--id ID)\n"
                              "                 (--pdf ARCHIVO | --odt ARCHIVO) [--charts] "
                              "[--goal NUTRIENTE]...\n"
                              "      escribe la impresión de una fórmula guardada en PDF o como "
                              "documento\n");
    }
    std::vector<OptionSpec> options() const override {
        return {
            kDatabaseOption,
            kFormulaOption,
            kVersionOption,
            kIdOption,
            {{"pdf"}, "ARCHIVO", "escribe la impresión en un PDF"},
            {{"odt"}, "ARCHIVO", "escribe el documento de texto (.odt)"},
            {{"charts"}, {}, "con --pdf: agrega la página de gráficos de la mezcla", {"graficos"}},
            {{"goal"},
             "NUTRIENTE",
             "agrega una línea con el valor de ese nutriente del catálogo en la mezcla, por kg y "
             "por tonelada (se puede repetir)",
             {"objetivo"}},
        };
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant print --database RUTA (--formula CODIGO [--version N] | --id ID)\n"
            "                    (--pdf ARCHIVO | --odt ARCHIVO) [--charts] [--goal "
            "NUTRIENTE]...\n\n"
            "Escribe la impresión de una fórmula guardada en PDF o como documento de texto; no "
            "escribe nada\nen la base de datos.\n\nOpciones:\n");
    }
    QString read(const QCommandLineParser& parser, PrintOptions& o) const override {
        if (const QString error = noPositionalArguments(parser); !error.isEmpty())
            return error;
        o.database = parser.value("database");
        o.pdf = parser.value("pdf");
        if (o.database.isEmpty())
            return QStringLiteral("Falta --database");
        o.odt = parser.value("odt");
        FormulaChoice choice;
        QString error = readFormulaChoice(parser, choice);
        if (error.isEmpty())
            error = formulaChoiceError(choice);
        if (!error.isEmpty())
            return error;
        o.code = choice.code;
        o.id = choice.id;
        o.version = choice.version;
        if (o.pdf.isEmpty() == o.odt.isEmpty())
            return QStringLiteral("Indique --pdf o --odt (uno de los dos)");
        o.charts = parser.isSet("charts");
        for (const QString& goal : parser.values("goal")) {
            if (goal.trimmed().isEmpty())
                return spelledAs(parser, {"goal", "objetivo"}) +
                       QStringLiteral(" necesita el nombre de un nutriente");
            o.objetivos << goal.trimmed();
        }
        if (o.charts && o.pdf.isEmpty())
            return spelledAs(parser, {"charts", "graficos"}) + QStringLiteral(" va con --pdf");
        return {};
    }
    int run(const PrintOptions& o, QTextStream& out, QTextStream& err) const override {
        return runPrint(o, out, err);
    }
    bool needsFonts(const PrintOptions&) const override { return true; }
};

} // namespace

const Command& printCommand() {
    static const PrintCommand command;
    return command;
}

} // namespace cli
