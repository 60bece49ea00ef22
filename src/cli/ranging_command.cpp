#include "cli/ranging_command.h"
#include "app/messages.h"

#include "app/format.h"
#include "cli/command.h"
#include "cli/output.h"
#include "cli/shown_text.h"
#include "formulas/formula_lookup.h"
#include "optimizer/ranging_target.h"
#include "store/database.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>
#include <exception>

namespace cli {

namespace {

QString json(const lp::Blend& blend, const optimizer::RangingTarget& target, const lp::Ranging& r,
             const optimizer::RangingLabels& labels) {
    QJsonObject o;
    o.insert("parametro", optimizer::targetCaption(blend, target));
    if (const auto v = optimizer::currentValue(blend, target))
        o.insert("valor_actual", *v);
    QJsonArray tramos;
    for (const lp::RangingInterval& i : r.tramos) {
        QJsonObject t;
        t.insert("desde", i.desde);
        t.insert("hasta", i.hasta);
        t.insert("costo_desde", i.costoDesde);
        t.insert("costo_hasta", i.costoHasta);
        t.insert(labels.slopeKey, i.pendiente);
        tramos.append(t);
    }
    o.insert("tramos", tramos);
    if (r.infactibleDesde)
        o.insert("infactible_desde", *r.infactibleDesde);
    if (r.infactibleHasta)
        o.insert("infactible_hasta", *r.infactibleHasta);
    return jsonLine(o);
}

QString table(const lp::Blend& blend, const optimizer::RangingTarget& target, const lp::Ranging& r,
              const optimizer::RangingLabels& labels, double desde, double hasta) {
    QString out;
    QTextStream s(&out);
    s << optimizer::targetCaption(blend, target) << " de " << fmt::format(desde, "0.00####")
      << " a " << fmt::format(hasta, "0.00####") << "\n";
    if (optimizer::currentValue(blend, target))
        s << optimizer::currentValueText(blend, target) << "\n";
    s << labels.parameter << " / " << labels.cost << "\n\n";
    for (const QString& line : optimizer::rangingLines(r, labels))
        s << line << "\n";
    return out;
}

} // namespace

int runRanging(const RangingOptions& o, QString* output, QTextStream& err) {
    try {
        auto db = store::Database::openFile(o.database, store::Database::OpenMode::ReadOnly);
        const int id = formulas::findFormula(*db, {o.code, o.version, o.id});
        const QString named = o.code.isEmpty() ? QString::number(o.id) : shownText(o.code);
        if (id == 0) {
            err << "No existe la fórmula " << named << '\n';
            return 1;
        }
        workspace::Notices notices;
        const std::optional<optimizer::StoredBlend> stored =
            optimizer::loadStoredBlend(*db, id, &notices);
        for (const workspace::Notice& n : notices)
            msg::msgBox(n.text, n.kind, n.title);
        if (!stored) {
            err << "La fórmula " << named << " no se puede formular\n";
            return 1;
        }
        const lp::Blend& blend = stored->blend;
        QString error;
        const std::optional<optimizer::RangingTarget> target =
            o.precio.isEmpty() ? optimizer::limitTarget(blend, o.limite, &error, stored->codes)
                               : optimizer::priceTarget(blend, o.precio, &error, stored->codes);
        if (!target) {
            err << shownLine(error) << '\n';
            return 1;
        }
        const lp::Ranging r = optimizer::rangeTarget(blend, *target, o.desde, o.hasta);
        const optimizer::RangingLabels labels =
            optimizer::rangingLabels(blend, *target, stored->units);
        if (r.status == lp::RangingStatus::Infeasible && o.json) {
            *output = json(blend, *target, r, labels);
            return 3;
        }
        if (r.status != lp::RangingStatus::Ok) {
            err << optimizer::rangingProblem(r, *target) << '\n';
            return r.status == lp::RangingStatus::Infeasible ? 3 : 1;
        }
        *output = o.json ? json(blend, *target, r, labels)
                         : table(blend, *target, r, labels, o.desde, o.hasta);
        return 0;
    } catch (const std::exception& e) {
        err << "Error de base de datos: " << shownLine(QString::fromUtf8(e.what())) << '\n';
        return 1;
    }
}

namespace {

class RangingCommand final : public CommandWith<RangingOptions> {
public:
    QString name() const override { return QStringLiteral("ranging"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant ranging --database RUTA --formula CODIGO "
                              "(--price INGREDIENTE | --limit L)\n"
                              "                   --from-value A --to-value B [--json]\n"
                              "      los tramos exactos del costo al mover un precio o un "
                              "límite\n");
    }
    std::vector<OptionSpec> options() const override {
        return {
            kDatabaseOption,
            kFormulaOption,
            kVersionOption,
            kIdOption,
            {{"price"},
             "INGREDIENTE",
             "mueve el precio de ese ingrediente (código o nombre)",
             {"precio"}},
            {{"limit"},
             "TIPO:NOMBRE:minimo|maximo",
             "mueve ese límite (TIPO: nutriente, ingrediente, relacion o grupo; NOMBRE de una "
             "relación: el suyo o \"Numerador / Divisor\"; NOMBRE va del primer ':' al último y "
             "puede contener ':')",
             {"limite"}},
            {{"from-value"}, "A", "el comienzo del rango (obligatorio)", {"desde"}},
            {{"to-value"}, "B", "el final del rango, mayor que A (obligatorio)", {"hasta"}},
            kJsonOption,
        };
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant ranging --database RUTA (--formula CODIGO [--version N] | --id ID)\n"
            "                      (--price INGREDIENTE | --limit TIPO:NOMBRE:minimo|maximo)\n"
            "                      --from-value A --to-value B [--json]\n\n"
            "Mueve el precio de un ingrediente o un límite de la fórmula de A a B y muestra, en "
            "cada\ntramo en que la mezcla óptima no cambia de base, el costo de la fórmula en sus "
            "extremos y\nla cantidad del ingrediente (precio) o el precio sombra del límite; los "
            "tramos son exactos.\nNo escribe nada en la base de datos.\n\n"
            "Un ingrediente se nombra por su código (SOJA48) o por su nombre; si no hay uno con "
            "ese\ncódigo, vale el nombre completo y, si no, una parte que esté en un solo nombre "
            "(PESCADO,\n\"harina de pescado\"); sin importar mayúsculas. Nutrientes, relaciones y "
            "grupos, por su\nnombre de la misma forma. Un texto que nombra varios se rechaza con "
            "la lista de ellos. En\n--limit, TIPO es lo que va antes del primer ':' y "
            "minimo|maximo lo que sigue al último:\nNOMBRE puede contener ':' sin comillas "
            "(nutriente:Ca:P disponible:minimo). A y B se\nescriben con punto decimal y sin "
            "separador de miles (1.5, 1e3; no 1,5).\n\nOpciones:\n");
    }
    QString usageEnd() const override {
        return QStringLiteral(
            "\nEstado de salida: 0 tramos calculados; 3 ningún valor del rango permite "
            "formular;\n1 error de uso, de la fórmula, de la base de datos o un rango que no se "
            "puede calcular\n(demasiado amplio).\n");
    }
    QString read(const QCommandLineParser& parser, RangingOptions& o) const override {
        if (const QString error = noPositionalArguments(parser); !error.isEmpty())
            return error;
        o.json = parser.isSet("json");
        FormulaChoice choice;
        if (const QString error = readDatabaseAndFormula(parser, o.database, choice);
            !error.isEmpty())
            return error;
        o.code = choice.code;
        o.id = choice.id;
        o.version = choice.version;
        o.precio = parser.value("price").trimmed();
        o.limite = parser.value("limit").trimmed();
        if (o.precio.isEmpty() == o.limite.isEmpty())
            return QStringLiteral("Indique --price o --limit (uno de los dos)");
        for (const char* name : {"from-value", "to-value"})
            if (!parser.isSet(name))
                return QStringLiteral("Falta --%1").arg(QLatin1String(name));
        const QString fromName = spelledAs(parser, {"from-value", "desde"});
        const QString toName = spelledAs(parser, {"to-value", "hasta"});
        const std::optional<double> from = commandNumber(parser.value("from-value"));
        const std::optional<double> to = commandNumber(parser.value("to-value"));
        if (!from)
            return "Valor no válido para " + fromName + ": " +
                   shownText(parser.value("from-value"));
        if (!to)
            return "Valor no válido para " + toName + ": " + shownText(parser.value("to-value"));
        if (!(*from < *to))
            return QStringLiteral("%1 debe ser mayor que %2").arg(toName, fromName);
        o.desde = *from;
        o.hasta = *to;
        return {};
    }
    int run(const RangingOptions& o, QTextStream& out, QTextStream& err) const override {
        QString output;
        const int status = runRanging(o, &output, err);
        out << output;
        return status;
    }
};

} // namespace

const Command& rangingCommand() {
    static const RangingCommand command;
    return command;
}

} // namespace cli
