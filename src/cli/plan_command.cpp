#include "cli/plan_command.h"

#include "app/format.h"
#include "book/worklist_grid.h"
#include "cli/command.h"
#include "cli/output.h"
#include "cli/shown_text.h"
#include "optimizer/formulation_run.h"
#include "plans/plan_printout.h"
#include "plans/plan_run.h"
#include "plans/plan_store.h"
#include "plans/plan_texts.h"
#include "printing/output_file.h"
#include "printing/page_canvas.h"
#include "printing/page_output.h"
#include "store/database.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>

#include <cmath>
#include <exception>

namespace cli {

namespace {

using plans::PlanRun;
using plans::PlanRunOutcome;

QString outcomeName(PlanRunOutcome o) {
    switch (o) {
    case PlanRunOutcome::Optimum:
        return "optimum";
    case PlanRunOutcome::Infeasible:
        return "infeasible";
    case PlanRunOutcome::Failed:
        return "failed";
    case PlanRunOutcome::Invalid:
        break;
    }
    return "invalid";
}

int exitStatus(PlanRunOutcome o) {
    switch (o) {
    case PlanRunOutcome::Optimum:
        return 0;
    case PlanRunOutcome::Infeasible:
    case PlanRunOutcome::Failed:
        return 3;
    case PlanRunOutcome::Invalid:
        break;
    }
    return 4;
}

QString json(const PlanRun& run) {
    QJsonObject o;
    o.insert("outcome", outcomeName(run.outcome));
    o.insert("precios", plans::pricesName(run.precios));
    o.insert("costo_total", run.outcome == PlanRunOutcome::Optimum ? jsonNumber(run.costoTotal)
                                                                   : QJsonValue::Null);
    QJsonArray formulas;
    for (const plans::PlannedFormula& f : run.formulas) {
        QJsonObject row;
        row.insert("codigo", f.row.codigo);
        row.insert("version", f.row.version); // the version formulated
        row.insert("version_plan", f.versionPlan);
        row.insert("fecha_precios", f.fechaPrecios
                                        ? QJsonValue(f.fechaPrecios->toString(Qt::ISODate))
                                        : QJsonValue(QJsonValue::Null));
        row.insert("cantidad", jsonNumber(f.row.cantidad));
        row.insert("costo_unitario_humeda", jsonNumber(f.costoUnitarioHumeda));
        row.insert("costo_solo", jsonNumber(f.costoSolo));
        QJsonArray ingredients;
        for (const plans::PlannedIngredient& i : f.ingredientes) {
            QJsonObject ing;
            ing.insert("id_producto", i.idProducto);
            ing.insert("nombre", i.nombre);
            ing.insert("porcentaje_humeda", jsonNumber(i.porcentajeHumeda));
            ing.insert("cantidad_humeda", jsonNumber(i.cantidadHumeda));
            ingredients.append(ing);
        }
        row.insert("ingredientes", ingredients);
        formulas.append(row);
    }
    o.insert("formulas", formulas);
    QJsonArray stock;
    for (const plans::PlannedStock& s : run.stock) {
        QJsonObject row;
        row.insert("id_producto", s.idProducto);
        row.insert("nombre", s.nombre);
        row.insert("usado", jsonNumber(s.usado));
        row.insert("disponible", jsonNumber(s.disponible));
        row.insert("minimo_uso", jsonNumber(s.minimoUso));
        row.insert("valor_marginal", jsonNumber(s.valorMarginal));
        stock.append(row);
    }
    o.insert("ingredientes", stock);
    if (run.outcome == PlanRunOutcome::Infeasible) {
        QJsonArray conflict;
        for (const plans::PlanConflictRow& c : run.conflicto) {
            QJsonObject row;
            row.insert("tipo", c.tipo);
            if (!c.formula.isEmpty())
                row.insert("formula", c.formula);
            row.insert("nombre", c.nombre);
            row.insert("limite", c.limite);
            row.insert("valor", jsonNumber(c.valor));
            row.insert("relajacion", jsonNumber(c.relajacion));
            row.insert("costo", jsonNumber(c.costo));
            conflict.append(row);
        }
        o.insert("conflicto", conflict);
    }
    if (!run.mensaje.isEmpty())
        o.insert("mensaje", run.mensaje);
    // Only plans with weighing conditions carry the search, as a single formula's output does.
    if (const auto& e = run.entero) {
        QJsonObject entero = jsonSearch(e->nodos, e->brecha, e->probado);
        entero.insert("costo_continuo", jsonNumber(e->costoContinuo));
        o.insert("entero", entero);
    }
    return jsonDocument(o);
}

// A figure that is not there (no stock limit, no cost alone) is left blank.
QString cell(const std::optional<double>& v, const char* format) {
    return tableNumber(v, QString::fromLatin1(format), QString());
}

QString table(const PlanRun& run) {
    QString out;
    QTextStream s(&out);
    if (!run.mensaje.isEmpty())
        s << run.mensaje << "\n";
    if (run.outcome == PlanRunOutcome::Infeasible) {
        const QString line = QStringLiteral("%1 %2 %3 %4 %5 %6\n");
        if (!run.conflicto.empty())
            s << line.arg("Restricción", -30)
                     .arg("Nombre", -30)
                     .arg("Límite", -7)
                     .arg("Valor", 12)
                     .arg("Relajación", 12)
                     .arg("Costo", 12);
        for (const plans::PlanConflictRow& c : run.conflicto)
            s << line.arg(c.formula.isEmpty() ? c.tipo : c.formula + " " + c.tipo, -30)
                     .arg(c.nombre.left(30), -30)
                     .arg(c.limite, -7)
                     .arg(cell(c.valor, "0.00"), 12)
                     .arg(cell(c.relajacion, "0.00"), 12)
                     .arg(cell(c.costo, "0.00"), 12);
        return out;
    }
    if (run.outcome != PlanRunOutcome::Optimum)
        return out;
    s << QString("Costo total del plan: %1\n").arg(cell(run.costoTotal, "0.00"));
    if (const QString stopped = plans::searchText(run); !stopped.isEmpty())
        s << stopped << "\n";
    s << plans::pricesChoiceText(run.precios) << "\n";
    for (const plans::PlannedFormula& f : run.formulas) {
        s << QString("\n%1 versión %2: %3, costo %4 (sola %5), precios %6\n")
                 .arg(f.row.codigo, f.row.version, cell(f.row.cantidad, "0.00"),
                      cell(f.costoUnitarioHumeda, "0.0000"), cell(f.costoSolo, "0.0000"),
                      plans::pricesText(f, run.precios));
        for (const plans::PlannedIngredient& i : f.ingredientes)
            s << QString("  %1 %2 %3\n")
                     .arg(i.nombre.left(40), -40)
                     .arg(cell(i.porcentajeHumeda * 100, "0.00"), 8)
                     .arg(cell(i.cantidadHumeda, "0.00"), 12);
    }
    s << "\n"
      << QString("%1 %2 %3 %4 %5\n")
             .arg("Ingrediente", -40)
             .arg("Usado", 12)
             .arg("Disponible", 12)
             .arg("Mínimo", 12)
             .arg("Valor marg.", 12);
    for (const plans::PlannedStock& st : run.stock)
        s << QString("%1 %2 %3 %4 %5\n")
                 .arg(st.nombre.left(40), -40)
                 .arg(cell(st.usado, "0.00"), 12)
                 .arg(cell(st.disponible, "0.00"), 12)
                 .arg(cell(st.minimoUso, "0.00"), 12)
                 .arg(cell(st.valorMarginal, "0.0000"), 12);
    return out;
}

} // namespace

int runPlan(const PlanOptions& o, QString* output, QTextStream& err) {
    if (!o.pdf.isEmpty()) {
        const QString problem = printing::outputTargetProblem(o.pdf, o.database);
        if (!problem.isEmpty()) {
            err << "dosivant plan: " << shownLine(problem) << '\n';
            return 1;
        }
    }
    try {
        auto db =
            store::Database::openFile(o.database, o.save ? store::Database::OpenMode::ReadWrite
                                                         : store::Database::OpenMode::ReadOnly);
        const std::optional<int> id = plans::findPlan(*db, o.plan);
        const std::optional<plans::StoredPlan> plan = id ? plans::loadPlan(*db, *id) : std::nullopt;
        if (!plan) {
            err << "No existe el plan " << shownText(o.plan) << '\n';
            return 1;
        }
        // Headless, a search runs to its proof unless told otherwise.
        lp::IntegerLimits limits;
        limits.maxNodos = o.maxNodos;
        limits.maxSegundos = o.maxSegundos;
        const PlanRun run = plans::formulatePlan(
            *db, *plan, o.storedVersions ? plans::PlanPrices::Stored : plans::PlanPrices::Current,
            limits);
        if (!o.pdf.isEmpty() && run.outcome == PlanRunOutcome::Optimum) {
            QString error;
            const auto draw = [&](printing::PageCanvas& canvas) {
                plans::drawPlan(canvas, plan->header, run);
            };
            if (!printing::writePdf(o.pdf, plans::printoutTitle(plan->header), draw, &error)) {
                err << "dosivant plan: " << shownLine(error) << '\n';
                return 1;
            }
            err << "Escrito " << shownLine(o.pdf) << '\n';
        } else if (!o.pdf.isEmpty()) {
            err << "El plan no tiene solución: no se escribió " << shownLine(o.pdf) << '\n';
        }
        if (o.save && run.outcome == PlanRunOutcome::Optimum) {
            const std::vector<int> saved = plans::savePlan(*db, run);
            err << book::savedVersionsText(saved.size()) << "\n";
        }
        *output = o.json ? json(run) : table(run);
        return exitStatus(run.outcome);
    } catch (const std::exception& e) {
        err << "Error de base de datos: " << shownLine(QString::fromUtf8(e.what())) << '\n';
        return 1;
    }
}

namespace {

class PlanCommand final : public CommandWith<PlanOptions> {
public:
    QString name() const override { return QStringLiteral("plan"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant plan --database RUTA --plan NOMBRE [--json] [--save] "
                              "[--stored-versions]\n"
                              "                [--pdf ARCHIVO]\n"
                              "      formula a la vez las fórmulas de un plan de producción\n");
    }
    std::vector<OptionSpec> options() const override {
        return {
            kDatabaseOption,
            {{"plan"}, "NOMBRE", "el plan de producción de ese nombre (obligatorio)"},
            kJsonOption,
            {{"save"}, {}, "graba la mezcla planeada de cada fórmula como una versión nueva"},
            {{"stored-versions"},
             {},
             "formula la versión que nombra el plan con sus precios guardados (si no, la versión "
             "más alta de cada código con los precios actuales)"},
            {{"pdf"}, "ARCHIVO", "escribe el resultado del plan en un PDF"},
            kMaxNodesOption,
            kMaxSecondsOption,
        };
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant plan --database RUTA --plan NOMBRE [--json] [--save] "
            "[--stored-versions]\n                   [--pdf ARCHIVO] [--max-nodes N] "
            "[--max-seconds S]\n\n"
            "Formula a la vez todas las fórmulas del plan de producción, con lo disponible y el "
            "uso\nmínimo de cada ingrediente, al menor costo total; muestra la mezcla de cada "
            "fórmula, su\ncosto (y el de formularla sola) y, por ingrediente, lo usado y su valor "
            "marginal. De cada\nfórmula toma la versión más alta de su código con los precios y "
            "la materia seca actuales\ndel catálogo, como la reformulación; con --stored-versions, "
            "la versión que nombra el plan\ncon los precios guardados en ella. Muestra la versión "
            "y la fecha de los precios usados\n(en JSON: \"precios\": \"actuales\" o \"guardados\" "
            "y, por fórmula, \"version\"). Solo\nescribe en la base de datos con --save. Con --pdf "
            "escribe además el resultado impreso\n(solo si el plan tiene solución). Cada fórmula "
            "conserva sus condiciones de pesada;\ncon --max-nodes o --max-seconds su búsqueda se "
            "detiene antes y el plan dice su brecha.\n\n"
            "Opciones:\n");
    }
    QString usageEnd() const override {
        return QStringLiteral(
            "\nEstado de salida: 0 óptimo; 3 el plan no puede cumplir todos los límites;\n4 una "
            "fórmula se detuvo antes de formular; 1 error de uso, plan inexistente o error de la "
            "base de datos.\n");
    }
    QString read(const QCommandLineParser& parser, PlanOptions& o) const override {
        if (const QString error = noPositionalArguments(parser); !error.isEmpty())
            return error;
        o.database = parser.value("database");
        o.plan = parser.value("plan").trimmed();
        o.json = parser.isSet("json");
        o.save = parser.isSet("save");
        o.pdf = parser.value("pdf");
        o.storedVersions = parser.isSet("stored-versions");
        if (const QString error = readSearchLimits(parser, o.maxNodos, o.maxSegundos);
            !error.isEmpty())
            return error;
        if (o.database.isEmpty())
            return QStringLiteral("Falta --database");
        if (o.plan.isEmpty())
            return QStringLiteral("Falta --plan");
        if (parser.isSet("pdf") && o.pdf.isEmpty())
            return QStringLiteral("Falta el archivo de --pdf");
        return {};
    }
    int run(const PlanOptions& o, QTextStream& out, QTextStream& err) const override {
        QString output;
        const int status = runPlan(o, &output, err);
        out << output;
        return status;
    }
    // A plan lays out text only when it is printed.
    bool needsFonts(const PlanOptions& o) const override { return !o.pdf.isEmpty(); }
};

} // namespace

const Command& planCommand() {
    static const PlanCommand command;
    return command;
}

} // namespace cli
