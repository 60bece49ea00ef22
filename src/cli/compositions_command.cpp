#include "cli/compositions_command.h"

#include "app/regional_settings.h"
#include "catalog/composition_list.h"
#include "cli/command.h"
#include "cli/output.h"
#include "cli/shown_text.h"
#include "store/database.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace cli {

namespace {

void printPreview(const catalog::CompositionListPreview& p, QTextStream& out) {
    out << QStringLiteral("Lista de composición %1 (separador «%2», decimales con «%3»)\n")
               .arg(shownLine(p.fileName), p.separator, p.decimalMark);
    std::vector<bool> changed;
    for (const catalog::CompositionListRow& r : p.rows)
        changed.push_back(r.changes());
    if (p.changeCount() > 0)
        out << gridText(catalog::compositionListGrid(p), changed);
    if (!p.newNutrients.empty()) {
        out << QStringLiteral("Nutrientes nuevos (se crean al aplicar):\n");
        for (const catalog::NewNutrient& n : p.newNutrients)
            out << QStringLiteral("  «%1», unidad «%2» (línea %3)\n")
                       .arg(shownText(n.nombre), shownText(n.unidad))
                       .arg(n.line);
    }
    if (!p.conflicts.empty()) {
        out << QStringLiteral("Conflictos (no se aplican):\n");
        for (const catalog::CompositionListConflict& c : p.conflicts)
            out << QStringLiteral("  línea %1, código «%2», nutriente «%3»: %4\n")
                       .arg(c.line)
                       .arg(shownText(c.codigo), shownText(c.propiedad), shownLine(c.reason));
    }
    out << catalog::compositionSummary(p) << u'\n';
}

} // namespace

int runCompositions(const CompositionsOptions& o, app::RegionalSettings& settings, QTextStream& out,
                    QTextStream& err) {
    ListSteps<catalog::CompositionListPreview> steps;
    steps.command = QStringLiteral("compositions");
    steps.read = [&](store::Database& db) {
        return catalog::previewCompositionListFile(db, o.from, catalog::decimalMarkOf(settings),
                                                   o.createNutrients);
    };
    steps.print = printPreview;
    steps.apply = [](store::Database& db, const catalog::CompositionListPreview& p) {
        return catalog::compositionAppliedMessage(catalog::applyCompositionList(db, p));
    };
    steps.nothingToApply = catalog::kNoCompositionToApply;
    steps.notApplied = QStringLiteral("no se aplicó ningún valor: ");
    return runList(o, steps, out, err);
}

namespace {

class CompositionsCommand final : public CommandWith<CompositionsOptions> {
public:
    QString name() const override { return QStringLiteral("compositions"); }
    QString synopsis() const override {
        return QStringLiteral(
            "  dosivant compositions --database RUTA --from LISTA.csv [--yes] "
            "[--create-nutrients]\n"
            "      muestra (y con --yes aplica) una lista de valores de composición\n");
    }
    std::vector<OptionSpec> options() const override {
        return {
            kDatabaseOption,
            {{"from"}, "LISTA", "la lista de composición, un archivo CSV (obligatoria)"},
            {{"yes"}, {}, "aplica los cambios (sin esta opción solo los muestra)"},
            {{"create-nutrients", "crear-propiedades"},
             {},
             "crea los nutrientes que la lista nombra y el catálogo no tiene"},
        };
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant compositions --database RUTA --from LISTA.csv [--yes] "
            "[--create-nutrients]\n\n"
            "Lee una lista de composición (columnas codigo, propiedad y valor, y si se quiere "
            "base, fuente\ny unidad, separadas por ; o por ,; decimales como diga la "
            "configuración regional) y muestra\nqué valores cambia y qué líneas tienen "
            "conflictos. propiedad es el nombre del nutriente; base\nes seca (como guarda el "
            "catálogo, si falta) o humeda (un valor tal cual, que se pasa a base\nseca con la "
            "materia seca del ingrediente); una fuente vacía conserva la fuente guardada;\n"
            "unidad es la de un nutriente nuevo. Un nutriente que no existe es un conflicto, "
            "salvo con\n--create-nutrients (o --crear-propiedades), que lo crea. Con --yes "
            "aplica los cambios, todos\njuntos o ninguno, y anota cada uno en el historial de "
            "composición.\n\n"
            "Opciones:\n");
    }
    QString usageEnd() const override { return kListExitStatus; }
    QString read(const QCommandLineParser& parser, CompositionsOptions& o) const override {
        o.createNutrients = parser.isSet("create-nutrients");
        return readListOptions(parser, o);
    }
    // Numbers in the list are read as the user's regional settings write them.
    int run(const CompositionsOptions& o, QTextStream& out, QTextStream& err) const override {
        app::IniRegionalSettings settings;
        return runCompositions(o, settings, out, err);
    }
};

} // namespace

const Command& compositionsCommand() {
    static const CompositionsCommand command;
    return command;
}

} // namespace cli
