#include "cli/formulate_command.h"

#include "app/format.h"
#include "app/globals.h"
#include "app/messages.h"
#include "optimizer/formulation_run.h"
#include "store/database.h"
#include "store/sql_text.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QTextStream>
#include <cmath>
#include <cstdio>

namespace cli {

using workspace::FormulaHeader;
using workspace::Workspace;

namespace {

const char* kUsage =
    "Uso: dosivant formulate --database RUTA (--formula CODIGO [--version N] | --id ID)\n"
    "                        [--quantity CANTIDAD] [--json]\n";

struct Options {
    QString database, code, quantity;
    std::optional<double> version;
    int id = 0;
    bool json = false;
    bool quantityGiven = false;
};

bool parse(const QStringList& args, Options* o, QString* error) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto next = [&](QString* into) {
            if (i + 1 >= args.size()) {
                *error = "Falta el valor de " + a;
                return false;
            }
            *into = args[++i];
            return true;
        };
        QString value;
        if (a == "--json") {
            o->json = true;
        } else if (a == "--database") {
            if (!next(&o->database))
                return false;
        } else if (a == "--formula") {
            if (!next(&o->code))
                return false;
        } else if (a == "--quantity") {
            if (!next(&o->quantity))
                return false;
            o->quantityGiven = true;
        } else if (a == "--version" || a == "--id") {
            if (!next(&value))
                return false;
            bool ok = false;
            const int n = value.toInt(&ok);
            if (!ok || n < 0) {
                *error = "Valor no válido para " + a + ": " + value;
                return false;
            }
            if (a == "--id")
                o->id = n;
            else
                o->version = n;
        } else {
            *error = "Argumento desconocido: " + a;
            return false;
        }
    }
    if (o->database.isEmpty()) {
        *error = "Falta --database";
        return false;
    }
    if (o->code.isEmpty() == (o->id == 0)) {
        *error = "Indique --formula o --id (uno de los dos)";
        return false;
    }
    if (o->version && o->code.isEmpty()) {
        *error = "--version va con --formula";
        return false;
    }
    return true;
}

int findFormula(store::Database& db, const Options& o) {
    if (o.id != 0)
        return o.id;
    QString sql = "select id_formula,version from formulas where codigo=" + sql::text(o.code);
    if (o.version)
        sql += " and version=" + sql::number(*o.version);
    store::RecordSet rs = db.query(sql + " order by version DESC");
    return rs.count() == 0 ? 0 : rs.toInt("id_formula");
}

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

QString jsonNumber(const QVariant& v) {
    if (!v.isValid() || !std::isfinite(v.toDouble()))
        return "null";
    return sql::number(v.toDouble());
}

QString jsonText(const QString& s) {
    QString out = "\"";
    for (const QChar c : s) {
        if (c == '"' || c == '\\')
            out += '\\' + QString(c);
        else if (c.unicode() < 0x20)
            out += QString("\\u%1").arg(c.unicode(), 4, 16, QChar('0'));
        else
            out += c;
    }
    return out + '"';
}

QString jsonRows(store::RecordSet& rs, const QStringList& fields, const QStringList& textFields) {
    QStringList rows;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        QStringList members;
        for (const QString& f : fields) {
            const QVariant v = rs.value(f);
            const QString value = textFields.contains(f)
                                      ? (v.isValid() ? jsonText(v.toString().trimmed()) : "null")
                                      : jsonNumber(v);
            members << jsonText(f) + ": " + value;
        }
        rows << "{" + members.join(", ") + "}";
    }
    return "[" + rows.join(", ") + "]";
}

const QStringList kIngredientFields = {"id_producto",     "nombre",          "porcentaje_humeda",
                                       "porcentaje_seca", "cantidad_humeda", "cantidad_seca",
                                       "costo_total"};
const QStringList kNutrientFields = {"id_propiedad", "nombre", "minimo", "maximo", "valor"};
const QStringList kAnalysisFields = {"tipo", "detalle", "valor1", "valor2", "valor3"};
const QStringList kContributionFields = {"producto", "maximo", "valor", "aportemaximo"};

double totalCost(store::RecordSet& p) {
    double total = 0;
    for (p.moveFirst(); !p.eof(); p.moveNext())
        total += p.toDouble("costo_total");
    return total;
}

QString json(Workspace& ws, optimizer::RunOutcome outcome, store::RecordSet& aportes) {
    const QStringList text = {"nombre", "tipo", "detalle", "producto"};
    QStringList members;
    members << "\"outcome\": " + jsonText(outcomeName(outcome));
    members << "\"cantidad\": " + jsonNumber(ws.vCantidad);
    members << "\"costo_unitario_humeda\": " + jsonNumber(ws.vCostoHumeda);
    members << "\"materia_seca\": " + jsonNumber(ws.vMateriaSeca);
    members << "\"costo_total\": " + jsonNumber(totalCost(ws.rsProductos));
    members << "\"ingredientes\": " + jsonRows(ws.rsProductos, kIngredientFields, text);
    members << "\"nutrientes\": " + jsonRows(ws.rsPropiedades, kNutrientFields, text);
    members << "\"analisis\": " + jsonRows(ws.rsAnalisis, kAnalysisFields, text);
    members << "\"aportes\": " + jsonRows(aportes, kContributionFields, text);
    return "{" + members.join(", ") + "}\n";
}

QString cell(const QVariant& v, const QString& pattern) {
    return v.isValid() ? fmt::format(v.toDouble(), pattern) : QString("-");
}

QString table(Workspace& ws, optimizer::RunOutcome outcome, store::RecordSet& aportes) {
    QString out;
    QTextStream s(&out);
    s << "Resultado: " << outcomeName(outcome) << "\n";
    s << "Cantidad a elaborar: " << fmt::format(ws.vCantidad, "0.00") << "\n";
    s << "Costo unitario (húmeda): $ " << fmt::format(ws.vCostoHumeda, "0.00####") << "\n";
    s << "Materia seca de la mezcla: " << fmt::format(ws.vMateriaSeca, "0.00") << " %\n";
    s << "Costo total: $ " << fmt::format(totalCost(ws.rsProductos), "0.00") << "\n\n";
    s << QString("%1 %2 %3 %4 %5\n")
             .arg("Ingrediente", -40)
             .arg("% Húmeda", 10)
             .arg("% Seca", 10)
             .arg("Cant. Húm.", 12)
             .arg("Costo", 12);
    store::RecordSet& p = ws.rsProductos;
    for (p.moveFirst(); !p.eof(); p.moveNext())
        s << QString("%1 %2 %3 %4 %5\n")
                 .arg(p.toString("nombre").trimmed().left(40), -40)
                 .arg(cell(p.value("porcentaje_humeda").toDouble() * 100, "0.00"), 10)
                 .arg(cell(p.value("porcentaje_seca").toDouble() * 100, "0.00"), 10)
                 .arg(cell(p.value("cantidad_humeda"), "0.00"), 12)
                 .arg(cell(p.value("costo_total"), "0.00"), 12);
    s << "\n"
      << QString("%1 %2 %3 %4\n")
             .arg("Nutriente", -40)
             .arg("Mínimo", 12)
             .arg("Máximo", 12)
             .arg("Valor", 12);
    store::RecordSet& n = ws.rsPropiedades;
    for (n.moveFirst(); !n.eof(); n.moveNext())
        s << QString("%1 %2 %3 %4\n")
                 .arg(n.toString("nombre").trimmed().left(40), -40)
                 .arg(cell(n.value("minimo"), "0.00"), 12)
                 .arg(cell(n.value("maximo"), "0.00"), 12)
                 .arg(cell(n.value("valor"), "0.0000"), 12);
    store::RecordSet& a = ws.rsAnalisis;
    if (a.count() > 0) {
        s << "\nAnálisis de sensibilidad\n";
        for (a.moveFirst(); !a.eof(); a.moveNext())
            s << QString("%1 %2 %3 %4 %5\n")
                     .arg(a.toString("tipo"), -3)
                     .arg(a.toString("detalle").trimmed().left(45), -45)
                     .arg(cell(a.value("valor1"), "0.00####"), 14)
                     .arg(cell(a.value("valor2"), "0.00####"), 14)
                     .arg(cell(a.value("valor3"), "0.00####"), 14);
    }
    if (aportes.count() > 0) {
        s << "\nAportes\n";
        for (aportes.moveFirst(); !aportes.eof(); aportes.moveNext())
            s << QString("%1 %2 %3 %4\n")
                     .arg(aportes.toString("producto").trimmed(), -40)
                     .arg(cell(aportes.value("maximo"), "0.00"), 12)
                     .arg(cell(aportes.value("valor"), "0.00###"), 12)
                     .arg(cell(aportes.value("aportemaximo"), "0.00###"), 12);
    }
    return out;
}

} // namespace

int runFormulateCommand(const QStringList& arguments) {
    QString out;
    const int status = runFormulateCommand(arguments, &out);
    std::fputs(out.toUtf8().constData(), stdout);
    return status;
}

int runFormulateCommand(const QStringList& arguments, QString* output) {
    Options o;
    QString error;
    if (!parse(arguments, &o, &error)) {
        std::fprintf(stderr, "%s\n%s", error.toUtf8().constData(), kUsage);
        return 1;
    }
    try {
        auto db = store::Database::openFile(o.database);
        const int id = findFormula(*db, o);
        if (id == 0) {
            std::fprintf(stderr, "No existe la fórmula %s\n", o.code.toUtf8().constData());
            return 1;
        }
        Workspace ws;
        ws.vIdFormula = id;
        const FormulaHeader header = actuFormula(ws, *db);
        if (!header.found)
            return 1;

        // The run reads the selectors and the quantity box as the window would hold them.
        store::RecordSet aportes = Workspace::newAportes();
        optimizer::RunInput input;
        input.cantidadText = o.quantityGiven ? o.quantity : header.cantidad;
        input.option1Seca = ws.vSecaIng;
        input.option2Seca = ws.vSecaNut;
        input.showContributions = [&](const QString&) {
            aportes = ws.rsAportes;
            msg::msgBox(optimizer::contributionsMessage(app::globals().gNombrePropiedad),
                        msg::Critical, QStringLiteral("Se ha cancelado la Formulación"));
        };
        const optimizer::RunResult result = optimizer::formular(ws, *db, input);
        *output = o.json ? json(ws, result.outcome, aportes) : table(ws, result.outcome, aportes);
        return exitStatus(result.outcome);
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "Error de base de datos: %s\n", e.what());
        return 1;
    }
}

} // namespace cli
