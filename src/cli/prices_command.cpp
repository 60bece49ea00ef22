#include "cli/prices_command.h"

#include "app/regional_settings.h"
#include "catalog/price_list.h"
#include "cli/command.h"
#include "cli/output.h"
#include "cli/shown_text.h"
#include "store/database.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace cli {

namespace {

void printPreview(const catalog::PriceListPreview& p, QTextStream& out) {
    out << QStringLiteral("Lista de precios %1 (separador «%2», decimales con «%3»)\n")
               .arg(shownLine(p.fileName), p.separator, p.decimalMark);
    std::vector<bool> changed;
    for (const catalog::PriceListRow& r : p.rows)
        changed.push_back(r.changes());
    if (p.changeCount() > 0)
        out << gridText(catalog::priceListGrid(p), changed);
    if (!p.conflicts.empty()) {
        out << QStringLiteral("Conflictos (no se aplican):\n");
        for (const catalog::PriceListConflict& c : p.conflicts)
            out << QStringLiteral("  línea %1, código «%2»: %3\n")
                       .arg(c.line)
                       .arg(shownText(c.codigo), shownLine(c.reason));
    }
    out << catalog::previewSummary(p) << u'\n';
}

} // namespace

int runPrices(const PricesOptions& o, app::RegionalSettings& settings, QTextStream& out,
              QTextStream& err) {
    ListSteps<catalog::PriceListPreview> steps;
    steps.command = QStringLiteral("prices");
    steps.read = [&](store::Database& db) {
        return catalog::previewPriceListFile(db, o.from, catalog::decimalMarkOf(settings));
    };
    steps.print = printPreview;
    steps.apply = [](store::Database& db, const catalog::PriceListPreview& p) {
        return catalog::appliedMessage(catalog::applyPriceList(db, p));
    };
    steps.nothingToApply = catalog::kNothingToApply;
    steps.notApplied = QStringLiteral("no se aplicó ningún precio: ");
    return runList(o, steps, out, err);
}

namespace {

class PricesCommand final : public CommandWith<PricesOptions> {
public:
    QString name() const override { return QStringLiteral("prices"); }
    QString synopsis() const override {
        return QStringLiteral("  dosivant prices --database RUTA --from LISTA.csv [--yes]\n"
                              "      muestra (y con --yes aplica) una lista de precios de "
                              "ingredientes\n");
    }
    std::vector<OptionSpec> options() const override {
        return {
            kDatabaseOption,
            {{"from"}, "LISTA", "la lista de precios, un archivo CSV (obligatoria)"},
            {{"yes"}, {}, "aplica los cambios (sin esta opción solo los muestra)"},
        };
    }
    QString usage() const override {
        return QStringLiteral(
            "Uso: dosivant prices --database RUTA --from LISTA.csv [--yes]\n\n"
            "Lee una lista de precios (columnas codigo y costo, y si se quiere materia_seca, "
            "separadas\npor ; o por ,; decimales como diga la configuración regional) y muestra "
            "qué precios cambia\ny qué líneas tienen conflictos. Con --yes aplica los cambios, "
            "todos juntos o ninguno, y\nanota cada uno en el historial de precios.\n\n"
            "Opciones:\n");
    }
    QString usageEnd() const override { return kListExitStatus; }
    QString read(const QCommandLineParser& parser, PricesOptions& o) const override {
        return readListOptions(parser, o);
    }
    // Numbers in the list are read as the user's regional settings write them.
    int run(const PricesOptions& o, QTextStream& out, QTextStream& err) const override {
        app::IniRegionalSettings settings;
        return runPrices(o, settings, out, err);
    }
};

} // namespace

const Command& pricesCommand() {
    static const PricesCommand command;
    return command;
}

} // namespace cli
