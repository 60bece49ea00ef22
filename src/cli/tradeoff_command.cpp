#include "cli/tradeoff_command.h"

#include "app/format.h"
#include "app/messages.h"
#include "cli/command.h"
#include "cli/output.h"
#include "cli/shown_text.h"
#include "formulas/formula_lookup.h"
#include "optimizer/conflict_table.h"
#include "optimizer/tradeoff_run.h"
#include "store/database.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>
#include <exception>

namespace cli {

namespace {

QString json(const optimizer::TradeoffRun& run) {
    QJsonObject o;
    o.insert("objetivo", run.objetivo);
    o.insert("unidad", run.unidad);
    QJsonArray vertices;
    for (const optimizer::TradeoffRow& row : run.vertices) {
        QJsonObject v;
        v.insert("valor", jsonNumber(row.valor));
        v.insert("costo", jsonNumber(row.costo));
        QJsonArray mix;
        for (const optimizer::TradeoffMixLine& line : row.mezcla) {
            QJsonObject m;
            m.insert("codigo", line.codigo);
            m.insert("porcentaje", jsonNumber(line.porcentajeHumeda * 100));
            mix.append(m);
        }
        v.insert("mezcla", mix);
        vertices.append(v);
    }
    o.insert("vertices", vertices);
    return jsonLine(o);
}

QString table(const optimizer::TradeoffRun& run, const QString& formula) {
    QString out;
    QTextStream s(&out);
    s << "Curva de compromiso de la fórmula " << formula << ": " << run.objetivo
      << (run.aumentar ? " a aumentar" : " a reducir") << "\n";
    s << "Costo por unidad tal cual; mezcla en % tal cual";
    if (!run.lineal)
        s << "; el costo no es recto entre dos vértices";
    s << "\n";
    if (!run.mensaje.isEmpty())
        s << run.mensaje << "\n";
    s << "\n";
    const QStringList headers = optimizer::tradeoffHeaders(run);
    s << QString("%1 %2 %3 %4 %5\n")
             .arg("Vértice", 7)
             .arg(headers[0], 22)
             .arg(headers[1], 18)
             .arg(headers[2], 24)
             .arg(headers[3], 18);
    const std::vector<QStringList> cells = optimizer::tradeoffCells(run);
    for (std::size_t k = 0; k < cells.size(); ++k) {
        const QStringList& c = cells[k];
        s << QString("%1 %2 %3 %4 %5\n")
                 .arg(int(k + 1), 7)
                 .arg(c[0], 22)
                 .arg(c[1], 18)
                 .arg(c[2], 24)
                 .arg(c[3], 18);
        for (const optimizer::TradeoffMixLine& line : run.vertices[k].mezcla)
            s << QString("%1 %2 %3\n")
                     .arg("", 7)
                     .arg(line.codigo.isEmpty() ? line.nombre : line.codigo + " " + line.nombre,
                          -48)
                     .arg(fmt::format(line.porcentajeHumeda * 100, fmt::kSharePattern), 8);
        if (!c[4].isEmpty())
            s << QString(8, ' ') << headers[4] << ": " << c[4] << "\n";
        if (!c[5].isEmpty())
            s << QString(8, ' ') << headers[5] << ": " << c[5] << "\n";
    }
    return out;
}

void writeConflict(const optimizer::TradeoffRun& run, QTextStream& err) {
    if (run.conflicto.empty())
        return;
    err << optimizer::conflictExplanation() << '\n';
    err << optimizer::conflictHeaders().join(QStringLiteral(" | ")) << '\n';
    for (const QStringList& row : optimizer::conflictRows(run.conflicto))
        err << row.join(QStringLiteral(" | ")) << '\n';
}

} // namespace

int runTradeoff(const TradeoffOptions& o, QString* output, QTextStream& err) {
    try {
        auto db = store::Database::openFile(o.database, store::Database::OpenMode::ReadOnly);
        const int id = formulas::findFormula(*db, {o.code, o.version, o.id});
        const QString named = o.code.isEmpty() ? QString::number(o.id) : shownText(o.code);
        if (id == 0) {
            err << "No existe la fórmula " << named << '\n';
            return 1;
        }
        QString error;
        const std::optional<int> goal = optimizer::goalByName(*db, o.objetivo, &error);
        if (!goal) {
            err << shownLine(error) << '\n';
            return 1;
        }
        const optimizer::TradeoffRun run = optimizer::tradeoffOfFormula(*db, id, *goal, o.aumentar);
        // What the load tells (ingredients left out) goes where the program's messages go.
        for (const workspace::Notice& n : run.notices)
            msg::msgBox(n.text, n.kind, n.title);
        if (!run.hasCurve()) {
            err << "La fórmula " << named << " no tiene curva de compromiso: " << run.mensaje
                << '\n';
            writeConflict(run, err);
            return 1;
        }
        if (o.json) {
            if (!run.mensaje.isEmpty())
                err << run.mensaje << '\n';
            *output = json(run);
        } else {
            *output = table(run, named);
        }
        return 0;
    } catch (const std::exception& e) {
        err << "Error de base de datos: " << shownLine(QString::fromUtf8(e.what())) << '\n';
        return 1;
    }
}

namespace {

class TradeoffCommand final : public CommandWith<TradeoffOptions> {
public:
    QString name() const override { return QStringLiteral("tradeoff"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant tradeoff --database RUTA --formula CODIGO --goal "
                              "NUTRIENTE [--raise] [--json]\n"
                              "      la curva exacta del menor costo frente a un segundo "
                              "objetivo\n");
    }
    std::vector<OptionSpec> options() const override {
        return {
            kDatabaseOption,
            kFormulaOption,
            kVersionOption,
            kIdOption,
            {{"goal"},
             "NUTRIENTE",
             "el segundo objetivo: un nutriente del catálogo, por su nombre (obligatorio)",
             {"objetivo"}},
            {{"raise"}, {}, "aumentar el objetivo en lugar de reducirlo", {"aumentar"}},
            kJsonOption,
        };
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant tradeoff --database RUTA (--formula CODIGO [--version N] | --id ID)\n"
            "                       --goal NUTRIENTE [--raise] [--json]\n\n"
            "Calcula la curva exacta del menor costo de la fórmula frente a un segundo objetivo "
            "(un\nnutriente del catálogo, esté o no entre los de la fórmula, tomado en la base de "
            "sus\nnutrientes): cada vértice, donde la mezcla óptima cambia de dirección, con el "
            "valor del\nobjetivo, el costo por unidad tal cual y la mezcla en % tal cual. Entre "
            "dos vértices la\nmezcla óptima es la combinación de las dos que alcanza el valor. "
            "La curva va desde la\nmezcla de menor costo hasta el menor valor del objetivo que "
            "admiten los límites (el\nmayor con --raise). No escribe nada en la base de datos.\n\n"
            "El nutriente se nombra por su nombre completo o por una parte que esté en un solo "
            "nombre,\nsin importar mayúsculas; las tildes, como están escritas.\n\nOpciones:\n");
    }
    QString usageEnd() const override {
        return QStringLiteral("\nEstado de salida: 0 curva calculada (también de un solo "
                              "vértice); 1 error de uso, de la\nfórmula, de la base de datos o "
                              "del nombre del objetivo, o una fórmula sin curva\n(sin mezcla "
                              "posible: los límites en conflicto).\n");
    }
    QString read(const QCommandLineParser& parser, TradeoffOptions& o) const override {
        if (const QString error = noPositionalArguments(parser); !error.isEmpty())
            return error;
        o.json = parser.isSet("json");
        o.aumentar = parser.isSet("raise");
        FormulaChoice choice;
        if (const QString error = readDatabaseAndFormula(parser, o.database, choice);
            !error.isEmpty())
            return error;
        o.code = choice.code;
        o.id = choice.id;
        o.version = choice.version;
        o.objetivo = parser.value("goal").trimmed();
        if (o.objetivo.isEmpty())
            return QStringLiteral("Indique el objetivo con --goal NUTRIENTE");
        return {};
    }
    int run(const TradeoffOptions& o, QTextStream& out, QTextStream& err) const override {
        QString output;
        const int status = runTradeoff(o, &output, err);
        out << output;
        return status;
    }
};

} // namespace

const Command& tradeoffCommand() {
    static const TradeoffCommand command;
    return command;
}

} // namespace cli
