#include "cli/reformulate_command.h"

#include "app/format.h"
#include "book/worklist.h"
#include "book/worklist_grid.h"
#include "cli/command.h"
#include "cli/output.h"
#include "cli/shown_text.h"
#include "store/database.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>
#include <cmath>
#include <exception>
#include <numeric>

namespace cli {

namespace {

QJsonObject jsonRow(const book::WorklistRow& r, bool saved) {
    QJsonObject o;
    o.insert("codigo", r.codigo);
    o.insert("producto", r.producto);
    o.insert("version", r.version);
    o.insert("costo_anterior", jsonNumber(r.costoAnterior));
    o.insert("costo_mezcla_hoy", jsonNumber(r.costoMezclaHoy));
    o.insert("costo_nuevo", jsonNumber(r.costoNuevo));
    o.insert("cambio_porcentual", jsonNumber(r.cambioPorcentual()));
    o.insert("outcome", book::outcomeKey(r.outcome));
    o.insert("mensaje", r.mensaje);
    o.insert("entran", QJsonArray::fromStringList(r.entran));
    o.insert("salen", QJsonArray::fromStringList(r.salen));
    // Only formulas with weighing conditions carry the search, as formulate's output does.
    if (r.entero)
        o.insert("entero", jsonSearch(r.entero->nodos, r.entero->brecha, r.entero->probado));
    if (saved)
        o.insert("version_nueva",
                 r.versionNueva ? QJsonValue(*r.versionNueva) : QJsonValue(QJsonValue::Null));
    return o;
}

void writeTable(QTextStream& out, const std::vector<book::WorklistRow>& rows, bool saved) {
    using namespace book;
    out << QString("%1 %2 %3 %4 %5 %6 %7")
               .arg("Código", -12)
               .arg("Versión", 7)
               .arg("Anterior", 14)
               .arg("Nuevo", 14)
               .arg("Cambio %", 9)
               .arg(" Resultado", -24)
               .arg(saved ? "Nueva versión" : "")
               .trimmed()
        << '\n';
    for (const WorklistRow& r : rows) {
        out << QString("%1 %2 %3 %4 %5  %6 %7")
                   .arg(worklistCell(r, kColCodigo), -12)
                   .arg(worklistCell(r, kColVersion), 7)
                   .arg(worklistCell(r, kColCostoAnterior), 14)
                   .arg(worklistCell(r, kColCostoNuevo), 14)
                   .arg(worklistCell(r, kColCambio), 9)
                   .arg(worklistCell(r, kColResultado), -23)
                   .arg(saved ? worklistCell(r, kColVersionNueva) : QString())
                   .trimmed()
            << '\n';
        const QString detail = worklistDetail(r);
        for (const QString& line : detail.split(u'\n', Qt::SkipEmptyParts))
            out << "    " << shownLine(line) << '\n';
    }
}

// 0 every formula at its optimum; 3 a mix without analysis (no solution, iteration limit); 4
// stopped before a mix (validation, reachability); 1 a formula that cannot be loaded. The
// worst one decides.
int exitStatus(const std::vector<book::WorklistRow>& rows) {
    int status = 0;
    const auto rank = [](int s) { return s == 1 ? 3 : (s == 4 ? 2 : (s == 3 ? 1 : 0)); };
    for (const book::WorklistRow& r : rows) {
        int s = 0;
        switch (r.outcome) {
        case book::Outcome::Optimum:
        case book::Outcome::NoLeavingRow:
            s = 0;
            break;
        case book::Outcome::IterationLimit:
        case book::Outcome::Infeasible:
            s = 3;
            break;
        case book::Outcome::NotLoaded:
            s = 1;
            break;
        default:
            s = 4;
            break;
        }
        if (rank(s) > rank(status))
            status = s;
    }
    return status;
}

} // namespace

int runReformulate(const ReformulateOptions& o, QTextStream& out, QTextStream& err) {
    try {
        auto db =
            store::Database::openFile(o.database, o.save ? store::Database::OpenMode::ReadWrite
                                                         : store::Database::OpenMode::ReadOnly);
        book::Selection selection;
        selection.codes = o.codes;
        QStringList missing;
        const std::vector<book::ChosenFormula> chosen =
            book::chooseFormulas(*db, selection, &missing);
        if (!missing.isEmpty()) {
            err << "No existe la fórmula " << shownText(missing.join(QStringLiteral(", "))) << '\n';
            return 1;
        }
        book::Reformulation run;
        int shownTenth = 0;
        book::Reformulation::Control control;
        control.progress = [&](int done, int total) {
            const int tenth = total > 0 ? done * 10 / total : 10;
            if (tenth > shownTenth || done == total) {
                shownTenth = tenth;
                err << "Reformuladas " << done << " de " << total << '\n' << Qt::flush;
            }
        };
        run.run(*db, chosen, control);
        if (o.save) {
            std::vector<int> all(run.rows().size());
            std::iota(all.begin(), all.end(), 0);
            try {
                const std::vector<int> saved = run.save(*db, all);
                err << book::savedVersionsText(saved.size()) << "\n";
            } catch (const store::StoreError& e) {
                err << "No se grabó ninguna versión nueva: " << shownLine(e.message()) << '\n';
                return 1;
            }
        }
        if (o.json) {
            for (const book::WorklistRow& r : run.rows())
                out << jsonLine(jsonRow(r, o.save));
        } else {
            writeTable(out, run.rows(), o.save);
            out << run.summary() << '\n';
        }
        return exitStatus(run.rows());
    } catch (const std::exception& e) {
        err << "Error de base de datos: " << shownLine(QString::fromUtf8(e.what())) << '\n';
        return 1;
    }
}

namespace {

class ReformulateCommand final : public CommandWith<ReformulateOptions> {
public:
    QString name() const override { return QStringLiteral("reformulate"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant reformulate --database RUTA [--formula CODIGO]... "
                              "[--save] [--json]\n"
                              "      formula de nuevo las fórmulas con los precios de hoy y graba "
                              "las versiones nuevas\n");
    }
    std::vector<OptionSpec> options() const override {
        return {
            kDatabaseOption,
            {{"formula"}, "CODIGO", "solo esa fórmula (se repite para varias; si no, todas)"},
            {{"save"}, {}, "graba las fórmulas óptimas como versiones nuevas (todas o ninguna)"},
            {{"json"}, {}, "un objeto JSON por fórmula y línea en lugar de una tabla"},
        };
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant reformulate --database RUTA [--formula CODIGO]... [--save] [--json]\n\n"
            "Formula de nuevo la versión más alta de cada fórmula (o de las nombradas) con los "
            "precios y\nla materia seca de hoy del catálogo, sobre sus límites, cantidad y bases, "
            "y muestra el\ncosto anterior y el nuevo, qué ingredientes entran y salen, y cuáles no "
            "tienen solución.\nCon --save las óptimas se graban como versiones nuevas en una sola "
            "transacción: todas o\nninguna. Con --json, un objeto por fórmula y línea: codigo, "
            "producto, version,\ncosto_anterior, costo_mezcla_hoy, costo_nuevo, "
            "cambio_porcentual, outcome, mensaje, entran,\nsalen y, con --save, version_nueva. El "
            "avance va a la salida de errores.\n\nOpciones:\n");
    }
    QString usageEnd() const override {
        return QStringLiteral(
            "\nEstado de salida: 0 todas óptimas; 3 alguna sin solución o en el límite de "
            "iteraciones;\n4 alguna detenida antes de formular (validación, control de alcance); "
            "1 error de uso, de la\nbase de datos, una fórmula que no se puede cargar o una "
            "grabación fallida.\n");
    }
    QString read(const QCommandLineParser& parser, ReformulateOptions& o) const override {
        if (const QString error = noPositionalArguments(parser); !error.isEmpty())
            return error;
        o.database = parser.value("database");
        if (o.database.isEmpty())
            return QStringLiteral("Falta --database");
        for (const QString& code : parser.values("formula")) {
            if (code.trimmed().isEmpty())
                return QStringLiteral("--formula necesita un código");
            o.codes << code.trimmed();
        }
        o.save = parser.isSet("save");
        o.json = parser.isSet("json");
        return {};
    }
    int run(const ReformulateOptions& o, QTextStream& out, QTextStream& err) const override {
        return runReformulate(o, out, err);
    }
};

} // namespace

const Command& reformulateCommand() {
    static const ReformulateCommand command;
    return command;
}

} // namespace cli
