#include "cli/formulate_command.h"

#include "app/format.h"
#include "app/messages.h"
#include "cli/command_line.h"
#include "cli/output.h"
#include "cli/shown_text.h"
#include "formulas/formula_lookup.h"
#include "optimizer/stored_formulation.h"
#include "store/database.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>
#include <cmath>
#include <exception>

namespace cli {

using workspace::FormulaHeader;
using workspace::Workspace;

namespace {

QString outcomeName(optimizer::RunOutcome o) {
    switch (o) {
    case optimizer::RunOutcome::Optimum:
        return "optimum";
    case optimizer::RunOutcome::NoLeavingRow:
        return "no_leaving_row";
    case optimizer::RunOutcome::IterationLimit:
        return "iteration_limit";
    case optimizer::RunOutcome::Infeasible:
        return "infeasible";
    case optimizer::RunOutcome::NotStandard:
        return "not_standard";
    case optimizer::RunOutcome::PrecheckFailed:
        return "precheck_failed";
    case optimizer::RunOutcome::Invalid:
        return "invalid";
    }
    return "invalid";
}

int exitStatus(optimizer::RunOutcome o) {
    switch (o) {
    case optimizer::RunOutcome::Optimum:
    case optimizer::RunOutcome::NoLeavingRow:
        return 0;
    case optimizer::RunOutcome::IterationLimit:
    case optimizer::RunOutcome::Infeasible:
        return 3;
    default:
        return 4;
    }
}

QJsonArray jsonIngredients(const std::vector<workspace::FormulaIngredient>& rows) {
    QJsonArray out;
    for (const workspace::FormulaIngredient& p : rows) {
        QJsonObject row;
        row.insert("id_producto", jsonNumber(p.id));
        row.insert("nombre", p.nombre.trimmed());
        row.insert("porcentaje_humeda", jsonNumber(p.porcentajeHumeda));
        row.insert("porcentaje_seca", jsonNumber(p.porcentajeSeca));
        row.insert("cantidad_humeda", jsonNumber(p.cantidadHumeda));
        row.insert("cantidad_seca", jsonNumber(p.cantidadSeca));
        row.insert("costo_total", jsonNumber(p.costoTotal));
        out.append(row);
    }
    return out;
}

// A nutrient held with a probability also carries it, the margin kept from its limits and the
// standard deviation of the mix's content (empty when no mix meets them); the others stay as they
// were.
QJsonArray jsonNutrients(const std::vector<workspace::FormulaNutrient>& rows,
                         const optimizer::Formulation& result) {
    QJsonArray out;
    for (const workspace::FormulaNutrient& n : rows) {
        QJsonObject row;
        row.insert("id_propiedad", jsonNumber(n.id));
        row.insert("nombre", n.nombre.trimmed());
        row.insert("minimo", jsonNumber(n.minimo));
        row.insert("maximo", jsonNumber(n.maximo));
        row.insert("valor", jsonNumber(n.valor));
        if (n.probabilidad) {
            const optimizer::ChanceFigureRow* f = optimizer::chanceFigureOf(result, n.id);
            row.insert("probabilidad", jsonNumber(n.probabilidad));
            row.insert("margen", jsonNumber(f ? std::optional<double>(f->margen) : std::nullopt));
            row.insert("desvio", jsonNumber(f ? std::optional<double>(f->desvio) : std::nullopt));
        }
        out.append(row);
    }
    return out;
}

QJsonArray jsonAnalysis(const std::vector<workspace::SensitivityRow>& rows) {
    QJsonArray out;
    for (const workspace::SensitivityRow& a : rows) {
        QJsonObject row;
        row.insert("tipo", a.tipo.trimmed());
        row.insert("detalle", a.detalle.trimmed());
        row.insert("valor1", jsonNumber(a.valor1));
        row.insert("valor2", jsonNumber(a.valor2));
        row.insert("valor3", jsonNumber(a.valor3));
        out.append(row);
    }
    return out;
}

QJsonArray jsonContributions(const std::vector<workspace::ContributionRow>& rows) {
    QJsonArray out;
    for (const workspace::ContributionRow& c : rows) {
        QJsonObject row;
        row.insert("producto", c.producto.trimmed());
        row.insert("maximo", jsonNumber(c.maximo));
        row.insert("valor", jsonNumber(c.valor));
        row.insert("aportemaximo", jsonNumber(c.aportemaximo));
        out.append(row);
    }
    return out;
}

double totalCost(const std::vector<workspace::FormulaIngredient>& rows) {
    double total = 0;
    for (const workspace::FormulaIngredient& p : rows)
        total += p.costoTotal.value_or(0);
    return total;
}

// The limits that cannot hold together, each with the value that would let the formula solve
// and the cost there.
QJsonArray jsonConflict(const std::vector<lp::ConflictLimit>& conflict) {
    QJsonArray rows;
    for (const lp::ConflictLimit& c : conflict) {
        QJsonObject row;
        row.insert("tipo", lp::kindName(c.limit.kind));
        row.insert("nombre", QString::fromStdString(c.nombre).trimmed());
        row.insert("limite", c.limit.side == lp::LimitRef::Minimum ? "minimo" : "maximo");
        row.insert("valor", jsonNumber(c.valor));
        row.insert("relajacion", jsonNumber(c.relajacion));
        row.insert("costo", jsonNumber(c.costo));
        rows.append(row);
    }
    return rows;
}

QJsonArray jsonRatios(const std::vector<formulas::FormulaRatio>& rows) {
    QJsonArray out;
    for (const formulas::FormulaRatio& r : rows) {
        QJsonObject row;
        row.insert("numerador", r.nombreNumerador.trimmed());
        row.insert("divisor", r.nombreDivisor.trimmed());
        row.insert("nombre", r.nombre().trimmed());
        row.insert("minimo", jsonNumber(r.minimo));
        row.insert("maximo", jsonNumber(r.maximo));
        row.insert("valor", jsonNumber(r.valor));
        out.append(row);
    }
    return out;
}

QJsonArray jsonGroups(const std::vector<formulas::FormulaGroup>& rows) {
    QJsonArray out;
    for (const formulas::FormulaGroup& g : rows) {
        QJsonObject row;
        row.insert("nombre", g.nombre.trimmed());
        row.insert("minimo", jsonNumber(g.minimo));
        row.insert("maximo", jsonNumber(g.maximo));
        row.insert("valor", jsonNumber(g.valor));
        out.append(row);
    }
    return out;
}

// Qt writes every double as the shortest text that reads back as the same double, so the
// document carries the figures exactly.
QString json(Workspace& ws, const optimizer::Formulation& result,
             const std::vector<workspace::ContributionRow>& aportes) {
    const optimizer::RunOutcome outcome = result.outcome;
    QJsonObject o;
    o.insert("outcome", outcomeName(outcome));
    o.insert("cantidad", jsonNumber(ws.batchQuantity));
    o.insert("costo_unitario_humeda", jsonNumber(ws.vCostoHumeda));
    o.insert("materia_seca", jsonNumber(ws.vMateriaSeca));
    o.insert("costo_total", jsonNumber(totalCost(ws.ingredients)));
    o.insert("ingredientes", jsonIngredients(ws.ingredients));
    o.insert("nutrientes", jsonNutrients(ws.nutrients, result));
    // Only formulas with such limits carry the keys: the documents of the others stay as they were.
    if (!ws.ratios.empty())
        o.insert("relaciones", jsonRatios(ws.ratios));
    if (!ws.groups.empty())
        o.insert("grupos", jsonGroups(ws.groups));
    o.insert("analisis", jsonAnalysis(ws.analysisRows));
    o.insert("aportes", jsonContributions(aportes));
    if (outcome == optimizer::RunOutcome::Infeasible)
        o.insert("conflicto", jsonConflict(result.conflicto));
    // Only formulas with weighing conditions carry the search.
    if (const auto& e = result.entero) {
        QJsonObject entero = jsonSearch(e->nodos, e->brecha, e->probado);
        entero.insert("costo_continuo", jsonNumber(e->costoContinuo));
        o.insert("entero", entero);
    }
    return jsonLine(o);
}

// A limit that is not set, or a figure that is not there, shows as "-".
QString cell(const std::optional<double>& v, const QString& pattern) {
    return tableNumber(v, pattern, QStringLiteral("-"));
}

QString table(Workspace& ws, const optimizer::Formulation& result,
              const std::vector<workspace::ContributionRow>& aportes) {
    const optimizer::RunOutcome outcome = result.outcome;
    QString out;
    QTextStream s(&out);
    s << "Resultado: " << outcomeName(outcome) << "\n";
    s << "Cantidad a elaborar: " << fmt::format(ws.batchQuantity, "0.00") << "\n";
    s << "Costo unitario (húmeda): $ " << fmt::format(ws.vCostoHumeda, "0.00####") << "\n";
    s << "Materia seca de la mezcla: " << fmt::format(ws.vMateriaSeca, "0.00") << " %\n";
    s << "Costo total: $ " << fmt::format(totalCost(ws.ingredients), "0.00") << "\n\n";
    s << QString("%1 %2 %3 %4 %5\n")
             .arg("Ingrediente", -40)
             .arg("% Húmeda", 10)
             .arg("% Seca", 10)
             .arg("Cant. Húm.", 12)
             .arg("Costo", 12);
    for (const workspace::FormulaIngredient& p : ws.ingredients)
        s << QString("%1 %2 %3 %4 %5\n")
                 .arg(p.nombre.trimmed().left(40), -40)
                 .arg(cell(p.porcentajeHumeda.value_or(0) * 100, "0.00"), 10)
                 .arg(cell(p.porcentajeSeca.value_or(0) * 100, "0.00"), 10)
                 .arg(cell(p.cantidadHumeda, "0.00"), 12)
                 .arg(cell(p.costoTotal, "0.00"), 12);
    s << "\n"
      << QString("%1 %2 %3 %4\n")
             .arg("Nutriente", -40)
             .arg("Mínimo", 12)
             .arg("Máximo", 12)
             .arg("Valor", 12);
    for (const workspace::FormulaNutrient& n : ws.nutrients)
        s << QString("%1 %2 %3 %4\n")
                 .arg(n.nombre.trimmed().left(40), -40)
                 .arg(cell(n.minimo, "0.00"), 12)
                 .arg(cell(n.maximo, "0.00"), 12)
                 .arg(cell(n.valor, "0.0000"), 12);
    if (!result.chance.empty()) {
        s << "\n"
          << QString("%1 %2 %3 %4 %5\n")
                 .arg("Nutriente con probabilidad", -40)
                 .arg("Prob.", 8)
                 .arg("Media", 12)
                 .arg("Margen", 12)
                 .arg("Desvío", 12);
        for (const optimizer::ChanceFigureRow& f : result.chance)
            s << QString("%1 %2 %3 %4 %5\n")
                     .arg(f.nombre.trimmed().left(40), -40)
                     .arg(optimizer::probabilityPercent(f.probabilidad), 8)
                     .arg(cell(f.media, "0.0000"), 12)
                     .arg(cell(f.margen, "0.0000"), 12)
                     .arg(cell(f.desvio, "0.0000"), 12);
        s << optimizer::independenceNote() << "\n";
    }
    if (!ws.ratios.empty()) {
        s << "\n"
          << QString("%1 %2 %3 %4\n")
                 .arg("Relación", -40)
                 .arg("Mínimo", 12)
                 .arg("Máximo", 12)
                 .arg("Valor", 12);
        for (const formulas::FormulaRatio& r : ws.ratios)
            s << QString("%1 %2 %3 %4\n")
                     .arg(r.nombre().trimmed().left(40), -40)
                     .arg(cell(r.minimo, "0.00"), 12)
                     .arg(cell(r.maximo, "0.00"), 12)
                     .arg(cell(r.valor, "0.0000"), 12);
    }
    if (!ws.groups.empty()) {
        s << "\n"
          << QString("%1 %2 %3 %4\n")
                 .arg("Grupo", -40)
                 .arg("Mínimo", 12)
                 .arg("Máximo", 12)
                 .arg("Cantidad", 12);
        for (const formulas::FormulaGroup& g : ws.groups)
            s << QString("%1 %2 %3 %4\n")
                     .arg(g.nombre.trimmed().left(40), -40)
                     .arg(cell(g.minimo, "0.00"), 12)
                     .arg(cell(g.maximo, "0.00"), 12)
                     .arg(cell(g.valor, "0.00"), 12);
    }
    if (!ws.analysisRows.empty()) {
        s << "\nAnálisis de sensibilidad\n";
        for (const workspace::SensitivityRow& a : ws.analysisRows)
            s << QString("%1 %2 %3 %4 %5\n")
                     .arg(a.tipo, -3)
                     .arg(a.detalle.trimmed().left(45), -45)
                     .arg(cell(a.valor1, "0.00####"), 14)
                     .arg(cell(a.valor2, "0.00####"), 14)
                     .arg(cell(a.valor3, "0.00####"), 14);
    }
    if (!aportes.empty()) {
        s << "\nAportes\n";
        for (const workspace::ContributionRow& c : aportes)
            s << QString("%1 %2 %3 %4\n")
                     .arg(c.producto.trimmed(), -40)
                     .arg(cell(c.maximo, "0.00"), 12)
                     .arg(cell(c.valor, "0.00###"), 12)
                     .arg(cell(c.aportemaximo, "0.00###"), 12);
    }
    return out;
}

} // namespace

int runFormulate(const FormulateOptions& o, QString* output, QTextStream& err) {
    try {
        auto db = store::Database::openFile(o.database, store::Database::OpenMode::ReadOnly);
        const int id = formulas::findFormula(*db, {o.code, o.version, o.id});
        if (id == 0) {
            err << "No existe la fórmula "
                << (o.code.isEmpty() ? QString::number(o.id) : shownText(o.code)) << '\n';
            return 1;
        }
        // The quantity box as the window would hold it: the one given, or the stored mix's total.
        optimizer::StoredRunOptions options;
        options.mixTotal = true;
        options.maxNodos = o.maxNodos;
        options.maxSegundos = o.maxSegundos;
        if (o.quantityGiven) {
            options.cantidad = optimizer::quantityOf(o.quantity);
            if (!options.cantidad) {
                const workspace::Notice refused = optimizer::quantityNotNumeric();
                msg::msgBox(refused.text, refused.kind, refused.title);
                return 1;
            }
        }
        const optimizer::StoredRun run = optimizer::formulateStored(*db, id, options);
        if (run.refusal) {
            msg::msgBox(run.refusal->text, run.refusal->kind, run.refusal->title);
            return 1;
        }
        for (const workspace::Notice& n : run.notices)
            msg::msgBox(n.text, n.kind, n.title);
        const optimizer::Formulation& result = run.formulation;
        std::vector<workspace::ContributionRow> aportes;
        if (result.unreachable) {
            aportes = result.unreachable->contributions;
            msg::msgBox(optimizer::contributionsMessage(result.unreachable->nombre), msg::Critical,
                        QStringLiteral("Se ha cancelado la Formulación"));
        }
        // A quantity the run refuses is a mistake on the command line: its message says which,
        // and there are no results to show.
        if (result.quantityRefused)
            return 1;
        Workspace& ws = *run.ws;
        *output = o.json ? json(ws, result, aportes) : table(ws, result, aportes);
        return exitStatus(result.outcome);
    } catch (const std::exception& e) {
        err << "Error de base de datos: " << shownLine(QString::fromUtf8(e.what())) << '\n';
        return 1;
    }
}

int runFormulateCommand(const QStringList& arguments, QString* output) {
    QTextStream err(stderr);
    const Invocation inv = parseCommandLine(QStringList{"dosivant", "formulate"} + arguments);
    const FormulateOptions* options = inv.options<FormulateOptions>();
    if (!options) {
        QTextStream out(output);
        return runWithoutWindow(inv, out, err);
    }
    return runFormulate(*options, output, err);
}

namespace {

class FormulateCommand final : public CommandWith<FormulateOptions> {
public:
    QString name() const override { return QStringLiteral("formulate"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant formulate --database RUTA (--formula CODIGO "
                              "[--version N] | --id ID)\n"
                              "                     [--quantity CANTIDAD] [--json]\n"
                              "                     [--max-nodes N] [--max-seconds S]\n"
                              "      formula una fórmula guardada sin abrir la ventana\n");
    }
    std::vector<OptionSpec> options() const override {
        return {kDatabaseOption,
                kFormulaOption,
                kVersionOption,
                kIdOption,
                {{"quantity"}, "CANTIDAD", "la cantidad a elaborar (si no, la de la fórmula)"},
                kMaxNodesOption,
                kMaxSecondsOption,
                kJsonOption};
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant formulate --database RUTA (--formula CODIGO [--version "
            "N] | --id ID)\n"
            "                          [--quantity CANTIDAD] [--json]\n"
            "                          [--max-nodes N] [--max-seconds S]\n\n"
            "Carga la fórmula, la formula a mínimo costo como el botón de la "
            "ventana y muestra el\nresultado; no escribe nada en la base de "
            "datos.\n\nOpciones:\n");
    }
    QString usageEnd() const override {
        return QStringLiteral("\nEstado de salida: 0 óptimo; 3 mezcla escrita sin análisis "
                              "(infactible, límite de\niteraciones); 4 detenida antes de escribir "
                              "(validación, control de alcance);\n1 error de uso, de cantidad o de "
                              "la base de datos.\n");
    }
    QString read(const QCommandLineParser& parser, FormulateOptions& o) const override {
        if (const QString error = noPositionalArguments(parser); !error.isEmpty())
            return error;
        o.json = parser.isSet("json");
        o.quantityGiven = parser.isSet("quantity");
        o.quantity = parser.value("quantity");
        if (const QString error = readSearchLimits(parser, o.maxNodos, o.maxSegundos);
            !error.isEmpty())
            return error;
        FormulaChoice choice;
        if (const QString error = readDatabaseAndFormula(parser, o.database, choice);
            !error.isEmpty())
            return error;
        o.code = choice.code;
        o.id = choice.id;
        o.version = choice.version;
        return {};
    }
    int run(const FormulateOptions& o, QTextStream& out, QTextStream& err) const override {
        QString output;
        const int status = runFormulate(o, &output, err);
        out << output;
        return status;
    }
};

} // namespace

const Command& formulateCommand() {
    static const FormulateCommand command;
    return command;
}

} // namespace cli
